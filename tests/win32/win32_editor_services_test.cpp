// The services the editor asks of the Win32 layer, against a real Windows
// API (Wine in the project's runs): drives and folders as its lists show
// them, the start-up shortcut read back through the shell, bitmaps loaded
// for its preview, the locale's weekday names and capitals, the screen's
// size, message boxes and the web address opener. CTest runs the program
// under an English and a French locale; both give code page 1252, whose
// bytes the tests expect. The message boxes need a display: the end-to-end
// script runs them on its private X server.
#include <windows.h>

#include <gtest/gtest.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "message_box_content.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_picture.h"
#include "platform/win32/win32_system.h"

namespace muralis {

// Found by GoogleTest in the enumeration's own namespace.
void PrintTo(MessageAnswer answer, std::ostream* out)
{
    *out << (answer == MessageAnswer::Yes ? "Yes" : answer == MessageAnswer::No ? "No" : "Ok");
}

} // namespace muralis

namespace muralis::win32 {
namespace {

// ---- Helpers over the raw API, independent of the layer under test --------

std::wstring wide_from_ansi(const std::string& ansi)
{
    std::wstring wide(ansi.size() + 1, L'\0');
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<std::size_t>(length - 1) : 0);
    return wide;
}

void write_bytes(const std::string& path_ansi, const std::string& bytes)
{
    HANDLE file = ::CreateFileA(path_ansi.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path_ansi;
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    ASSERT_EQ(written, bytes.size());
}

std::string read_bytes(const std::string& path_ansi)
{
    HANDLE file = ::CreateFileA(path_ansi.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
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

// The content of a file another program writes, once it is there (up to
// 30 seconds; "<missing>" after that).
std::string wait_for_file(const std::string& path_ansi)
{
    for (int waited = 0; waited < 300 && ::GetFileAttributesA(path_ansi.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++waited)
        ::Sleep(100);
    return read_bytes(path_ansi);
}

// The folder of this test program (ANSI), where CMake puts its helpers.
std::string test_program_folder()
{
    char path[MAX_PATH * 2];
    const std::string program(path, ::GetModuleFileNameA(nullptr, path, sizeof path));
    return program.substr(0, program.find_last_of('\\'));
}

// One registry value that a test sets, put back as it was (or removed when
// it was not there) when the test is over.
class RegistryValueGuard {
public:
    RegistryValueGuard(HKEY root, std::string key, std::string name)
        : m_root(root), m_key(std::move(key)), m_name(std::move(name))
    {
        DWORD type = 0;
        DWORD size = 0;
        if (::RegGetValueA(m_root, m_key.c_str(), value_name(), RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr,
                           &size) != ERROR_SUCCESS)
            return;
        std::string data(size, '\0');
        if (::RegGetValueA(m_root, m_key.c_str(), value_name(), RRF_RT_ANY | RRF_NOEXPAND, &type, data.data(),
                           &size) == ERROR_SUCCESS)
            m_saved = Saved{type, data.substr(0, size)};
    }
    RegistryValueGuard(const RegistryValueGuard&) = delete;
    RegistryValueGuard& operator=(const RegistryValueGuard&) = delete;
    ~RegistryValueGuard()
    {
        if (m_saved)
            set(m_saved->type, m_saved->data);
        else
            ::RegDeleteKeyValueA(m_root, m_key.c_str(), value_name());
    }

    void set_string(const std::string& text) { set(REG_SZ, std::string(text.c_str(), text.size() + 1)); }
    void set_dword(DWORD value) { set(REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)); }

private:
    struct Saved {
        DWORD type;
        std::string data;
    };

    // The key's default value has no name.
    const char* value_name() const { return m_name.empty() ? nullptr : m_name.c_str(); }

    void set(DWORD type, const std::string& data)
    {
        ASSERT_EQ(::RegSetKeyValueA(m_root, m_key.c_str(), value_name(), type, data.data(),
                                    static_cast<DWORD>(data.size())),
                  ERROR_SUCCESS)
            << m_key << " " << m_name;
    }

    HKEY m_root;
    std::string m_key;
    std::string m_name;
    std::optional<Saved> m_saved;
};

// Every name in folder_ansi but "." and "..".
std::set<std::string> entries_of(const std::string& folder_ansi)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = ::FindFirstFileA((folder_ansi + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        names.insert(found.cFileName);
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    names.erase(".");
    names.erase("..");
    return names;
}

// Through the wide entry points: the tests make names that the ANSI code
// page cannot spell.
void remove_tree(const std::wstring& path)
{
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAW found;
    HANDLE search = ::FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L"..")
                remove_tree(path + L"\\" + name);
        } while (::FindNextFileW(search, &found));
        ::FindClose(search);
    }
    if (!::RemoveDirectoryW(path.c_str()))
        ::DeleteFileW(path.c_str());
}

// Paths (ANSI) removed with all they hold when the test ends, and before
// it starts when an earlier run left them.
class Cleanup {
public:
    Cleanup() = default;
    Cleanup(const Cleanup&) = delete;
    Cleanup& operator=(const Cleanup&) = delete;
    ~Cleanup()
    {
        for (const std::string& path : m_paths)
            remove_tree(wide_from_ansi(path));
    }
    std::string add(const std::string& path_ansi)
    {
        remove_tree(wide_from_ansi(path_ansi));
        m_paths.push_back(path_ansi);
        return path_ansi;
    }

private:
    std::vector<std::string> m_paths;
};

// A new folder under the user's temporary folder (ANSI, no trailing
// backslash), removed at the end of the test.
std::string temporary_folder(Cleanup& cleanup)
{
    static int count = 0;
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof temp, temp);
    const std::string folder = cleanup.add(std::string(temp) + "muralis-editor-" +
                                           std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++count));
    EXPECT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << folder;
    return folder;
}

// Puts the process's current folder back when the test is over.
class CurrentFolderGuard {
public:
    CurrentFolderGuard() : m_saved(::GetCurrentDirectoryA(0, nullptr), '\0')
    {
        ::GetCurrentDirectoryA(static_cast<DWORD>(m_saved.size()), m_saved.data());
    }
    CurrentFolderGuard(const CurrentFolderGuard&) = delete;
    CurrentFolderGuard& operator=(const CurrentFolderGuard&) = delete;
    ~CurrentFolderGuard() { ::SetCurrentDirectoryA(m_saved.c_str()); }

private:
    std::string m_saved;
};

// Asserts that failure is numbered number (unless 0) and names path first,
// followed by a text of the system's.
void expect_failure(const Failure& failure, int number, const std::string& path)
{
    const std::string description = failure.description();
    if (number != 0) {
        EXPECT_EQ(failure.number(), number) << description;
    }
    EXPECT_EQ(description.substr(0, path.size() + 2), path + ": ") << description;
    EXPECT_GT(description.size(), path.size() + 2) << "no text after the path";
}

