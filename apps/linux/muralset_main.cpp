// Muralset for Linux desktops: the schedule editor's window.
#include <QApplication>

#include "editor/arriere_plan.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/view/arriere_plan_view.h"

int main(int argc, char* argv[])
{
    using namespace muralis;
    QApplication application(argc, argv);
    // Ties the window to the installed menu entry "muralis.desktop", whose
    // icon Wayland compositors show for it.
    QGuiApplication::setDesktopFileName("muralis");
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system;
    linux_platform::LinuxDesktop desktop;

    // An error that no procedure handles is shown, then the program ends.
    const auto report = [&desktop](const Failure& failure) {
        desktop.show_message("Muralis", failure.description());
    };
    try {
        editor::Arriere_Plan window({files, system, desktop});
        linux_platform::ArrierePlanView view(window);
        view.set_failure_handler([&report](const Failure& failure) {
            report(failure);
            QCoreApplication::exit(1);
        });
        // The load sequence runs before the window appears.
        window.Form_Load();
        view.show();
        return application.exec();
    } catch (const Failure& failure) {
        report(failure);
        return 1;
    }
}
