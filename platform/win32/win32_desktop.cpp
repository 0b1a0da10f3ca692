#include "platform/win32/win32_desktop.h"

#include <windows.h>

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

void Win32Desktop::install_wallpaper(const std::string& path)
{
    // SPI_SETDESKWALLPAPER (20), stored in the user's profile
    // (SPIF_UPDATEINIFILE = 1). Whether it worked is not looked at.
    try {
        std::string path_ansi = ansi_from_utf8(path);
        ::SystemParametersInfoA(20, 0, path_ansi.data(), 1);
    } catch (...) {
        // Nothing is reported, whatever happens.
    }
}

MessageAnswer Win32Desktop::message_box(const std::string& title, const std::string& text,
                                        const MessageStyle& style)
{
    // MB_OK alone: an OK button and no icon. A lone CR in text is a line
    // break for the message box as it is.
    ::MessageBoxA(nullptr, ansi_from_utf8(text).c_str(), ansi_from_utf8(title).c_str(), MB_OK);
    return style.default_answer;
}

void Win32Desktop::open_web_address(const std::string&) {}

} // namespace muralis::win32
