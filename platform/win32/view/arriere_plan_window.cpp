#include "platform/win32/view/arriere_plan_window.h"

#include <optional>
#include <utility>

#include "platform/win32/ansi_text.h"
#include "platform/win32/view/control_factory.h"
#include "platform/win32/view/resource_ids.h"
#include "platform/win32/win32_failure.h"

namespace muralis::win32 {

using editor::Control;
using editor::Property;

namespace {

constexpr const char* window_class_name = "MuralisArrierePlan";

// Control identifiers start above IDOK and IDCANCEL, which the dialog
// keyboard sends for Return and Escape: those match no control and are
// ignored, as a window without a default or cancel button should.
constexpr int first_control_id = 100;

// The timer that gives the controls their names for a screen reader once
// the window has shown and painted: a timer's message comes after every
// other, the paints included. Control identifiers, which the control
// timers use, start above it.
constexpr UINT_PTR naming_timer = 1;

// One level of a depth count (a model change being applied, a procedure
// running for the user) while it lasts.
class Nesting {
public:
    explicit Nesting(int& depth) : m_depth(depth) { ++m_depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
    ~Nesting() { --m_depth; }

private:
    int& m_depth;
};

// While it lives, the log-off screen names the window's program and why it
// holds the session's end (ShutdownBlockReasonCreate, Windows Vista on).
class SessionEndHold {
public:
    SessionEndHold(HWND window, const std::string& reason)
        : m_window(window), m_held(::ShutdownBlockReasonCreate(window, wide_from_utf8(reason).c_str()) != FALSE)
    {
    }
    SessionEndHold(const SessionEndHold&) = delete;
    SessionEndHold& operator=(const SessionEndHold&) = delete;
    ~SessionEndHold()
    {
        if (m_held)
            ::ShutdownBlockReasonDestroy(m_window);
    }

private:
    HWND m_window;
    bool m_held;
};

// The icon or cursor resource id of instance at the given size; nullptr
// when the program has none.
HANDLE load_resource_image(HINSTANCE instance, int id, UINT type, int width, int height)
{
    return ::LoadImageA(instance, MAKEINTRESOURCEA(id), type, width, height, 0);
}

} // namespace

ArrierePlanWindow::ArrierePlanWindow(editor::Arriere_Plan& model, HINSTANCE instance)
    : m_model(model), m_instance(instance), m_dpi(screen_dpi()), m_gdi(m_dpi)
{
    // LR_DEFAULTSIZE-like choices made here: the system's sizes for the
    // window's two icons and for pointers (globe()), so that the resource's
    // best image for each is the one loaded.
    m_icon.reset(static_cast<HICON>(load_resource_image(instance, MURALIS_ICON_PROGRAM, IMAGE_ICON,
                                                        ::GetSystemMetrics(SM_CXICON),
                                                        ::GetSystemMetrics(SM_CYICON))));
    m_small_icon.reset(static_cast<HICON>(load_resource_image(instance, MURALIS_ICON_PROGRAM, IMAGE_ICON,
                                                              ::GetSystemMetrics(SM_CXSMICON),
                                                              ::GetSystemMetrics(SM_CYSMICON))));
    register_classes();
    create_window();
    create_controls();
    stack_controls();
    m_model.attach_view(this);
    // The accessibility service takes COM and its own library, which the
    // window's start need not wait for.
    ::SetTimer(m_window.get(), naming_timer, USER_TIMER_MINIMUM, nullptr);
}

ArrierePlanWindow::~ArrierePlanWindow()
{
    m_model.attach_view(nullptr);
    // The window goes before the controls, classes, fonts and brushes it
    // uses.
    m_window.reset();
}

void ArrierePlanWindow::register_classes()
{
    WNDCLASSEXA description{};
    description.cbSize = sizeof description;
    description.hInstance = m_instance;
    description.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));

    description.lpfnWndProc = procedure;
    description.hIcon = m_icon ? m_icon.get() : ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    description.hIconSm = m_small_icon.get();
    description.hbrBackground = ::GetSysColorBrush(system_colour_index(window_back_colour().system_colour));
    description.lpszClassName = window_class_name;
    if (!m_window_class.register_class(description))
        throw last_error_failure("RegisterClassEx");

    // The panel and the picture: their controls handle their messages.
    description.hIcon = nullptr;
    description.hIconSm = nullptr;
    description.lpfnWndProc = NativeControl::class_procedure;
    description.hbrBackground = nullptr; // painted in the panel's own colour
    description.lpszClassName = panel_class_name;
    if (!m_panel_class.register_class(description))
        throw last_error_failure("RegisterClassEx");

    description.lpszClassName = picture_class_name;
    if (!m_picture_class.register_class(description))
        throw last_error_failure("RegisterClassEx");
}

