// Muralset for Linux desktops: the schedule editor's window.
#include <QApplication>
#include <QDBusConnection>

#include <exception>
#include <memory>

#include "editor/arriere_plan.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/pictures/picture_reader.h"
#include "platform/linux/qt/qt_toolkit.h"
#include "platform/linux/view/arriere_plan_view.h"
#include "platform/linux/view/font_configuration.h"
#include "platform/linux/view/logout_inhibitor.h"
#include "platform/linux/work_ahead.h"

namespace {

// The text that reports an error no procedure handled.
std::string description_of(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const muralis::Failure& failure) {
        return failure.description();
    } catch (const std::exception& other) {
        return other.what();
    } catch (...) {
        return "Unexpected error";
    }
}

} // namespace

int main(int argc, char* argv[])
{
    using namespace muralis;
    // Read while the application connects to the display: the font
    // configuration, and the picture decoders the file list's pattern
    // names (it loads them to know which there are).
    linux_platform::WorkAhead ahead([] {
        linux_platform::read_font_configuration();
        linux_platform::picture_pattern();
    });
    QApplication application(argc, argv);
    // Ties the window to the installed menu entry "muralis.desktop", whose
    // icon Wayland compositors show for it.
    QGuiApplication::setDesktopFileName("muralis");
    linux_platform::QtToolkit& toolkit = linux_platform::qt_toolkit();
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system(toolkit);
    linux_platform::LinuxDesktop desktop(toolkit);

    // An error that no procedure handles ends the event loop where it
    // happened; it is reported here, once the window has gone, and the
    // program ends.
    std::exception_ptr unhandled;
    try {
        ahead.wait();
        editor::Arriere_Plan window({files, system, desktop});
        linux_platform::ArrierePlanView view(window);
        // Under Wayland no session manager asks Qt's programs before the
        // session ends (X11's does, through the view): the desktop portal
        // is asked to hold the log-off while a change is unsaved.
        if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
            view.set_logout_inhibitor(
                std::make_unique<linux_platform::LogoutInhibitor>(QDBusConnection::sessionBus()));
        // The boxes belong to the window from the load on, before it shows.
        toolkit.set_message_owner(&view);
        view.set_failure_handler([&unhandled](std::exception_ptr error) {
            if (!unhandled)
                unhandled = error;
            QCoreApplication::exit(1);
        });
        // The load sequence runs before the window appears.
        window.Form_Load();
        view.show();
        const int code = application.exec();
        if (!unhandled)
            return code;
    } catch (...) {
        unhandled = std::current_exception();
    }
    toolkit.set_message_owner(nullptr);
    desktop.show_message("Muralis", description_of(unhandled));
    return 1;
}
