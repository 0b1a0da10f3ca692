// The least a Win32 program pays to show a window: a class registered, one
// top-level window with Muralset.exe's frame style and client size, shown,
// painted yellow, and the message loop. The floor Muralset.exe's start-up is
// compared with under Wine. Linked like Muralset.exe (static, no console).
//
//   empty_window.exe [WIDTH HEIGHT [--text]]   (client size in pixels, 297 x 208)
//
// --text adds one line of bold Arial text along the bottom edge, as the
// editor's visit box has: what any window with text pays on top of the
// floor (the first font made and drawn).
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace {

bool with_text = false;

void draw_text(HWND window, HDC dc)
{
    RECT client;
    ::GetClientRect(window, &client);
    client.top = client.bottom - 30;
    // 9.75 points at the screen's DPI, as the editor's visit box.
    const int height = -::MulDiv(975, ::GetDeviceCaps(dc, LOGPIXELSY), 7200);
    HFONT font = ::CreateFontA(height, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Arial");
    HGDIOBJ previous = ::SelectObject(dc, font);
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextA(dc, "Visit: https://muralis.example.org/", -1, &client, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
    ::SelectObject(dc, previous);
    ::DeleteObject(font);
}

LRESULT CALLBACK window_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        HBRUSH yellow = ::CreateSolidBrush(RGB(255, 255, 0));
        ::FillRect(dc, &paint.rcPaint, yellow);
        ::DeleteObject(yellow);
        if (with_text)
            draw_text(window, dc);
        ::EndPaint(window, &paint);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcA(window, message, wparam, lparam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    const int width = __argc > 2 ? std::atoi(__argv[1]) : 297;
    const int height = __argc > 2 ? std::atoi(__argv[2]) : 208;
    with_text = __argc > 3 && std::strcmp(__argv[3], "--text") == 0;

    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.lpfnWndProc = window_message;
    description.hInstance = instance;
    description.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    description.lpszClassName = "MuralisBenchFloor";
    if (!::RegisterClassExA(&description))
        return 1;

    // Muralset.exe's frame: fixed, with a caption, a system menu and a
    // minimize box.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, width, height};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = ::CreateWindowExA(0, description.lpszClassName, "Win32 floor", style, CW_USEDEFAULT, CW_USEDEFAULT,
                                    frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                    nullptr);
    if (!window)
        return 1;
    ::ShowWindow(window, show_command);
    ::UpdateWindow(window);

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
