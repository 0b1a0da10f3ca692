// Reads back and drives, through the Win32 API of another process, the
// editor's window for the end-to-end tests, as an automation tool drives a
// Windows program. Output is UTF-8, one "key=value" a line.
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
//   window_reader click TITLE CONTROL
//   window_reader select|double_click TITLE CONTROL ENTRY
//   window_reader key TITLE CONTROL Return|Escape|CHARACTER
//   window_reader type TITLE CONTROL TEXT
//       Acts on a control of the window titled TITLE once it and the window
//       take input: a click (BM_CLICK on a button, the mouse at the centre
//       of anything else); a click or a double-click with the mouse on the
//       list entry ENTRY (LB_FINDSTRINGEXACT), so that the list tells its
//       parent as for a user; a key pressed and released; the text typed
//       over the box's own. CONTROL is a text ("&Accept") or CLASS#N, the
//       Nth (from 0) control of that class in the order "window" prints.
//       Returns once the window has handled it, shows a message box or is
//       gone.
//   window_reader keys TITLE KEY...
//       Presses the keys, one after the other, where the window's keyboard
//       focus is, through the window's own message loop (its dialog
//       keyboard included), as typing does: Tab, Down, Up, Home, End,
//       Return, Space, or Alt+LETTER. Returns once the window has handled
//       them all and waits for more input.
//   window_reader box TITLE [BUTTON]
//       Waits for the message box titled TITLE and prints title=, text= (a
//       CR shown as "\r"), buttons=CAPTION,..., default=CAPTION,
//       icon=shown|none, owner=TITLE and owner_enabled=0|1; then presses
//       the button BUTTON ("Yes" or "&Yes") when given. Exits 1 at once
//       when another message box shows instead.
//   window_reader gone TITLE
//       Waits until no window titled TITLE is shown any more.
//   window_reader startup NAME
//       Prints target=, arguments= and folder= of the shortcut NAME.lnk in
//       the user's start-up folder; exits 1 when there is none.
//   window_reader resources PROGRAM
//       Prints what the program file carries: icon_sizes=WxH,... of icon 1,
//       cursor_sizes=WxH,... of cursor 2 and the hot spot of its 32x32 and
//       16x16 images (cursor_hotspot_32=X,Y), original_filename=, and
//       manifest_as_invoker=yes|no, manifest_dpi_aware=yes|no.
//
// Exits 1, with the reason on stderr, when the window, control, entry or
// box does not appear or the window does not answer in time.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "message_box_content.h"

namespace {

using muralis::test::utf8_from_wide;
using muralis::test::window_text;

std::wstring wide_from_ansi(const std::string& ansi)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), length);
    return wide;
}

std::string utf8_from_ansi(const std::string& ansi)
{
    return utf8_from_wide(wide_from_ansi(ansi));
}