class CodePage1252 : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(::GetACP(), 1252u) << "the names below are written in code page 1252"; }
};

std::set<std::string> as_set(const std::vector<std::string>& names)
{
    return {names.begin(), names.end()};
}

// A letter with no drive behind it in this prefix.
char absent_drive_letter()
{
    for (char letter = 'Y'; letter > 'C'; --letter)
        if ((::GetLogicalDrives() & (1u << (letter - 'A'))) == 0)
            return letter;
    return 0;
}

// ---- Drives and folder paths ------------------------------------------------

TEST(Win32Drives, AreTheLogicalDrivesInLetterOrderAndHoldTheirPaths)
{
    CurrentFolderGuard guard;
    ASSERT_TRUE(::SetCurrentDirectoryA("Z:\\tmp"));
    Win32Files files;
    std::vector<std::string> expected;
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (::GetLogicalDrives() & (1u << (letter - 'A')))
            expected.push_back(std::string{letter, ':'});
    EXPECT_EQ(files.drives(), expected);
    EXPECT_TRUE(as_set(expected).count("C:") && as_set(expected).count("Z:"));

    const char absent = absent_drive_letter();
    ASSERT_NE(absent, 0);
    struct Case {
        std::string path;
        std::string drive; // empty: fails with 68
    };
    const Case cases[] = {
        {"c:\\windows\\no such folder\\x.bmp", "C:"},
        {"z:", "Z:"},
        // No drive of its own: the drive it resolves to.
        {"\\windows", "Z:"},
        {"windows", "Z:"},
        {std::string{absent, ':'}, ""},
        {std::string{absent, ':', '\\', 'x'}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            EXPECT_EQ(files.drive_of(c.path), c.drive);
        } catch (const Failure& failure) {
            EXPECT_EQ(c.drive, "");
            expect_failure(failure, 68, c.path);
        }
    }
}

TEST(Win32FolderPath, GivesTheOneAbsoluteFormOfAnExistingFolderOrFails)
{
    CurrentFolderGuard guard;
    // The current folder of drive Z: is remembered while C: is current; the
    // last call makes C:\windows the process's current folder.
    ASSERT_TRUE(::SetCurrentDirectoryA("Z:\\tmp"));
    ASSERT_TRUE(::SetCurrentDirectoryA("C:\\windows"));
    Win32Files files;
    const std::string absent{absent_drive_letter(), ':'};
    struct Case {
        std::string text;
        std::string folder; // the result, or the path a failure names
        int failure = 0;    // 0: no failure
    };
    const Case cases[] = {
        {"C:\\windows\\", "C:\\windows"},
        {"C:\\\\", "C:\\"},
        {"c:\\windows\\..\\windows", "C:\\windows"},
        {"C:\\users\\.\\Public", "C:\\users\\Public"},
        {"C:/windows//system32\\\\", "C:\\windows\\system32"},
        {"C:\\windows\\system32\\..\\..", "C:\\"},
        // Relative to the current folder, and to the current drive's root.
        {".\\system32\\", "C:\\windows\\system32"},
        {"..", "C:\\"},
        {"\\users", "C:\\users"},
        // A bare drive is that drive's current folder.
        {"c:", "C:\\windows"},
        {"Z:\\tmp", "Z:\\tmp"},
        {"C:\\windows\\no such folder", "C:\\windows\\no such folder", 76},
        {"C:\\no such folder\\below", "C:\\no such folder\\below", 76},
        {"no such folder\\", "C:\\windows\\no such folder", 76},
        {"C:\\windows\\win.ini", "C:\\windows\\win.ini", 76}, // a file is no folder
        {absent + "\\windows", absent + "\\windows", 68},
        {absent, absent + "\\", 68},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            EXPECT_EQ(files.folder_path(c.text), c.folder);
            EXPECT_EQ(c.failure, 0) << "no failure";
        } catch (const Failure& failure) {
            // -1: a number no failure has, so an unexpected one is reported.
            expect_failure(failure, c.failure == 0 ? -1 : c.failure, c.folder);
        }
    }
}

// ---- Folder contents --------------------------------------------------------

using Win32FolderNames = CodePage1252;

TEST_F(Win32FolderNames, ListSubFoldersAndNormalFilesApartInUtf8)
{
    Cleanup cleanup;
    const std::string folder_ansi = temporary_folder(cleanup);
    Win32Files files;
    struct Entry {
        const char* name_ansi;
        DWORD attributes; // FILE_ATTRIBUTE_DIRECTORY alone: a plain folder
    };
    const Entry entries[] = {
        {"Monday.bmp", FILE_ATTRIBUTE_NORMAL},
        {"read-only.bmp", FILE_ATTRIBUTE_READONLY},
        {"\xc9t\xe9.bmp", FILE_ATTRIBUTE_ARCHIVE},
        {"hidden.bmp", FILE_ATTRIBUTE_HIDDEN},
        {"system.bmp", FILE_ATTRIBUTE_SYSTEM},
        {"sub", FILE_ATTRIBUTE_DIRECTORY},
        {"\xc9l\xe9ments 2024", FILE_ATTRIBUTE_DIRECTORY},
        {"hidden folder", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN},
    };
    for (const Entry& entry : entries) {
        const std::string path = folder_ansi + "\\" + entry.name_ansi;
        if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
            ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr)) << path;
        } else {
            write_bytes(path, "BM");
        }
        ::SetFileAttributesA(path.c_str(), entry.attributes);
    }
    write_bytes(folder_ansi + "\\sub\\inner.bmp", "BM");

    const std::string folder = utf8_from_ansi(folder_ansi);
    EXPECT_EQ(as_set(files.file_names(folder)),
              (std::set<std::string>{"Monday.bmp", "read-only.bmp", "\xc3\x89t\xc3\xa9.bmp"}));
    EXPECT_EQ(as_set(files.folder_names(folder)),
              (std::set<std::string>{"sub", "\xc3\x89l\xc3\xa9ments 2024", "hidden folder"}));
    // Every name listed opens as what it was listed as.
    for (const std::string& name : files.file_names(folder))
        EXPECT_TRUE(files.is_normal_file(folder + "\\" + name)) << name;
    for (const std::string& name : files.folder_names(folder))
        EXPECT_EQ(files.folder_path(folder + "\\" + name + "\\"), folder + "\\" + name);
    EXPECT_EQ(files.file_names(folder + "\\sub"), std::vector<std::string>{"inner.bmp"});
    EXPECT_TRUE(files.folder_names(folder + "\\sub").empty());
}

