#include "platform/win32/view/list_controls.h"

#include <algorithm>
#include <iterator>

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

using editor::Property;

namespace {

constexpr DWORD list_style = LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;

// The drive box is made this much taller than its closed field, in pixels
// at 96 DPI: the room its list has when it drops down (about eight drives).
constexpr int drop_down_height = 128;

// The folder list's lines, in pixels at 96 DPI: each level below the root
// is indented this much, and each line starts with a folder glyph, open for
// the folders of the path and closed for the sub-folders.
constexpr int indent_per_level = 10;
constexpr int glyph_width = 16;
constexpr int glyph_height = 12;
constexpr int glyph_margin = 2;

// The folder glyph's colours: a manila folder with a dark outline.
constexpr editor::Colour folder_back = editor::Colour::rgb(240, 200, 80);
constexpr editor::Colour folder_front = editor::Colour::rgb(255, 230, 140);
constexpr COLORREF folder_outline = RGB(96, 72, 0);

} // namespace

// ---- What the lists share ------------------------------------------------------

void ListControl::show(Property property)
{
    switch (property) {
    case Property::Drive:
    case Property::ListIndex:
        select();
        break;
    case Property::Path:
    case Property::Pattern:
    case Property::List:
        fill();
        break;
    default:
        FieldControl::show(property);
        break;
    }
}

void ListControl::add(const std::string& line)
{
    ::SendMessageA(handle(), m_messages.add, 0, reinterpret_cast<LPARAM>(ansi_from_utf8(line).c_str()));
}

int ListControl::chosen_line() const
{
    return static_cast<int>(::SendMessageA(handle(), m_messages.selected, 0, 0));
}

// Redrawing is held off while the lines go in, so that a long folder does
// not flicker line by line.
void ListControl::fill()
{
    ::SendMessageA(handle(), WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(handle(), m_messages.reset, 0, 0);
    add_lines();
    ::SendMessageA(handle(), WM_SETREDRAW, TRUE, 0);
    select();
    ::InvalidateRect(handle(), nullptr, TRUE);
}

void ListControl::select()
{
    ::SendMessageA(handle(), m_messages.select, static_cast<WPARAM>(current_line()), 0);
}

// ---- The file list ---------------------------------------------------------------

FileListControl::FileListControl(editor::FileListBox& model, ControlHost& host)
    : ListControl(model, host, list_box_messages), m_files(model)
{
}

// The model's size exactly, not rounded down to whole lines.
NativeControl::Creation FileListControl::creation() const
{
    return {"LISTBOX", field_style | list_style, field_extended_style};
}

// The list reports typed keys, which its class does not tell the parent.
void FileListControl::created()
{
    subclass();
    ListControl::created();
}

void FileListControl::add_lines()
{
    for (const std::string& name : m_files.names())
        add(name);
}

void FileListControl::notified(int code)
{
    if (code != LBN_SELCHANGE && code != LBN_DBLCLK)
        return;
    const int index = chosen_line();
    if (index < -1 || index >= m_files.ListCount())
        return;
    if (code == LBN_SELCHANGE)
        host().user_action([&] { m_files.user_select(index); });
    else if (index >= 0)
        host().user_action([&] { m_files.user_double_click(index); });
}

LRESULT FileListControl::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_GETDLGCODE:
        // Return and Escape are keys the list reports as typed, rather than
        // keys of the dialog keyboard (which has no default or cancel
        // button to give them to).
        if (lparam) {
            const MSG* key = reinterpret_cast<const MSG*>(lparam);
            if ((key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
                (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
                return call_class(message, wparam, lparam) | DLGC_WANTMESSAGE;
        }
        break;
    case WM_CHAR:
        // The model hears the key first, then the list moves to the entry
        // that starts with it.
        host().user_action([&] { m_files.user_key_press(static_cast<int>(wparam & 0xFF)); });
        break;
    default:
        break;
    }
    return call_class(message, wparam, lparam);
}

// ---- The folder list -------------------------------------------------------------

FolderListControl::FolderListControl(editor::DirListBox& model, ControlHost& host)
    : ListControl(model, host, list_box_messages), m_folders(model)
{
}

// Drawn here, with a glyph and an indent for each folder; the lines keep
// their names as text for anything that reads the list.
NativeControl::Creation FolderListControl::creation() const
{
    return {"LISTBOX", field_style | list_style | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, field_extended_style};
}

// The list opens a folder at Return too, which its class does not tell
// the parent.
void FolderListControl::created()
{
    subclass();
    ::SendMessageA(handle(), LB_SETITEMHEIGHT, 0, line_height());
    ListControl::created();
}

LRESULT FolderListControl::message(UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_GETDLGCODE:
        // Return is the list's own key, not the dialog keyboard's.
        if (lparam) {
            const MSG* key = reinterpret_cast<const MSG*>(lparam);
            if ((key->message == WM_KEYDOWN || key->message == WM_CHAR) && key->wParam == VK_RETURN)
                return call_class(message, wparam, lparam) | DLGC_WANTMESSAGE;
        }
        break;
    case WM_KEYDOWN:
        if (wparam == VK_RETURN) {
            open_chosen();
            return 0;
        }
        break;
    case WM_CHAR:
        if (wparam == '\r')
            return 0;
        break;
    default:
        break;
    }
    return call_class(message, wparam, lparam);
}

void FolderListControl::add_lines()
{
    for (const editor::FolderEntry& entry : m_folders.entries())
        add(entry.name);
}

void FolderListControl::notified(int code)
{
    if (code == LBN_DBLCLK)
        open_chosen();
}

void FolderListControl::open_chosen()
{
    const int index = chosen_line();
    if (index < 0 || static_cast<std::size_t>(index) >= m_folders.entries().size())
        return;
    host().user_action([&] {
        // Copied: the write replaces the entries. A folder that has gone
        // comes back as a change of the list.
        const std::string path = m_folders.entries()[static_cast<std::size_t>(index)].path;
        m_folders.user_open(path);
    });
}

// Asked while the window is being made, before it is known to be this
// control's: the host finds it by its identifier.
bool FolderListControl::measure_item(MEASUREITEMSTRUCT& item)
{
    item.itemHeight = static_cast<UINT>(line_height());
    return true;
}

// A folder line is as tall as the list's text or its glyph, with a pixel
// to spare above and below the glyph.
int FolderListControl::line_height()
{
    int text_height = 0;
    WindowDc screen(nullptr);
    if (screen.get()) {
        SelectedObject font(screen.get(), gdi().font_for(model().font()));
        TEXTMETRICA metrics;
        if (::GetTextMetricsA(screen.get(), &metrics))
            text_height = metrics.tmHeight;
    }
    return std::max(text_height, gdi().scaled(glyph_height) + 2);
}

bool FolderListControl::draw_item(const DRAWITEMSTRUCT& item)
{
    HDC dc = item.hDC;
    RECT line = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &line, selected ? ::GetSysColorBrush(COLOR_HIGHLIGHT) : gdi().brush_for(back_colour()));

    if (item.itemID < m_folders.entries().size()) {
        const editor::FolderEntry& entry = m_folders.entries()[item.itemID];
        const int glyph_left = line.left + gdi().scaled(glyph_margin) + entry.depth * gdi().scaled(indent_per_level);
        draw_glyph(dc, glyph_left, line.top + (line.bottom - line.top - gdi().scaled(glyph_height)) / 2, entry.open);
        RECT text = line;
        text.left = glyph_left + gdi().scaled(glyph_width + glyph_margin);
        SelectedObject font(dc, gdi().font_for(model().font()));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : colour_ref(fore_colour()));
        const std::string name = ansi_from_utf8(entry.name);
        ::DrawTextA(dc, name.c_str(), static_cast<int>(name.size()), &text,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &line);
    return true;
}

