// What a message box shows, read from its window through the Win32 API: by
// the end-to-end tests' reader program (another process) and by the layer's
// own tests (another thread). Only the wide entry points are used, so the
// texts come back whole whatever the ANSI code page.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace muralis::test {

inline std::string utf8_from_wide(const std::wstring& text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                              length, nullptr, nullptr);
    return result;
}

inline std::string window_text(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return utf8_from_wide(text);
}

struct MessageBoxContent {
    std::string title; // UTF-8, as every text here
    // The message is the static control with the identifier 0xFFFF, as in
    // the dialog template of Windows' own message box.
    std::string text;
    struct Button {
        int id;
        std::string caption;
        bool is_default; // the BS_DEFPUSHBUTTON style: the button Enter presses
    };
    std::vector<Button> buttons; // the visible ones, in the box's child order
    HICON icon = nullptr;        // the icon shown, nullptr for none
};

namespace detail {

inline bool is_class(HWND window, const wchar_t* name)
{
    wchar_t found[64];
    return ::GetClassNameW(window, found, 64) > 0 && _wcsicmp(found, name) == 0;
}

inline BOOL CALLBACK look_at_child(HWND child, LPARAM context)
{
    MessageBoxContent& content = *reinterpret_cast<MessageBoxContent*>(context);
    if (!::IsWindowVisible(child))
        return TRUE;
    const LONG style = ::GetWindowLongW(child, GWL_STYLE);
    if (is_class(child, L"Button")) {
        content.buttons.push_back({::GetDlgCtrlID(child), window_text(child),
                                   (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON});
    } else if (is_class(child, L"Static") && (style & SS_TYPEMASK) == SS_ICON) {
        if (HICON icon = reinterpret_cast<HICON>(::SendMessageW(child, STM_GETICON, 0, 0)))
            content.icon = icon;
    }
    return TRUE;
}

inline BOOL CALLBACK look_for_box(HWND window, LPARAM context)
{
    if (!is_class(window, L"#32770") || !::IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

} // namespace detail

// The top-level message box titled title_ansi (of the dialog class
// "#32770"), waited for up to seconds; nullptr when none appears.
inline HWND find_message_box(const char* title_ansi, int seconds)
{
    for (int waited = 0; waited <= seconds * 20; ++waited) {
        if (HWND box = ::FindWindowA("#32770", title_ansi))
            return box;
        ::Sleep(50);
    }
    return nullptr;
}

// The message box that thread shows, once it is shown (its controls are
// in place by then); nullptr when there is none at the moment.
inline HWND shown_message_box_of(DWORD thread)
{
    HWND box = nullptr;
    ::EnumThreadWindows(thread, detail::look_for_box, reinterpret_cast<LPARAM>(&box));
    return box;
}

inline MessageBoxContent read_message_box(HWND box)
{
    MessageBoxContent content;
    content.title = window_text(box);
    content.text = window_text(::GetDlgItem(box, 0xFFFF));
    ::EnumChildWindows(box, detail::look_at_child, reinterpret_cast<LPARAM>(&content));
    return content;
}

} // namespace muralis::test
