#include "platform/linux/linux_desktop.h"

#include <cstdio>

namespace muralis::linux_platform {

void LinuxDesktop::install_wallpaper(const std::string& path)
{
    choose_wallpaper_backend()->install(path);
}

void LinuxDesktop::show_message(const std::string& title, const std::string& text)
{
    if (show_qt_message_box(title, text))
        return;
    // No display to show it on: standard error is the only place left.
    std::string lines = text;
    for (char& c : lines)
        if (c == '\r')
            c = '\n';
    std::fprintf(stderr, "%s: %s\n", title.c_str(), lines.c_str());
}

} // namespace muralis::linux_platform