TEST_F(Win32FolderNames, NameBeyondTheCodePageIsListedByANameThatOpensIt)
{
    Cleanup cleanup;
    const std::string folder_ansi = temporary_folder(cleanup);
    // A CJK character: code page 1252 has no byte for it, not even a
    // look-alike, so the ANSI listing can only show it as '?'.
    HANDLE file = ::CreateFileW((wide_from_ansi(folder_ansi) + L"\\\x65e5 picture.bmp").c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    ::CloseHandle(file);

    Win32Files files;
    const std::string folder = utf8_from_ansi(folder_ansi);
    const std::vector<std::string> names = files.file_names(folder);
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].find('?'), std::string::npos) << names[0];
    EXPECT_TRUE(files.is_normal_file(folder + "\\" + names[0])) << names[0];
}

TEST(Win32FolderContents, RootsEmptyAndMissingFolders)
{
    Cleanup cleanup;
    const std::string folder = temporary_folder(cleanup);
    Win32Files files;
    const std::set<std::string> in_root = as_set(files.folder_names("C:\\"));
    EXPECT_TRUE(in_root.count("windows") && in_root.count("users") && !in_root.count("."));
    EXPECT_TRUE(files.folder_names(folder).empty());
    EXPECT_TRUE(files.file_names(folder).empty());
    for (const auto list : {&Win32Files::folder_names, &Win32Files::file_names}) {
        try {
            (files.*list)(folder + "\\missing");
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            expect_failure(failure, 76, folder + "\\missing");
        }
    }
}

// ---- Shortcuts --------------------------------------------------------------

struct Release {
    void operator()(IUnknown* object) const { object->Release(); }
};
template <typename Interface>
using ComRef = std::unique_ptr<Interface, Release>;

struct ShortcutContent {
    std::string target; // ANSI, as the shell stores it
    std::string arguments;
    std::string working_folder;
    int show = -1;
};

// Reads the shortcut at path_ansi back through the shell's link object.
ShortcutContent read_shortcut(const std::string& path_ansi)
{
    ShortcutContent content;
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        IShellLinkA* link_pointer = nullptr;
        IPersistFile* file_pointer = nullptr;
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                           reinterpret_cast<void**>(&link_pointer));
        ComRef<IShellLinkA> link(link_pointer);
        if (link)
            link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_pointer));
        ComRef<IPersistFile> file(file_pointer);
        if (file && SUCCEEDED(file->Load(wide_from_ansi(path_ansi).c_str(), STGM_READ))) {
            char text[MAX_PATH * 2] = "";
            link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
            content.target = text;
            link->GetArguments(text, sizeof text);
            content.arguments = text;
            link->GetWorkingDirectory(text, sizeof text);
            content.working_folder = text;
            link->GetShowCmd(&content.show);
        } else {
            ADD_FAILURE() << "cannot read " << path_ansi;
        }
    }
    if (SUCCEEDED(com))
        ::CoUninitialize();
    return content;
}

std::string shell_folder(int csidl)
{
    char folder[MAX_PATH] = "";
    EXPECT_TRUE(SUCCEEDED(::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)));
    return folder;
}

using Win32Shortcut = CodePage1252;

TEST_F(Win32Shortcut, GroupHoldsALinkToTheTargetReplacingAnOlderOne)
{
    Cleanup cleanup;
    const std::string temporary = utf8_from_ansi(temporary_folder(cleanup));
    Win32Desktop desktop;
    struct Case {
        std::string group;
        std::string name;
        std::string folder_ansi;   // where the shortcut goes
        std::string target_folder; // UTF-8, under the temporary folder
    };
    const std::string startup = shell_folder(CSIDL_STARTUP);
    const std::string new_group = cleanup.add(shell_folder(CSIDL_PROGRAMS) + "\\Muralis \xc9" "dition");
    const Case cases[] = {
        {"\\Startup", "Today's Wallpaper", startup, "Muralis"},
        {"\\D\xc3\xa9marrage", "Papier-peint du jour", startup, "\xc3\x89" "diteur d'images Muralis"},
        // Any other group is made in the Programs folder.
        {"\\Muralis \xc3\x89" "dition", "Muralset", new_group, "Muralis 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        const std::string folder = temporary + "\\" + c.target_folder;
        const std::string target = folder + "\\Muralrun.exe";
        ASSERT_TRUE(::CreateDirectoryA(ansi_from_utf8(folder).c_str(), nullptr));
        write_bytes(ansi_from_utf8(target), "MZ");
        const std::string link = cleanup.add(c.folder_ansi + "\\" + ansi_from_utf8(c.name) + ".lnk");
        const std::set<std::string> before = entries_of(c.folder_ansi);

        desktop.create_shortcut(c.group, c.name, "C:\\windows\\notepad.exe", "/old");
        EXPECT_EQ(read_shortcut(link).arguments, "/old");
        desktop.create_shortcut(c.group, c.name, target, "");
        const ShortcutContent content = read_shortcut(link);
        EXPECT_EQ(content.target, ansi_from_utf8(target));
        EXPECT_EQ(content.arguments, "");
        EXPECT_EQ(content.working_folder, ansi_from_utf8(folder));
        EXPECT_EQ(content.show, SW_SHOWNORMAL);
        std::set<std::string> expected = before;
        expected.insert(ansi_from_utf8(c.name) + ".lnk");
        EXPECT_EQ(entries_of(c.folder_ansi), expected);
    }
}

TEST(Win32ShortcutApartment, WorksOnAThreadAlreadyInTheMultithreadedApartment)
{
    Cleanup cleanup;
    const std::string link = cleanup.add(shell_folder(CSIDL_STARTUP) + "\\Muralis thread test.lnk");
    // Told to the test's thread: the assertions are not for other threads.
    std::string outcome = "not run";
    HRESULT entered = E_FAIL;
    HRESULT entered_again = E_FAIL;
    std::thread worker([&] {
        entered = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        try {
            Win32Desktop().create_shortcut("\\Startup", "Muralis thread test", "C:\\windows\\notepad.exe", "");
            outcome = "made";
        } catch (const Failure& failure) {
            outcome = failure.description();
        }
        // Still in the apartment it entered: create_shortcut left it as it was.
        entered_again = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(entered_again))
            ::CoUninitialize();
        if (SUCCEEDED(entered))
            ::CoUninitialize();
    });
    worker.join();
    ASSERT_EQ(entered, S_OK);
    EXPECT_EQ(entered_again, S_FALSE);
    EXPECT_EQ(outcome, "made");
    EXPECT_EQ(read_shortcut(link).target, "C:\\windows\\notepad.exe");
}

TEST(Win32ShortcutFailure, NameTheFileSystemRefusesFailsWithTheSystemsText)
{
    Win32Desktop desktop;
    const std::string startup = shell_folder(CSIDL_STARTUP);
    const std::set<std::string> before = entries_of(startup);
    // Characters no file name may hold, and a folder that is not there. (Wine
    // takes ':' as a plain character.)
    for (const std::string name : {"Wallpaper?", "Today*", "a<b>", "a|b", "a\\b"}) {
        SCOPED_TRACE(name);
        try {
            desktop.create_shortcut("\\Startup", name, "C:\\windows\\notepad.exe", "");
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            expect_failure(failure, 0, startup + "\\" + name + ".lnk");
        }
    }
    EXPECT_EQ(entries_of(startup), before);
}

