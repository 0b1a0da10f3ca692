#include "platform/win32/view/native_control.h"

#include <utility>

#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

using editor::Colour;
using editor::Property;
using editor::SystemColour;

void NativeControl::create(int id)
{
    m_id = id;
    const Creation how = creation();
    if (how.class_name) {
        HWND parent = host().window();
        if (const NativeControl* box = container(); box && box->handle())
            parent = box->handle();
        const editor::PixelRect rect = pixel_rect(m_model.rect(), gdi().dpi());
        DWORD style = WS_CHILD | how.style;
        if (m_model.Visible())
            style |= WS_VISIBLE;
        if (!m_model.Enabled())
            style |= WS_DISABLED;
        // The window procedure of the view's own classes takes this control
        // from the creation parameters; the system's classes ignore them.
        m_window = ::CreateWindowExA(how.extended_style, how.class_name, ansi_from_utf8(m_model.Caption()).c_str(),
                                     style, rect.left, rect.top, rect.width,
                                     rect.height + gdi().scaled(how.extra_height), parent,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), host().instance(), this);
        if (!m_window)
            throw last_error_failure("CreateWindowEx " + m_model.name());
        ::SendMessageA(m_window, WM_SETFONT, reinterpret_cast<WPARAM>(gdi().font_for(m_model.font())), FALSE);
    }
    created();
}

void NativeControl::show(Property property)
{
    if (!m_window)
        return;
    switch (property) {
    case Property::Caption:
        ::SetWindowTextA(m_window, ansi_from_utf8(m_model.Caption()).c_str());
        break;
    case Property::Enabled:
        if (!m_model.Enabled())
            host().move_focus_from(m_window);
        ::EnableWindow(m_window, m_model.Enabled());
        break;
    case Property::Visible:
        if (!m_model.Visible())
            host().move_focus_from(m_window);
        ::ShowWindow(m_window, m_model.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Property::Focus:
        if (::IsWindowEnabled(m_window) && ::IsWindowVisible(m_window))
            ::SetFocus(m_window);
        break;
    case Property::AccessibleName:
        host().accessible_names().name(m_window, m_model.AccessibleName());
        break;
    default:
        // The properties of one kind are shown by its own class.
        break;
    }
}

HBRUSH NativeControl::colours(HDC dc)
{
    const Colour back = back_colour();
    ::SetTextColor(dc, colour_ref(fore_colour()));
    ::SetBkColor(dc, colour_ref(back));
    return gdi().brush_for(back);
}

Colour NativeControl::back_colour() const
{
    return m_model.back_colour() ? *m_model.back_colour() : usual_back_colour();
}

Colour NativeControl::fore_colour() const
{
    return m_model.fore_colour() ? *m_model.fore_colour() : usual_fore_colour();
}

Colour NativeControl::usual_back_colour() const
{
    return window_back_colour();
}

Colour NativeControl::usual_fore_colour() const
{
    return Colour::system(SystemColour::ButtonText);
}

NativeControl* NativeControl::container() const
{
    return m_model.container() ? m_host.control_of(*m_model.container()) : nullptr;
}

LRESULT NativeControl::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    if (m_class_procedure)
        return call_class(message, wparam, lparam);
    return ::DefWindowProcA(m_window, message, wparam, lparam);
}

void NativeControl::subclass()
{
    ::SetWindowLongPtrA(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_class_procedure = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrA(m_window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass_procedure)));
}

LRESULT NativeControl::call_class(UINT message, WPARAM wparam, LPARAM lparam)
{
    return ::CallWindowProcA(m_class_procedure, m_window, message, wparam, lparam);
}

// Nothing may be thrown through the system's code that called a window
// procedure: a failure goes to the host, which ends its message loop.
LRESULT CALLBACK NativeControl::class_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        auto* control =
            static_cast<NativeControl*>(reinterpret_cast<const CREATESTRUCTA*>(lparam)->lpCreateParams);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
        if (control)
            control->m_window = window;
    }
    auto* self = reinterpret_cast<NativeControl*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcA(window, message, wparam, lparam);
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    try {
        return self->message(message, wparam, lparam);
    } catch (...) {
        self->host().fail_with_current_exception();
        return 0;
    }
}

LRESULT CALLBACK NativeControl::subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    auto* self = reinterpret_cast<NativeControl*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self || !self->m_class_procedure)
        return ::DefWindowProcA(window, message, wparam, lparam);
    if (message == WM_NCDESTROY) {
        // The class procedure back, for the last messages.
        const WNDPROC original = std::exchange(self->m_class_procedure, nullptr);
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        return ::CallWindowProcA(original, window, message, wparam, lparam);
    }
    try {
        return self->message(message, wparam, lparam);
    } catch (...) {
        self->host().fail_with_current_exception();
        return 0;
    }
}

Colour FieldControl::usual_back_colour() const
{
    return Colour::system(SystemColour::WindowBackground);
}

Colour FieldControl::usual_fore_colour() const
{
    return Colour::system(SystemColour::WindowText);
}

std::string window_text_ansi(HWND window)
{
    const int length = ::GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

} // namespace muralis::win32
