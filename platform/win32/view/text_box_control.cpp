#include "platform/win32/view/text_box_control.h"

#include <utility>

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

NativeControl::Creation TextBoxControl::creation() const
{
    DWORD style = field_style | ES_AUTOHSCROLL;
    switch (m_box.alignment()) {
    case editor::Alignment::Right:
        style |= ES_RIGHT;
        break;
    case editor::Alignment::Centre:
        style |= ES_CENTER;
        break;
    case editor::Alignment::Left:
        style |= ES_LEFT;
        break;
    }
    return {"EDIT", style, field_extended_style};
}

void TextBoxControl::show(editor::Property property)
{
    // What the user typed comes back from the model as a change: the box
    // shows it already, and writing it again would put the caret back at
    // the start, so that the next key lands in front.
    if (property == editor::Property::Caption && window_text_ansi(handle()) == ansi_from_utf8(m_box.Text()))
        return;
    FieldControl::show(property);
}

// What the user types goes to the model as it changes (EN_CHANGE). The
// model's own writes come back as EN_CHANGE too, while they are being
// applied; those are dropped.
void TextBoxControl::notified(int code)
{
    if (code != EN_CHANGE || host().applying())
        return;
    const std::string typed = window_text_ansi(handle());
    host().user_action([&] { m_box.user_type(utf8_from_ansi(typed)); });
}

// A click is a press and a release in the box; a double-click reports
// itself and no second click, as the release that ends it follows a
// double-click, not a press.
LRESULT TextBoxControl::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
        m_pressed = true;
        break;
    case WM_LBUTTONUP: {
        const LRESULT result = call_class(message, wparam, lparam);
        RECT client;
        ::GetClientRect(handle(), &client);
        const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
        if (std::exchange(m_pressed, false) && ::PtInRect(&client, at))
            host().user_action([&] { m_box.click(); });
        return result;
    }
    case WM_LBUTTONDBLCLK: {
        m_pressed = false;
        const LRESULT result = call_class(message, wparam, lparam);
        host().user_action([&] { m_box.double_click(); });
        return result;
    }
    default:
        break;
    }
    return call_class(message, wparam, lparam);
}

} // namespace muralis::win32
