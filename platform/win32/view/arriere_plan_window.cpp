#include "platform/win32/view/arriere_plan_window.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "platform/win32/ansi_text.h"
#include "platform/win32/view/resource_ids.h"
#include "platform/win32/win32_failure.h"
#include "platform/win32/win32_picture.h"

namespace muralis::win32 {

using editor::Control;
using editor::ControlKind;
using editor::Property;

namespace {

constexpr const char* window_class_name = "MuralisArrierePlan";
constexpr const char* panel_class_name = "MuralisPanel";
constexpr const char* picture_class_name = "MuralisPicture";

// Control identifiers start above IDOK and IDCANCEL, which the dialog
// keyboard sends for Return and Escape: those match no control and are
// ignored, as a window without a default or cancel button should.
constexpr int first_control_id = 100;

// The drive list is made this much taller than its closed field, in pixels
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

// Stands for one of the model's controls while its change is applied.
class Applying {
public:
    explicit Applying(int& depth) : m_depth(depth) { ++m_depth; }
    Applying(const Applying&) = delete;
    Applying& operator=(const Applying&) = delete;
    ~Applying() { --m_depth; }

private:
    int& m_depth;
};

// Window styles by kind. Every control but a label clips its siblings, so
// that where two overlap the one above in the stacking order wins the
// paint; labels are transparent and draw their whole text over whatever
// lies below (the labels of the panel overlap by a few pixels). Each control
// that takes the focus is a tab stop and a group of its own: Tab visits
// them, and the arrow keys stay inside the list or box that has them.
DWORD style_of(const Control& control)
{
    DWORD style = WS_CHILD;
    if (control.kind() != ControlKind::Label)
        style |= WS_CLIPSIBLINGS;
    if (control.Visible())
        style |= WS_VISIBLE;
    if (!control.Enabled())
        style |= WS_DISABLED;
    if (takes_focus(control.kind()))
        style |= WS_TABSTOP | WS_GROUP;
    switch (control.kind()) {
    case ControlKind::TextBox:
        // What the user types goes to the model as it changes (EN_CHANGE).
        style |= ES_AUTOHSCROLL;
        style |= control.alignment() == editor::Alignment::Right    ? ES_RIGHT
                 : control.alignment() == editor::Alignment::Centre ? ES_CENTER
                                                                    : ES_LEFT;
        break;
    case ControlKind::CommandButton:
        // Never BS_DEFPUSHBUTTON: the window has no default button.
        style |= BS_PUSHBUTTON;
        break;
    case ControlKind::Label:
        // Captions are shown as written: the labels have no access keys.
        style |= SS_NOPREFIX;
        style |= control.alignment() == editor::Alignment::Right    ? SS_RIGHT
                 : control.alignment() == editor::Alignment::Centre ? SS_CENTER
                                                                    : SS_LEFT;
        break;
    case ControlKind::FileListBox:
        // The model's size exactly, not rounded down to whole lines.
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL;
        break;
    case ControlKind::DirListBox:
        // Drawn here, with a glyph and an indent for each folder; the lines
        // keep their names as text for anything that reads the list.
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS;
        break;
    case ControlKind::DriveListBox:
        style |= CBS_DROPDOWNLIST | WS_VSCROLL;
        break;
    case ControlKind::Image:
        style |= WS_BORDER;
        break;
    case ControlKind::Frame:
    case ControlKind::Timer:
        break;
    }
    return style;
}

DWORD extended_style_of(ControlKind kind)
{
    switch (kind) {
    case ControlKind::TextBox:
    case ControlKind::FileListBox:
    case ControlKind::DirListBox:
    case ControlKind::DriveListBox:
        return WS_EX_CLIENTEDGE;
    default:
        return 0;
    }
}

const char* class_of(ControlKind kind)
{
    switch (kind) {
    case ControlKind::TextBox:
        return "EDIT";
    case ControlKind::CommandButton:
        return "BUTTON";
    case ControlKind::Label:
        return "STATIC";
    case ControlKind::FileListBox:
    case ControlKind::DirListBox:
        return "LISTBOX";
    case ControlKind::DriveListBox:
        return "COMBOBOX";
    case ControlKind::Frame:
        return panel_class_name;
    case ControlKind::Image:
        return picture_class_name;
    case ControlKind::Timer:
        break;
    }
    return nullptr;
}

// The icon or cursor resource id of instance at the given size; nullptr
// when the program has none.
HANDLE load_resource_image(HINSTANCE instance, int id, UINT type, int width, int height)
{
    return ::LoadImageA(instance, MAKEINTRESOURCEA(id), type, width, height, 0);
}

template <typename Owner>
Owner* owner_of(HWND window)
{
    return reinterpret_cast<Owner*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
}

} // namespace

ArrierePlanWindow::ArrierePlanWindow(editor::Arriere_Plan& model, HINSTANCE instance)
    : m_model(model), m_instance(instance), m_dpi(screen_dpi())
{
    // LR_DEFAULTSIZE-like choices made here: the system's sizes for the
    // window's two icons and for pointers, so that the resource's best image
    // for each is the one loaded.
    m_icon.reset(static_cast<HICON>(load_resource_image(instance, MURALIS_ICON_PROGRAM, IMAGE_ICON,
                                                        ::GetSystemMetrics(SM_CXICON),
                                                        ::GetSystemMetrics(SM_CYICON))));
    m_small_icon.reset(static_cast<HICON>(load_resource_image(instance, MURALIS_ICON_PROGRAM, IMAGE_ICON,
                                                              ::GetSystemMetrics(SM_CXSMICON),
                                                              ::GetSystemMetrics(SM_CYSMICON))));
    m_globe.reset(static_cast<HCURSOR>(load_resource_image(instance, MURALIS_CURSOR_GLOBE, IMAGE_CURSOR,
                                                           ::GetSystemMetrics(SM_CXCURSOR),
                                                           ::GetSystemMetrics(SM_CYCURSOR))));
    // Controls without a font of their own get the dialog font at 8 points:
    // "MS Shell Dlg" is what Windows maps to its dialog face (Microsoft Sans
    // Serif, the successor of the MS Sans Serif the layout was drawn for, or
    // Tahoma), and made here at the screen's real DPI it keeps its size
    // against the twips layout, which DEFAULT_GUI_FONT, made once at the
    // DPI of the log-on, does not.
    m_dialog_font.reset(::CreateFontA(font_height(8, m_dpi.y), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                      DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Shell Dlg"));

    register_classes();
    create_window();
    for (Control* control : m_model.controls())
        create_control(*control);
    stack_controls();
    for (const Native& native : m_natives)
        update_timer(native);
    m_model.attach_view(this);
}

ArrierePlanWindow::~ArrierePlanWindow()
{
    m_model.attach_view(nullptr);
    // The window goes before the classes, fonts and brushes it uses.
    m_window.reset();
}

void ArrierePlanWindow::register_classes()
{
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.hInstance = m_instance;
    description.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));

    description.lpfnWndProc = procedure<&ArrierePlanWindow::window_message>;
    description.hIcon = m_icon ? m_icon.get() : ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    description.hIconSm = m_small_icon.get();
    description.hbrBackground = ::GetSysColorBrush(system_colour_index(window_back_colour().system_colour));
    description.lpszClassName = window_class_name;
    if (!m_window_class.register_class(description))
        throw last_error_failure("RegisterClassEx");

    description.hIcon = nullptr;
    description.hIconSm = nullptr;
    description.lpfnWndProc = procedure<&ArrierePlanWindow::panel_message>;
    description.hbrBackground = nullptr; // painted in the panel's own colour
    description.lpszClassName = panel_class_name;
    if (!m_panel_class.register_class(description))
        throw last_error_failure("RegisterClassEx");

    description.lpfnWndProc = procedure<&ArrierePlanWindow::picture_message>;
    description.lpszClassName = picture_class_name;
    if (!m_picture_class.register_class(description))
        throw last_error_failure("RegisterClassEx");
}

void ArrierePlanWindow::create_window()
{
    // A fixed frame: no sizing border, no maximize box. Its client area is
    // the model's, at the screen's DPI. Neither it nor the panel clips its
    // children: the transparent labels need the background painted under
    // them.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, editor::twips_to_pixels(editor::client_width, m_dpi.x),
               editor::twips_to_pixels(editor::client_height, m_dpi.y)};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    m_window.reset(::CreateWindowExA(0, window_class_name, ansi_from_utf8(m_model.Caption()).c_str(), style,
                                     CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                     frame.bottom - frame.top, nullptr, nullptr, m_instance, this));
    if (!m_window)
        throw last_error_failure("CreateWindowEx");
    m_model.set_outer_size({editor::pixels_to_twips(frame.right - frame.left, m_dpi.x),
                            editor::pixels_to_twips(frame.bottom - frame.top, m_dpi.y)});
}

