// A hold on the end of the session through the desktop portal
// (org.freedesktop.portal.Inhibit, with its logout flag), for sessions
// whose programs the session manager cannot ask before they end: under
// Wayland, Qt takes part in no session management, so an unsaved week
// would go with the log-off. While held, the desktop asks the user before
// the session ends and shows the reason.
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

namespace muralis::linux_platform {

class LogoutInhibitor final : public QObject {
public:
    // Asks the portal on bus; nothing is held yet.
    explicit LogoutInhibitor(QDBusConnection bus);
    // Lets go of the hold (the portal also drops it when the program's
    // connection goes).
    ~LogoutInhibitor() override;
    LogoutInhibitor(const LogoutInhibitor&) = delete;
    LogoutInhibitor& operator=(const LogoutInhibitor&) = delete;

    // Holds the end of the session, saying why, or lets it go. The portal
    // answers later; what is asked last is what holds once it has.
    void hold(const QString& reason);
    void release();

private:
    void ask_portal();
    void close_request();

    QDBusConnection m_bus;
    bool m_wanted = false;
    bool m_asking = false;
    QString m_reason;
    QString m_request; // the portal's request object while the hold stands
    int m_tokens = 0;
};

} // namespace muralis::linux_platform
