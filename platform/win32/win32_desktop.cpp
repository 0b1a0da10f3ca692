#include "platform/win32/win32_desktop.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/ansi_text.h"
#include "platform/win32/com_apartment.h"

namespace muralis::win32 {

namespace {

UINT message_box_type(const MessageStyle& style)
{
    UINT type = style.buttons == MessageButtons::YesNo ? MB_YESNO : MB_OK;
    switch (style.icon) {
    case MessageIcon::None:
        break;
    case MessageIcon::Stop:
        type |= MB_ICONSTOP;
        break;
    case MessageIcon::Question:
        type |= MB_ICONQUESTION;
        break;
    }
    // The first button is the default unless told otherwise; No is the
    // only second button a box here has.
    if (style.buttons == MessageButtons::YesNo && style.default_answer == MessageAnswer::No)
        type |= MB_DEFBUTTON2;
    return type;
}

// A box that failed (0, or -1 from Wine's dialog code) or was ended some
// other way answers as its last button.
MessageAnswer answer_of(int result, MessageButtons buttons)
{
    switch (result) {
    case IDYES:
        return MessageAnswer::Yes;
    case IDNO:
        return MessageAnswer::No;
    case IDOK:
        return MessageAnswer::Ok;
    default:
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

} // namespace

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
    // A lone CR in text is a line break for the message box as it is.
    const int result = ::MessageBoxA(m_message_owner, ansi_from_utf8(text).c_str(),
                                     ansi_from_utf8(title).c_str(), message_box_type(style));
    return answer_of(result, style.buttons);
}

void Win32Desktop::open_web_address(const std::string& address)
{
    try {
        const std::string address_ansi = ansi_from_utf8(address);
        // The open verb may be carried out by a shell extension, a COM
        // object, which needs the thread in an apartment.
        const ComApartment apartment;
        ::ShellExecuteA(m_message_owner, "open", address_ansi.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    } catch (...) {
        // Nothing is reported, whatever happens.
    }
}

} // namespace muralis::win32
