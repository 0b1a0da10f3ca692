// Muralrun for Linux desktops: installs today's picture at log-on (no
// argument) and at each change of day (--day-change).
#include <cstdio>
#include <exception>

#include "applier/module1.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/startup/user_manager.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"

int main(int argc, char** argv)
{
    using namespace muralis;
    // Only Muralis's own registrations start this program, with no argument
    // or the one day-change argument: anything else is a mistake made by
    // hand, said where the session keeps what its programs write.
    const auto kind = Module1::run_kind({argv + 1, argv + argc});
    if (!kind) {
        std::fprintf(stderr, "Muralrun: unknown arguments; it takes none at log-on, or --day-change\n");
        return 2;
    }
    linux_platform::LoadedToolkit toolkit;
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system(toolkit);
    linux_platform::LinuxDesktop desktop(toolkit, linux_platform::choose_wallpaper_backend);
    int code = 0;
    try {
        const auto outcome = Module1::Main({files, system, desktop}, *kind);
        code = outcome == Module1::Outcome::FailureReported ||
                       outcome == Module1::Outcome::FailureAlreadyReported
                   ? 1
                   : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Muralrun: %s\n", error.what());
        code = 2;
    } catch (...) {
        std::fprintf(stderr, "Muralrun: unexpected error\n");
        code = 2;
    }
    // The log-on run, once the picture is up, hands the user's service
    // manager what the run it starts at a change of day needs to reach this
    // session's display and bus.
    if (*kind == Module1::RunKind::LogOn)
        linux_platform::import_session_environment();
    return code;
}
