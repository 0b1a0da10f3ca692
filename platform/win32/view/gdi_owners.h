// Owners for the GDI and USER handles the window makes: fonts, brushes,
// icons, cursors, device contexts, window classes and windows. Each frees its
// handle with the one call that kind needs; copying is disabled so that a
// handle is freed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace muralis::win32 {

template <typename Handle, typename Traits>
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(Handle handle) : m_handle(handle) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : m_handle(std::exchange(other.m_handle, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_handle, nullptr));
        return *this;
    }
    ~OwnedHandle() { reset(); }

    Handle get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }

    void reset(Handle handle = nullptr)
    {
        if (m_handle)
            Traits::free(m_handle);
        m_handle = handle;
    }

private:
    Handle m_handle = nullptr;
};

struct GdiObjectTraits {
    static void free(HGDIOBJ object) { ::DeleteObject(object); }
};
struct IconTraits {
    static void free(HICON icon) { ::DestroyIcon(icon); }
};
struct CursorTraits {
    static void free(HCURSOR cursor) { ::DestroyCursor(cursor); }
};
struct MemoryDcTraits {
    static void free(HDC dc) { ::DeleteDC(dc); }
};
struct WindowTraits {
    static void free(HWND window) { ::DestroyWindow(window); }
};

using FontHandle = OwnedHandle<HFONT, GdiObjectTraits>;
using BrushHandle = OwnedHandle<HBRUSH, GdiObjectTraits>;
using PenHandle = OwnedHandle<HPEN, GdiObjectTraits>;
using BitmapHandle = OwnedHandle<HBITMAP, GdiObjectTraits>;
using IconHandle = OwnedHandle<HICON, IconTraits>;
using CursorHandle = OwnedHandle<HCURSOR, CursorTraits>;
// A DC from CreateCompatibleDC, deleted (not released) when done.
using MemoryDc = OwnedHandle<HDC, MemoryDcTraits>;
using WindowHandle = OwnedHandle<HWND, WindowTraits>;

// A window's or the screen's DC from GetDC, given back with ReleaseDC.
class WindowDc {
public:
    explicit WindowDc(HWND window) : m_window(window), m_dc(::GetDC(window)) {}
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    ~WindowDc()
    {
        if (m_dc)
            ::ReleaseDC(m_window, m_dc);
    }
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

// An object selected into a DC for a while: the DC gets its previous object
// back before either is freed, as GDI requires.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;
    ~SelectedObject()
    {
        if (m_previous && m_previous != HGDI_ERROR)
            ::SelectObject(m_dc, m_previous);
    }

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// A window class registered for as long as the owner lives. Unregistered
// only once no window of the class is left, so the owner must outlive the
// windows (declare it before them).
class WindowClass {
public:
    WindowClass() = default;
    WindowClass(const WindowClass&) = delete;
    WindowClass& operator=(const WindowClass&) = delete;
    ~WindowClass() { unregister(); }

    // Registers the class, in place of the one held; false when that
    // failed (GetLastError() tells why).
    bool register_class(const WNDCLASSEXA& description)
    {
        unregister();
        m_instance = description.hInstance;
        m_atom = ::RegisterClassExA(&description);
        return m_atom != 0;
    }
    void unregister()
    {
        if (m_atom)
            ::UnregisterClassA(MAKEINTATOM(m_atom), m_instance);
        m_atom = 0;
    }
    explicit operator bool() const { return m_atom != 0; }
    LPCSTR name() const { return MAKEINTATOM(m_atom); }

private:
    HINSTANCE m_instance = nullptr;
    ATOM m_atom = 0;
};

} // namespace muralis::win32
