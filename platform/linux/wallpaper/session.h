// Which wallpaper mechanism the running session offers, decided from a small
// description of the session so that the decision itself needs no desktop.
#pragma once

#include <string>

namespace muralis::linux_platform {

struct SessionDescription {
    std::string current_desktop; // XDG_CURRENT_DESKTOP: names separated by ':'
    std::string desktop_session; // DESKTOP_SESSION, read when the above is empty
    bool sway_socket = false;    // SWAYSOCK names a socket
    bool plasma_shell = false;   // org.kde.plasmashell has an owner on the session bus
    bool xfconf = false;         // org.xfce.Xfconf has an owner or can be activated
    bool gnome_schema = false;   // org.gnome.desktop.background is installed
    bool cinnamon_schema = false; // org.cinnamon.desktop.background
    bool mate_schema = false;    // org.mate.background
    bool pcmanfm_qt_desktop = false; // pcmanfm-qt is on the session bus and draws the desktop
    bool pcmanfm_socket = false; // pcmanfm (LXDE) listens for this display
    bool hyprpaper_socket = false; // hyprpaper listens for this Hyprland instance

    // A Wayland compositor answers on WAYLAND_DISPLAY; the rest of the
    // fields below it are about that compositor.
    bool wayland = false;
    bool layer_shell = false;    // it offers zwlr_layer_shell_v1
    bool swaybg = false;         // swaybg is on PATH

    // X only: a window of type _NET_WM_WINDOW_TYPE_DESKTOP is shown over a
    // whole monitor, and so hides the root window there. Its class
    // (WM_CLASS) names the program that draws it, when it has one.
    bool desktop_window = false;
    std::string desktop_window_class;
};

enum class BackendKind {
    GnomeSettings,
    CinnamonSettings,
    MateSettings,
    Plasma,
    Xfconf,
    Sway,
    PcmanfmQt,
    Pcmanfm,
    Hyprpaper,
    Cosmic,
    Swaybg,
    X11Root,
    // A session where nothing Muralrun knows can put the picture on screen:
    // a Wayland compositor without a mechanism it can use, or an X desktop
    // window it cannot change covering the root window.
    Unseen,
};

// The first desktop named by the session whose own mechanism is present;
// then the program that draws the X desktop window; then the sway IPC when a
// socket is offered (wlroots compositors that do not name themselves), and
// hyprpaper's; then, on Wayland, swaybg on the compositor's background
// layer; the bare X11 root window otherwise, unless a desktop window hides
// it.
BackendKind choose_backend_kind(const SessionDescription& session);

const char* backend_kind_name(BackendKind kind);

// The line that tells the user the picture at path could not be put on
// screen in session, naming the desktop and why. refused_by names the
// backend that was tried and refused, or is null when none applied.
std::string unseen_notice(const SessionDescription& session, const char* refused_by,
                          const std::string& path);

// The description of this process's session: its environment, the names on
// its session bus, the installed GSettings schemas, the globals of its
// Wayland compositor or the windows of its X display.
SessionDescription probe_session();

} // namespace muralis::linux_platform
