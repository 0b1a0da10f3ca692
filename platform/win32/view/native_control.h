// One control of the model with the native window that shows it. Each kind
// of control has its own class (control_factory.h makes them): it makes its
// window, shows the model's properties on it and reports what the user does
// there to the model. What all of them share is here; the window they sit
// in is their ControlHost.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "editor/controls.h"
#include "platform/win32/view/accessible_names.h"
#include "platform/win32/view/gdi_cache.h"
#include "platform/win32/view/view_layout.h"

namespace muralis::win32 {

class NativeControl;

// The window classes of the kinds of control Windows has no class for; the
// window registers them with NativeControl::class_procedure.
inline constexpr const char* panel_class_name = "MuralisPanel";
inline constexpr const char* picture_class_name = "MuralisPicture";

// What the controls ask of the window they sit in.
class ControlHost {
public:
    // The top-level window: the parent of controls without a container,
    // the owner of the timers.
    virtual HWND window() const = 0;
    virtual HINSTANCE instance() const = 0;
    virtual GdiCache& gdi() = 0;
    // The names the controls give screen readers.
    virtual AccessibleNames& accessible_names() = 0;
    // The native control of one of the model's controls (a container made
    // earlier), or nullptr.
    virtual NativeControl* control_of(const editor::Control& control) = 0;

    // Runs an action of the user on the model, unless the window is busy
    // applying a change of the model (the notification is the control's
    // echo of it), a failure is already on its way out, or the program
    // has ended. A failure the action throws is held for the message loop.
    virtual void user_action(const std::function<void()>& action) = 0;
    // Whether a change of the model is being applied to the window.
    virtual bool applying() const = 0;
    // Holds the exception being handled for the message loop, which ends.
    virtual void fail_with_current_exception() = 0;
    // A control that is disabled or hidden while it has the focus hands it
    // on to the next one in the Tab order, as in a dialog.
    virtual void move_focus_from(HWND control) = 0;

protected:
    ~ControlHost() = default;
};

class NativeControl {
public:
    NativeControl(editor::Control& model, ControlHost& host) : m_model(model), m_host(host) {}
    virtual ~NativeControl() = default;
    NativeControl(const NativeControl&) = delete;
    NativeControl& operator=(const NativeControl&) = delete;

    editor::Control& model() const { return m_model; }
    // The control's window; nullptr for a control that has none (a timer).
    HWND handle() const { return m_window; }
    // The control identifier, also a timer's.
    int id() const { return m_id; }
    // Whether window is the control's or one of its parts (a drop-down list).
    virtual bool owns(HWND window) const { return window && window == m_window; }

    // Makes the native window, hidden or shown as the model says, inside
    // its container's window or the host's, and shows the model's state on
    // it; a kind without a window class gets no window (a timer). Throws
    // Failure when the window cannot be made.
    void create(int id);

    // Model to window: the model's property changed.
    virtual void show(editor::Property property);

    // Window to model: the window sent its parent this notification code
    // (WM_COMMAND).
    virtual void notified(int code) { (void)code; }
    // A timer's interval elapsed (WM_TIMER).
    virtual void timer_elapsed() {}

    // Sets dc's colours for the control's text and returns the brush its
    // background is filled with (WM_CTLCOLOR...).
    virtual HBRUSH colours(HDC dc);
    // Owner drawing: the height of a line (WM_MEASUREITEM, sent while the
    // window is being made) and the drawing of one (WM_DRAWITEM). False
    // when the control draws nothing itself.
    virtual bool measure_item(MEASUREITEMSTRUCT& item) { (void)item; return false; }
    virtual bool draw_item(const DRAWITEMSTRUCT& item) { (void)item; return false; }

    // The colours it is drawn in: its own, or the usual ones of its kind.
    editor::Colour back_colour() const;
    editor::Colour fore_colour() const;

    // The window procedure of the view's own classes (the panel, the
    // picture): the control rides in the window's user data from
    // WM_NCCREATE to WM_NCDESTROY and handles the messages in message().
    static LRESULT CALLBACK class_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

protected:
    // How the window of the kind is made.
    struct Creation {
        const char* class_name = nullptr; // none: the control has no window
        // The kind's own style bits, beside WS_CHILD and the model's
        // visible and enabled states. Every control but a label clips its
        // siblings (WS_CLIPSIBLINGS), so that where two overlap the one
        // above in the stacking order wins the paint.
        DWORD style = 0;
        DWORD extended_style = 0;
        // Pixels at 96 DPI the window is made taller than the model's
        // rectangle (the room of a list that drops down).
        int extra_height = 0;
    };
    virtual Creation creation() const = 0;
    // After the window is made: the model's state shown, anything else the
    // kind needs.
    virtual void created() {}
    // The kind's usual colours, for a model that gives none.
    virtual editor::Colour usual_back_colour() const;
    virtual editor::Colour usual_fore_colour() const;

    // The messages of the control's own window: its class's (the view's
    // own classes) or those a subclassed control's class would get.
    virtual LRESULT message(UINT message, WPARAM wparam, LPARAM lparam);
    // Routes the messages of a system class's control through message(),
    // which passes what it leaves to the class with call_class().
    void subclass();
    LRESULT call_class(UINT message, WPARAM wparam, LPARAM lparam);

    ControlHost& host() const { return m_host; }
    GdiCache& gdi() const { return m_host.gdi(); }
    // The control's container, made before it; nullptr on the window itself.
    NativeControl* container() const;

private:
    static LRESULT CALLBACK subclass_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

    editor::Control& m_model;
    ControlHost& m_host;
    HWND m_window = nullptr;
    int m_id = 0;
    WNDPROC m_class_procedure = nullptr; // a subclassed control's, while it is subclassed
};

// A control the user types in or chooses from (the text box, the lists):
// drawn in the window colours inside a sunken edge, and a tab stop and a
// group of its own, so that Tab visits it and the arrow keys stay inside it.
class FieldControl : public NativeControl {
public:
    using NativeControl::NativeControl;

protected:
    static constexpr DWORD field_style = WS_CLIPSIBLINGS | WS_TABSTOP | WS_GROUP;
    static constexpr DWORD field_extended_style = WS_EX_CLIENTEDGE;

    editor::Colour usual_back_colour() const override;
    editor::Colour usual_fore_colour() const override;
};

// The native window's text, as the ANSI entry point gives it.
std::string window_text_ansi(HWND window);

} // namespace muralis::win32
