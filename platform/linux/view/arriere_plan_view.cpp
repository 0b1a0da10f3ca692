#include "platform/linux/view/arriere_plan_view.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>

#include "editor/twips.h"
#include "platform/linux/view/artwork.h"
#include "platform/linux/view/binder_factory.h"
#include "platform/linux/view/control_binder.h"
#include "platform/linux/view/logout_inhibitor.h"
#include "platform/linux/view/window_frame.h"

namespace muralis::linux_platform {

namespace {

using editor::Control;
using editor::Property;

QIcon window_icon()
{
    QIcon icon;
    for (const char* size : {"32", "64", "128"})
        icon.addPixmap(artwork(QStringLiteral("muralis-%1.png").arg(QLatin1String(size))));
    return icon;
}

} // namespace

ArrierePlanView::ArrierePlanView(editor::Arriere_Plan& window)
    : m_window(window), m_dpi(qRound(screen()->logicalDotsPerInch())),
      m_failure_handler([](std::exception_ptr failure) {
          try {
              std::rethrow_exception(failure);
          } catch (const std::exception& error) {
              std::fprintf(stderr, "Muralis: %s\n", error.what());
          } catch (...) {
              std::fprintf(stderr, "Muralis: unknown error\n");
          }
          QCoreApplication::exit(1);
      }),
      m_context(std::make_unique<ViewContext>(*this, m_dpi,
                                              [this](const ViewContext::UserAction& action) { run_for_user(action); }))
{
    setFixedSize(editor::twips_to_pixels(editor::client_width, m_dpi),
                 editor::twips_to_pixels(editor::client_height, m_dpi));
    setWindowTitle(QString::fromStdString(window.Caption()));
    // The load centres the window by its outer size, as on Windows: the
    // frame the window manager will draw is asked for first. Without an
    // answer (no window manager, Wayland) the window is its client area.
    m_frame = frame_to_come(*this);
    if (m_frame) {
        m_window.set_outer_size({editor::pixels_to_twips(width() + m_frame->left() + m_frame->right(), m_dpi),
                                 editor::pixels_to_twips(height() + m_frame->top() + m_frame->bottom(), m_dpi)});
    }

    // A container comes before the controls it holds.
    for (Control* control : window.controls()) {
        QWidget* parent = control->container() ? binder_for(*control->container())->widget() : this;
        m_binders.emplace(control, make_binder(*control, parent, *m_context));
    }
    order_stacking();
    order_tabs();
    m_window.attach_view(this);
    // Asked from inside the session manager's callback: the answer must be
    // given before it returns.
    connect(qApp, &QGuiApplication::commitDataRequest, this, &ArrierePlanView::commit_data, Qt::DirectConnection);
    qApp->installEventFilter(this);
}

ArrierePlanView::~ArrierePlanView()
{
    qApp->removeEventFilter(this);
    m_window.attach_view(nullptr);
    // The widgets outlive the binders (QWidget deletes them); whatever they
    // signal on their way out is not the user's doing.
    for (const auto& [control, binder] : m_binders)
        binder->silence();
}

ControlBinder* ArrierePlanView::binder_for(const Control& control) const
{
    const auto found = m_binders.find(&control);
    return found == m_binders.end() ? nullptr : found->second.get();
}

QWidget* ArrierePlanView::widget_for(const Control& control) const
{
    const ControlBinder* binder = binder_for(control);
    return binder ? binder->widget() : nullptr;
}

QTimer* ArrierePlanView::timer_for(const Control& control) const
{
    const ControlBinder* binder = binder_for(control);
    return binder ? binder->timer() : nullptr;
}

void ArrierePlanView::order_stacking()
{
    // Lowering from the last created to the first keeps the windowless
    // controls in their order of creation among themselves.
    const auto& controls = m_window.controls();
    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        const ControlBinder* binder = binder_for(**control);
        if (binder->windowless())
            binder->widget()->lower();
    }
}

