// A binder stands for one control of the window model in the Qt view: it
// makes the widget (or the Qt timer) for the control, shows the control's
// properties on it whenever the model changes them, and passes what the
// user does with it back to the model as the writes and clicks the model's
// control offers. There is one binder class for each kind of control,
// chosen by make_binder (binder_factory.h); the window routes the model's
// changes to the binders and holds whatever the model throws at them.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QColor>
#include <QCursor>
#include <QFont>
#include <QPalette>

#include "editor/controls.h"

class QTimer;
class QWidget;

namespace muralis::linux_platform {

// What the binders of one window share: the way an action of the user
// reaches the model, and what several controls show alike, made once for
// the window rather than once for each control.
class ViewContext {
public:
    using UserAction = std::function<void()>;

    // run_for_user runs a model call made for the user: nothing once the
    // program has ended, and a failure goes to the window's handler.
    ViewContext(QWidget& window, int dpi, std::function<void(const UserAction&)> run_for_user);
    ViewContext(const ViewContext&) = delete;
    ViewContext& operator=(const ViewContext&) = delete;

    QWidget& window() const { return m_window; }
    int dpi() const { return m_dpi; }
    void run_for_user(const UserAction& action) const { m_run_for_user(action); }

    // A system colour is one of the user's colour scheme as it was when the
    // window was made.
    QColor colour(const editor::Colour& colour) const;
    // The model's font over the font a widget inherits.
    QFont font(const editor::Font& font, const QFont& inherited);
    const QCursor& globe_cursor();

private:
    struct SharedFont {
        editor::Font font;
        QFont inherited;
        QFont shown;
    };

    QWidget& m_window;
    int m_dpi;
    std::function<void(const UserAction&)> m_run_for_user;
    QPalette m_system_colours;
    std::vector<SharedFont> m_fonts;
    std::optional<QCursor> m_globe_cursor;
};

class ControlBinder {
public:
    virtual ~ControlBinder() = default;
    ControlBinder(const ControlBinder&) = delete;
    ControlBinder& operator=(const ControlBinder&) = delete;

    // The widget that shows the control; nullptr for a timer.
    virtual QWidget* widget() const { return nullptr; }
    // The Qt timer that runs a timer control; nullptr for the others.
    virtual QTimer* timer() const { return nullptr; }
    // Labels and pictures have no window of their own: they are painted on
    // their container, under every control that has one.
    virtual bool windowless() const { return false; }

    // Shows the whole control as the model has it now (once, when made).
    virtual void show_all() = 0;
    // Shows property as the model has it now. The model changed it, not
    // the user: nothing goes back to the model.
    virtual void show(editor::Property property) = 0;
    // From now on nothing that the widget or the timer signals reaches the
    // model (the window is going away).
    virtual void silence() = 0;

protected:
    ControlBinder() = default;
};

// The roles of a widget's palette that its control's back and fore colours
// set, and whether the widget then paints its background.
struct ColourRoles {
    std::vector<QPalette::ColorRole> back;
    std::vector<QPalette::ColorRole> fore;
    bool fills_background = false;

    // Text boxes and lists: an ordinary window's content.
    static ColourRoles window_content() { return {{QPalette::Base}, {QPalette::Text}}; }
    // Labels, the panel and the picture: painted on their container, whose
    // colour shows through unless the control has one of its own.
    static ColourRoles painted_on_container()
    {
        return {{QPalette::Window}, {QPalette::WindowText}, true};
    }
};

// The part of a binder that every control shown by a widget has: its name,
// place, font, colours and pointer, its enabled and visible state, the
// focus, and the routing of the model's changes to the kind's own part.
class WidgetBinder : public ControlBinder {
public:
    QWidget* widget() const override { return m_widget; }
    void show_all() override;
    void show(editor::Property property) override;
    void silence() override;

protected:
    WidgetBinder(const editor::Control& control, ViewContext& context) : m_control(control), m_context(context) {}

    // Takes widget, made by the kind's binder, as the control's: gives it
    // the control's name, place, font, colours and pointer.
    void set_up(QWidget* widget, const ColourRoles& roles);

    // Runs a model call made for the user (ViewContext::run_for_user).
    void run_for_user(const ViewContext::UserAction& action) const { m_context.run_for_user(action); }

    // The kind's own part: its caption, its entries (which show the choice
    // too) and its choice. A kind without one shows nothing.
    virtual void show_caption() {}
    virtual void show_entries() {}
    virtual void show_choice() {}
    // The name a screen reader gives the widget: the model's, or (none)
    // what the widget shows.
    virtual void show_accessible_name();

private:
    void set_colours(const ColourRoles& roles);

    const editor::Control& m_control;
    ViewContext& m_context;
    QWidget* m_widget = nullptr;
};

} // namespace muralis::linux_platform