void ArrierePlanWindow::create_control(Control& control)
{
    Native native;
    native.model = &control;
    native.id = first_control_id + static_cast<int>(m_natives.size());
    const char* window_class = class_of(control.kind());
    if (!window_class) {
        m_natives.push_back(native);
        return;
    }

    HWND parent = m_window.get();
    if (control.container()) {
        const Native* container = find(*control.container());
        if (container && container->window)
            parent = container->window;
    }
    const editor::PixelRect rect = pixel_rect(control.rect(), m_dpi);
    int height = rect.height;
    if (control.kind() == ControlKind::DriveListBox)
        height += ::MulDiv(drop_down_height, m_dpi.y, 96);

    native.window = ::CreateWindowExA(extended_style_of(control.kind()), window_class,
                                      ansi_from_utf8(control.Caption()).c_str(), style_of(control), rect.left,
                                      rect.top, rect.width, height, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(native.id)), m_instance, this);
    if (!native.window)
        throw last_error_failure("CreateWindowEx " + control.name());
    ::SendMessageA(native.window, WM_SETFONT, reinterpret_cast<WPARAM>(font_for(control.font())), FALSE);
    if (control.kind() == ControlKind::DirListBox)
        ::SendMessageA(native.window, LB_SETITEMHEIGHT, 0, folder_line_height(control));

    if (control.kind() == ControlKind::DriveListBox) {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (::GetComboBoxInfo(native.window, &info))
            native.drop_list = info.hwndList;
        fit_drive_list_height(native, rect.height);
    }
    // The text box reports clicks and the file list typed keys, which their
    // classes do not tell the parent: both are subclassed.
    if (control.kind() == ControlKind::TextBox || control.kind() == ControlKind::FileListBox) {
        ::SetWindowLongPtrA(native.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        native.original = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(native.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(control_procedure)));
    }
    m_natives.push_back(native);
    fill(m_natives.back());
}

