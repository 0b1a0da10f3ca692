// A timer: no window, a system timer of the top-level window under the
// control's identifier while the model's timer runs.
#pragma once

#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

class TimerControl final : public NativeControl {
public:
    TimerControl(editor::Timer& model, ControlHost& host) : NativeControl(model, host), m_timer(model) {}

    void show(editor::Property property) override
    {
        if (property == editor::Property::Enabled || property == editor::Property::Interval)
            update();
    }
    void timer_elapsed() override
    {
        host().user_action([this] { m_timer.tick(); });
    }

protected:
    Creation creation() const override { return {}; }
    void created() override { update(); }

private:
    // SetTimer on a running timer starts its interval again, as a new
    // interval should.
    void update()
    {
        if (m_timer.ticking())
            ::SetTimer(host().window(), static_cast<UINT_PTR>(id()), static_cast<UINT>(m_timer.Interval()), nullptr);
        else
            ::KillTimer(host().window(), static_cast<UINT_PTR>(id()));
    }

    editor::Timer& m_timer;
};

} // namespace muralis::win32
