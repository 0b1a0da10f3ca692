// Shortcuts in the user's Start menu, made by the shell's own link object
// (IShellLinkA) and saved through its IPersistFile.
#include "platform/win32/win32_desktop.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform/win32/ansi_text.h"
#include "platform/win32/com_apartment.h"
#include "platform/win32/com_object.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

namespace {

std::string shell_folder(int csidl, const std::string& group_name)
{
    char folder[MAX_PATH];
    // CSIDL_FLAG_CREATE: a fresh profile may not have the folder yet.
    const HRESULT result = ::SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr,
                                              SHGFP_TYPE_CURRENT, folder);
    if (FAILED(result))
        throw hresult_failure(result, group_name);
    return folder;
}

std::string without_trailing_separator(std::string path)
{
    while (path.size() > 3 && path.back() == '\\')
        path.pop_back();
    return path;
}

// The folder (ANSI) of the program group group_name ("\Name"). The start-up
// group has a name in each language the programs speak, and is wherever the
// system keeps it for this user; any other group is created when missing.
std::string group_folder(const std::string& group_name)
{
    if (group_name == "\\Startup" || group_name == "\\D\xc3\xa9marrage")
        return without_trailing_separator(shell_folder(CSIDL_STARTUP, group_name));

    std::string group = ansi_from_utf8(group_name);
    while (!group.empty() && (group.front() == '\\' || group.front() == '/'))
        group.erase(0, 1);
    std::string folder = without_trailing_separator(shell_folder(CSIDL_PROGRAMS, group_name));
    if (group.empty())
        return folder;
    folder += '\\' + group;
    const int error = ::SHCreateDirectoryExA(nullptr, folder.c_str(), nullptr);
    if (error != ERROR_SUCCESS && error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
        throw system_failure(static_cast<unsigned long>(error), utf8_from_ansi(folder));
    return folder;
}

// The folder a program is started in: the one that holds it. A program in
// a drive's root keeps the backslash ("C:" alone means the drive's current
// folder, not its root).
std::string folder_of(const std::string& path_ansi)
{
    const std::size_t separator = path_ansi.find_last_of("\\/");
    if (separator == std::string::npos)
        return {};
    if (separator == 2 && path_ansi[1] == ':')
        return path_ansi.substr(0, 3);
    return path_ansi.substr(0, separator);
}

std::wstring wide_from_ansi(const std::string& ansi)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 1), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), length);
    wide.resize(wide.size() - 1);
    return wide;
}

} // namespace

void Win32Desktop::create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                                   const std::string& target, const std::string& arguments)
{
    const std::string folder_ansi = group_folder(group_name);
    const std::string link_ansi = folder_ansi + '\\' + ansi_from_utf8(shortcut_name) + ".lnk";
    // Reported as the program meant it, which the ANSI form may not hold.
    const std::string link = utf8_from_ansi(folder_ansi) + '\\' + shortcut_name + ".lnk";

    const ComApartment apartment;
    if (!apartment.usable())
        throw hresult_failure(apartment.result(), link);
    ComPtr<IShellLinkA> shell_link;
    check(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                             shell_link.out()),
          link);
    const std::string target_ansi = ansi_from_utf8(target);
    check(shell_link->SetPath(target_ansi.c_str()), link);
    check(shell_link->SetArguments(ansi_from_utf8(arguments).c_str()), link);
    const std::string working_folder = folder_of(target_ansi);
    if (!working_folder.empty())
        check(shell_link->SetWorkingDirectory(working_folder.c_str()), link);
    check(shell_link->SetShowCmd(SW_SHOWNORMAL), link);

    ComPtr<IPersistFile> file;
    check(shell_link->QueryInterface(IID_IPersistFile, file.out()), link);
    // IPersistFile speaks UTF-16 only. TRUE: the saved file becomes the
    // link's own, and an existing shortcut of that name is replaced.
    check(file->Save(wide_from_ansi(link_ansi).c_str(), TRUE), link);
}

} // namespace muralis::win32
