// The services the editor asks of the Win32 layer, against a real Windows
// API (Wine in the project's runs): drives and folders as its lists show
// them, the start-up shortcut read back through the shell, and bitmaps
// loaded for its preview. CTest runs the program under an English and a
// French locale; both give code page 1252, whose bytes the tests expect.
#include <windows.h>

#include <gtest/gtest.h>

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_picture.h"

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

} // namespace
} // namespace muralis::win32
