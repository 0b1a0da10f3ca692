#include "platform/linux/view/arriere_plan_view.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QScreen>
#include <QTimer>

#include "editor/twips.h"
#include "platform/linux/view/binder_factory.h"
#include "platform/linux/view/control_binder.h"

// The artwork is compiled into this static library, whose resource
// registration the linker would drop unless something refers to it.
static void register_view_artwork()
{
    Q_INIT_RESOURCE(view_artwork);
}

namespace muralis::linux_platform {

namespace {

using editor::Control;
using editor::Property;

// The model's fonts name Arial, which few Linux systems have; Liberation
// Sans has the same widths, so the captions fill the controls as designed.
void substitute_missing_fonts()
{
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)substituted;
}

QIcon window_icon()
{
    QIcon icon;
    for (const char* size : {"32", "64", "128"})
        icon.addFile(QStringLiteral(":/muralis/muralis-%1.png").arg(QLatin1String(size)));
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
    static const bool registered = (register_view_artwork(), true);
    (void)registered;
    substitute_missing_fonts();
    setFixedSize(editor::twips_to_pixels(editor::client_width, m_dpi),
                 editor::twips_to_pixels(editor::client_height, m_dpi));
    setWindowIcon(window_icon());
    setWindowTitle(QString::fromStdString(window.Caption()));

    // A container comes before the controls it holds.
    for (Control* control : window.controls()) {
        QWidget* parent = control->container() ? binder_for(*control->container())->widget() : this;
        m_binders.emplace(control, make_binder(*control, parent, *m_context));
    }
    order_stacking();
    order_tabs();
    m_window.attach_view(this);
}

ArrierePlanView::~ArrierePlanView()
{
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
    try {
        action();
    } catch (...) {
        m_failure_handler(std::current_exception());
    }
}

void ArrierePlanView::control_changed(Control& control, Property property)
{
    if (ControlBinder* binder = binder_for(control))
        binder->show(property);
}

void ArrierePlanView::window_caption_changed(const std::string& caption)
{
    setWindowTitle(QString::fromStdString(caption));
}

void ArrierePlanView::window_moved()
{
    move(editor::position_to_pixels(m_window.Left(), m_dpi), editor::position_to_pixels(m_window.Top(), m_dpi));
}

// The program ends from inside a procedure: the window goes from the
// screen at once and the event loop ends; nothing the window still receives
// reaches the model.
void ArrierePlanView::window_ended()
{
    m_ended = true;
    hide();
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
