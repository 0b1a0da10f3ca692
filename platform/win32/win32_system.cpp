#include "platform/win32/win32_system.h"

#include <windows.h>
#include <shlobj.h>

#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

namespace {

// The command line a started program receives: its path between double
// quotes, so that a path with spaces stays one argument, the program's
// name, and is never read as a shorter name ("C:\Program") followed by
// arguments.
std::string quoted_command_line(const std::string& path)
{
    return '"' + path + '"';
}

} // namespace

std::string Win32System::windows_directory()
{
    // The buffer holds 144 characters. A result that does not fit comes back
    // as the size needed, not as a length: treated as a failed query.
    char buffer[144];
    const UINT length = ::GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer)
        return {};
    return utf8_from_ansi(std::string_view(buffer, length));
}

// Windows gave programs without a manifest that wrote into the Windows
// directory a per-user copy of it instead: the same path below
// %LOCALAPPDATA%\VirtualStore, without its drive ("C:\Windows" is
// %LOCALAPPDATA%\VirtualStore\Windows).
std::string Win32System::virtual_store_folder()
{
    char buffer[MAX_PATH];
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    const std::string windows = windows_directory();
    if (buffer[0] == '\0' || windows.size() < 4 || windows[1] != ':' || windows[2] != '\\')
        return {};
    std::string folder = utf8_from_ansi(buffer);
    if (folder.back() != '\\')
        folder += '\\';
    return folder + "VirtualStore\\" + windows.substr(3);
}

std::string Win32System::fallback_data_folder()
{
    char buffer[MAX_PATH];
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    std::string folder = utf8_from_ansi(buffer);
    if (folder.empty())
        return {};
    if (folder.back() != '\\')
        folder += '\\';
    return folder + "Muralis";
}

std::string Win32System::language_name_buffer()
{
    // LOCALE_SENGLANGUAGE (0x1001) of locale 0, the user's default, into a
    // 100-character buffer of which the call may fill 99.
    std::string buffer(100, '\0');
    ::GetLocaleInfoA(0, 0x1001, buffer.data(), 99);
    const std::size_t nul = buffer.find('\0');
    return utf8_from_ansi(std::string_view(buffer).substr(0, nul)) + buffer.substr(nul);
}

std::string Win32System::program_folder()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), size);
        if (length == 0)
            throw last_error_failure("GetModuleFileName");
        // A full buffer means the name may be cut short: ask again with more.
        if (length < size) {
            const std::string path(buffer.data(), length);
            const auto separator = path.find_last_of("\\/");
            return utf8_from_ansi(separator == std::string::npos ? std::string() : path.substr(0, separator));
        }
        buffer.resize(buffer.size() * 2);
    }
}

void Win32System::change_current_folder(const std::string& folder)
{
    // A bare drive ("C:") names that drive's current folder, not its root;
    // the program folder of a program in a root is meant as the root.
    std::string folder_ansi = ansi_from_utf8(folder);
    if (folder_ansi.size() == 2 && folder_ansi[1] == ':')
        folder_ansi += '\\';
    if (!::SetCurrentDirectoryA(folder_ansi.c_str()))
        throw last_error_failure(folder);
}

LocalDate Win32System::local_date()
{
    SYSTEMTIME now;
    ::GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

std::string Win32System::weekday_name(int weekday)
{
    if (weekday < 1 || weekday > 7)
        return {};
    // 1 January 2023 was a Sunday, so the n-th of that month is weekday n.
    SYSTEMTIME date{};
    date.wYear = 2023;
    date.wMonth = 1;
    date.wDay = static_cast<WORD>(weekday);
    date.wDayOfWeek = static_cast<WORD>(weekday - 1);
    const int size = ::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &date, "dddd", nullptr, 0);
    if (size <= 0)
        return {};
    std::string name_ansi(static_cast<std::size_t>(size), '\0');
    const int length = ::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &date, "dddd", name_ansi.data(), size);
    if (length <= 0)
        return {};
    // The length counts the terminating NUL.
    name_ansi.resize(static_cast<std::size_t>(length - 1));
    return utf8_from_ansi(name_ansi);
}

std::string Win32System::upper_case(const std::string& text)
{
    const std::string text_ansi = ansi_from_utf8(text);
    if (text_ansi.empty())
        return {};
    // Lengths are passed explicitly, so a NUL is a character like any other.
    // A character the code page lacks has already become '?' and stays so.
    const int length = static_cast<int>(text_ansi.size());
    const int size = ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text_ansi.data(), length, nullptr, 0);
    if (size <= 0)
        return text;
    std::string upper_ansi(static_cast<std::size_t>(size), '\0');
    if (::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_UPPERCASE, text_ansi.data(), length, upper_ansi.data(), size) <= 0)
        return text;
    return utf8_from_ansi(upper_ansi);
}

void Win32System::beep()
{
    ::MessageBeep(MB_OK);
}

TwipsSize Win32System::screen_size()
{
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    int dpi_x = 0;
    int dpi_y = 0;
    if (HDC screen = ::GetDC(nullptr)) {
        dpi_x = ::GetDeviceCaps(screen, LOGPIXELSX);
        dpi_y = ::GetDeviceCaps(screen, LOGPIXELSY);
        ::ReleaseDC(nullptr, screen);
    }
    // Without a screen context the system's default resolution is meant.
    if (dpi_x <= 0)
        dpi_x = 96;
    if (dpi_y <= 0)
        dpi_y = 96;
    // MulDiv rounds to the nearest twip; the product cannot overflow in it.
    return {::MulDiv(width, 1440, dpi_x), ::MulDiv(height, 1440, dpi_y)};
}

void Win32System::start_program(const std::string& path)
{
    const std::string path_ansi = ansi_from_utf8(path);
    // CreateProcess may write into the command line, so it gets its own copy.
    std::string command_line = ansi_from_utf8(quoted_command_line(path));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(path_ansi.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0,
                          nullptr, nullptr, &startup, &started))
        throw last_error_failure(path);
    // The program runs on by itself: nothing waits for it.
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
}

} // namespace muralis::win32

