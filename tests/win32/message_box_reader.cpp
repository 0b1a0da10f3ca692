// Prints what a message box shows, for the end-to-end tests: the box is the
// top-level window titled argv[1] (waited for up to argv[2] seconds, 30 by
// default). Output, UTF-8, one "key=value" a line, a CR in the text shown
// as the two characters "\r":
//
//   title=<window title>
//   text=<the message>
//   buttons=<the visible buttons' captions, comma separated>
//   icon=<"none", or "shown" when the icon control holds an icon>
//
// Exits 1 when no such window appears.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string utf8(const std::wstring& text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          length, nullptr, nullptr);
    return result;
}

std::wstring window_text(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

std::wstring class_name(HWND window)
{
    wchar_t name[64];
    return std::wstring(name, static_cast<std::size_t>(::GetClassNameW(window, name, 64)));
}

struct Seen {
    std::string buttons;
    bool icon = false;
};

BOOL CALLBACK look_at_child(HWND child, LPARAM context)
{
    Seen& seen = *reinterpret_cast<Seen*>(context);
    if (!::IsWindowVisible(child))
        return TRUE;
    const std::wstring kind = class_name(child);
    if (_wcsicmp(kind.c_str(), L"Button") == 0) {
        if (!seen.buttons.empty())
            seen.buttons += ',';
        seen.buttons += utf8(window_text(child));
    } else if (_wcsicmp(kind.c_str(), L"Static") == 0 &&
               (::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
               ::SendMessageW(child, STM_GETICON, 0, 0) != 0) {
        seen.icon = true;
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: message_box_reader TITLE [SECONDS]\n");
        return 2;
    }
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    HWND box = nullptr;
    for (int waited = 0; !box && waited <= seconds * 10; ++waited) {
        box = ::FindWindowA(nullptr, argv[1]);
        if (!box)
            ::Sleep(100);
    }
    if (!box)
        return 1;

    // The message is the static control with the identifier 0xFFFF, as in
    // the dialog template of Windows' own message box.
    std::string text = utf8(window_text(::GetDlgItem(box, 0xFFFF)));
    std::string escaped;
    for (char c : text)
        escaped += c == '\r' ? std::string("\\r") : c == '\n' ? std::string("\\n") : std::string(1, c);

    Seen seen;
    ::EnumChildWindows(box, look_at_child, reinterpret_cast<LPARAM>(&seen));
    const std::string output = "title=" + utf8(window_text(box)) + "\ntext=" + escaped +
                               "\nbuttons=" + seen.buttons +
                               "\nicon=" + (seen.icon ? "shown" : "none") + "\n";
    // Written as bytes: the C runtime's text mode would add a CR to each line.
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()),
                &written, nullptr);
    return 0;
}
