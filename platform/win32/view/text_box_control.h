// The text box: an EDIT control that passes what the user types to the
// model as it changes, and the clicks its class does not report.
#pragma once

#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

class TextBoxControl final : public FieldControl {
public:
    TextBoxControl(editor::TextBox& model, ControlHost& host) : FieldControl(model, host), m_box(model) {}

    void show(editor::Property property) override;
    void notified(int code) override;

protected:
    Creation creation() const override;
    void created() override { subclass(); }
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    editor::TextBox& m_box;
    bool m_pressed = false; // a button press began in the box
};

} // namespace muralis::win32
