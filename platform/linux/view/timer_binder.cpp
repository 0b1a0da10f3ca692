#include "platform/linux/view/timer_binder.h"

#include <QTimer>
#include <QWidget>

namespace muralis::linux_platform {

TimerBinder::TimerBinder(editor::Timer& timer, ViewContext& context)
    : m_timer(timer), m_qt_timer(new QTimer(&context.window()))
{
    m_qt_timer->setObjectName(QString::fromStdString(timer.name()));
    QObject::connect(m_qt_timer, &QTimer::timeout, m_qt_timer,
                     [this, &context] { context.run_for_user([this] { m_timer.tick(); }); });
}

void TimerBinder::show_all()
{
    if (!m_timer.ticking())
        m_qt_timer->stop();
    else if (!m_qt_timer->isActive() || m_qt_timer->interval() != m_timer.Interval())
        m_qt_timer->start(m_timer.Interval());
}

void TimerBinder::silence()
{
    m_qt_timer->blockSignals(true);
}

} // namespace muralis::linux_platform
