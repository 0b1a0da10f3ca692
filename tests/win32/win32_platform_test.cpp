// The Win32 layer against a real Windows API (Wine in the project's runs):
// the texts and bytes it hands over, the files it leaves behind, and what
// the system records after its calls. Tests that expect the bytes of code
// page 1252 first check that the process has it (Wine gives it to the
// English and French locales the tests run in).
#include <windows.h>

#include <gtest/gtest.h>

#include <msxml2.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/day_change_task.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"
#include "schedule/language.h"
#include "schedule/windows_folder.h"

namespace muralis::win32 {
namespace {

// ---- Helpers over the raw API, independent of the layer under test --------

void write_bytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

std::string read_bytes(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    ::CloseHandle(file);
    return bytes;
}

bool is_folder(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names in folder (which ends with a backslash), without "." and "..".
std::set<std::string> names_in(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.insert(name);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

void remove_tree(const std::string& path)
{
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!is_folder(path)) {
        ::DeleteFileA(path.c_str());
        return;
    }
    for (const std::string& name : names_in(path + "\\"))
        remove_tree(path + "\\" + name);
    ::RemoveDirectoryA(path.c_str());
}

// A folder of its own under the user's temporary folder, removed with all
// it holds at the end of the test. path() ends with a backslash.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        static int count = 0;
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof temp, temp);
        m_path = std::string(temp) + "muralis-win32-" + std::to_string(::GetCurrentProcessId()) +
                 "-" + std::to_string(++count);
        remove_tree(m_path);
        ::CreateDirectoryA(m_path.c_str(), nullptr);
        m_path += '\\';
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder() { remove_tree(m_path.substr(0, m_path.size() - 1)); }

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Puts the process's current folder back when the test is over.
class CurrentFolderGuard {
public:
    CurrentFolderGuard()
    {
        m_saved.resize(::GetCurrentDirectoryA(0, nullptr));
        ::GetCurrentDirectoryA(static_cast<DWORD>(m_saved.size()), m_saved.data());
    }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
    ~CurrentFolderGuard() { ::SetCurrentDirectoryA(m_saved.c_str()); }

private:
    std::string m_saved;
};

std::string current_folder()
{
    char buffer[MAX_PATH * 2];
    return std::string(buffer, ::GetCurrentDirectoryA(sizeof buffer, buffer));
}

// The user's wallpaper setting, put back when the test is over.
class WallpaperGuard {
public:
    WallpaperGuard() { m_saved = wallpaper_setting(); }
    WallpaperGuard(const WallpaperGuard&) = delete;
    WallpaperGuard& operator=(const WallpaperGuard&) = delete;
    ~WallpaperGuard()
    {
        ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", REG_SZ,
                          m_saved.c_str(), static_cast<DWORD>(m_saved.size() + 1));
    }

    // HKCU\Control Panel\Desktop, value Wallpaper, as stored (ANSI bytes).
    static std::string wallpaper_setting()
    {
        char value[1024] = "";
        DWORD size = sizeof value;
        if (::RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", RRF_RT_REG_SZ,
                           nullptr, value, &size) != ERROR_SUCCESS)
            return "<unset>";
        return value;
    }

private:
    std::string m_saved;
};

// Asserts that failure names path first, then the system's text, trimmed.
void expect_failure_naming(const Failure& failure, const std::string& path)
{
    const std::string description = failure.description();
    EXPECT_EQ(description.substr(0, path.size() + 2), path + ": ") << description;
    ASSERT_GT(description.size(), path.size() + 2) << "no system text";
    EXPECT_FALSE(std::isspace(static_cast<unsigned char>(description.back()))) << description;
}

// Windows' own form of a path that the test harness gives in Unix form:
// Wine shows the Unix root as drive Z:.
std::string windows_path(std::string path)
{
    if (!path.empty() && path[0] == '/') {
        std::replace(path.begin(), path.end(), '/', '\\');
        path = "Z:" + path;
    }
    return path;
}

class CodePage1252 : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::GetACP(), 1252u) << "the expected bytes below are code page 1252's"; }
};

// ---- Text conversions -------------------------------------------------

using AnsiText = CodePage1252;

