// The editor's window on Linux: Qt widgets that mirror the window model,
// one widget per control, and pass what the user does back to the model as
// the writes and clicks the model's controls offer. Every decision (what is
// enabled, which caption, which entry is chosen) stays in the model.
//
// Each control has a binder of its kind (control_binder.h) that makes its
// widget, shows it and passes the user's actions on. The window keeps the
// window itself, sends each change of the model to the control's binder,
// orders the controls' stacking and tabbing, and holds the failures of the
// procedures the user's actions run.
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <utility>

#include <QMargins>
#include <QWidget>

#include "editor/arriere_plan.h"

class QSessionManager;
class QTimer;

namespace muralis::linux_platform {

class ControlBinder;
class LogoutInhibitor;
class ViewContext;

class ArrierePlanView final : public QWidget, public editor::ControlObserver {
public:
    // Builds the widgets from the model's controls as they are now and
    // attaches itself to the model; shows nothing yet.
    explicit ArrierePlanView(editor::Arriere_Plan& window);
    ~ArrierePlanView() override;
    ArrierePlanView(const ArrierePlanView&) = delete;
    ArrierePlanView& operator=(const ArrierePlanView&) = delete;

    // What becomes of an error (a Failure or anything else) that the
    // model's procedures leave unhandled while they run for the user: it
    // cannot travel through Qt's event loop, so it is handed here. The
    // default writes it to standard error and ends the event loop with
    // code 1.
    void set_failure_handler(std::function<void(std::exception_ptr)> handler)
    {
        m_failure_handler = std::move(handler);
    }

    // What holds the end of the session while a change is unsaved, where
    // the session manager cannot ask the program first (Wayland); none by
    // default.
    void set_logout_inhibitor(std::unique_ptr<LogoutInhibitor> inhibitor);

    // The dots per inch the twips were laid out at.
    int dpi() const { return m_dpi; }
    // The widget that shows control; nullptr for a timer.
    QWidget* widget_for(const editor::Control& control) const;
    // The Qt timer that runs a timer control.
    QTimer* timer_for(const editor::Control& control) const;

    void control_changed(editor::Control& control, editor::Property property) override;
    void window_caption_changed(const std::string& caption) override;
    void window_moved() override;
    void window_ended() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The application's Quit, which only the session manager's end of the
    // session sends here.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The X session manager asks before the session ends.
    void commit_data(QSessionManager& manager);
    void follow_unsaved_change();
    ControlBinder* binder_for(const editor::Control& control) const;
    void order_stacking();
    void order_tabs();
    // Runs a model call made for the user.
    void run_for_user(const std::function<void()>& action);

    editor::Arriere_Plan& m_window;
    int m_dpi;
    std::function<void(std::exception_ptr)> m_failure_handler;
    std::unique_ptr<ViewContext> m_context;
    std::unordered_map<const editor::Control*, std::unique_ptr<ControlBinder>> m_binders;
    bool m_ended = false; // the model ended the program: no more input reaches it
    int m_running = 0;    // > 0 while a model call made for the user runs
    std::optional<QMargins> m_frame; // the window manager's frame, when it said
    std::unique_ptr<LogoutInhibitor> m_inhibitor;
    bool m_icon_asked = false; // the icon is given after the first paint
};

} // namespace muralis::linux_platform
