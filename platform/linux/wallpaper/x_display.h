#pragma once

#include <X11/Xlib.h>

#include <vector>

namespace muralis::linux_platform {

// A connection to the display that DISPLAY names, if any. While it is open
// X errors are ignored rather than ending the program: a stale pixmap id
// left in a root property by another setter, or a window that goes between
// a listing and a look at it, must not cost the user the wallpaper.
class DisplayConnection {
public:
    DisplayConnection();
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;
    ~DisplayConnection();
    Display* get() const { return m_display; }

private:
    Display* m_display;
    XErrorHandler m_previous_handler = nullptr;
};

struct Rectangle {
    int x, y, width, height;
    bool covers(const Rectangle& other) const
    {
        return x <= other.x && y <= other.y && x + width >= other.x + other.width &&
               y + height >= other.y + other.height;
    }
};

// The monitors of root's screen as RandR 1.5 lists them; the whole screen
// when the server has no such list.
std::vector<Rectangle> monitor_rectangles(Display* display, Window root, int screen);

} // namespace muralis::linux_platform