TEST_F(AnsiText, ConvertsBothWaysThroughTheAnsiCodePage)
{
    struct Case {
        const char* name;
        std::string utf8;
        std::string ansi;
    };
    const Case cases[] = {
        {"ASCII path", "C:\\WINDOWS\\Vantorel.cfg", "C:\\WINDOWS\\Vantorel.cfg"},
        {"French accents", "D\xc3\xa9sol\xc3\xa9, \xc3\xaatre", "D\xe9sol\xe9, \xeatre"},
        {"capital with accent", "C:\\\xc3\x89t\xc3\xa9.bmp", "C:\\\xc9t\xe9.bmp"},
        {"euro sign, 0x80 in 1252", "\xe2\x82\xac", "\x80"},
        {"lone CR and CR LF kept", "a\rb\r\n", "a\rb\r\n"},
        {"NUL inside", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ansi_from_utf8(c.utf8), c.ansi);
        EXPECT_EQ(utf8_from_ansi(c.ansi), c.utf8);
    }
}

// ---- System -----------------------------------------------------------

TEST(Win32System, WindowsFolderIsTheWritableWindowsDirectory)
{
    Win32System system;
    Win32Files files;
    EXPECT_EQ(system.windows_directory(), "C:\\windows");
    EXPECT_EQ(find_windows_folder(system, files), "C:\\windows\\");
    for (const std::string& name : names_in("C:\\windows\\"))
        EXPECT_EQ(name.rfind("muralis-probe", 0), std::string::npos) << "probe left: " << name;
}

TEST(Win32System, FallbackFolderIsUnderLocalApplicationDataAndNotCreated)
{
    Win32System system;
    const std::string fallback = system.fallback_data_folder();
    const std::string ending = "\\AppData\\Local\\Muralis";
    ASSERT_GT(fallback.size(), ending.size());
    EXPECT_EQ(fallback.substr(0, 3), "C:\\");
    EXPECT_EQ(fallback.substr(fallback.size() - ending.size()), ending);
    EXPECT_FALSE(exists(fallback));
    // The VirtualStore copy of C:\windows sits beside it.
    EXPECT_EQ(system.virtual_store_folder(),
              fallback.substr(0, fallback.size() - 7) + "VirtualStore\\windows");
}

// Of two weeks, the one written last is read, wherever it lies.
TEST(Win32System, TheWeekWrittenLastIsTheOneFound)
{
    Win32System system;
    Win32Files files;
    const std::string fallback = system.fallback_data_folder() + "\\";
    files.create_folder(system.fallback_data_folder());
    write_bytes("C:\\windows\\Vantorel.cfg", "older");
    ::Sleep(20);
    write_bytes(fallback + "Vantorel.cfg", "newer");
    EXPECT_GT(files.last_written(fallback + "Vantorel.cfg"), files.last_written("C:\\windows\\Vantorel.cfg"));
    EXPECT_EQ(find_windows_folder(system, files), fallback);
    EXPECT_EQ(files.last_written("C:\\windows\\missing.cfg"), 0);
    ::DeleteFileA((fallback + "Vantorel.cfg").c_str());
    ::RemoveDirectoryA(system.fallback_data_folder().c_str());
    EXPECT_EQ(find_windows_folder(system, files), "C:\\windows\\");
    ::DeleteFileA("C:\\windows\\Vantorel.cfg");
}

// Run by CTest under each locale with MURALIS_EXPECTED_LANGUAGE set.
TEST(Win32System, LanguageNameIsThatOfTheLocaleTheProcessStartedIn)
{
    const char* expected = std::getenv("MURALIS_EXPECTED_LANGUAGE");
    if (!expected)
        GTEST_SKIP() << "MURALIS_EXPECTED_LANGUAGE not set";
    Win32System system;
    const std::string buffer = system.language_name_buffer();
    EXPECT_EQ(buffer.size(), 100u);
    EXPECT_EQ(Langage::system_language_name(system), expected);
    const std::string after = buffer.substr(std::string(expected).size());
    EXPECT_EQ(after, std::string(after.size(), '\0'));
    EXPECT_EQ(Langage::is_french(system), std::string(expected) == "French");
}

