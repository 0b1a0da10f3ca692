#include "platform/win32/view/picture_control.h"

#include "platform/win32/win32_picture.h"

namespace muralis::win32 {

void PictureControl::show(editor::Property property)
{
    if (property != editor::Property::Picture)
        return NativeControl::show(property);
    // The picture the preview held may go with the model's write.
    m_stretched = {};
    ::InvalidateRect(handle(), nullptr, TRUE);
}

LRESULT PictureControl::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT paint_info;
        HDC dc = ::BeginPaint(handle(), &paint_info);
        if (dc) {
            paint(dc);
            ::EndPaint(handle(), &paint_info);
        }
        return 0;
    }
    // Drawing into a DC of the caller's (PrintWindow, WM_PRINTCLIENT).
    case WM_PRINTCLIENT:
        paint(reinterpret_cast<HDC>(wparam));
        return 0;
    default:
        break;
    }
    return NativeControl::message(message, wparam, lparam);
}

void PictureControl::paint(HDC dc)
{
    RECT client;
    ::GetClientRect(handle(), &client);
    const editor::PicturePtr& shown = m_image.Picture();
    const auto* picture = dynamic_cast<const Win32Picture*>(shown.get());
    if (!picture) {
        ::FillRect(dc, &client, gdi().brush_for(window_back_colour()));
        return;
    }
    MemoryDc memory(::CreateCompatibleDC(dc));
    if (!memory)
        return;
    if (m_stretched.source != shown || m_stretched.width != client.right || m_stretched.height != client.bottom) {
        m_stretched = {};
        m_stretched.bitmap.reset(::CreateCompatibleBitmap(dc, client.right, client.bottom));
        MemoryDc source(::CreateCompatibleDC(dc));
        if (!m_stretched.bitmap || !source)
            return;
        SelectedObject target(memory.get(), m_stretched.bitmap.get());
        SelectedObject selected(source.get(), picture->bitmap());
        // HALFTONE averages the pixels a reduction drops; it needs the brush
        // origin set after it.
        ::SetStretchBltMode(memory.get(), HALFTONE);
        ::SetBrushOrgEx(memory.get(), 0, 0, nullptr);
        ::StretchBlt(memory.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, picture->width(),
                     picture->height(), SRCCOPY);
        m_stretched.source = shown;
        m_stretched.width = client.right;
        m_stretched.height = client.bottom;
    }
    SelectedObject selected(memory.get(), m_stretched.bitmap.get());
    ::BitBlt(dc, 0, 0, client.right, client.bottom, memory.get(), 0, 0, SRCCOPY);
}

} // namespace muralis::win32
