// Stands in for the user's web browser in the tests: registered as the
// shell's handler of web addresses, it records the arguments it was started
// with in "opened.txt" beside itself, one a line in UTF-8, then ends. The
// record is written to a temporary name and renamed, so a reader never sees
// half of it. The arguments are split by the system's own rules
// (CommandLineToArgvW), with no wildcard expansion by a C runtime.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

std::string utf8(const wchar_t* text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length > 0 ? length : 1), '\0');
    if (length > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), length, nullptr, nullptr);
    result.pop_back();
    return result;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments)
        return 1;
    std::string record;
    for (int i = 1; i < count; ++i)
        record += utf8(arguments[i]) + "\n";
    ::LocalFree(arguments);

    wchar_t path[MAX_PATH * 4];
    std::wstring folder(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4));
    folder.resize(folder.find_last_of(L'\\'));
    const std::wstring temporary = folder + L"\\opened.tmp";
    HANDLE file = ::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const BOOL wrote = ::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr);
    ::CloseHandle(file);
    if (!wrote || !::MoveFileExW(temporary.c_str(), (folder + L"\\opened.txt").c_str(), MOVEFILE_REPLACE_EXISTING))
        return 1;
    return 0;
}
