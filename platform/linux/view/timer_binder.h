// The timer: a Qt timer that runs while the model's timer is enabled with
// an interval, and whose ticks run the model's Tick.
#pragma once

#include "platform/linux/view/control_binder.h"

namespace muralis::linux_platform {

class TimerBinder final : public ControlBinder {
public:
    // The Qt timer belongs to the window.
    TimerBinder(editor::Timer& timer, ViewContext& context);

    QTimer* timer() const override { return m_qt_timer; }
    void show_all() override;
    // Every change of the model's timer may start, stop or restart it.
    void show(editor::Property) override { show_all(); }
    void silence() override;

private:
    editor::Timer& m_timer;
    QTimer* m_qt_timer;
};

} // namespace muralis::linux_platform