TEST(Win32System, ProgramFolderHoldsTheRunningProgram)
{
    Win32System system;
    Win32Files files;
    const std::string folder = system.program_folder();
    ASSERT_FALSE(folder.empty());
    EXPECT_NE(folder.back(), '\\');
    EXPECT_TRUE(files.is_normal_file(folder + "\\muralis_win32_tests.exe")) << folder;
}

TEST(Win32System, ChangeCurrentFolderMovesToTheFolderAndItsDrive)
{
    CurrentFolderGuard guard;
    TemporaryFolder temporary;
    Win32System system;
    ASSERT_TRUE(::SetCurrentDirectoryA("Z:\\"));
    struct Case {
        std::string folder;
        std::string expected;
    };
    const std::string temp = temporary.path().substr(0, temporary.path().size() - 1);
    const Case cases[] = {
        {"C:\\windows", "C:\\windows"},
        {"Z:\\tmp", "Z:\\tmp"},
        {temp, temp},
        // A program in a drive's root has the bare drive as its folder.
        {"C:", "C:\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        system.change_current_folder(c.folder);
        EXPECT_EQ(current_folder(), c.expected);
    }

    const std::string missing = temporary.path() + "missing";
    try {
        system.change_current_folder(missing);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_TRUE(failure.number() == ERROR_FILE_NOT_FOUND || failure.number() == ERROR_PATH_NOT_FOUND)
            << failure.number();
        expect_failure_naming(failure, missing);
    }
}

// What the stand-in editor recorded about its start, key by key.
std::string started_value(const std::string& record, const std::string& key)
{
    const auto at = record.find(key + "=");
    if (at == std::string::npos)
        return "<none>";
    const auto start = at + key.size() + 1;
    return record.substr(start, record.find('\n', start) - start);
}

std::string wait_for_file(const std::string& path)
{
    for (int waited = 0; waited < 300 && !exists(path); ++waited)
        ::Sleep(100);
    return read_bytes(path);
}

using StartProgram = CodePage1252;

TEST_F(StartProgram, QuotesThePathAndAsksForANormalWindow)
{
    Win32System system;
    const std::string stand_in = system.program_folder() + "\\muralset_stand_in.exe";
    TemporaryFolder temporary;
    // UTF-8 folder names; the last one reaches the system as code page 1252.
    const std::string folders[] = {"Muralis", "Program Files\\Muralis Test", "\xc3\x89" "diteur d'images"};
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const std::string folder_utf8 = temporary.path() + folder;
        const std::string folder_ansi = ansi_from_utf8(folder_utf8);
        ASSERT_EQ(::SHCreateDirectoryExA(nullptr, folder_ansi.c_str(), nullptr), ERROR_SUCCESS);
        ASSERT_TRUE(::CopyFileA(stand_in.c_str(), (folder_ansi + "\\Muralset.exe").c_str(), FALSE));

        const std::string program = folder_utf8 + "\\Muralset.exe";
        system.start_program(program);
        const std::string record = utf8_from_ansi(wait_for_file(folder_ansi + "\\Muralset-started.txt"));
        EXPECT_EQ(started_value(record, "command_line"), "\"" + program + "\"");
        EXPECT_EQ(started_value(record, "show_window"), std::to_string(SW_SHOWNORMAL));
    }
}

TEST(Win32System, StartProgramFailsWhenTheProgramIsMissing)
{
    Win32System system;
    TemporaryFolder temporary;
    const std::string missing = temporary.path() + "Muralset.exe";
    try {
        system.start_program(missing);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ERROR_FILE_NOT_FOUND);
        expect_failure_naming(failure, missing);
    }
}

// ---- Files --------------------------------------------------------------

