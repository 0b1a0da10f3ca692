// Drives and folders as the editor's drive, folder and file lists show them,
// through kernel32's ANSI entry points.
#include "platform/win32/win32_files.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

#include "platform/win32/ansi_text.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

namespace {

// The numbers the lists' users know these failures by: a drive that is
// absent or not ready, and a folder that is not there.
constexpr int DeviceUnavailable = 68;
constexpr int PathNotFound = 76;

bool is_separator(char c)
{
    return c == '\\' || c == '/';
}

bool is_drive_letter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool starts_with_drive(const std::string& path)
{
    return path.size() >= 2 && is_drive_letter(path[0]) && path[1] == ':';
}

char upper(char letter)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
}

Failure failure_numbered(int number, DWORD error, const std::string& path)
{
    return Failure(number, path + ": " + system_message(error));
}

// A drive that is missing or not ready is the device's fault; anything else
// that stops a folder from being read is the path's.
Failure folder_failure(DWORD error, const std::string& path)
{
    const bool device = error == ERROR_NOT_READY || error == ERROR_INVALID_DRIVE ||
                        error == ERROR_DEV_NOT_EXIST || error == ERROR_BAD_NETPATH ||
                        error == ERROR_BAD_NET_NAME;
    return failure_numbered(device ? DeviceUnavailable : PathNotFound, error, path);
}

// GetFullPathNameA: absolute, "." and ".." parts gone, '/' turned into '\';
// a bare drive ("C:") gives that drive's current folder.
std::string full_path(const std::string& text_ansi, const std::string& text_utf8)
{
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetFullPathNameA(text_ansi.c_str(), static_cast<DWORD>(buffer.size()),
                                                buffer.data(), nullptr);
        if (length == 0)
            throw folder_failure(::GetLastError(), text_utf8);
        // A result that does not fit comes back as the size it needs, NUL
        // included.
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        buffer.assign(length, '\0');
    }
}

// The one form every reader gets: the drive letter upper case as the drive
// list shows it, no repeated separators and no trailing one, except that a
// drive's root keeps its backslash ("C:\"). The two backslashes that open a
// UNC name ("\\server\share") are not a repeat.
std::string canonical_form(const std::string& path)
{
    std::string result;
    result.reserve(path.size() + 1);
    std::size_t start = 0;
    if (path.size() >= 2 && is_separator(path[0]) && is_separator(path[1])) {
        result = "\\\\";
        start = 2;
    }
    for (std::size_t i = start; i < path.size(); ++i) {
        if (!is_separator(path[i]))
            result += path[i];
        else if (result.empty() || result.back() != '\\')
            result += '\\';
    }
    if (starts_with_drive(result)) {
        result[0] = upper(result[0]);
        if (result.size() == 2)
            result += '\\';
    }
    const std::size_t root = starts_with_drive(result) ? 3 : start;
    while (result.size() > root && result.back() == '\\')
        result.pop_back();
    return result;
}

// Fails with DeviceUnavailable when the drive of path_ansi (a letter drive)
// does not exist or holds no medium. A removable or optical drive without a
// medium still has a drive type; only asking for its volume tells that it
// is not ready, with the system's own reason.
void require_ready_drive(const std::string& path_ansi, const std::string& path_utf8)
{
    const std::string root = path_ansi.substr(0, 2) + '\\';
    const UINT type = ::GetDriveTypeA(root.c_str());
    if (type == DRIVE_NO_ROOT_DIR)
        throw failure_numbered(DeviceUnavailable, ERROR_INVALID_DRIVE, path_utf8);
    if (type == DRIVE_REMOVABLE || type == DRIVE_CDROM || type == DRIVE_UNKNOWN) {
        if (!::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0)) {
            const DWORD error = ::GetLastError();
            throw failure_numbered(DeviceUnavailable, error == ERROR_SUCCESS ? ERROR_NOT_READY : error,
                                   path_utf8);
        }
    }
}