void ArrierePlanView::order_tabs()
{
    std::vector<const Control*> order;
    for (const Control* control : m_window.controls()) {
        const QWidget* widget = widget_for(*control);
        if (widget && control->tab_index() && widget->focusPolicy() & Qt::TabFocus)
            order.push_back(control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return *a->tab_index() < *b->tab_index(); });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(widget_for(*order[i - 1]), widget_for(*order[i]));
}

void ArrierePlanView::run_for_user(const std::function<void()>& action)
{
    if (m_ended)
        return;
    // Nothing may cross Qt's event loop: whatever a procedure throws is
    // handed on as it is.
    ++m_running;
    try {
        action();
    } catch (...) {
        m_failure_handler(std::current_exception());
    }
    --m_running;
}

void ArrierePlanView::control_changed(Control& control, Property property)
{
    if (ControlBinder* binder = binder_for(control))
        binder->show(property);
    if (property == Property::Enabled)
        follow_unsaved_change();
}

void ArrierePlanView::set_logout_inhibitor(std::unique_ptr<LogoutInhibitor> inhibitor)
{
    m_inhibitor = std::move(inhibitor);
    follow_unsaved_change();
}

void ArrierePlanView::follow_unsaved_change()
{
    if (!m_inhibitor)
        return;
    if (m_window.unsaved_change() && !m_ended)
        m_inhibitor->hold(QString::fromStdString(m_window.unsaved_week_reason()));
    else
        m_inhibitor->release();
}

// The session manager's question comes with leave to ask the user only
// when the manager grants it; the editor asks for it only with a change to
// lose. A procedure already under way with its own box open is not entered
// again: the session waits while a change is unsaved.
void ArrierePlanView::commit_data(QSessionManager& manager)
{
    if (m_ended || !m_window.unsaved_change())
        return;
    if (m_running > 0) {
        manager.cancel();
        return;
    }
    const auto interaction =
        manager.allowsInteraction() ? editor::SessionInteraction::MayAsk : editor::SessionInteraction::MayNotAsk;
    auto answer = editor::SessionAnswer::MayEnd;
    run_for_user([&] { answer = m_window.Form_QueryEndSession(interaction); });
    // Cancelled while the interaction lasts, the session's end is called
    // off; released, the manager may ask the next program.
    if (answer == editor::SessionAnswer::DontEnd)
        manager.cancel();
    else
        manager.release();
}

// Two of the application's events: its first paint, after which the
// window's icon is given (its pictures read then rather than before the
// window shows; the window manager shows the icon a moment later), and
// the session manager ending the program (its "die" becomes the
// application's Quit, which would close the window through the closing
// procedure, with its question and its credits): the session's end,
// nothing more shown.
bool ArrierePlanView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && !m_icon_asked) {
        m_icon_asked = true;
        QTimer::singleShot(0, this, [this] { setWindowIcon(window_icon()); });
    }
    if (watched != qApp || event->type() != QEvent::Quit || m_ended)
        return false;
    if (m_running == 0)
        run_for_user([this] { m_window.Form_EndSession(); });
    return true;
}

void ArrierePlanView::window_caption_changed(const std::string& caption)
{
    setWindowTitle(QString::fromStdString(caption));
}

// The model places the frame's corner. With the frame known, the window
// itself is placed inside it: Qt would otherwise add the frame it has
// learnt to the position, and the window manager, told the position is
// the frame's, would add it again. Without, the window manager adds it.
void ArrierePlanView::window_moved()
{
    const QPoint corner(editor::position_to_pixels(m_window.Left(), m_dpi),
                        editor::position_to_pixels(m_window.Top(), m_dpi));
    if (m_frame)
        setGeometry(QRect(corner + QPoint(m_frame->left(), m_frame->top()), size()));
    else
        move(corner);
}

// The program ends from inside a procedure: the window goes from the
// screen at once and the event loop ends; nothing the window still receives
// reaches the model.
void ArrierePlanView::window_ended()
{
    m_ended = true;
    hide();
    follow_unsaved_change();
    QCoreApplication::exit(0);
}

// The model's closing procedure decides: it ends the program through
// window_ended(), or keeps the window.
void ArrierePlanView::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!m_ended)
        run_for_user([this] { m_window.Form_Unload(); });
}

} // namespace muralis::linux_platform