TEST(Win32Files, IsNormalFileFindsNormalFilesOnly)
{
    TemporaryFolder temporary;
    Win32Files files;
    const std::string folder = temporary.path();
    struct Case {
        const char* name;
        DWORD attributes; // 0: no file; FILE_ATTRIBUTE_DIRECTORY: a folder
        bool normal;
    };
    const Case cases[] = {
        {"plain.cfg", FILE_ATTRIBUTE_NORMAL, true},
        {"read-only.cfg", FILE_ATTRIBUTE_READONLY, true},
        {"archive.cfg", FILE_ATTRIBUTE_ARCHIVE, true},
        {"hidden.cfg", FILE_ATTRIBUTE_HIDDEN, false},
        {"system.cfg", FILE_ATTRIBUTE_SYSTEM, false},
        {"hidden-read-only.cfg", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY, false},
        {"folder.cfg", FILE_ATTRIBUTE_DIRECTORY, false},
        {"missing.cfg", 0, false},
    };
    for (const Case& c : cases) {
        const std::string path = folder + c.name;
        if (c.attributes == FILE_ATTRIBUTE_DIRECTORY) {
            ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
        } else if (c.attributes != 0) {
            write_bytes(path, "x");
            ASSERT_TRUE(::SetFileAttributesA(path.c_str(), c.attributes));
        }
    }
    for (const Case& c : cases)
        EXPECT_EQ(files.is_normal_file(folder + c.name), c.normal) << c.name;
    // A pattern that matches plain.cfg names no file.
    EXPECT_FALSE(files.is_normal_file(folder + "*.cfg"));
    EXPECT_FALSE(files.is_normal_file(folder + "plai?.cfg"));
}

using Win32FilesText = CodePage1252;

TEST_F(Win32FilesText, ReadTextKeepsEveryByteAndConvertsFromAnsi)
{
    TemporaryFolder temporary;
    Win32Files files;
    struct Case {
        const char* name;
        std::string stored;
        std::string expected;
    };
    std::string long_text;
    for (int i = 0; long_text.size() < 40000; ++i)
        long_text += "\"C:\\PICTURES\\" + std::to_string(i) + ".BMP" + std::to_string(i % 7 + 1) + "\"\r\n";
    const Case cases[] = {
        {"CR LF line ends", "\"C:\\A.BMP1\"\r\n\"C:\\B.BMP2\"\r\n", "\"C:\\A.BMP1\"\r\n\"C:\\B.BMP2\"\r\n"},
        {"lone CR and LF", "a\rb\nc", "a\rb\nc"},
        {"Ctrl-Z is no end of file", "before\x1a" "after", "before\x1a" "after"},
        {"NUL inside", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"code page 1252", "\"C:\\\xc9t\xe9.bmp4\"", "\"C:\\\xc3\x89t\xc3\xa9.bmp4\""},
        {"empty", "", ""},
        {"longer than one read", long_text, long_text},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = temporary.path() + "Vantorel.cfg";
        write_bytes(path, c.stored);
        EXPECT_EQ(files.read_text(path), c.expected);
    }
}

TEST(Win32Files, ReadTextOfAMissingFileFailsNamingIt)
{
    TemporaryFolder temporary;
    Win32Files files;
    const std::string path = temporary.path() + "Vantorel.cfg";
    try {
        files.read_text(path);
        FAIL() << "no failure";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ERROR_FILE_NOT_FOUND);
        expect_failure_naming(failure, path);
    }
}

TEST_F(Win32FilesText, ReplaceTextWritesAnsiBytesAndLeavesOnlyTheTarget)
{
    TemporaryFolder temporary;
    Win32Files files;
    const std::string path = temporary.path() + "Vantorel.cfg";

    files.replace_text(path, "\"C:\\A.BMP1\"\r\n");
    EXPECT_EQ(read_bytes(path), "\"C:\\A.BMP1\"\r\n");

    files.replace_text(path, "\"C:\\\xc3\x89t\xc3\xa9.bmp2\"\r\n\r\n");
    EXPECT_EQ(read_bytes(path), "\"C:\\\xc9t\xe9.bmp2\"\r\n\r\n");
    EXPECT_EQ(names_in(temporary.path()), std::set<std::string>{"Vantorel.cfg"});
    EXPECT_TRUE(files.is_normal_file(path));
}