// ---- Pictures ---------------------------------------------------------------

void put(std::string& bytes, std::uint32_t value, int size)
{
    for (int i = 0; i < size; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A 24-bit BMP file of width x |height| pixels, the bottom-up kind when
// height is positive. Pixel (x, row in file order) has blue x, green row,
// red 0x80.
std::string bitmap_file(int width, int height)
{
    const int rows = height < 0 ? -height : height;
    const int stride = (width * 3 + 3) / 4 * 4;
    std::string bytes = "BM";
    put(bytes, 54 + stride * rows, 4);
    put(bytes, 0, 4);
    put(bytes, 54, 4); // where the pixels start
    put(bytes, 40, 4); // BITMAPINFOHEADER
    put(bytes, static_cast<std::uint32_t>(width), 4);
    put(bytes, static_cast<std::uint32_t>(height), 4);
    put(bytes, 1, 2);  // planes
    put(bytes, 24, 2); // bits a pixel
    put(bytes, BI_RGB, 4);
    put(bytes, stride * rows, 4);
    put(bytes, 2835, 4);
    put(bytes, 2835, 4);
    put(bytes, 0, 4); // colours used
    put(bytes, 0, 4); // colours important
    for (int row = 0; row < rows; ++row) {
        std::string line;
        for (int x = 0; x < width; ++x)
            line += {static_cast<char>(x), static_cast<char>(row), static_cast<char>(0x80)};
        line.resize(static_cast<std::size_t>(stride), '\0');
        bytes += line;
    }
    return bytes;
}

using Win32Pictures = CodePage1252;

TEST_F(Win32Pictures, LoadsABitmapFileAsADibSectionOfItsSize)
{
    Cleanup cleanup;
    const std::string folder_ansi = temporary_folder(cleanup);
    Win32Desktop desktop;
    struct Case {
        const char* name_ansi;
        int width;
        int height; // negative: stored top-down
    };
    const Case cases[] = {
        {"three by two.bmp", 3, 2},
        {"\xc9t\xe9 top-down.bmp", 5, -4},
        {"one pixel.bmp", 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name_ansi);
        const std::string path_ansi = folder_ansi + "\\" + c.name_ansi;
        write_bytes(path_ansi, bitmap_file(c.width, c.height));
        const auto picture = desktop.load_picture(utf8_from_ansi(path_ansi));
        const int rows = c.height < 0 ? -c.height : c.height;
        EXPECT_EQ(picture->width(), c.width);
        EXPECT_EQ(picture->height(), rows);

        const auto* win32_picture = dynamic_cast<const Win32Picture*>(picture.get());
        ASSERT_NE(win32_picture, nullptr);
        DIBSECTION section{};
        ASSERT_EQ(::GetObjectA(win32_picture->bitmap(), sizeof section, &section), static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBm.bmWidth, c.width);
        EXPECT_EQ(section.dsBm.bmHeight, rows);
        EXPECT_EQ(section.dsBm.bmBitsPixel, 24);
        // The first pixel of a bottom-up DIB's memory is the file's first.
        // (Wine 8 loads a top-down file's size but leaves its pixels black.)
        const auto* bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
        ASSERT_NE(bits, nullptr);
        if (c.height > 0) {
            EXPECT_EQ(std::string(bits, bits + 3), std::string("\0\0\x80", 3));
        }
    }
}

// The picture fuzzers' seeds (tests/fuzz/make_picture_seeds), read through
// Wine's Z: drive: most are 16 x 8, red on the left half, blue on the right.
std::string seed_path(const char* name)
{
    std::string path = std::string("Z:") + PICTURE_SEEDS + "/" + name;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

// A memory DC for reading a bitmap's pixels.
class MemoryDcForTest {
public:
    MemoryDcForTest() : m_dc(::CreateCompatibleDC(nullptr)) {}
    MemoryDcForTest(const MemoryDcForTest&) = delete;
    MemoryDcForTest& operator=(const MemoryDcForTest&) = delete;
    ~MemoryDcForTest() { ::DeleteDC(m_dc); }
    HDC get() const { return m_dc; }

private:
    HDC m_dc;
};

TEST_F(Win32Pictures, DecodesJpegPngAndWebpThroughWicAsTheyAreShown)
{
    struct {
        const char* name;
        int width, height;
        COLORREF left, right; // the middles of the two halves (top and bottom, turned)
        int tolerance;
    } const rows[] = {
        {"rgb-16x8.jpg", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 8},
        {"progressive-16x8.jpg", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 8},
        {"exif-right-top-16x8.jpg", 8, 16, RGB(255, 0, 0), RGB(0, 0, 255), 8},
        {"rgb-16x8.png", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 0},
        {"palette-16x8.png", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 0},
        {"rgb16-16x8.png", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 0},
        {"interlaced-16x8.png", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 0},
        {"grey16-16x8.png", 16, 8, RGB(153, 153, 153), RGB(153, 153, 153), 1},
        {"white-half-transparent-16x8.png", 16, 8, RGB(128, 128, 128), RGB(128, 128, 128), 1},
        {"lossless-16x8.webp", 16, 8, RGB(255, 0, 0), RGB(0, 0, 255), 0},
        {"animated-red-then-green-16x8.webp", 16, 8, RGB(255, 0, 0), RGB(255, 0, 0), 0},
    };
    Win32Desktop desktop;
    const std::string pattern = desktop.picture_pattern();
    // JPEG and PNG have a codec in every Windows and in Wine; WebP only
    // where the system's extension is installed, and its files are listed
    // only there.
    EXPECT_TRUE(pattern.starts_with("*.bmp;*.jpg;*.jpeg;*.png")) << pattern;
    const bool webp = pattern.find("*.webp") != std::string::npos;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = seed_path(row.name);
        if (!webp && std::string(row.name).ends_with(".webp")) {
            try {
                desktop.load_picture(path);
                ADD_FAILURE() << "a WebP loaded without a codec listed for it";
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.number(), 481);
            }
            continue;
        }
        const auto picture = desktop.load_picture(path);
        ASSERT_EQ(picture->width(), row.width);
        ASSERT_EQ(picture->height(), row.height);
        const auto* win32_picture = dynamic_cast<const Win32Picture*>(picture.get());
        ASSERT_NE(win32_picture, nullptr);
        const bool turned = row.height > row.width;
        MemoryDcForTest dc;
        const HGDIOBJ previous = ::SelectObject(dc.get(), win32_picture->bitmap());
        const COLORREF left = ::GetPixel(dc.get(), turned ? 4 : 3, turned ? 3 : 4);
        const COLORREF right = ::GetPixel(dc.get(), turned ? 4 : 12, turned ? 12 : 4);
        ::SelectObject(dc.get(), previous);
        for (const auto& [got, expected] : {std::pair{left, row.left}, std::pair{right, row.right}}) {
            EXPECT_NEAR(GetRValue(got), GetRValue(expected), row.tolerance);
            EXPECT_NEAR(GetGValue(got), GetGValue(expected), row.tolerance);
            EXPECT_NEAR(GetBValue(got), GetBValue(expected), row.tolerance);
        }
    }
}

TEST(Win32PictureFailures, MissingFileAndNoBitmapAreToldApart)
{
    Cleanup cleanup;
    const std::string folder = temporary_folder(cleanup);
    Win32Desktop desktop;
    const std::string whole = bitmap_file(40, 40);
    std::string odd_header = whole;
    odd_header[14] = 64; // no info header has 64 bytes
    std::string no_table = whole.substr(0, 54);
    no_table[28] = 8; // 8 bits a pixel: a colour table of 256 entries follows
    struct Case {
        std::string name;
        std::string content; // "<folder>": a folder; "<none>": nothing
        int number;
    };
    const Case cases[] = {
        {"missing.bmp", "<none>", 53},
        {"missing folder\\day.bmp", "<none>", 53},
        {"folder.bmp", "<folder>", 53},
        {"notes.bmp", "This is not a bitmap.\r\n", 481},
        {"empty.bmp", "", 481},
        // Loading a file cut short would read past its end.
        {"pixels cut short.bmp", whole.substr(0, whole.size() - 1), 481},
        {"header cut short.bmp", whole.substr(0, 30), 481},
        {"odd header.bmp", odd_header, 481},
        {"no colour table.bmp", no_table, 481},
        // JPEG and PNG: a name that says another format than the bytes, a
        // file cut short, headers declaring more than 16384 pixels a side.
        {"png.bmp", read_bytes(seed_path("rgb-16x8.png")), 481},
        {"jpeg.png", read_bytes(seed_path("rgb-16x8.jpg")), 481},
        {"cut.jpg", read_bytes(seed_path("rgb-16x8.jpg")).substr(0, 150), 481},
        {"cut.png", read_bytes(seed_path("rgb-16x8.png")).substr(0, 60), 481},
        {"large.png", read_bytes(seed_path("claims-100000x100000.png")), 481},
        {"large.jpg", read_bytes(seed_path("claims-16385-wide.jpg")), 481},
        {"missing.jpg", "<none>", 53},
    };
    for (const Case& c : cases) {
        const std::string path = folder + "\\" + c.name;
        SCOPED_TRACE(path);
        if (c.content == "<folder>")
            ASSERT_TRUE(::CreateDirectoryA(path.c_str(), nullptr));
        else if (c.content != "<none>")
            write_bytes(path, c.content);
        try {
            desktop.load_picture(path);
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            expect_failure(failure, c.number, path);
        }
    }
}

// A BMP file put together part by part, for files no sound writer makes.
// What is left unset is what a sound file of these parts holds.
struct BitmapParts {
    std::uint32_t info_size = 40; // 12: the core header of 16-bit sizes
    std::int32_t width = 5;
    std::int32_t height = 3;
    std::uint16_t depth = 24;
    std::uint32_t compression = BI_RGB;
    std::uint32_t colours_used = 0;
    std::optional<std::string> table = {};  // unset: every colour of a depth up to 8
    std::optional<std::string> pixels = {}; // unset: rows of colour 0
    std::optional<std::uint32_t> pixel_offset = {};
    std::optional<std::uint32_t> image_size = {};
    // The rows of colour 0 left to a sparse run of zeros that ends the file:
    // room for a huge picture's pixels at no cost.
    bool sparse_rows = false;
    std::size_t cut_to = SIZE_MAX; // the file's bytes kept

    std::uint64_t row_bytes() const
    {
        const auto magnitude = [](std::int32_t size) {
            return static_cast<std::uint64_t>(std::abs(std::int64_t{size}));
        };
        return (magnitude(width) * depth + 31) / 32 * 4 * magnitude(height);
    }

    // The file's bytes, and the size the file is given.
    std::pair<std::string, std::uint64_t> file() const
    {
        std::string colours;
        for (std::uint32_t i = 0; depth <= 8 && i < (1u << depth); ++i)
            colours += std::string{static_cast<char>(i), static_cast<char>(i), static_cast<char>(i), '\0'}.substr(
                0, info_size == 12 ? 3 : 4);
        const std::string colour_table = table.value_or(colours);
        const std::string pixel_bytes = pixels ? *pixels : sparse_rows ? "" : std::string(row_bytes(), '\0');
        const std::uint32_t offset =
            pixel_offset.value_or(14 + info_size + static_cast<std::uint32_t>(colour_table.size()));
        std::string bytes = "BM";
        put(bytes, offset + static_cast<std::uint32_t>(pixel_bytes.size()), 4);
        put(bytes, 0, 4);
        put(bytes, offset, 4);
        put(bytes, info_size, 4);
        const int size_bytes = info_size == 12 ? 2 : 4;
        put(bytes, static_cast<std::uint32_t>(width), size_bytes);
        put(bytes, static_cast<std::uint32_t>(height), size_bytes);
        put(bytes, 1, 2);
        put(bytes, depth, 2);
        if (info_size != 12) {
            put(bytes, compression, 4);
            put(bytes, image_size.value_or(static_cast<std::uint32_t>(pixels ? pixels->size() : row_bytes())), 4);
            put(bytes, 2835, 4);
            put(bytes, 2835, 4);
            put(bytes, colours_used, 4);
            bytes.resize(14 + info_size, '\0'); // the later headers' fields, masks included, all zero
        }
        bytes = (bytes + colour_table + pixel_bytes).substr(0, cut_to);
        return {bytes, sparse_rows ? bytes.size() + row_bytes() : bytes.size()};
    }
};

std::string masks(std::uint32_t red, std::uint32_t green, std::uint32_t blue)
{
    std::string table;
    for (const std::uint32_t mask : {red, green, blue})
        put(table, mask, 4);
    return table;
}

void write_file(const std::string& path_ansi, const std::pair<std::string, std::uint64_t>& file)
{
    write_bytes(path_ansi, file.first);
    HANDLE handle =
        ::CreateFileA(path_ansi.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    LARGE_INTEGER size;
    size.QuadPart = static_cast<LONGLONG>(file.second);
    EXPECT_TRUE(::SetFilePointerEx(handle, size, nullptr, FILE_BEGIN) && ::SetEndOfFile(handle));
    ::CloseHandle(handle);
}

// Every case either loads at its size or fails with 481; a crash in the
// system's loader ends the whole program, which the Wine wrapper reports.
TEST(Win32PictureFailures, MalformedBitmapsLoadOrAreInvalidButNeverCrash)
{
    Cleanup cleanup;
    const std::string folder = temporary_folder(cleanup);
    Win32Desktop desktop;
    constexpr int loads = 0;
    // Run-length streams: two-byte runs, escapes 0 (end of row), 1 (end of
    // picture), 2 (move by dx, dy) and 3..255 literal pixels.
    const std::string end_of_row("\0\0", 2), end_of_picture("\0\1", 2);
    std::string rows_past_the_picture;
    for (int i = 0; i < 100; ++i)
        rows_past_the_picture += "\x04\x01" + end_of_row;
    struct Case {
        const char* name;
        BitmapParts parts;
        int failure; // loads (0), or 481
    };
    const Case cases[] = {
        // Sound files: the parts make files that load, so a refusal below is
        // the damage's doing.
        {"1 bit", {.depth = 1}, loads},
        {"8 bits", {.depth = 8}, loads},
        {"32 bits", {.depth = 32}, loads},
        {"top-down", {.height = -3}, loads},
        {"core header", {.info_size = 12, .depth = 8}, loads},
        {"V5 header", {.info_size = 124}, loads},
        {"no pixel offset, so right after the table", {.depth = 8, .pixel_offset = 0}, loads},
        // Cut short in either header, the colour table or the pixels.
        {"cut at 14", {.depth = 8, .cut_to = 14}, 481},
        {"cut at 30", {.depth = 8, .cut_to = 30}, 481},
        {"cut in the table", {.depth = 8, .cut_to = 54 + 512}, 481},
        {"cut in the pixels", {.depth = 8, .cut_to = 54 + 1024 + 10}, 481},
        // Sizes.
        {"zero height", {.height = 0}, 481},
        {"negative width", {.width = -5}, 481},
        {"lowest height", {.height = INT32_MIN, .pixels = ""}, 481},
        {"100000 x 100000, header only", {.width = 100000, .height = 100000, .pixels = ""}, 481},
        {"100000 x 100000, all there", {.width = 100000, .height = 100000, .depth = 1, .sparse_rows = true}, 481},
        {"16385 x 16385", {.width = 16385, .height = 16385, .depth = 1, .sparse_rows = true}, 481},
        {"16385 x 1", {.width = 16385, .height = 1, .sparse_rows = true}, 481},
        {"1 x -16385", {.width = 1, .height = -16385, .sparse_rows = true}, 481},
        {"16384 x 16384", {.width = 16384, .height = 16384, .depth = 1, .sparse_rows = true}, loads},
        // Offsets and tables.
        {"pixel offset past the end", {.pixel_offset = 1000000}, 481},
        {"pixel offset inside the file header", {.pixel_offset = 1}, 481},
        {"pixel offset inside the info header", {.pixel_offset = 20}, 481},
        {"palette larger than the file", {.depth = 8, .colours_used = 256, .table = std::string(16, '\0')}, 481},
        {"2^31 colours at 8 bits", {.depth = 8, .colours_used = 1u << 31}, 481},
        {"2^31 colours at 24 bits", {.colours_used = 1u << 31}, 481},
        {"300 colours, all there", {.depth = 8, .colours_used = 300, .table = std::string(1200, '\0')}, loads},
        // Depths and compressions.
        {"depth 0", {.depth = 0}, 481},
        {"depth 3", {.depth = 3}, 481},
        {"depth 64", {.depth = 64}, 481},
        {"PNG", {.compression = BI_PNG}, 481},
        {"compression 99", {.compression = 99}, 481},
        {"zero masks at 16 bits", {.depth = 16, .compression = BI_BITFIELDS, .table = masks(0, 0, 0)}, loads},
        {"zero masks at 32 bits", {.depth = 32, .compression = BI_BITFIELDS, .table = masks(0, 0, 0)}, loads},
        // A V4 header holds its masks, all zero here.
        {"zero masks in a V4 header", {.info_size = 108, .depth = 32, .compression = BI_BITFIELDS}, loads},
        {"masks at 24 bits", {.compression = BI_BITFIELDS, .table = masks(0xff0000, 0xff00, 0xff)}, 481},
        // Run-length streams that run past their row, the picture or their
        // own end.
        {"RLE8", {.depth = 8, .compression = BI_RLE8, .pixels = "\x05\x01" + end_of_row + end_of_picture}, loads},
        {"RLE8 run past its row", {.depth = 8, .compression = BI_RLE8, .pixels = "\xff\x01\xff\x02"}, loads},
        {"RLE8 rows past the picture", {.depth = 8, .compression = BI_RLE8, .pixels = rows_past_the_picture}, loads},
        {"RLE8 move past the picture",
         {.depth = 8, .compression = BI_RLE8, .pixels = std::string("\0\2\xff\xff\x04\x01", 6)}, loads},
        {"RLE8 literal past its row",
         {.depth = 8, .compression = BI_RLE8, .pixels = std::string("\0\xff", 2) + std::string(256, '\1')}, loads},
        {"RLE8 literal past the stream", {.depth = 8, .compression = BI_RLE8, .pixels = std::string("\0\xff\1\2", 4)},
         loads},
        {"RLE8 stream past the file", {.depth = 8, .compression = BI_RLE8, .pixels = "\x04\x01", .image_size = 9999},
         481},
        {"RLE8 at 4 bits", {.depth = 4, .compression = BI_RLE8, .pixels = "\x04\x01"}, 481},
        // Run-length pictures are stored bottom-up only.
        {"RLE8 top-down", {.height = -3, .depth = 8, .compression = BI_RLE8, .pixels = "\x04\x01"}, 481},
        {"RLE4", {.depth = 4, .compression = BI_RLE4, .pixels = "\x05\x12" + end_of_row + end_of_picture}, loads},
        {"RLE4 run past its row", {.depth = 4, .compression = BI_RLE4, .pixels = "\xff\x12\xff\x34"}, loads},
        {"RLE4 rows past the picture", {.depth = 4, .compression = BI_RLE4, .pixels = rows_past_the_picture}, loads},
        {"RLE4 literal past the stream", {.depth = 4, .compression = BI_RLE4, .pixels = std::string("\0\xff\x12", 3)},
         loads},
        {"RLE4 at 8 bits", {.depth = 8, .compression = BI_RLE4, .pixels = "\x04\x12"}, 481},
    };
    for (const Case& c : cases) {
        const std::string path = folder + "\\" + c.name + ".bmp";
        SCOPED_TRACE(c.name);
        write_file(path, c.parts.file());
        try {
            const auto picture = desktop.load_picture(path);
            EXPECT_EQ(c.failure, loads) << "loaded";
            EXPECT_EQ(picture->width(), c.parts.width);
            EXPECT_EQ(picture->height(), c.parts.height < 0 ? -c.parts.height : c.parts.height);
        } catch (const Failure& failure) {
            EXPECT_EQ(c.failure, 481) << failure.description();
            expect_failure(failure, 481, path);
        }
        ::DeleteFileA(path.c_str());
    }
}

// ---- The user's locale ------------------------------------------------------

// CTest names the language of the locale each run starts in.
TEST(Win32Locale, WeekdayNamesAreTheLocalesOwnFromSundayOn)
{
    const char* language = std::getenv("MURALIS_EXPECTED_LANGUAGE");
    if (!language)
        GTEST_SKIP() << "MURALIS_EXPECTED_LANGUAGE not set";
    const bool french = std::string(language) == "French";
    struct Case {
        int weekday;
        const char* english;
        const char* french;
    };
    const Case cases[] = {
        {1, "Sunday", "dimanche"},  {2, "Monday", "lundi"},   {3, "Tuesday", "mardi"},
        {4, "Wednesday", "mercredi"}, {5, "Thursday", "jeudi"}, {6, "Friday", "vendredi"},
        {7, "Saturday", "samedi"},
        // Outside the week: no name, rather than a day of another week.
        {0, "", ""},
        {8, "", ""},
    };
    Win32System system;
    for (const Case& c : cases)
        EXPECT_EQ(system.weekday_name(c.weekday), french ? c.french : c.english) << c.weekday;
}

using Win32UpperCase = CodePage1252;

TEST_F(Win32UpperCase, CapitalsAreThoseOfTheCodePageBackInUtf8)
{
    struct Case {
        std::string text;
        std::string upper;
    };
    const Case cases[] = {
        {"lundi", "LUNDI"},
        {"mercredi", "MERCREDI"},
        {"\xc3\xa9", "\xc3\x89"},
        {"d\xc3\xa9j\xc3\xa0 vu, 1-2", "D\xc3\x89J\xc3\x80 VU, 1-2"},
        // Letters whose capitals code page 1252 keeps outside Latin-1.
        {"\xc5\x93 \xc5\xa1 \xc5\xbe \xc3\xbf", "\xc5\x92 \xc5\xa0 \xc5\xbd \xc5\xb8"},
        // No one-letter capital: left as it is.
        {"stra\xc3\x9f" "e", "STRA\xc3\x9f" "E"},
        // Beyond the code page: what the ANSI form holds.
        {"\xe6\x97\xa5 x", "? X"},
        {std::string("a\0b", 3), std::string("A\0B", 3)},
        {"", ""},
    };
    Win32System system;
    for (const Case& c : cases)
        EXPECT_EQ(system.upper_case(c.text), c.upper) << c.text;
}

// ---- The screen -------------------------------------------------------------

// Runs this test program again with arguments; its exit code, or -1 when it
// could not be started or did not end within two minutes. Its output goes
// where this program's goes.
int run_this_program(const std::string& arguments)
{
    char path[MAX_PATH * 2];
    const std::string program(path, ::GetModuleFileNameA(nullptr, path, sizeof path));
    std::string command_line = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &started))
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(started.hProcess, 120000) == WAIT_OBJECT_0)
        ::GetExitCodeProcess(started.hProcess, &code);
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return static_cast<int>(code);
}