// A drop-down list's closed height follows its font; the model gives it
// one. The field's height is moved by the difference until the two agree:
// systems do not agree on what CB_GETITEMHEIGHT reports for the field
// (Wine counts two pixels more than CB_SETITEMHEIGHT sets), so the value
// set is tracked here rather than read back.
void ArrierePlanWindow::fit_drive_list_height(const Native& native, int height)
{
    LRESULT field = ::SendMessageA(native.window, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
    for (int attempt = 0; attempt < 4 && field != CB_ERR; ++attempt) {
        RECT closed;
        if (!::GetWindowRect(native.window, &closed))
            return;
        const int difference = height - (closed.bottom - closed.top);
        if (difference == 0 || field + difference <= 0)
            return;
        field += difference;
        ::SendMessageA(native.window, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

// The children are created in the model's order, which also orders their
// windows (the first created is on top). One order has to serve both Tab
// and covering: Tab follows the stacking order, and the controls that
// overlap are the panel over the picture, which has no tab index. So each
// container's children are restacked by tab index, top first, those without
// one at the bottom (stacking_order): putting each in turn at the bottom of
// its siblings leaves them in exactly that order.
void ArrierePlanWindow::stack_controls()
{
    for (const Control* control : stacking_order(m_model.controls())) {
        const Native* native = find(*control);
        if (native && native->window)
            ::SetWindowPos(native->window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

HWND ArrierePlanWindow::control_handle(const Control& control) const
{
    const Native* native = find(control);
    return native ? native->window : nullptr;
}

ArrierePlanWindow::Native* ArrierePlanWindow::find(HWND window)
{
    if (!window)
        return nullptr;
    for (Native& native : m_natives) {
        if (native.window == window || native.drop_list == window)
            return &native;
    }
    return nullptr;
}

ArrierePlanWindow::Native* ArrierePlanWindow::find(const Control& control)
{
    for (Native& native : m_natives) {
        if (native.model == &control)
            return &native;
    }
    return nullptr;
}

const ArrierePlanWindow::Native* ArrierePlanWindow::find(const Control& control) const
{
    return const_cast<ArrierePlanWindow*>(this)->find(control);
}

void ArrierePlanWindow::show(int show_command)
{
    ::ShowWindow(m_window.get(), show_command);
    ::UpdateWindow(m_window.get());
}

int ArrierePlanWindow::run()
{
    MSG message{};
    int result;
    while ((result = ::GetMessageA(&message, nullptr, 0, 0)) > 0) {
        if (!pre_translate(message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    // A failure posted the quit message, which has now been taken from the
    // queue: the caller can show its report in a message box of its own.
    if (m_failure)
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    if (result < 0)
        throw last_error_failure("GetMessage");
    return static_cast<int>(message.wParam);
}

bool ArrierePlanWindow::pre_translate(MSG& message)
{
    return m_window && ::IsDialogMessageA(m_window.get(), &message);
}

// ---- Model to window ---------------------------------------------------------

void ArrierePlanWindow::control_changed(Control& control, Property property)
{
    Native* native = find(control);
    if (!native)
        return;
    Applying applying(m_applying);
    switch (property) {
    case Property::Caption: {
        if (!native->window)
            break;
        const std::string caption = ansi_from_utf8(control.Caption());
        // What the user typed comes back from the model as a change: the box
        // shows it already, and writing it again would put the caret back at
        // the start, so that the next key lands in front.
        if (control.kind() == ControlKind::TextBox) {
            std::string shown(static_cast<std::size_t>(::GetWindowTextLengthA(native->window)) + 1, '\0');
            shown.resize(static_cast<std::size_t>(
                ::GetWindowTextA(native->window, shown.data(), static_cast<int>(shown.size()))));
            if (shown == caption)
                break;
        }
        ::SetWindowTextA(native->window, caption.c_str());
        if (control.kind() == ControlKind::Label)
            repaint_under(native->window);
        break;
    }
    case Property::Enabled:
        if (!native->window) {
            update_timer(*native);
            break;
        }
        if (!control.Enabled())
            move_focus_from(native->window);
        ::EnableWindow(native->window, control.Enabled());
        break;
    case Property::Visible:
        if (!native->window)
            break;
        if (!control.Visible())
            move_focus_from(native->window);
        ::ShowWindow(native->window, control.Visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case Property::Picture:
        // The picture the preview held may go with the model's write.
        m_preview = {};
        ::InvalidateRect(native->window, nullptr, TRUE);
        break;
    case Property::Interval:
        update_timer(*native);
        break;
    case Property::Focus:
        if (native->window && ::IsWindowEnabled(native->window) && ::IsWindowVisible(native->window))
            ::SetFocus(native->window);
        break;
    case Property::Drive:
    case Property::ListIndex:
        select(*native);
        break;
    case Property::Path:
    case Property::Pattern:
    case Property::List:
        fill(*native);
        break;
    }
}

void ArrierePlanWindow::window_caption_changed(const std::string& caption)
{
    Applying applying(m_applying);
    ::SetWindowTextA(m_window.get(), ansi_from_utf8(caption).c_str());
}

// The model's position is the frame's top-left corner in twips, which may
// lie off the screen.
void ArrierePlanWindow::window_moved()
{
    ::SetWindowPos(m_window.get(), nullptr, editor::position_to_pixels(m_model.Left(), m_dpi.x),
                   editor::position_to_pixels(m_model.Top(), m_dpi.y), 0, 0,
                   SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The program ends from inside a procedure: the window goes from the
// screen at once and the loop ends; nothing the window still receives
// reaches the model.
void ArrierePlanWindow::window_ended()
{
    m_ended = true;
    ::ShowWindow(m_window.get(), SW_HIDE);
    ::PostQuitMessage(0);
}

// Fills a list from the model and selects its current entry. Redrawing is
// held off meanwhile, so that a long folder does not flicker line by line.
void ArrierePlanWindow::fill(Native& native)
{
    const ControlKind kind = native.model->kind();
    if (kind != ControlKind::DriveListBox && kind != ControlKind::DirListBox && kind != ControlKind::FileListBox)
        return;
    const bool combo = kind == ControlKind::DriveListBox;
    ::SendMessageA(native.window, WM_SETREDRAW, FALSE, 0);
    ::SendMessageA(native.window, combo ? CB_RESETCONTENT : LB_RESETCONTENT, 0, 0);
    const auto add = [&](const std::string& line) {
        ::SendMessageA(native.window, combo ? CB_ADDSTRING : LB_ADDSTRING, 0,
                       reinterpret_cast<LPARAM>(ansi_from_utf8(line).c_str()));
    };
    if (kind == ControlKind::DriveListBox) {
        for (const std::string& drive : static_cast<editor::DriveListBox*>(native.model)->List())
            add(drive);
    } else if (kind == ControlKind::DirListBox) {
        for (const editor::FolderEntry& entry : static_cast<editor::DirListBox*>(native.model)->entries())
            add(entry.name);
    } else {
        for (const std::string& name : static_cast<editor::FileListBox*>(native.model)->names())
            add(name);
    }
    ::SendMessageA(native.window, WM_SETREDRAW, TRUE, 0);
    select(native);
    ::InvalidateRect(native.window, nullptr, TRUE);
}

void ArrierePlanWindow::select(Native& native)
{
    switch (native.model->kind()) {
    case ControlKind::DriveListBox:
        ::SendMessageA(native.window, CB_SETCURSEL,
                       static_cast<WPARAM>(static_cast<editor::DriveListBox*>(native.model)->ListIndex()), 0);
        break;
    case ControlKind::FileListBox:
        ::SendMessageA(native.window, LB_SETCURSEL,
                       static_cast<WPARAM>(static_cast<editor::FileListBox*>(native.model)->ListIndex()), 0);
        break;
    case ControlKind::DirListBox:
        ::SendMessageA(native.window, LB_SETCURSEL,
                       static_cast<WPARAM>(static_cast<editor::DirListBox*>(native.model)->current_row()), 0);
        break;
    default:
        break;
    }
}

void ArrierePlanWindow::update_timer(const Native& native)
{
    if (native.model->kind() != ControlKind::Timer)
        return;
    const auto& timer = static_cast<const editor::Timer&>(*native.model);
    // SetTimer on a running timer starts its interval again, as a new
    // interval should.
    if (timer.ticking())
        ::SetTimer(m_window.get(), static_cast<UINT_PTR>(native.id), static_cast<UINT>(timer.Interval()), nullptr);
    else
        ::KillTimer(m_window.get(), static_cast<UINT_PTR>(native.id));
}

// A transparent label draws its new text over the old one: the container's
// background is painted again under it first, then every control there.
void ArrierePlanWindow::repaint_under(HWND window)
{
    HWND parent = ::GetParent(window);
    RECT area;
    if (!parent || !::GetWindowRect(window, &area))
        return;
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    ::RedrawWindow(parent, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// A control that is disabled or hidden while it has the focus hands it on
// to the next one in the Tab order, as in a dialog.
void ArrierePlanWindow::move_focus_from(HWND window)
{
    if (::GetFocus() != window)
        return;
    HWND next = ::GetNextDlgTabItem(m_window.get(), window, FALSE);
    ::SetFocus(next && next != window ? next : m_window.get());
}

// ---- Window to model ---------------------------------------------------------

template <typename Action>
void ArrierePlanWindow::user_action(Action&& action)
{
    if (m_applying > 0 || m_failure || m_ended)
        return;
    try {
        action();
    } catch (...) {
        fail_with_current_exception();
    }
}

void ArrierePlanWindow::fail_with_current_exception()
{
    if (!m_failure)
        m_failure = std::current_exception();
    // Ends run()'s loop, and any modal loop (a message box) on the way.
    ::PostQuitMessage(1);
}

void ArrierePlanWindow::command(HWND control, int code)
{
    Native* native = find(control);
    if (!native)
        return;
    Control& model = *native->model;
    switch (model.kind()) {
    case ControlKind::CommandButton:
        if (code == BN_CLICKED)
            user_action([&] { static_cast<editor::CommandButton&>(model).click(); });
        break;
    case ControlKind::TextBox:
        // The model's own writes come back as EN_CHANGE too, while it is
        // being applied; user_action drops those.
        if (code == EN_CHANGE && m_applying == 0) {
            const int length = ::GetWindowTextLengthA(native->window);
            std::string typed(static_cast<std::size_t>(length) + 1, '\0');
            typed.resize(static_cast<std::size_t>(::GetWindowTextA(native->window, typed.data(), length + 1)));
            user_action([&] { static_cast<editor::TextBox&>(model).user_type(utf8_from_ansi(typed)); });
        }
        break;
    case ControlKind::DriveListBox:
        if (code == CBN_SELCHANGE) {
            auto& drives = static_cast<editor::DriveListBox&>(model);
            const LRESULT index = ::SendMessageA(native->window, CB_GETCURSEL, 0, 0);
            if (index < 0 || index >= drives.ListCount())
                break;
            user_action([&] {
                // The list's own text, not the ANSI form read back, which
                // may have lost characters. A drive that has gone comes
                // back as a change of the list.
                const std::string drive = drives.List()[static_cast<std::size_t>(index)];
                drives.user_choose(drive);
            });
        }
        break;
    case ControlKind::DirListBox:
        if (code == LBN_DBLCLK) {
            auto& folders = static_cast<editor::DirListBox&>(model);
            const LRESULT index = ::SendMessageA(native->window, LB_GETCURSEL, 0, 0);
            if (index < 0 || static_cast<std::size_t>(index) >= folders.entries().size())
                break;
            user_action([&] {
                // Copied: the write replaces the entries. A folder that has
                // gone comes back as a change of the list.
                const std::string path = folders.entries()[static_cast<std::size_t>(index)].path;
                folders.user_open(path);
            });
        }
        break;
    case ControlKind::FileListBox: {
        auto& files = static_cast<editor::FileListBox&>(model);
        const int index = static_cast<int>(::SendMessageA(native->window, LB_GETCURSEL, 0, 0));
        if (index < -1 || index >= files.ListCount())
            break;
        if (code == LBN_SELCHANGE)
            user_action([&] { files.user_select(index); });
        else if (code == LBN_DBLCLK && index >= 0)
            user_action([&] { files.user_double_click(index); });
        break;
    }
    default:
        break;
    }
}

void ArrierePlanWindow::tick(UINT_PTR id)
{
    for (Native& native : m_natives) {
        if (native.model->kind() == ControlKind::Timer && static_cast<UINT_PTR>(native.id) == id) {
            user_action([&] { static_cast<editor::Timer&>(*native.model).tick(); });
            return;
        }
    }
}

// ---- Drawing -------------------------------------------------------------------

HFONT ArrierePlanWindow::font_for(const std::optional<editor::Font>& font)
{
    if (!font)
        return m_dialog_font.get();
    for (const auto& [known, handle] : m_fonts) {
        if (known == *font)
            return handle.get();
    }
    FontHandle handle(::CreateFontA(font_height(font->points, m_dpi.y), 0, 0, 0, font->bold ? FW_BOLD : FW_NORMAL,
                                    FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                    CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                                    ansi_from_utf8(font->face).c_str()));
    if (!handle)
        return m_dialog_font.get();
    m_fonts.emplace_back(*font, std::move(handle));
    return m_fonts.back().second.get();
}

// System colours use the system's own brushes, which follow the user's
// colour scheme and are never freed; other colours get one brush each,
// kept for the window's life.
HBRUSH ArrierePlanWindow::brush_for(const editor::Colour& colour)
{
    if (colour.kind == editor::Colour::Kind::System)
        return ::GetSysColorBrush(system_colour_index(colour.system_colour));
    const COLORREF value = colour_ref(colour);
    for (const auto& [known, brush] : m_brushes) {
        if (known == value)
            return brush.get();
    }
    m_brushes.emplace_back(value, BrushHandle(::CreateSolidBrush(value)));
    return m_brushes.back().second.get();
}

LRESULT ArrierePlanWindow::control_colours(HDC dc, HWND control)
{
    const Native* native = find(control);
    if (!native)
        return 0;
    const editor::Colour back = back_colour_of(*native->model);
    ::SetTextColor(dc, colour_ref(fore_colour_of(*native->model)));
    ::SetBkColor(dc, colour_ref(back));
    // A label without a colour of its own is transparent: its text lies on
    // what its container painted, and the hollow brush fills nothing.
    if (native->model->kind() == ControlKind::Label && !native->model->back_colour()) {
        ::SetBkMode(dc, TRANSPARENT);
        return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
    }
    return reinterpret_cast<LRESULT>(brush_for(back));
}

// The picture fills the control inside its border, stretched; without a
// picture the control shows the window's background. The stretched picture
// is made once per picture and size and kept: a reduction of a large
// picture is far dearer than a paint.
void ArrierePlanWindow::paint_picture(HWND window, HDC dc)
{
    RECT client;
    ::GetClientRect(window, &client);
    const Native* native = find(window);
    editor::PicturePtr shown;
    if (native && native->model->kind() == ControlKind::Image)
        shown = static_cast<editor::Image*>(native->model)->Picture();
    const auto* picture = dynamic_cast<const Win32Picture*>(shown.get());
    if (!picture) {
        ::FillRect(dc, &client, brush_for(window_back_colour()));
        return;
    }
    MemoryDc stretched(::CreateCompatibleDC(dc));
    if (!stretched)
        return;
    if (m_preview.source != shown || m_preview.width != client.right || m_preview.height != client.bottom) {
        m_preview = {};
        m_preview.bitmap.reset(::CreateCompatibleBitmap(dc, client.right, client.bottom));
        MemoryDc source(::CreateCompatibleDC(dc));
        if (!m_preview.bitmap || !source)
            return;
        SelectedObject target(stretched.get(), m_preview.bitmap.get());
        SelectedObject selected(source.get(), picture->bitmap());
        // HALFTONE averages the pixels a reduction drops; it needs the brush
        // origin set after it.
        ::SetStretchBltMode(stretched.get(), HALFTONE);
        ::SetBrushOrgEx(stretched.get(), 0, 0, nullptr);
        ::StretchBlt(stretched.get(), 0, 0, client.right, client.bottom, source.get(), 0, 0, picture->width(),
                     picture->height(), SRCCOPY);
        m_preview.source = shown;
        m_preview.width = client.right;
        m_preview.height = client.bottom;
    }
    SelectedObject selected(stretched.get(), m_preview.bitmap.get());
    ::BitBlt(dc, 0, 0, client.right, client.bottom, stretched.get(), 0, 0, SRCCOPY);
}

int ArrierePlanWindow::scaled(int pixels_at_96_dpi) const
{
    return ::MulDiv(pixels_at_96_dpi, m_dpi.y, 96);
}

// A folder line is as tall as the list's text or its glyph, with a pixel
// to spare above and below the glyph.
int ArrierePlanWindow::folder_line_height(const Control& control)
{
    int text_height = 0;
    WindowDc screen(nullptr);
    if (screen.get()) {
        SelectedObject font(screen.get(), font_for(control.font()));
        TEXTMETRICA metrics;
        if (::GetTextMetricsA(screen.get(), &metrics))
            text_height = metrics.tmHeight;
    }
    return std::max(text_height, scaled(glyph_height) + 2);
}

void ArrierePlanWindow::draw_folder_line(const DRAWITEMSTRUCT& item)
{
    Native* native = find(item.hwndItem);
    if (!native || native->model->kind() != ControlKind::DirListBox)
        return;
    const auto& folders = static_cast<const editor::DirListBox&>(*native->model);
    HDC dc = item.hDC;
    RECT line = item.rcItem;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(dc, &line, selected ? ::GetSysColorBrush(COLOR_HIGHLIGHT) : brush_for(back_colour_of(folders)));

    if (item.itemID < folders.entries().size()) {
        const editor::FolderEntry& entry = folders.entries()[item.itemID];
        const int glyph_left = line.left + scaled(glyph_margin) + entry.depth * scaled(indent_per_level);
        draw_folder_glyph(dc, glyph_left, line.top + (line.bottom - line.top - scaled(glyph_height)) / 2,
                          entry.open);
        RECT text = line;
        text.left = glyph_left + scaled(glyph_width + glyph_margin);
        SelectedObject font(dc, font_for(folders.font()));
        ::SetBkMode(dc, TRANSPARENT);
        ::SetTextColor(dc, selected ? ::GetSysColor(COLOR_HIGHLIGHTTEXT) : colour_ref(fore_colour_of(folders)));
        const std::string name = ansi_from_utf8(entry.name);
        ::DrawTextA(dc, name.c_str(), static_cast<int>(name.size()), &text,
                    DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    if (item.itemState & ODS_FOCUS)
        ::DrawFocusRect(dc, &line);
}

// A folder in a 16 x 12 box (at 96 DPI): a tab on a body; an open folder
// also has its front flap tilted down towards the viewer.
void ArrierePlanWindow::draw_folder_glyph(HDC dc, int left, int top, bool open)
{
    const auto at = [&](int x, int y) { return POINT{left + scaled(x), top + scaled(y)}; };
    PenHandle outline(::CreatePen(PS_SOLID, 1, folder_outline));
    SelectedObject pen(dc, outline.get());
    {
        SelectedObject brush(dc, brush_for(folder_back));
        const POINT back[] = {at(0, 1), at(5, 1), at(6, 2), at(13, 2), at(13, 11), at(0, 11)};
        ::Polygon(dc, back, static_cast<int>(std::size(back)));
    }
    SelectedObject brush(dc, brush_for(folder_front));
    if (open) {
        const POINT flap[] = {at(0, 11), at(3, 5), at(15, 5), at(13, 11)};
        ::Polygon(dc, flap, static_cast<int>(std::size(flap)));
    } else {
        const POINT front[] = {at(0, 4), at(13, 4), at(13, 11), at(0, 11)};
        ::Polygon(dc, front, static_cast<int>(std::size(front)));
    }
}

// ---- Window procedures -----------------------------------------------------------

// Every window class of the view enters here: the owner rides in the
// window's user data from WM_NCCREATE to WM_NCDESTROY, and nothing may be
// thrown through the system's code that called us.
template <LRESULT (ArrierePlanWindow::*Handler)(HWND, UINT, WPARAM, LPARAM)>
LRESULT CALLBACK ArrierePlanWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    ArrierePlanWindow* self = owner_of<ArrierePlanWindow>(window);
    if (!self)
        return ::DefWindowProcA(window, message, wparam, lparam);
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    try {
        return (self->*Handler)(window, message, wparam, lparam);
    } catch (...) {
        self->fail_with_current_exception();
        return 0;
    }
}

LRESULT ArrierePlanWindow::window_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        if (lparam)
            command(reinterpret_cast<HWND>(lparam), HIWORD(wparam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
        return control_colours(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_MEASUREITEM: {
        // Sent while the folder list is being created, before its window is
        // known: its identifier tells which control it is.
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
        const auto index = static_cast<std::size_t>(static_cast<int>(measure.CtlID) - first_control_id);
        if (measure.CtlType == ODT_LISTBOX && index < m_model.controls().size()) {
            measure.itemHeight = static_cast<UINT>(folder_line_height(*m_model.controls()[index]));
            return TRUE;
        }
        break;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item.CtlType == ODT_LISTBOX) {
            draw_folder_line(item);
            return TRUE;
        }
        break;
    }
    case WM_SETCURSOR: {
        const Native* native = find(reinterpret_cast<HWND>(wparam));
        if (m_globe && native && LOWORD(lparam) == HTCLIENT &&
            native->model->mouse_pointer() == editor::MousePointer::Globe) {
            ::SetCursor(m_globe.get());
            return TRUE;
        }
        break;
    }
    case WM_TIMER:
        tick(wparam);
        return 0;
    case WM_ACTIVATE:
        // A plain window gives the focus to itself when activated; a window
        // of controls gives it back to the control that had it, or to the
        // first in the Tab order.
        if (LOWORD(wparam) == WA_INACTIVE) {
            HWND focus = ::GetFocus();
            if (focus && ::IsChild(window, focus))
                m_focus = focus;
        } else if (!HIWORD(wparam)) {
            HWND focus = m_focus && ::IsWindow(m_focus) && ::IsWindowEnabled(m_focus) && ::IsWindowVisible(m_focus)
                             ? m_focus
                             : ::GetNextDlgTabItem(window, nullptr, FALSE);
            if (focus)
                ::SetFocus(focus);
        }
        return 0;
    case WM_SYSCOLORCHANGE:
        ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        break;
    case WM_CLOSE:
        // The model's closing procedure decides; it ends the program
        // through window_ended(), or keeps the window.
        user_action([&] { m_model.Form_Unload(); });
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

LRESULT ArrierePlanWindow::panel_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        const Native* native = find(window);
        RECT client;
        ::GetClientRect(window, &client);
        ::FillRect(reinterpret_cast<HDC>(wparam), &client,
                   brush_for(native ? back_colour_of(*native->model) : window_back_colour()));
        return 1;
    }
    // The labels inside report to the panel, their parent; the window
    // answers for them.
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return window_message(m_window.get(), message, wparam, lparam);
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

LRESULT ArrierePlanWindow::picture_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = ::BeginPaint(window, &paint);
        if (dc) {
            paint_picture(window, dc);
            ::EndPaint(window, &paint);
        }
        return 0;
    }
    // Drawing into a DC of the caller's (PrintWindow, WM_PRINT).
    case WM_PRINTCLIENT:
        paint_picture(window, reinterpret_cast<HDC>(wparam));
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK ArrierePlanWindow::control_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    ArrierePlanWindow* self = owner_of<ArrierePlanWindow>(window);
    Native* native = self ? self->find(window) : nullptr;
    if (!native || !native->original)
        return ::DefWindowProcA(window, message, wparam, lparam);
    try {
        return self->control_message(*native, window, message, wparam, lparam);
    } catch (...) {
        self->fail_with_current_exception();
        return 0;
    }
}

// The text box's clicks and the file list's keys. A click is a press and a
// release in the box; a double-click reports itself and no second click,
// as the release that ends it follows a double-click, not a press.
LRESULT ArrierePlanWindow::control_message(Native& native, HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    const WNDPROC original = native.original;
    Control& model = *native.model;
    switch (message) {
    case WM_LBUTTONDOWN:
        if (model.kind() == ControlKind::TextBox)
            m_text_box_pressed = true;
        break;
    case WM_LBUTTONUP:
        if (model.kind() == ControlKind::TextBox) {
            const LRESULT result = ::CallWindowProcA(original, window, message, wparam, lparam);
            RECT client;
            ::GetClientRect(window, &client);
            const POINT at{static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam))};
            if (std::exchange(m_text_box_pressed, false) && ::PtInRect(&client, at))
                user_action([&] { static_cast<editor::TextBox&>(model).click(); });
            return result;
        }
        break;
    case WM_LBUTTONDBLCLK:
        if (model.kind() == ControlKind::TextBox) {
            m_text_box_pressed = false;
            const LRESULT result = ::CallWindowProcA(original, window, message, wparam, lparam);
            user_action([&] { static_cast<editor::TextBox&>(model).double_click(); });
            return result;
        }
        break;
    case WM_GETDLGCODE:
        // Return and Escape are keys the file list reports as typed, rather
        // than keys of the dialog keyboard (which has no default or cancel
        // button to give them to).
        if (model.kind() == ControlKind::FileListBox && lparam) {
            const MSG* key = reinterpret_cast<const MSG*>(lparam);
            if ((key->message == WM_KEYDOWN || key->message == WM_CHAR) &&
                (key->wParam == VK_RETURN || key->wParam == VK_ESCAPE))
                return ::CallWindowProcA(original, window, message, wparam, lparam) | DLGC_WANTMESSAGE;
        }
        break;
    case WM_CHAR:
        // The model hears the key first, then the list moves to the entry
        // that starts with it.
        if (model.kind() == ControlKind::FileListBox)
            user_action([&] {
                static_cast<editor::FileListBox&>(model).user_key_press(static_cast<int>(wparam & 0xFF));
            });
        break;
    case WM_NCDESTROY:
        // The class procedure back, for the last messages.
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        native.original = nullptr;
        break;
    default:
        break;
    }
    return ::CallWindowProcA(original, window, message, wparam, lparam);
}

} // namespace muralis::win32
