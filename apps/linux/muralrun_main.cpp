// Muralrun for Linux desktops: installs today's picture at log-on.
#include <cstdio>
#include <exception>

#include "applier/module1.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"

int main()
{
    using namespace muralis;
    linux_platform::LoadedToolkit toolkit;
    linux_platform::LinuxFiles files;
    linux_platform::LinuxSystem system(toolkit);
    linux_platform::LinuxDesktop desktop(toolkit, linux_platform::choose_wallpaper_backend);
    try {
        const auto outcome = Module1::Main({files, system, desktop});
        return outcome == Module1::Outcome::FailureReported ? 1 : 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Muralrun: %s\n", error.what());
        return 2;
    } catch (...) {
        std::fprintf(stderr, "Muralrun: unexpected error\n");
        return 2;
    }
}
