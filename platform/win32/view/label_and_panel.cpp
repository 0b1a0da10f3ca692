#include "platform/win32/view/label_and_panel.h"

namespace muralis::win32 {

// Captions are shown as written: the labels have no access keys.
NativeControl::Creation LabelControl::creation() const
{
    DWORD style = SS_NOPREFIX;
    switch (model().alignment()) {
    case editor::Alignment::Right:
        style |= SS_RIGHT;
        break;
    case editor::Alignment::Centre:
        style |= SS_CENTER;
        break;
    case editor::Alignment::Left:
        style |= SS_LEFT;
        break;
    }
    return {"STATIC", style};
}

void LabelControl::show(editor::Property property)
{
    NativeControl::show(property);
    if (property == editor::Property::Caption)
        repaint_under();
}

HBRUSH LabelControl::colours(HDC dc)
{
    if (model().back_colour())
        return NativeControl::colours(dc);
    // Without a colour of its own, the text lies on what the container
    // painted, and the hollow brush fills nothing.
    ::SetTextColor(dc, colour_ref(fore_colour()));
    ::SetBkColor(dc, colour_ref(back_colour()));
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

editor::Colour LabelControl::usual_back_colour() const
{
    const NativeControl* box = container();
    return box ? box->back_colour() : window_back_colour();
}

// A transparent label draws its new text over the old one: the container's
// background is painted again under it first, then every control there.
// A label not on the screen (the window not shown yet, the load writing
// the captions) leaves that to the paint that shows it.
void LabelControl::repaint_under()
{
    if (!::IsWindowVisible(handle()))
        return;
    HWND parent = ::GetParent(handle());
    RECT area;
    if (!parent || !::GetWindowRect(handle(), &area))
        return;
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

LRESULT PanelControl::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT client;
        ::GetClientRect(handle(), &client);
        ::FillRect(reinterpret_cast<HDC>(wparam), &client, gdi().brush_for(back_colour()));
        return 1;
    }
    // The labels inside report to the panel, their parent; the window
    // answers for them.
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return ::SendMessageA(host().window(), message, wparam, lparam);
    default:
        break;
    }
    return NativeControl::message(message, wparam, lparam);
}

} // namespace muralis::win32
