#include "platform/linux/wallpaper/x_desktop_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/linux/wallpaper/x_display.h"

#include <vector>

namespace muralis::linux_platform {

namespace {

// Whether window's _NET_WM_WINDOW_TYPE is set, and to desktop among others.
struct WindowType {
    bool set = false;
    bool desktop = false;
};

WindowType window_type(Display* display, Window window, Atom type_atom, Atom desktop_atom)
{
    WindowType type;
    Atom actual = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, type_atom, 0, 32, False, XA_ATOM, &actual, &format,
                           &items, &after, &data) == Success &&
        actual == XA_ATOM && format == 32 && data) {
        type.set = true;
        const auto* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < items && !type.desktop; ++i)
            type.desktop = atoms[i] == desktop_atom;
    }
    if (data)
        XFree(data);
    return type;
}

std::string class_of(Display* display, Window window)
{
    XClassHint hint {};
    if (!XGetClassHint(display, window, &hint))
        return {};
    std::string name = hint.res_class && *hint.res_class ? hint.res_class
                       : hint.res_name                    ? hint.res_name
                                                          : "";
    if (hint.res_class)
        XFree(hint.res_class);
    if (hint.res_name)
        XFree(hint.res_name);
    return name;
}

std::vector<Window> children_of(Display* display, Window window)
{
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (XQueryTree(display, window, &root, &parent, &children, &count) && children)
        result.assign(children, children + count);
    if (children)
        XFree(children);
    return result;
}

} // namespace

std::optional<std::string> find_x_desktop_window()
{
    const DisplayConnection connection;
    Display* display = connection.get();
    if (!display)
        return std::nullopt;
    // Atoms nobody has made yet are on no window.
    const Atom type_atom = XInternAtom(display, "_NET_WM_WINDOW_TYPE", True);
    const Atom desktop_atom = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DESKTOP", True);
    if (type_atom == None || desktop_atom == None)
        return std::nullopt;

    const Window root = DefaultRootWindow(display);
    const std::vector<Rectangle> monitors = monitor_rectangles(display, root, DefaultScreen(display));
    for (const Window top : children_of(display, root)) {
        XWindowAttributes attributes {};
        if (!XGetWindowAttributes(display, top, &attributes) || attributes.map_state != IsViewable)
            continue;
        const Rectangle area {attributes.x, attributes.y, attributes.width, attributes.height};
        bool covering = false;
        for (const Rectangle& monitor : monitors)
            covering = covering || area.covers(monitor);
        if (!covering)
            continue;
        // A reparenting window manager puts the program's window, which
        // carries the type, inside a frame of its own.
        Window client = top;
        WindowType type = window_type(display, top, type_atom, desktop_atom);
        if (!type.set) {
            for (const Window inner : children_of(display, top)) {
                type = window_type(display, inner, type_atom, desktop_atom);
                if (type.set) {
                    client = inner;
                    break;
                }
            }
        }
        if (type.desktop)
            return class_of(display, client);
    }
    return std::nullopt;
}

} // namespace muralis::linux_platform