// Windows reads the user's resolution (LogPixels) as a process starts: the
// test runs itself once per resolution, telling the run what to expect on
// its command line, which GoogleTest leaves alone.
TEST(Win32ScreenSize, IsThePrimaryScreenInTwipsAtTheUsersResolution)
{
    const std::string flag = " --expected-screen-twips=";
    const std::string command_line = ::GetCommandLineA();
    if (const auto at = command_line.find(flag); at != std::string::npos) {
        const TwipsSize size = Win32System().screen_size();
        const std::string expected = command_line.substr(at + flag.size());
        EXPECT_EQ(std::to_string(size.width) + "x" + std::to_string(size.height), expected);
        return;
    }
    if (::GetSystemMetrics(SM_CXSCREEN) != 1024 || ::GetSystemMetrics(SM_CYSCREEN) != 768)
        GTEST_SKIP() << "the sizes below are those of a 1024 x 768 screen: Wine's without a display, "
                        "and the end-to-end tests' X server";
    struct Case {
        DWORD dpi;
        const char* twips;
    };
    const Case cases[] = {
        {96, "15360x11520"},
        {120, "12288x9216"},
        // 14745.6 and 11059.2 twips: rounded to the nearest, not cut.
        {100, "14746x11059"},
    };
    RegistryValueGuard resolution(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dpi);
        resolution.set_dword(c.dpi);
        EXPECT_EQ(run_this_program("--gtest_filter=Win32ScreenSize.*" + flag + c.twips), 0)
            << "see the run's output above";
    }
}

