#include "platform/win32/view/picture_control.h"

#include "platform/win32/win32_picture.h"

namespace muralis::win32 {

namespace {

// The bitmap a picture is stretched into. A stretch between bitmaps of two
// formats converts the whole source to the target's format first, which
// under Wine is nearly all the time a reduction of a large picture takes;
// into a bitmap of the picture's own format it reads only the source.
// Either way each channel keeps 8 bits, so a true-colour picture comes out
// with the same colours on a true-colour screen; other pictures and
// screens keep the screen's format.
BitmapHandle stretch_target(HDC dc, HBITMAP source, int width, int height)
{
    DIBSECTION section{};
    const bool true_colour_source = ::GetObjectA(source, sizeof section, &section) == sizeof section &&
                                    section.dsBmih.biCompression == BI_RGB &&
                                    (section.dsBm.bmBitsPixel == 24 || section.dsBm.bmBitsPixel == 32);
    if (true_colour_source && ::GetDeviceCaps(dc, BITSPIXEL) >= 24) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = section.dsBm.bmBitsPixel;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        return BitmapHandle(::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    return BitmapHandle(::CreateCompatibleBitmap(dc, width, height));
}

} // namespace

void PictureControl::show(editor::Property property)
{
    if (property != editor::Property::Picture) {
        NativeControl::show(property);
        return;
    }
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
        m_stretched.bitmap = stretch_target(dc, picture->bitmap(), client.right, client.bottom);
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
