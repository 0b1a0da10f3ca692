// Reads back, through the Win32 API of another process, what the editor's
// window shows, for the end-to-end tests. Output is UTF-8, one "key=value"
// a line.
//
//   window_reader window TITLE [SECONDS]
//       Waits for the top-level window titled TITLE and prints:
//         frame=X,Y,W,H          the window on the screen
//         client=WxH             its client area
//         client_origin=X,Y      the client area's corner on the screen
//         sizable=0|1 maximize=0|1 minimize=0|1   the frame's styles
//         control=CLASS|TEXT|ENABLED|VISIBLE|X,Y,W,H|PARENT
//                                every child window, depth first, in
//                                stacking order (top first); the rectangle
//                                is in the parent's client area; PARENT is
//                                "window" or the parent's text
//         items=TEXT|N|ITEM;ITEM;...   each list: the text of its control
//                                (the TEXT of the line above it), the
//                                selected index and the entries
//         tab_order=NAME,NAME,...  the controls Tab visits from the first:
//                                a button by its text, any other by its class
//   window_reader close TITLE
//       Asks the window titled TITLE to close (WM_CLOSE).
//   window_reader startup NAME
//       Prints target=, arguments= and folder= of the shortcut NAME.lnk in
//       the user's start-up folder; exits 1 when there is none.
//   window_reader resources PROGRAM
//       Prints what the program file carries: icon_sizes=WxH,... of icon 1,
//       cursor_sizes=WxH,... of cursor 2 and the hot spot of its 32x32 and
//       16x16 images (cursor_hotspot_32=X,Y), original_filename=, and
//       manifest_as_invoker=yes|no, manifest_dpi_aware=yes|no.
//
// Exits 1 when the window does not appear.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string utf8(const std::wstring& text)
{
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                             nullptr, nullptr);
    std::string result(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(), length, nullptr,
                          nullptr);
    return result;
}

std::wstring wide_from_ansi(const std::string& ansi)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

std::string utf8_from_ansi(const std::string& ansi)
{
    return utf8(wide_from_ansi(ansi));
}

std::string window_text(HWND window)
{
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
    const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    return utf8(text);
}

std::string class_name(HWND window)
{
    char name[128];
    const int length = ::GetClassNameA(window, name, sizeof name);
    return std::string(name, static_cast<std::size_t>(length > 0 ? length : 0));
}

bool class_is(HWND window, const char* name)
{
    return _stricmp(class_name(window).c_str(), name) == 0;
}

// A list's entries, read by messages the system carries across processes.
std::string list_items(HWND list, bool combo)
{
    const UINT count_message = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT length_message = combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN;
    const UINT text_message = combo ? CB_GETLBTEXT : LB_GETTEXT;
    const LRESULT count = ::SendMessageW(list, count_message, 0, 0);
    std::string items;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = ::SendMessageW(list, length_message, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
        const LRESULT got =
            ::SendMessageW(list, text_message, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
        if (i > 0)
            items += ';';
        items += utf8(text);
    }
    const LRESULT selected = ::SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return window_text(list) + "|" + std::to_string(selected) + "|" + items;
}

void describe_children(HWND parent, const std::string& parent_name, std::string& output)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        output += "control=" + class_name(child) + "|" + window_text(child) + "|" +
                  (::IsWindowEnabled(child) ? "1" : "0") + "|" + (::IsWindowVisible(child) ? "1" : "0") + "|" +
                  std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                  std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top) + "|" +
                  parent_name + "\n";
        if (class_is(child, "ListBox"))
            output += "items=" + list_items(child, false) + "\n";
        else if (class_is(child, "ComboBox"))
            output += "items=" + list_items(child, true) + "\n";
        describe_children(child, window_text(child), output);
    }
}

std::string describe_window(HWND window)
{
    RECT frame;
    ::GetWindowRect(window, &frame);
    RECT client;
    ::GetClientRect(window, &client);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    const LONG_PTR style = ::GetWindowLongPtrA(window, GWL_STYLE);

    std::string output = "title=" + window_text(window) + "\n";
    output += "frame=" + std::to_string(frame.left) + "," + std::to_string(frame.top) + "," +
              std::to_string(frame.right - frame.left) + "," + std::to_string(frame.bottom - frame.top) + "\n";
    output += "client=" + std::to_string(client.right) + "x" + std::to_string(client.bottom) + "\n";
    output += "client_origin=" + std::to_string(origin.x) + "," + std::to_string(origin.y) + "\n";
    output += std::string("sizable=") + ((style & WS_THICKFRAME) ? "1" : "0") + "\n";
    output += std::string("maximize=") + ((style & WS_MAXIMIZEBOX) ? "1" : "0") + "\n";
    output += std::string("minimize=") + ((style & WS_MINIMIZEBOX) ? "1" : "0") + "\n";
    describe_children(window, "window", output);

    // GetNextDlgTabItem walks the controls exactly as the dialog keyboard
    // does, skipping disabled and hidden ones.
    std::string order;
    HWND first = ::GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND item = first; item;) {
        if (!order.empty())
            order += ',';
        order += class_is(item, "Button") ? window_text(item) : class_name(item);
        item = ::GetNextDlgTabItem(window, item, FALSE);
        if (item == first || order.size() > 4096)
            break;
    }
    output += "tab_order=" + order + "\n";
    return output;
}

HWND wait_for_window(const char* title, int seconds)
{
    for (int waited = 0; waited <= seconds * 10; ++waited) {
        // The window must also be shown: the editor creates it hidden and
        // shows it once its load is done.
        HWND window = ::FindWindowA(nullptr, title);
        if (window && ::IsWindowVisible(window))
            return window;
        ::Sleep(100);
    }
    return nullptr;
}

