// The editor's window on Windows: native controls through the ANSI entry
// points that mirror the model of Arriere_Plan, and turn what the user does
// into the model's own writes and clicks. Nothing here decides anything:
// the window shows the model and reports input, the model's procedures do
// the rest. Each kind of control has its own class (control_factory.h);
// the window registers the classes, runs the loop, routes the messages to
// the controls, keeps the focus and holds a failure for its caller.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/arriere_plan.h"
#include "platform/win32/view/gdi_cache.h"
#include "platform/win32/view/gdi_owners.h"
#include "platform/win32/view/native_control.h"
#include "platform/win32/view/view_layout.h"

namespace muralis::win32 {

class ArrierePlanWindow final : public editor::ControlObserver, private ControlHost {
public:
    // Creates the window, hidden, with a native control for each control of
    // the model, and attaches itself to the model as its view. The program
    // icon and the globe pointer come from instance's resources (see
    // resource_ids.h); without them the system's own are used. One window
    // at a time per process: its window classes are registered by name.
    // Throws Failure when the window cannot be made.
    ArrierePlanWindow(editor::Arriere_Plan& model, HINSTANCE instance);
    ~ArrierePlanWindow() override;
    ArrierePlanWindow(const ArrierePlanWindow&) = delete;
    ArrierePlanWindow& operator=(const ArrierePlanWindow&) = delete;

    HWND handle() const { return m_window.get(); }
    // The native window of a control; nullptr for a timer.
    HWND control_handle(const editor::Control& control) const;
    Dpi dpi() const { return m_dpi; }

    void show(int show_command);

    // Runs the message loop until the window is closed and returns the exit
    // code. A model procedure that fails while it handles a message (a
    // Failure, or anything else it throws) ends the loop; its exception is
    // then thrown from here, since it cannot pass through the system's
    // window procedures.
    int run();
    // What the loop does with a message before it is dispatched: the
    // dialog-style keyboard (Tab, arrow keys, access keys). True when the
    // message has been handled.
    bool pre_translate(MSG& message);

    // ControlObserver
    void control_changed(editor::Control& control, editor::Property property) override;
    void window_caption_changed(const std::string& caption) override;
    void window_moved() override;
    void window_ended() override;

private:
    // ControlHost
    HWND window() const override { return m_window.get(); }
    HINSTANCE instance() const override { return m_instance; }
    GdiCache& gdi() override { return m_gdi; }
    AccessibleNames& accessible_names() override { return m_accessible_names; }
    NativeControl* control_of(const editor::Control& control) override { return find(control); }
    void user_action(const std::function<void()>& action) override;
    bool applying() const override { return m_applying > 0; }
    void fail_with_current_exception() override;
    void move_focus_from(HWND control) override;

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT window_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    // WM_QUERYENDSESSION's answer: TRUE when the session may end.
    LRESULT query_end_session();
    // Gives each control the model names for a screen reader.
    void name_controls();

    void register_classes();
    void create_window();
    void create_controls();
    void stack_controls();

    NativeControl* find(HWND window) const;
    NativeControl* find(const editor::Control& control) const;
    NativeControl* find_id(int id) const;
    // The globe pointer from the program's resources; nullptr when it has
    // none.
    HCURSOR globe();

    editor::Arriere_Plan& m_model;
    HINSTANCE m_instance;
    Dpi m_dpi;

    // Declared before the classes and windows that use them, so that they
    // are freed after them.
    IconHandle m_icon;
    IconHandle m_small_icon;
    CursorHandle m_globe;
    bool m_globe_loaded = false;
    GdiCache m_gdi;
    AccessibleNames m_accessible_names;
    WindowClass m_window_class;
    WindowClass m_panel_class;
    WindowClass m_picture_class;
    WindowHandle m_window;

    // One for each control of the model, in the model's order. The window
    // is destroyed before them (see the destructor): its last messages
    // still reach them.
    std::vector<std::unique_ptr<NativeControl>> m_controls;
    int m_applying = 0;           // > 0 while a model change is being applied
    int m_running = 0;            // > 0 while a user's action runs a model procedure
    HWND m_focus = nullptr;       // the control that had the focus when the window was left
    std::exception_ptr m_failure; // what a model procedure threw, on its way to run()'s caller
    bool m_ended = false;         // the model ended the program: no more input reaches it
};

} // namespace muralis::win32