// A folder in a 16 x 12 box (at 96 DPI): a tab on a body; an open folder
// also has its front flap tilted down towards the viewer.
void FolderListControl::draw_glyph(HDC dc, int left, int top, bool open)
{
    const auto at = [&](int x, int y) { return POINT{left + gdi().scaled(x), top + gdi().scaled(y)}; };
    PenHandle outline(::CreatePen(PS_SOLID, 1, folder_outline));
    SelectedObject pen(dc, outline.get());
    {
        SelectedObject brush(dc, gdi().brush_for(folder_back));
        const POINT back[] = {at(0, 1), at(5, 1), at(6, 2), at(13, 2), at(13, 11), at(0, 11)};
        ::Polygon(dc, back, static_cast<int>(std::size(back)));
    }
    SelectedObject brush(dc, gdi().brush_for(folder_front));
    if (open) {
        const POINT flap[] = {at(0, 11), at(3, 5), at(15, 5), at(13, 11)};
        ::Polygon(dc, flap, static_cast<int>(std::size(flap)));
    } else {
        const POINT front[] = {at(0, 4), at(13, 4), at(13, 11), at(0, 11)};
        ::Polygon(dc, front, static_cast<int>(std::size(front)));
    }
}

// ---- The drive box -------------------------------------------------------------------

DriveBoxControl::DriveBoxControl(editor::DriveListBox& model, ControlHost& host)
    : ListControl(model, host, combo_box_messages), m_drives(model)
{
}

NativeControl::Creation DriveBoxControl::creation() const
{
    return {"COMBOBOX", field_style | CBS_DROPDOWNLIST | WS_VSCROLL, field_extended_style, drop_down_height};
}

void DriveBoxControl::created()
{
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    if (::GetComboBoxInfo(handle(), &info))
        m_drop_list = info.hwndList;
    fit_height(pixel_rect(model().rect(), gdi().dpi()).height);
    ListControl::created();
}

void DriveBoxControl::add_lines()
{
    for (const std::string& drive : m_drives.List())
        add(drive);
}

void DriveBoxControl::notified(int code)
{
    if (code != CBN_SELCHANGE)
        return;
    const int index = chosen_line();
    if (index < 0 || index >= m_drives.ListCount())
        return;
    host().user_action([&] {
        // The list's own text, not the ANSI form read back, which may have
        // lost characters. A drive that has gone comes back as a change of
        // the list.
        const std::string drive = m_drives.List()[static_cast<std::size_t>(index)];
        m_drives.user_choose(drive);
    });
}

// A drop-down list's closed height follows its font; the model gives it
// one. The field's height is moved by the difference until the two agree:
// systems do not agree on what CB_GETITEMHEIGHT reports for the field
// (Wine counts two pixels more than CB_SETITEMHEIGHT sets), so the value
// set is tracked here rather than read back.
void DriveBoxControl::fit_height(int height)
{
    LRESULT field = ::SendMessageA(handle(), CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 4 && field != CB_ERR; ++attempt) {
        RECT closed;
        if (!::GetWindowRect(handle(), &closed))
            return;
        const int difference = height - (closed.bottom - closed.top);
        if (difference == 0 || field + difference <= 0)
            return;
        field += difference;
        ::SendMessageA(handle(), CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

} // namespace muralis::win32