// One reference to a COM object, released exactly once.
template <typename Interface>
class ComRef {
public:
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef()
    {
        if (m_pointer)
            m_pointer->Release();
    }
    Interface* operator->() const { return m_pointer; }
    void** out() { return reinterpret_cast<void**>(&m_pointer); }

private:
    Interface* m_pointer = nullptr;
};

int read_startup_shortcut(const std::string& name)
{
    char folder[MAX_PATH];
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_STARTUP, nullptr, SHGFP_TYPE_CURRENT, folder)))
        return 1;
    const std::string path = std::string(folder) + "\\" + name + ".lnk";
    if (::GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::fprintf(stderr, "no shortcut %s\n", path.c_str());
        return 1;
    }
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    std::string output;
    {
        ComRef<IShellLinkA> link;
        ComRef<IPersistFile> file;
        if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.out())) ||
            FAILED(link->QueryInterface(IID_IPersistFile, file.out())) ||
            FAILED(file->Load(wide_from_ansi(path).c_str(), STGM_READ)))
            return 1;
        char text[MAX_PATH * 2];
        text[0] = '\0';
        link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
        output += "target=" + utf8_from_ansi(text) + "\n";
        text[0] = '\0';
        link->GetArguments(text, sizeof text);
        output += "arguments=" + utf8_from_ansi(text) + "\n";
        text[0] = '\0';
        link->GetWorkingDirectory(text, sizeof text);
        output += "folder=" + utf8_from_ansi(text) + "\n";
    }
    ::CoUninitialize();
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written,
                nullptr);
    return 0;
}

// The entries of an icon or cursor group resource (the directory of a .ico
// or .cur file as the resource compiler stores it).
#pragma pack(push, 2)
struct GroupHeader {
    WORD reserved;
    WORD type; // 1 icon, 2 cursor
    WORD count;
};
struct GroupEntry {
    union {
        struct {
            BYTE width;
            BYTE height;
            BYTE colours;
            BYTE reserved;
        } icon;
        struct {
            WORD width;
            WORD height; // twice the image's: the AND mask is counted in
        } cursor;
    } size;
    WORD planes;
    WORD bits;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

std::string group_sizes(HMODULE module, int id, LPCSTR type, bool cursor)
{
    HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(id), type);
    if (!found)
        return "none";
    const auto* header = static_cast<const GroupHeader*>(::LockResource(::LoadResource(module, found)));
    const auto* entries = reinterpret_cast<const GroupEntry*>(header + 1);
    std::string sizes;
    for (WORD i = 0; i < header->count; ++i) {
        const int width = cursor ? entries[i].size.cursor.width : entries[i].size.icon.width;
        const int height = cursor ? entries[i].size.cursor.height / 2 : entries[i].size.icon.height;
        if (!sizes.empty())
            sizes += ',';
        sizes += std::to_string(width == 0 ? 256 : width) + "x" + std::to_string(height == 0 ? 256 : height);
    }
    return sizes;
}

std::string cursor_hotspot(HMODULE module, int id, int size)
{
    HCURSOR cursor = static_cast<HCURSOR>(::LoadImageA(module, MAKEINTRESOURCEA(id), IMAGE_CURSOR, size, size, 0));
    if (!cursor)
        return "none";
    ICONINFO info{};
    std::string result = "none";
    if (::GetIconInfo(cursor, &info)) {
        result = std::to_string(info.xHotspot) + "," + std::to_string(info.yHotspot);
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
    }
    ::DestroyCursor(cursor);
    return result;
}

std::string version_value(const std::string& program, const char* name)
{
    DWORD ignored = 0;
    std::vector<char> info(::GetFileVersionInfoSizeA(program.c_str(), &ignored));
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (info.empty() || !::GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(info.size()), info.data()) ||
        !::VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || !value)
        return "none";
    return value;
}

int read_resources(const std::string& program)
{
    HMODULE module = ::LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) {
        std::fprintf(stderr, "cannot open %s\n", program.c_str());
        return 1;
    }
    std::string output = "icon_sizes=" + group_sizes(module, 1, MAKEINTRESOURCEA(14), false) + "\n";
    output += "cursor_sizes=" + group_sizes(module, 2, MAKEINTRESOURCEA(12), true) + "\n";
    output += "cursor_hotspot_32=" + cursor_hotspot(module, 2, 32) + "\n";
    output += "cursor_hotspot_16=" + cursor_hotspot(module, 2, 16) + "\n";
    std::string manifest;
    if (HRSRC found = ::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24)))
        manifest.assign(static_cast<const char*>(::LockResource(::LoadResource(module, found))),
                        ::SizeofResource(module, found));
    ::FreeLibrary(module);
    output += std::string("manifest_as_invoker=") +
              (manifest.find("level=\"asInvoker\"") != std::string::npos ? "yes" : "no") + "\n";
    output += std::string("manifest_dpi_aware=") +
              (manifest.find(">true</dpiAware>") != std::string::npos ? "yes" : "no") + "\n";
    output += "original_filename=" + version_value(program, "OriginalFilename") + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written,
                nullptr);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_reader window TITLE [SECONDS] | close TITLE | startup NAME | "
                             "resources PROGRAM\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "startup")
        return read_startup_shortcut(argv[2]);
    if (command == "resources")
        return read_resources(argv[2]);

    HWND window = wait_for_window(argv[2], argc > 3 ? std::atoi(argv[3]) : 30);
    if (!window)
        return 1;
    if (command == "close")
        return ::PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : 1;
    if (command != "window")
        return 2;
    const std::string output = describe_window(window);
    // Written as bytes: the C runtime's text mode would add a CR to each line.
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written,
                nullptr);
    return 0;
}
