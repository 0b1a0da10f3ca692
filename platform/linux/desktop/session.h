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
};

enum class BackendKind {
    GnomeSettings,
    CinnamonSettings,
    MateSettings,
    Plasma,
    Xfconf,
    Sway,
    X11Root,
};

// The first desktop named by the session whose own mechanism is present;
// then the sway IPC when a socket is offered (wlroots compositors that do not
// name themselves); the bare X11 root window otherwise.
BackendKind choose_backend_kind(const SessionDescription& session);

const char* backend_kind_name(BackendKind kind);

// The description of this process's session: its environment, the names on
// its session bus and the installed GSettings schemas.
SessionDescription probe_session();

} // namespace muralis::linux_platform