TEST(Win32Files, ReplaceTextFailureKeepsTheOldFileAndLeavesNoTemporary)
{
    Win32Files files;
    struct Case {
        const char* name;
        // Prepares the folder; returns the target path.
        std::string (*prepare)(const std::string& folder);
    };
    const Case cases[] = {
        {"target held open without delete sharing",
         [](const std::string& folder) {
             write_bytes(folder + "Vantorel.cfg", "old");
             return folder + "Vantorel.cfg";
         }},
        {"target is a folder",
         [](const std::string& folder) {
             ::CreateDirectoryA((folder + "Vantorel.cfg").c_str(), nullptr);
             return folder + "Vantorel.cfg";
         }},
        {"folder missing", [](const std::string& folder) { return folder + "missing\\Vantorel.cfg"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemporaryFolder temporary;
        const std::string target = c.prepare(temporary.path());
        const std::set<std::string> before = names_in(temporary.path());
        const std::string old_content = read_bytes(target);
        // Another program (the editor, a virus scanner) holds the target
        // open without sharing deletion: the rename over it fails.
        HANDLE reader = ::CreateFileA(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        try {
            files.replace_text(target, "new");
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            expect_failure_naming(failure, target);
        }
        if (reader != INVALID_HANDLE_VALUE)
            ::CloseHandle(reader);
        EXPECT_EQ(read_bytes(target), old_content);
        EXPECT_EQ(names_in(temporary.path()), before);
    }
}

TEST(Win32Files, CopyReplacingReplacesTheTargetOrNamesTheSourceAtFault)
{
    TemporaryFolder temporary;
    Win32Files files;
    const std::string from = temporary.path() + "day 3.bmp";
    const std::string to = temporary.path() + "Vantorel.bmp";
    write_bytes(from, "BM new picture");
    write_bytes(to, "BM yesterday's picture, longer");
    files.copy_replacing(from, to);
    EXPECT_EQ(read_bytes(to), "BM new picture");

    const std::string folder = temporary.path() + "a folder.bmp";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    for (const std::string& source : {temporary.path() + "deleted.bmp", folder}) {
        SCOPED_TRACE(source);
        try {
            files.copy_replacing(source, to);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            expect_failure_naming(failure, source);
        }
        EXPECT_EQ(read_bytes(to), "BM new picture");
    }

    // What a run killed while it copied left behind goes at the next copy;
    // the file another run is writing (open without delete sharing) stays.
    write_bytes(to + ".1f-2e-0.tmp", "torn");
    write_bytes(to + ".3c-4d-0.tmp", "being written");
    HANDLE writer = ::CreateFileA((to + ".3c-4d-0.tmp").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    files.copy_replacing(from, to);
    ::CloseHandle(writer);
    EXPECT_EQ(names_in(temporary.path()),
              (std::set<std::string>{"a folder.bmp", "day 3.bmp", "Vantorel.bmp", "Vantorel.bmp.3c-4d-0.tmp"}));
}

TEST(Win32Files, CanCreateFilesInProbesAndLeavesNothing)
{
    TemporaryFolder temporary;
    Win32Files files;
    write_bytes(temporary.path() + "a file", "x");
    EXPECT_TRUE(files.can_create_files_in(temporary.path()));
    EXPECT_TRUE(files.can_create_files_in(temporary.path()));
    EXPECT_EQ(names_in(temporary.path()), std::set<std::string>{"a file"});
    EXPECT_FALSE(files.can_create_files_in(temporary.path() + "missing\\"));
    EXPECT_FALSE(files.can_create_files_in(temporary.path() + "a file\\"));
    EXPECT_EQ(names_in(temporary.path()), std::set<std::string>{"a file"});
}

TEST(Win32Files, CreateFolderMakesTheMissingParents)
{
    TemporaryFolder temporary;
    Win32Files files;
    const std::string nested = temporary.path() + "AppData\\Local\\Muralis";
    files.create_folder(nested);
    EXPECT_TRUE(is_folder(nested));
    files.create_folder(nested); // already there: nothing to do
    EXPECT_TRUE(is_folder(nested));

    write_bytes(temporary.path() + "a file", "x");
    for (const std::string& blocked : {temporary.path() + "a file", temporary.path() + "a file\\sub"}) {
        SCOPED_TRACE(blocked);
        EXPECT_THROW(files.create_folder(blocked), Failure);
    }
}

// ---- Desktop ------------------------------------------------------------

using Win32DesktopText = CodePage1252;

TEST_F(Win32DesktopText, InstallWallpaperStoresTheAnsiPathInTheUserProfile)
{
    WallpaperGuard guard;
    Win32Desktop desktop;
    desktop.install_wallpaper("C:\\windows\\Vantorel \xc3\xa9t\xc3\xa9.bmp");
    EXPECT_EQ(WallpaperGuard::wallpaper_setting(), "C:\\windows\\Vantorel \xe9t\xe9.bmp");
    desktop.install_wallpaper("C:\\windows\\Vantorel.bmp");
    EXPECT_EQ(WallpaperGuard::wallpaper_setting(), "C:\\windows\\Vantorel.bmp");
}

// ---- The day-change task ------------------------------------------------------

std::wstring wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');
    text.resize(static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()),
                                                                text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string utf8(const wchar_t* text)
{
    char buffer[1024];
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, nullptr, nullptr);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length - 1)) : "<not UTF-16>";
}

// A task definition as MSXML's own parser reads it (Wine's is libxml2's),
// its elements found by XPath in the Task Scheduler's namespace.
class TaskDefinition {
public:
    explicit TaskDefinition(const std::string& xml)
    {
        // MSXML 3.0's DOMDocument and IXMLDOMDocument2, which MinGW names
        // but does not define.
        static const CLSID document_class = {0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
        static const IID document_interface = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        if (FAILED(::CoCreateInstance(document_class, nullptr, CLSCTX_INPROC_SERVER, document_interface,
                                      reinterpret_cast<void**>(&m_document))))
            return;
        BSTR text = ::SysAllocString(wide(xml).c_str());
        VARIANT_BOOL loaded = VARIANT_FALSE;
        m_document->loadXML(text, &loaded);
        ::SysFreeString(text);
        m_loaded = loaded == VARIANT_TRUE;
        set_property(L"SelectionLanguage", L"XPath");
        set_property(L"SelectionNamespaces", L"xmlns:t='http://schemas.microsoft.com/windows/2004/02/mit/task'");
    }
    TaskDefinition(const TaskDefinition&) = delete;
    TaskDefinition& operator=(const TaskDefinition&) = delete;
    ~TaskDefinition()
    {
        if (m_document)
            m_document->Release();
        ::CoUninitialize();
    }

    bool loaded() const { return m_loaded; }

    // The text of the one element at path (XPath, "t:" for the namespace).
    std::string text(const std::string& path) const
    {
        if (!m_loaded)
            return "<no document>";
        BSTR query = ::SysAllocString(wide(path).c_str());
        IXMLDOMNodeList* nodes = nullptr;
        m_document->selectNodes(query, &nodes);
        ::SysFreeString(query);
        long count = 0;
        if (nodes)
            nodes->get_length(&count);
        std::string result = "<" + std::to_string(count) + " elements at " + path + ">";
        IXMLDOMNode* node = nullptr;
        if (count == 1 && SUCCEEDED(nodes->get_item(0, &node)) && node) {
            BSTR value = nullptr;
            node->get_text(&value);
            result = utf8(value ? value : L"");
            ::SysFreeString(value);
            node->Release();
        }
        if (nodes)
            nodes->Release();
        return result;
    }

private:
    void set_property(const wchar_t* name, const wchar_t* value)
    {
        BSTR property = ::SysAllocString(name);
        VARIANT setting;
        ::VariantInit(&setting);
        setting.vt = VT_BSTR;
        setting.bstrVal = ::SysAllocString(value);
        m_document->setProperty(property, setting);
        ::VariantClear(&setting);
        ::SysFreeString(property);
    }

    IXMLDOMDocument2* m_document = nullptr;
    bool m_loaded = false;
};

std::string stored_task(const std::string& name)
{
    char system[MAX_PATH];
    ::GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\tasks\\" + name;
}

// The task for a Muralrun in a folder with spaces, letters outside ASCII and
// XML's special characters: its definition read back by a real XML parser
// holds both triggers, the exact program and its argument, and the Task
// Scheduler takes it. Wine keeps the tasks as files, named as the tasks
// are, but writes back only what it understands of them, which is not the
// triggers nor the action: those are read from the definition.
TEST(Win32Desktop, TheDayChangeTaskHoldsBothTriggersAndTheExactProgram)
{
    const std::string folder = "C:\\Program Files\\\xc3\x89t\xc3\xa9 & Cie's";
    const std::string program = folder + "\\Muralrun.exe";
    const std::string account = current_account();
    char user[256];
    DWORD user_length = sizeof user;
    ASSERT_TRUE(::GetUserNameA(user, &user_length));
    EXPECT_EQ(account.substr(account.find('\\') + 1), user) << account;

    const TaskDefinition task(day_change_task_xml("Today's Wallpaper", program, "--day-change", account));
    ASSERT_TRUE(task.loaded());
    const struct {
        const char* path;
        std::string value;
    } expected[] = {
        {"/t:Task/t:RegistrationInfo/t:Description", "Today's Wallpaper"},
        {"/t:Task/t:Triggers/t:CalendarTrigger/t:StartBoundary", "2000-01-01T00:00:00"},
        {"/t:Task/t:Triggers/t:CalendarTrigger/t:ScheduleByDay/t:DaysInterval", "1"},
        {"/t:Task/t:Triggers/t:SessionStateChangeTrigger/t:StateChange", "SessionUnlock"},
        {"/t:Task/t:Triggers/t:SessionStateChangeTrigger/t:UserId", account},
        {"/t:Task/t:Principals/t:Principal/t:UserId", account},
        {"/t:Task/t:Principals/t:Principal/t:LogonType", "InteractiveToken"},
        {"/t:Task/t:Principals/t:Principal/t:RunLevel", "LeastPrivilege"},
        {"/t:Task/t:Settings/t:StartWhenAvailable", "true"},
        {"/t:Task/t:Settings/t:DisallowStartIfOnBatteries", "false"},
        {"/t:Task/t:Settings/t:StopIfGoingOnBatteries", "false"},
        {"/t:Task/t:Actions/t:Exec/t:Command", "\"" + program + "\""},
        {"/t:Task/t:Actions/t:Exec/t:Arguments", "--day-change"},
        {"/t:Task/t:Actions/t:Exec/t:WorkingDirectory", folder},
    };
    for (const auto& element : expected)
        EXPECT_EQ(task.text(element.path), element.value) << element.path;
    EXPECT_EQ(task.text("/t:Task/t:Triggers/*").substr(0, 12), "<2 elements ");

    // Registered, again (replaced, not doubled), and under the French name.
    Win32Desktop desktop;
    for (const char* name : {"Today's Wallpaper", "Today's Wallpaper", "Papier-peint du jour"}) {
        SCOPED_TRACE(name);
        EXPECT_NO_THROW(desktop.register_day_change(name, program, "--day-change"));
        const std::string stored = read_bytes(stored_task(name));
        EXPECT_NE(stored.find("<Description>" + std::string(name)), std::string::npos) << stored;
        EXPECT_NE(stored.find("<StartWhenAvailable>true</StartWhenAvailable>"), std::string::npos) << stored;
        EXPECT_NE(stored.find("<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"), std::string::npos)
            << stored;
    }
    for (const char* name : {"Today's Wallpaper", "Papier-peint du jour"})
        ::DeleteFileA(stored_task(name).c_str());
}

// ---- The shipped program ----------------------------------------------------

std::string version_string(const std::vector<char>& info, const char* name)
{
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!::VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "<none>";
    return std::string(value);
}

TEST(Muralrun, CarriesItsVersionAndAnAsInvokerManifest)
{
    const char* program_env = std::getenv("MURALIS_MURALRUN");
    if (!program_env)
        GTEST_SKIP() << "MURALIS_MURALRUN not set";
    const std::string program = windows_path(program_env);

    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeA(program.c_str(), &ignored));
    ASSERT_FALSE(info.empty()) << program;
    ASSERT_TRUE(::GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    EXPECT_EQ(version_string(info, "ProductName"), "Muralis");
    EXPECT_EQ(version_string(info, "OriginalFilename"), "Muralrun.exe");
    EXPECT_EQ(version_string(info, "FileVersion"), MURALIS_VERSION);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    HMODULE image = ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    HRSRC manifest = ::FindResourceA(image, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const char* bytes = static_cast<const char*>(::LockResource(::LoadResource(image, manifest)));
    const std::string text(bytes, ::SizeofResource(image, manifest));
    EXPECT_NE(text.find("level=\"asInvoker\""), std::string::npos) << text;
    ::FreeLibrary(image);
}

} // namespace
} // namespace muralis::win32
