#include "platform/linux/view/logout_inhibitor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace muralis::linux_platform {

namespace {

constexpr const char* portal_service = "org.freedesktop.portal.Desktop";
constexpr const char* portal_object = "/org/freedesktop/portal/desktop";
// The flag of Inhibit that holds the log-off (2 would hold the switch to
// another user, 4 suspending, 8 going idle).
constexpr unsigned inhibit_logout = 1;

} // namespace

LogoutInhibitor::LogoutInhibitor(QDBusConnection bus) : m_bus(std::move(bus)) {}

LogoutInhibitor::~LogoutInhibitor()
{
    m_wanted = false;
    close_request();
}

void LogoutInhibitor::hold(const QString& reason)
{
    m_wanted = true;
    m_reason = reason;
    if (m_request.isEmpty() && !m_asking)
        ask_portal();
}

void LogoutInhibitor::release()
{
    m_wanted = false;
    close_request();
}

// The portal names the request object after the handle token it is given;
// the window is not named (a Wayland window is only known to the portal
// once exported, which Qt does not do).
void LogoutInhibitor::ask_portal()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(portal_service, portal_object, "org.freedesktop.portal.Inhibit", "Inhibit");
    const QVariantMap options{{"reason", m_reason}, {"handle_token", QString("muralis%1").arg(++m_tokens)}};
    call << QString() << inhibit_logout << options;
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        m_asking = false;
        const QDBusPendingReply<QDBusObjectPath> reply = *answered;
        // No portal, or one without Inhibit: the session cannot be held,
        // and nothing else is tried.
        if (reply.isError())
            return;
        m_request = reply.value().path();
        // Let go meanwhile: the hold goes at once.
        if (!m_wanted)
            close_request();
    });
}

void LogoutInhibitor::close_request()
{
    if (m_request.isEmpty())
        return;
    m_bus.send(QDBusMessage::createMethodCall(portal_service, m_request, "org.freedesktop.portal.Request", "Close"));
    m_request.clear();
}

} // namespace muralis::linux_platform
