// Muralrun for Linux desktops: installs today's picture at log-on.
#include <cstdio>
#include <exception>

#include "applier/module1.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/startup/user_manager.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"

int main(int argc, char**)
{
    using namespace muralis;
    linux_platform::LoadedToolkit toolkit;
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system(toolkit);
    linux_platform::LinuxDesktop desktop(toolkit, linux_platform::choose_wallpaper_backend);
    int code = 0;
    try {
        const auto outcome = Module1::Main({files, system, desktop});
        code = outcome == Module1::Outcome::FailureReported ? 1 : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Muralrun: %s\n", error.what());
        code = 2;
    } catch (...) {
        std::fprintf(stderr, "Muralrun: unexpected error\n");
        code = 2;
    }
    // The log-on run (no argument), once the picture is up, hands the user's
    // service manager what the run it starts at a change of day needs to
    // reach this session's display and bus.
    if (argc == 1)
        linux_platform::import_session_environment();
    return code;
}