// ---- Message boxes ----------------------------------------------------------

// A top-level window of the test's own, never shown, to own the boxes: the
// editor's window is still hidden when its load procedure shows its first
// boxes. Null without a display.
class HiddenWindow {
public:
    HiddenWindow()
        : m_window(::CreateWindowExA(0, "STATIC", "Muralis test owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                     nullptr, nullptr, nullptr, nullptr))
    {
    }
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;
    ~HiddenWindow()
    {
        if (m_window)
            ::DestroyWindow(m_window);
    }
    HWND get() const { return m_window; }

private:
    HWND m_window;
};

// What a watching thread saw of a box while it was up.
struct SeenBox {
    bool found = false;
    HWND owner = nullptr;
    bool owner_enabled = true;
    test::MessageBoxContent content;
};

// Shows a box through desktop while another thread watches this thread's
// windows: when the box appears, the watcher reads it, then presses the
// button press. For IDCANCEL, or a button the box lacks, it ends the box by
// a command that no button of these boxes gives. The box is found by its
// thread, not its title, so that a wrong title fails the test rather than
// leaving the box up for ever.
MessageAnswer answer_box(Win32Desktop& desktop, HWND owner, const std::string& title, const std::string& text,
                         const MessageStyle& style, int press, SeenBox& seen)
{
    const DWORD thread = ::GetCurrentThreadId();
    std::atomic<bool> returned{false};
    std::thread watcher([&] {
        HWND box = nullptr;
        while (!box && !returned) {
            box = test::shown_message_box_of(thread);
            if (!box)
                ::Sleep(20);
        }
        if (!box)
            return;
        seen.found = true;
        seen.owner = ::GetWindow(box, GW_OWNER);
        if (owner)
            seen.owner_enabled = ::IsWindowEnabled(owner);
        seen.content = test::read_message_box(box);
        if (HWND button = press == IDCANCEL ? nullptr : ::GetDlgItem(box, press))
            ::SendMessageA(button, BM_CLICK, 0, 0);
        else
            ::PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
    });
    const MessageAnswer answer = desktop.message_box(title, text, style);
    returned = true;
    watcher.join();
    return answer;
}

TEST(Win32MessageBox, ShowsTheStyleOwnedByTheHiddenWindowAndAnswersTheButtonPressed)
{
    HiddenWindow owner;
    if (!owner.get())
        GTEST_SKIP() << "no display: muralset_end_to_end.sh runs this on its X server";
    const HICON stop = ::LoadIconA(nullptr, IDI_HAND);
    const HICON question = ::LoadIconA(nullptr, IDI_QUESTION);
    using I = MessageIcon;
    using B = MessageButtons;
    using A = MessageAnswer;
    struct Case {
        MessageStyle style;
        bool owned;
        std::vector<int> buttons; // their identifiers, in order
        int default_button;
        HICON icon;
        int press; // IDCANCEL: ended otherwise
        MessageAnswer answer;
    };
    const Case cases[] = {
        {{I::None, B::Ok, A::Ok}, true, {IDOK}, IDOK, nullptr, IDOK, A::Ok},
        {{I::Stop, B::Ok, A::Ok}, true, {IDOK}, IDOK, stop, IDOK, A::Ok},
        {{I::Question, B::YesNo, A::Yes}, true, {IDYES, IDNO}, IDYES, question, IDYES, A::Yes},
        {{I::Question, B::YesNo, A::No}, true, {IDYES, IDNO}, IDNO, question, IDNO, A::No},
        // The answer is the button pressed, not the default one.
        {{I::Question, B::YesNo, A::No}, true, {IDYES, IDNO}, IDNO, question, IDYES, A::Yes},
        {{I::Stop, B::YesNo, A::Yes}, true, {IDYES, IDNO}, IDYES, stop, IDNO, A::No},
        // Ended without a button: answers as the last one.
        {{I::None, B::YesNo, A::Yes}, true, {IDYES, IDNO}, IDYES, nullptr, IDCANCEL, A::No},
        {{I::Stop, B::Ok, A::Ok}, true, {IDOK}, IDOK, stop, IDCANCEL, A::Ok},
        // Muralrun has no window: the box is nobody's.
        {{I::Stop, B::YesNo, A::No}, false, {IDYES, IDNO}, IDNO, stop, IDYES, A::Yes},
    };
    int number = 0;
    for (const Case& c : cases) {
        const std::string title = "Muralis \xc3\xa9t\xc3\xa9 " + std::to_string(++number);
        SCOPED_TRACE(title);
        const std::string text = "Premi\xc3\xa8re ligne\rseconde ligne";
        Win32Desktop desktop;
        if (c.owned)
            desktop.set_message_owner(owner.get());
        SeenBox seen;
        const MessageAnswer answer = answer_box(desktop, c.owned ? owner.get() : nullptr, title, text, c.style,
                                                c.press, seen);
        ASSERT_TRUE(seen.found) << "no box appeared";
        EXPECT_EQ(answer, c.answer);
        EXPECT_EQ(seen.owner, c.owned ? owner.get() : nullptr);
        // The system disables the owner while its box is up, hidden as it is,
        // and gives it back its input afterwards without showing it.
        EXPECT_FALSE(c.owned && seen.owner_enabled) << "the owner took input while the box was up";
        EXPECT_TRUE(::IsWindowEnabled(owner.get()));
        EXPECT_FALSE(::IsWindowVisible(owner.get()));
        EXPECT_EQ(seen.content.title, title);
        // The lone CR reaches the box as it is.
        EXPECT_EQ(seen.content.text, text);
        std::vector<int> buttons;
        int default_button = 0;
        for (const auto& button : seen.content.buttons) {
            buttons.push_back(button.id);
            if (button.is_default)
                default_button = button.id;
        }
        EXPECT_EQ(buttons, c.buttons);
        EXPECT_EQ(default_button, c.default_button);
        EXPECT_EQ(seen.content.icon, c.icon);
    }
}

// Runs with or without a display: a box whose owner is gone cannot be
// made, and answers as its last button.
TEST(Win32MessageBox, ABoxThatCannotBeShownAnswersItsLastButton)
{
    HWND gone = ::CreateWindowExA(0, "STATIC", "gone", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    if (gone)
        ::DestroyWindow(gone);
    else
        gone = reinterpret_cast<HWND>(static_cast<INT_PTR>(0x1234)); // no window has this handle
    Win32Desktop desktop;
    desktop.set_message_owner(gone);
    struct Case {
        MessageStyle style;
        MessageAnswer answer;
    };
    const Case cases[] = {
        {{MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes}, MessageAnswer::No},
        {{MessageIcon::Stop, MessageButtons::YesNo, MessageAnswer::No}, MessageAnswer::No},
        {{MessageIcon::None, MessageButtons::Ok, MessageAnswer::Ok}, MessageAnswer::Ok},
    };
    for (const Case& c : cases) {
        SeenBox seen;
        // Should a box appear after all, Yes is pressed.
        EXPECT_EQ(answer_box(desktop, nullptr, "Muralis", "Never shown", c.style, IDYES, seen), c.answer);
        EXPECT_FALSE(seen.found) << "a box was shown";
    }
}

// ---- Web addresses ----------------------------------------------------------

using Win32WebAddress = CodePage1252;

TEST_F(Win32WebAddress, TheShellsOpenVerbHandsTheAddressToTheRegisteredBrowserAsItIs)
{
    Cleanup cleanup;
    const std::string folder = temporary_folder(cleanup);
    const std::string recorder = folder + "\\address_recorder.exe";
    ASSERT_TRUE(::CopyFileA((test_program_folder() + "\\address_recorder.exe").c_str(), recorder.c_str(), FALSE));
    // Wine 8 takes the handlers of URL schemes from the classes root alone
    // (the machine's classes), not from the user's Software\Classes that
    // Windows lets override them: the test changes the classes root, and
    // the guards put Wine's own browser back.
    std::vector<std::unique_ptr<RegistryValueGuard>> guards;
    for (const std::string scheme : {"http", "https"}) {
        guards.push_back(std::make_unique<RegistryValueGuard>(HKEY_CLASSES_ROOT, scheme, "URL Protocol"));
        guards.back()->set_string("");
        guards.push_back(
            std::make_unique<RegistryValueGuard>(HKEY_CLASSES_ROOT, scheme + "\\shell\\open\\command", ""));
        guards.back()->set_string("\"" + recorder + "\" \"%1\"");
    }
    const std::string addresses[] = {
        "https://www.example.org/muralis/aide?langue=fr&sujet=d%C3%A9marrage#haut",
        "http://example.com/a%20b/?q=1+2&r=%25",
    };
    Win32Desktop desktop;
    for (const std::string& address : addresses) {
        SCOPED_TRACE(address);
        const std::string record = folder + "\\opened.txt";
        ::DeleteFileA(record.c_str());
        desktop.open_web_address(address);
        EXPECT_EQ(wait_for_file(record), address + "\n");
    }
}

} // namespace
} // namespace muralis::win32
