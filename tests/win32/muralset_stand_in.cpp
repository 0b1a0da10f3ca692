// Stands in for Muralset.exe in the tests: records how it was started in
// "Muralset-started.txt" beside itself, then ends. The record is written to
// a temporary name and renamed, so a reader never sees half of it.
//
//   command_line=<the command line exactly as received>
//   show_window=<wShowWindow, or "unset" without STARTF_USESHOWWINDOW>
//   current_folder=<the current folder it inherited>
#include <windows.h>

#include <string>

namespace {

std::string folder_of_this_program()
{
    char path[MAX_PATH * 4];
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof path);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ::GetStartupInfoA(&startup);
    char current[MAX_PATH * 4];
    const DWORD current_length = ::GetCurrentDirectoryA(sizeof current, current);

    std::string record = "command_line=" + std::string(::GetCommandLineA()) + "\n";
    record += "show_window=" + ((startup.dwFlags & STARTF_USESHOWWINDOW)
                                    ? std::to_string(startup.wShowWindow)
                                    : std::string("unset")) + "\n";
    record += "current_folder=" + std::string(current, current_length) + "\n";

    const std::string folder = folder_of_this_program();
    const std::string temporary = folder + "\\Muralset-started.tmp";
    const std::string final_name = folder + "\\Muralset-started.txt";
    HANDLE file = ::CreateFileA(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    ::CloseHandle(file);
    if (!wrote || !::MoveFileExA(temporary.c_str(), final_name.c_str(), MOVEFILE_REPLACE_EXISTING))
        return 1;
    return 0;
}
