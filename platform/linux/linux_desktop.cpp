#include "platform/linux/linux_desktop.h"

#include <gio/gio.h>

#include "platform/linux/desktop/gobject_ptr.h"

namespace muralis::linux_platform {

void LinuxDesktop::install_wallpaper(const std::string& path)
{
    // The backend falls back on the root window by itself, and tells the
    // user when nothing could show the picture; the seam reports nothing.
    choose_wallpaper_backend()->install(path);
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
