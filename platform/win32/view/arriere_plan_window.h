// The editor's window on Windows: native controls through the ANSI entry
// points that mirror the model of Arriere_Plan, and turn what the user does
// into the model's own writes and clicks. Nothing here decides anything:
// the window shows the model and reports input, the model's procedures do
// the rest.
#pragma once

#include <windows.h>

#include <exception>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "editor/arriere_plan.h"
#include "platform/win32/view/gdi_owners.h"
#include "platform/win32/view/view_layout.h"

namespace muralis::win32 {

class ArrierePlanWindow final : public editor::ControlObserver {
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
    // A control of the model and its window.
    struct Native {
        editor::Control* model = nullptr;
        HWND window = nullptr;    // nullptr for a timer
        HWND drop_list = nullptr; // the list a drive list drops down
        int id = 0;               // control identifier, also the timer's
        WNDPROC original = nullptr; // the class procedure of a subclassed control
    };

    template <LRESULT (ArrierePlanWindow::*Handler)(HWND, UINT, WPARAM, LPARAM)>
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK control_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    LRESULT window_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT panel_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT picture_message(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    LRESULT control_message(Native& native, HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    void register_classes();
    void create_window();
    void create_control(editor::Control& control);
    void fit_drive_list_height(const Native& native, int height);
    void stack_controls();

    Native* find(HWND window);
    Native* find(const editor::Control& control);
    const Native* find(const editor::Control& control) const;

    // Model to window.
    void fill(Native& native);
    void select(Native& native);
    void update_timer(const Native& native);
    void repaint_under(HWND window);
    void move_focus_from(HWND window);

    // Window to model.
    void command(HWND control, int code);
    void tick(UINT_PTR id);
    // Runs an action of the user on the model, unless the window is busy
    // applying a change of the model (the notification is the control's
    // echo of it) or a failure is already on its way out.
    template <typename Action>
    void user_action(Action&& action);
    void fail_with_current_exception();

    // Drawing.
    HFONT font_for(const std::optional<editor::Font>& font);
    HBRUSH brush_for(const editor::Colour& colour);
    LRESULT control_colours(HDC dc, HWND control);
    void paint_picture(HWND window, HDC dc);
    int scaled(int pixels_at_96_dpi) const;
    int folder_line_height(const editor::Control& control);
    void draw_folder_line(const DRAWITEMSTRUCT& item);
    void draw_folder_glyph(HDC dc, int left, int top, bool open);

    editor::Arriere_Plan& m_model;
    HINSTANCE m_instance;
    Dpi m_dpi;

    // Declared before the classes and windows that use them, so that they
    // are freed after them.
    IconHandle m_icon;
    IconHandle m_small_icon;
    CursorHandle m_globe;
    FontHandle m_dialog_font;
    std::vector<std::pair<editor::Font, FontHandle>> m_fonts;
    std::vector<std::pair<COLORREF, BrushHandle>> m_brushes;
    WindowClass m_window_class;
    WindowClass m_panel_class;
    WindowClass m_picture_class;
    WindowHandle m_window;

    // The preview's picture stretched to the control, made at its first
    // paint; it keeps its source alive, so that no other picture can take
    // its address.
    struct StretchedPicture {
        editor::PicturePtr source;
        int width = 0;
        int height = 0;
        BitmapHandle bitmap;
    };
    StretchedPicture m_preview;

    std::vector<Native> m_natives;
    int m_applying = 0;           // > 0 while a model change is being applied
    bool m_text_box_pressed = false; // a button press began in the text box
    HWND m_focus = nullptr;       // the control that had the focus when the window was left
    std::exception_ptr m_failure; // what a model procedure threw, on its way to run()'s caller
    bool m_ended = false;         // the model ended the program: no more input reaches it
};

} // namespace muralis::win32
