// A command button: a push button whose click, or access key, clicks the
// model's button. Never BS_DEFPUSHBUTTON: the window has no default button.
#pragma once

#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

class ButtonControl final : public NativeControl {
public:
    ButtonControl(editor::CommandButton& model, ControlHost& host) : NativeControl(model, host), m_button(model) {}

    void notified(int code) override
    {
        if (code == BN_CLICKED)
            host().user_action([this] { m_button.click(); });
    }

protected:
    Creation creation() const override
    {
        return {"BUTTON", WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON};
    }

private:
    editor::CommandButton& m_button;
};

} // namespace muralis::win32
