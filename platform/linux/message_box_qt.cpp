#include "platform/linux/linux_desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QString>
#include <QDir>

#include <X11/Xlib.h>

#include <cstdlib>
#include <memory>

namespace muralis::linux_platform {

namespace {

bool x_display_reachable()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

bool wayland_plugin_installed()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
}

// The Qt platform plugin that can reach the user's display, or empty. Asked
// beforehand because QApplication aborts the program when its platform
// cannot start.
QByteArray reachable_platform()
{
    if (const char* forced = std::getenv("QT_QPA_PLATFORM"); forced && *forced)
        return forced;
    if (x_display_reachable())
        return "xcb";
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland && wayland_plugin_installed())
        return "wayland";
    return {};
}

} // namespace

bool show_qt_message_box(const std::string& title, const std::string& text)
{
    const QByteArray platform = reachable_platform();
    if (platform.isEmpty())
        return false;
    qputenv("QT_QPA_PLATFORM", platform);

    static int argc = 1;
    static char program_name[] = "Muralis";
    static char* argv[] = {program_name, nullptr};
    std::unique_ptr<QApplication> owned;
    if (!QApplication::instance())
        owned = std::make_unique<QApplication>(argc, argv);

    QString shown = QString::fromStdString(text);
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(title), shown, QMessageBox::Ok);
    // Some styles decorate the OK button with an icon; the box has none.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.exec();
    return true;
}

} // namespace muralis::linux_platform