// Calls take_entry for every entry of folder (a folder_path() result) but
// "." and "..". An empty drive's root has no entries at all.
template <typename TakeEntry>
void for_each_entry(const std::string& folder, TakeEntry take_entry)
{
    std::string pattern = ansi_from_utf8(folder);
    if (pattern.empty() || !is_separator(pattern.back()))
        pattern += '\\';
    pattern += '*';
    WIN32_FIND_DATAA found;
    FindHandle search(::FindFirstFileA(pattern.c_str(), &found));
    if (!search) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES)
            return;
        throw folder_failure(error, folder);
    }
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            take_entry(found);
    } while (::FindNextFileA(search.get(), &found));
    const DWORD error = ::GetLastError();
    if (error != ERROR_NO_MORE_FILES)
        throw folder_failure(error, folder);
}

// The name a program that speaks the ANSI code page can open the entry by.
// A long name with characters the code page lacks reaches us with '?' in
// their place, a character no file name holds; the short name (when the
// volume keeps one) is made of ANSI characters and names the same entry.
std::string usable_name(const WIN32_FIND_DATAA& found)
{
    const std::string name = found.cFileName;
    if (name.find('?') != std::string::npos && found.cAlternateFileName[0] != '\0')
        return utf8_from_ansi(found.cAlternateFileName);
    return utf8_from_ansi(name);
}

} // namespace

std::vector<std::string> Win32Files::drives()
{
    std::string buffer(128, '\0');
    for (;;) {
        const DWORD length = ::GetLogicalDriveStringsA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (length == 0)
            throw last_error_failure("GetLogicalDriveStrings");
        // Too small a buffer is answered with the size needed, not filled.
        if (length < buffer.size()) {
            buffer.resize(length);
            break;
        }
        buffer.assign(length + 1, '\0');
    }
    // "C:\<NUL>D:\<NUL>...": one root per drive, in the system's order,
    // which letter order is not guaranteed to be.
    std::vector<std::string> drives;
    for (std::size_t start = 0; start < buffer.size();) {
        const std::size_t end = std::min(buffer.find('\0', start), buffer.size());
        const std::string root = buffer.substr(start, end - start);
        if (starts_with_drive(root))
            drives.push_back(std::string{upper(root[0]), ':'});
        start = end + 1;
    }
    std::sort(drives.begin(), drives.end());
    drives.erase(std::unique(drives.begin(), drives.end()), drives.end());
    return drives;
}

std::string Win32Files::drive_of(const std::string& path)
{
    // A path that names no drive of its own ("\windows", "windows") is on
    // the drive it resolves to; a UNC name is on no drive.
    std::string drive_path = ansi_from_utf8(path);
    if (!starts_with_drive(drive_path) && !drive_path.empty())
        drive_path = full_path(drive_path, path);
    if (!starts_with_drive(drive_path))
        throw failure_numbered(DeviceUnavailable, ERROR_INVALID_DRIVE, path);
    const char letter = upper(drive_path[0]);
    if ((::GetLogicalDrives() & (1u << (letter - 'A'))) == 0)
        throw failure_numbered(DeviceUnavailable, ERROR_INVALID_DRIVE, path);
    return std::string{letter, ':'};
}

std::string Win32Files::folder_path(const std::string& text)
{
    const std::string text_ansi = ansi_from_utf8(text);
    const std::string folder_ansi = canonical_form(full_path(text_ansi, text));
    const std::string folder = utf8_from_ansi(folder_ansi);
    if (starts_with_drive(folder_ansi))
        require_ready_drive(folder_ansi, folder);
    const DWORD attributes = ::GetFileAttributesA(folder_ansi.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw folder_failure(::GetLastError(), folder);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        throw failure_numbered(PathNotFound, ERROR_DIRECTORY, folder);
    return folder;
}

std::vector<std::string> Win32Files::folder_names(const std::string& folder)
{
    std::vector<std::string> names;
    for_each_entry(folder, [&](const WIN32_FIND_DATAA& found) {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            names.push_back(usable_name(found));
    });
    return names;
}

std::vector<std::string> Win32Files::file_names(const std::string& folder)
{
    // The rule of is_normal_file(): no folders, no hidden or system files.
    constexpr DWORD not_normal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::vector<std::string> names;
    for_each_entry(folder, [&](const WIN32_FIND_DATAA& found) {
        if ((found.dwFileAttributes & not_normal) == 0)
            names.push_back(usable_name(found));
    });
    return names;
}

} // namespace muralis::win32
