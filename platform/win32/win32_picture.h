// A bitmap loaded for the editor's preview, in the form the Win32 window
// draws: a GDI bitmap owned by the picture.
#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace muralis::win32 {

class Win32Picture final : public Picture {
public:
    // Takes ownership of bitmap (not null); deletes it when destroyed.
    explicit Win32Picture(HBITMAP bitmap);
    Win32Picture(const Win32Picture&) = delete;
    Win32Picture& operator=(const Win32Picture&) = delete;
    ~Win32Picture() override;

    int width() const override { return m_width; }
    int height() const override { return m_height; }

    // For drawing only: the picture keeps the ownership, so a caller that
    // selects it into a device context selects it out again before the
    // picture is destroyed.
    HBITMAP bitmap() const { return m_bitmap; }

private:
    HBITMAP m_bitmap;
    int m_width = 0;
    int m_height = 0;
};

} // namespace muralis::win32
