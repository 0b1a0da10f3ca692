// The desktop window of an X display: the window a desktop program (a file
// manager's desktop, xfdesktop, ...) lays over the root window to draw the
// background and icons itself.
#pragma once

#include <optional>
#include <string>

namespace muralis::linux_platform {

// The class (WM_CLASS's class, else its instance; empty when it has none)
// of the first shown top-level window of type _NET_WM_WINDOW_TYPE_DESKTOP that
// covers a whole monitor of the display DISPLAY names (a window manager's
// frame around it counts as its own); none when there is no such window or
// no display.
std::optional<std::string> find_x_desktop_window();

} // namespace muralis::linux_platform
