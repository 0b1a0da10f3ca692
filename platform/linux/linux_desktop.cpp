#include "platform/linux/linux_desktop.h"

#include <string_view>

#include <gio/gio.h>

#include "platform/linux/desktop/gobject_ptr.h"
#include "platform/linux/x11_root_wallpaper.h"

namespace muralis::linux_platform {

void LinuxDesktop::install_wallpaper(const std::string& path)
{
    const auto backend = choose_wallpaper_backend();
    if (backend->install(path))
        return;
    // A desktop that refused the picture may still draw no background of its
    // own (a session that names a desktop it does not run): the root window
    // is the last place left, and does nothing without a display.
    if (std::string_view(backend->name()) != X11RootWallpaper().name())
        X11RootWallpaper().install(path);
}

void LinuxDesktop::open_web_address(const std::string& address)
{
    // GIO finds the user's handler for the address's scheme in mimeapps.list
    // (x-scheme-handler/https) and starts it with the address as one
    // argument: no shell ever reads the address. Failures (no handler, a
    // handler that cannot start) are dropped, as the seam asks.
    GErrorSlot error;
    g_app_info_launch_default_for_uri(address.c_str(), nullptr, error.out());
}

} // namespace muralis::linux_platform