// GetWindowText reads only the caption the system keeps for a window of
// another process; WM_GETTEXT gets what an edit box holds.
std::string control_text(HWND control)
{
    std::wstring text(static_cast<std::size_t>(::SendMessageW(control, WM_GETTEXTLENGTH, 0, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::SendMessageW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return utf8_from_wide(text);
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
        items += utf8_from_wide(text);
    }
    const LRESULT selected = ::SendMessageW(list, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return control_text(list) + "|" + std::to_string(selected) + "|" + items;
}

void describe_children(HWND parent, const std::string& parent_name, std::string& output)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
        output += "control=" + class_name(child) + "|" + control_text(child) + "|" +
                  (::IsWindowEnabled(child) ? "1" : "0") + "|" + (::IsWindowVisible(child) ? "1" : "0") + "|" +
                  std::to_string(rect.left) + "," + std::to_string(rect.top) + "," +
                  std::to_string(rect.right - rect.left) + "," + std::to_string(rect.bottom - rect.top) + "|" +
                  parent_name + "\n";
        if (class_is(child, "ListBox"))
            output += "items=" + list_items(child, false) + "\n";
        else if (class_is(child, "ComboBox"))
            output += "items=" + list_items(child, true) + "\n";
        describe_children(child, control_text(child), output);
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

// ---- Driving the window ------------------------------------------------------

[[noreturn]] void fail_because(const std::string& reason)
{
    std::fprintf(stderr, "%s\n", reason.c_str());
    std::exit(1);
}

void all_controls(HWND parent, std::vector<HWND>& controls)
{
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        controls.push_back(child);
        all_controls(child, controls);
    }
}

// The control named by its text, or by CLASS#N: the Nth of that class in
// the order describe_children() lists them.
HWND find_control(HWND window, const std::string& name)
{
    std::vector<HWND> controls;
    all_controls(window, controls);
    const std::size_t hash = name.rfind('#');
    const bool by_class = hash != std::string::npos && hash + 1 < name.size() &&
                          name.find_first_not_of("0123456789", hash + 1) == std::string::npos;
    int skip = by_class ? std::atoi(name.c_str() + hash + 1) : 0;
    for (HWND control : controls) {
        if (by_class ? class_is(control, name.substr(0, hash).c_str()) && skip-- == 0 : control_text(control) == name)
            return control;
    }
    return nullptr;
}

// The control once it and its window take input: the window is disabled
// while a message box is up, and given back just after the box is answered.
HWND control_taking_input(HWND window, const std::string& name)
{
    for (int waited = 0; waited < 100; ++waited) {
        HWND control = find_control(window, name);
        if (control && ::IsWindowEnabled(window) && ::IsWindowEnabled(control) && ::IsWindowVisible(control))
            return control;
        ::Sleep(50);
    }
    fail_because("no control '" + name + "' that takes input");
}

struct Sent {
    HWND to;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

void CALLBACK count_handled(HWND, UINT, ULONG_PTR remaining, LRESULT)
{
    --*reinterpret_cast<int*>(remaining);
}

// Sends the messages in order without waiting on each (a message box they
// open would hold a plain SendMessage), then waits until the window's thread
// has handled them all, shows another message box, or hides the window.
void deliver(HWND window, const std::vector<Sent>& messages)
{
    int remaining = 0;
    for (const Sent& sent : messages) {
        if (!::SendMessageCallbackA(sent.to, sent.message, sent.wparam, sent.lparam, count_handled,
                                    reinterpret_cast<ULONG_PTR>(&remaining)))
            fail_because("cannot send to the control");
        ++remaining;
    }
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    for (int waited = 0; waited < 3000; ++waited) {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            ::DispatchMessageA(&message);
        HWND box = muralis::test::shown_message_box_of(thread);
        if (remaining == 0 || (box && box != window) || !::IsWindowVisible(window))
            return;
        ::Sleep(10);
    }
    fail_because("the window did not handle the input in time");
}

std::vector<Sent> mouse_click(HWND control, POINT at, bool twice)
{
    const LPARAM where = MAKELPARAM(at.x, at.y);
    std::vector<Sent> messages{{control, WM_LBUTTONDOWN, MK_LBUTTON, where}, {control, WM_LBUTTONUP, 0, where}};
    if (twice) {
        messages.push_back({control, WM_LBUTTONDBLCLK, MK_LBUTTON, where});
        messages.push_back({control, WM_LBUTTONUP, 0, where});
    }
    return messages;
}

// A point on a list entry, in the list's client area, the entry scrolled
// into view first as a user would.
POINT entry_point(HWND list, const std::string& entry)
{
    const LRESULT index = ::SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(entry.c_str()));
    if (index == LB_ERR)
        fail_because("no entry '" + entry + "' in the list");
    RECT item;
    RECT client;
    ::GetClientRect(list, &client);
    ::SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    if (item.top < 0 || item.bottom > client.bottom) {
        ::SendMessageA(list, LB_SETTOPINDEX, static_cast<WPARAM>(index), 0);
        ::SendMessageA(list, LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
    return {item.left + 5, (item.top + item.bottom) / 2};
}

std::vector<Sent> key_press(HWND control, const std::string& key)
{
    const auto [code, character] = key == "Return"   ? std::pair<UINT, char>{VK_RETURN, '\r'}
                                   : key == "Escape" ? std::pair<UINT, char>{VK_ESCAPE, '\x1b'}
                                                     : std::pair<UINT, char>{
                                                           static_cast<UINT>(::VkKeyScanA(key[0]) & 0xFF), key[0]};
    const LPARAM down = 1 | static_cast<LPARAM>(::MapVirtualKeyA(code, MAPVK_VK_TO_VSC)) << 16;
    return {{control, WM_KEYDOWN, code, down},
            {control, WM_CHAR, static_cast<unsigned char>(character), down},
            {control, WM_KEYUP, code, down | 0xC0000000}};
}

int act(HWND window, const std::string& command, const std::string& name, const std::string& argument)
{
    HWND control = control_taking_input(window, name);
    RECT client;
    ::GetClientRect(control, &client);
    if (command == "click")
        deliver(window, class_is(control, "Button")
                            ? std::vector<Sent>{{control, BM_CLICK, 0, 0}}
                            : mouse_click(control, {client.right / 2, client.bottom / 2}, false));
    else if (command == "select" || command == "double_click")
        deliver(window, mouse_click(control, entry_point(control, argument), command == "double_click"));
    else if (command == "key")
        deliver(window, key_press(control, argument));
    else if (command == "type") {
        std::vector<Sent> typed{{control, EM_SETSEL, 0, -1}};
        for (char c : argument)
            typed.push_back({control, WM_CHAR, static_cast<unsigned char>(c), 1});
        deliver(window, typed);
    } else
        return 2;
    return 0;
}

// The keys go into the window's queue, as the keyboard's do, each to the
// window that has the focus when it is pressed; the next key waits until
// the window's thread has taken this one. (WaitForInputIdle does not wait
// under Wine.) What tells is a sentinel posted behind the key: a selection
// of the visit box that nothing else makes, seen once every message posted
// before it has been handled. Twice, since the window posts a key's
// character itself, behind the first, when it translates the key.
int press_keys(HWND window, const std::vector<std::string>& keys)
{
    const DWORD thread = ::GetWindowThreadProcessId(window, nullptr);
    HWND sentinel = find_control(window, "Edit#0");
    if (!sentinel)
        fail_because("no visit box to follow the keys with");
    int token = 1;
    const auto settle = [&] {
        for (int round = 0; round < 2; ++round) {
            token = token % 8 + 1;
            ::PostMessageA(sentinel, EM_SETSEL, static_cast<WPARAM>(token), token + 1);
            for (int waited = 0;; ++waited) {
                DWORD start = 0;
                DWORD end = 0;
                ::SendMessageA(sentinel, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
                if (start == static_cast<DWORD>(token) && end == static_cast<DWORD>(token + 1))
                    break;
                if (waited > 1000)
                    fail_because("the window did not take the keys in time");
                ::Sleep(10);
            }
        }
    };
    const auto focus_of_window = [&]() -> HWND {
        GUITHREADINFO focus{};
        focus.cbSize = sizeof focus;
        return ::GetGUIThreadInfo(thread, &focus) ? focus.hwndFocus : nullptr;
    };
    // The keyboard goes to the window in front, where a program just
    // started is unless something else took its place meanwhile, and to
    // the control the window has put the focus on by then.
    if (::GetForegroundWindow() != window)
        ::SetForegroundWindow(window);
    for (int waited = 0; !focus_of_window() && waited < 100; ++waited)
        ::Sleep(50);
    settle();
    for (const std::string& key : keys) {
        HWND to = focus_of_window();
        to = to ? to : window;
        if (key.rfind("Alt+", 0) == 0 && key.size() == 5) {
            // The access key's character with the Alt key down (bit 29).
            ::PostMessageA(to, WM_SYSCHAR, static_cast<unsigned char>(key[4]), 1 | (1 << 29));
        } else {
            const std::pair<const char*, UINT> names[] = {{"Tab", VK_TAB},   {"Down", VK_DOWN}, {"Up", VK_UP},
                                                          {"Home", VK_HOME}, {"End", VK_END},   {"Return", VK_RETURN},
                                                          {"Space", VK_SPACE}};
            UINT code = 0;
            for (const auto& [name, value] : names)
                code = key == name ? value : code;
            if (!code)
                fail_because("no key named " + key);
            const LPARAM scan = static_cast<LPARAM>(::MapVirtualKeyA(code, MAPVK_VK_TO_VSC)) << 16;
            ::PostMessageA(to, WM_KEYDOWN, code, 1 | scan);
            ::PostMessageA(to, WM_KEYUP, code, 1 | scan | 0xC0000000);
        }
        settle();
    }
    return 0;
}

std::string without_ampersands(std::string text)
{
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

// The shown message box titled title; another box shown instead ends the
// wait.
HWND wait_for_message_box(const std::string& title)
{
    for (int waited = 0; waited < 600; ++waited) {
        for (HWND box = ::FindWindowExA(nullptr, nullptr, "#32770", nullptr); box;
             box = ::FindWindowExA(nullptr, box, "#32770", nullptr)) {
            if (!::IsWindowVisible(box))
                continue;
            if (window_text(box) != utf8_from_ansi(title))
                fail_because("the message box '" + window_text(box) + "' is shown instead");
            return box;
        }
        ::Sleep(50);
    }
    fail_because("no message box '" + title + "'");
}

int answer_message_box(const std::string& title, const std::string& button)
{
    HWND box = wait_for_message_box(title);
    const muralis::test::MessageBoxContent content = muralis::test::read_message_box(box);
    HWND owner = ::GetWindow(box, GW_OWNER);
    std::string text;
    for (char c : content.text)
        text += c == '\r' ? std::string("\\r") : std::string(1, c);
    std::string buttons;
    std::string default_button;
    int pressed = 0;
    for (const auto& shown : content.buttons) {
        buttons += (buttons.empty() ? "" : ",") + shown.caption;
        if (shown.is_default)
            default_button = shown.caption;
        if (!button.empty() && without_ampersands(shown.caption) == without_ampersands(button))
            pressed = shown.id;
    }
    const std::string output = "title=" + content.title + "\ntext=" + text + "\nbuttons=" + buttons +
                               "\ndefault=" + default_button + "\nicon=" + (content.icon ? "shown" : "none") +
                               "\nowner=" + (owner ? window_text(owner) : "none") +
                               "\nowner_enabled=" + (owner && ::IsWindowEnabled(owner) ? "1" : "0") + "\n";
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written,
                nullptr);
    if (button.empty())
        return 0;
    if (!pressed)
        fail_because("no button '" + button + "' in the box");
    deliver(box, {{::GetDlgItem(box, pressed), BM_CLICK, 0, 0}});
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: window_reader window TITLE [SECONDS] | close TITLE | click TITLE CONTROL | "
                             "select|double_click|key|type TITLE CONTROL ARGUMENT | keys TITLE KEY... | box TITLE [BUTTON] | "
                             "gone TITLE | startup NAME | resources PROGRAM\n");
        return 2;
    }
    const std::string command = argv[1];
    if (command == "startup")
        return read_startup_shortcut(argv[2]);
    if (command == "resources")
        return read_resources(argv[2]);
    if (command == "box")
        return answer_message_box(argv[2], argc > 3 ? argv[3] : "");
    if (command == "gone") {
        for (int waited = 0; waited < 300; ++waited) {
            HWND window = ::FindWindowA(nullptr, argv[2]);
            if (!window || !::IsWindowVisible(window))
                return 0;
            ::Sleep(50);
        }
        fail_because(std::string("the window '") + argv[2] + "' is still shown");
    }

    HWND window = wait_for_window(argv[2], command == "window" && argc > 3 ? std::atoi(argv[3]) : 30);
    if (!window)
        fail_because(std::string("no window '") + argv[2] + "'");
    if (command == "close" && !::PostMessageA(window, WM_CLOSE, 0, 0))
        fail_because("cannot post WM_CLOSE: error " + std::to_string(::GetLastError()));
    if (command == "close")
        return 0;
    if (command == "keys")
        return press_keys(window, std::vector<std::string>(argv + 3, argv + argc));
    if (command != "window")
        return argc > 3 ? act(window, command, argv[3], argc > 4 ? argv[4] : "") : 2;
    const std::string output = describe_window(window);
    // Written as bytes: the C runtime's text mode would add a CR to each line.
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), output.data(), static_cast<DWORD>(output.size()), &written,
                nullptr);
    return 0;
}
