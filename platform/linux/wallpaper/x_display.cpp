#include "platform/linux/wallpaper/x_display.h"

#include <X11/extensions/Xrandr.h>

namespace muralis::linux_platform {

namespace {

int ignore_error(Display*, XErrorEvent*)
{
    return 0;
}

} // namespace

DisplayConnection::DisplayConnection() : m_display(XOpenDisplay(nullptr))
{
    if (m_display)
        m_previous_handler = XSetErrorHandler(ignore_error);
}

DisplayConnection::~DisplayConnection()
{
    if (m_display) {
        XCloseDisplay(m_display);
        XSetErrorHandler(m_previous_handler);
    }
}

std::vector<Rectangle> monitor_rectangles(Display* display, Window root, int screen)
{
    std::vector<Rectangle> monitors;
    int event_base = 0, error_base = 0, major = 0, minor = 0;
    if (XRRQueryExtension(display, &event_base, &error_base) &&
        XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5))) {
        int count = 0;
        if (XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &count)) {
            for (int i = 0; i < count; ++i)
                if (info[i].width > 0 && info[i].height > 0)
                    monitors.push_back({info[i].x, info[i].y, info[i].width, info[i].height});
            XRRFreeMonitors(info);
        }
    }
    if (monitors.empty())
        monitors.push_back({0, 0, DisplayWidth(display, screen), DisplayHeight(display, screen)});
    return monitors;
}

} // namespace muralis::linux_platform
