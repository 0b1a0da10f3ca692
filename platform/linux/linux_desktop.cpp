#include "platform/linux/linux_desktop.h"

#include <cstdio>
#include <string_view>

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

MessageAnswer LinuxDesktop::message_box(const std::string& title, const std::string& text,
                                        const MessageStyle& style)
{
    if (show_qt_message_box(title, text))
        return style.default_answer;
    // No display to show it on: standard error is the only place left.
    std::string lines = text;
    for (char& c : lines)
        if (c == '\r')
            c = '\n';
    std::fprintf(stderr, "%s: %s\n", title.c_str(), lines.c_str());
    return style.default_answer;
}

void LinuxDesktop::open_web_address(const std::string&) {}

} // namespace muralis::linux_platform