void ArrierePlanWindow::create_window()
{
    // A fixed frame: no sizing border, no maximize box. Its client area is
    // the model's, at the screen's DPI. It does not clip its children: the
    // transparent labels need the background painted under them.
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

// In the model's order, which puts each container before what it holds.
// A control is known to the window before its window is made: the window
// is asked about it while it is being made (WM_MEASUREITEM).
void ArrierePlanWindow::create_controls()
{
    for (Control* control : m_model.controls()) {
        const int id = first_control_id + static_cast<int>(m_controls.size());
        m_controls.push_back(make_native_control(*control, *this));
        m_controls.back()->create(id);
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
    std::vector<const Control*> windowed;
    for (const auto& control : m_controls) {
        if (control->handle())
            windowed.push_back(&control->model());
    }
    for (const Control* control : stacking_order(windowed))
        ::SetWindowPos(find(*control)->handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND ArrierePlanWindow::control_handle(const Control& control) const
{
    const NativeControl* native = find(control);
    return native ? native->handle() : nullptr;
}

NativeControl* ArrierePlanWindow::find(HWND window) const
{
    if (!window)
        return nullptr;
    for (const auto& control : m_controls) {
        if (control->owns(window))
            return control.get();
    }
    return nullptr;
}

NativeControl* ArrierePlanWindow::find(const Control& model) const
{
    for (const auto& control : m_controls) {
        if (&control->model() == &model)
            return control.get();
    }
    return nullptr;
}

NativeControl* ArrierePlanWindow::find_id(int id) const
{
    for (const auto& control : m_controls) {
        if (control->id() == id)
            return control.get();
    }
    return nullptr;
}

// Loaded the first time the pointer is over the visit box, which a start
// need not wait for.
HCURSOR ArrierePlanWindow::globe()
{
    if (!m_globe_loaded) {
        m_globe_loaded = true;
        m_globe.reset(static_cast<HCURSOR>(load_resource_image(m_instance, MURALIS_CURSOR_GLOBE, IMAGE_CURSOR,
                                                               ::GetSystemMetrics(SM_CXCURSOR),
                                                               ::GetSystemMetrics(SM_CYCURSOR))));
    }
    return m_globe.get();
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
    NativeControl* native = find(control);
    if (!native)
        return;
    Nesting applying(m_applying);
    native->show(property);
}

void ArrierePlanWindow::window_caption_changed(const std::string& caption)
{
    Nesting applying(m_applying);
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

void ArrierePlanWindow::move_focus_from(HWND control)
{
    if (::GetFocus() != control)
        return;
    HWND next = ::GetNextDlgTabItem(m_window.get(), control, FALSE);
    ::SetFocus(next && next != control ? next : m_window.get());
}

// ---- Window to model ---------------------------------------------------------

void ArrierePlanWindow::user_action(const std::function<void()>& action)
{
    if (m_applying > 0 || m_failure || m_ended)
        return;
    Nesting running(m_running);
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

// The session's end is asked of the model, which may ask the user and save
// first; the question's box, like every box, pumps the messages the system
// sends meanwhile. While it is up, the log-off screen says why the editor
// holds the session. A procedure already under way with its own box open
// (the closing question, a failure's report) is not entered again: the
// session waits while a change is unsaved.
LRESULT ArrierePlanWindow::query_end_session()
{
    if (m_ended || m_failure)
        return TRUE;
    if (m_running > 0)
        return m_model.unsaved_change() ? FALSE : TRUE;
    std::optional<SessionEndHold> hold;
    if (m_model.unsaved_change())
        hold.emplace(m_window.get(), m_model.unsaved_week_reason());
    auto answer = editor::SessionAnswer::MayEnd;
    user_action([&] { answer = m_model.Form_QueryEndSession(editor::SessionInteraction::MayAsk); });
    return answer == editor::SessionAnswer::MayEnd ? TRUE : FALSE;
}

void ArrierePlanWindow::name_controls()
{
    for (const auto& control : m_controls) {
        if (control->handle() && !control->model().AccessibleName().empty())
            m_accessible_names.name(control->handle(), control->model().AccessibleName());
    }
}

// ---- The window's procedure -----------------------------------------------------

// The window rides in its user data from WM_NCCREATE to WM_NCDESTROY, and
// nothing may be thrown through the system's code that called us.
LRESULT CALLBACK ArrierePlanWindow::procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lparam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    auto* self = reinterpret_cast<ArrierePlanWindow*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return ::DefWindowProcA(window, message, wparam, lparam);
    if (message == WM_NCDESTROY)
        ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    try {
        return self->window_message(window, message, wparam, lparam);
    } catch (...) {
        self->fail_with_current_exception();
        return 0;
    }
}

LRESULT ArrierePlanWindow::window_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        if (NativeControl* control = find(reinterpret_cast<HWND>(lparam)))
            control->notified(HIWORD(wparam));
        return 0;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN: {
        NativeControl* control = find(reinterpret_cast<HWND>(lparam));
        return control ? reinterpret_cast<LRESULT>(control->colours(reinterpret_cast<HDC>(wparam))) : 0;
    }
    case WM_MEASUREITEM: {
        // Sent while an owner-drawn list is being made, before its window
        // is known: its identifier tells which control it is.
        auto& measure = *reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
        NativeControl* control = find_id(static_cast<int>(measure.CtlID));
        if (measure.CtlType == ODT_LISTBOX && control && control->measure_item(measure))
            return TRUE;
        break;
    }
    case WM_DRAWITEM: {
        const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
        if (item.CtlType == ODT_LISTBOX) {
            if (NativeControl* control = find(item.hwndItem))
                control->draw_item(item);
            return TRUE;
        }
        break;
    }
    case WM_SETCURSOR: {
        const NativeControl* control = find(reinterpret_cast<HWND>(wparam));
        if (control && LOWORD(lparam) == HTCLIENT && control->model().mouse_pointer() == editor::MousePointer::Globe &&
            globe()) {
            ::SetCursor(globe());
            return TRUE;
        }
        break;
    }
    case WM_TIMER:
        if (wparam == naming_timer) {
            ::KillTimer(window, naming_timer);
            name_controls();
        } else if (NativeControl* control = find_id(static_cast<int>(wparam))) {
            control->timer_elapsed();
        }
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
    case WM_QUERYENDSESSION:
        return query_end_session();
    case WM_ENDSESSION:
        // TRUE once every program has agreed: the process may be stopped
        // as soon as this returns. FALSE: the end was called off, and the
        // editor goes on as the answer left it.
        if (wparam)
            user_action([&] { m_model.Form_EndSession(); });
        return 0;
    default:
        break;
    }
    return ::DefWindowProcA(window, message, wparam, lparam);
}

} // namespace muralis::win32
