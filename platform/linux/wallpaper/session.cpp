#include "platform/linux/wallpaper/session.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace muralis::linux_platform {

namespace {

std::string lower_ascii(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return lower;
}

struct Entry {
    const char* name;
    BackendKind kind;
};

std::optional<BackendKind> look_up(const Entry* begin, const Entry* end, std::string_view name)
{
    const std::string lower = lower_ascii(name);
    for (const Entry* entry = begin; entry != end; ++entry)
        if (lower == entry->name)
            return entry->kind;
    return std::nullopt;
}

// The backend a desktop name asks for, whether or not it is present. Names
// are the registered XDG_CURRENT_DESKTOP values and the session names display
// managers put in DESKTOP_SESSION.
std::optional<BackendKind> kind_named(std::string_view name)
{
    static constexpr Entry entries[] = {
        {"gnome", BackendKind::GnomeSettings},
        {"gnome-classic", BackendKind::GnomeSettings},
        {"gnome-flashback", BackendKind::GnomeSettings},
        {"gnome-xorg", BackendKind::GnomeSettings},
        {"ubuntu", BackendKind::GnomeSettings},
        {"budgie", BackendKind::GnomeSettings},
        {"budgie-desktop", BackendKind::GnomeSettings},
        {"unity", BackendKind::GnomeSettings},
        {"pantheon", BackendKind::GnomeSettings},
        {"x-cinnamon", BackendKind::CinnamonSettings},
        {"cinnamon", BackendKind::CinnamonSettings},
        {"cinnamon2d", BackendKind::CinnamonSettings},
        {"mate", BackendKind::MateSettings},
        {"kde", BackendKind::Plasma},
        {"plasma", BackendKind::Plasma},
        {"plasmawayland", BackendKind::Plasma},
        {"plasmax11", BackendKind::Plasma},
        {"xfce", BackendKind::Xfconf},
        {"xfce4", BackendKind::Xfconf},
        {"sway", BackendKind::Sway},
        {"lxqt", BackendKind::PcmanfmQt},
        {"lxde", BackendKind::Pcmanfm},
        {"hyprland", BackendKind::Hyprpaper},
        {"cosmic", BackendKind::Cosmic},
    };
    return look_up(std::begin(entries), std::end(entries), name);
}

// The backend of the desktop whose program draws an X desktop window of this
// class (either part of WM_CLASS: Caja's is "desktop_window", "Caja").
std::optional<BackendKind> kind_drawing(std::string_view window_class)
{
    static constexpr Entry entries[] = {
        {"pcmanfm-qt", BackendKind::PcmanfmQt},
        {"pcmanfm", BackendKind::Pcmanfm},
        {"xfdesktop", BackendKind::Xfconf},
        {"caja", BackendKind::MateSettings},
        {"nemo-desktop", BackendKind::CinnamonSettings},
        {"nautilus", BackendKind::GnomeSettings},
    };
    return look_up(std::begin(entries), std::end(entries), window_class);
}

bool present(BackendKind kind, const SessionDescription& session)
{
    switch (kind) {
    case BackendKind::GnomeSettings: return session.gnome_schema;
    case BackendKind::CinnamonSettings: return session.cinnamon_schema;
    case BackendKind::MateSettings: return session.mate_schema;
    case BackendKind::Plasma: return session.plasma_shell;
    case BackendKind::Xfconf: return session.xfconf;
    case BackendKind::Sway: return session.sway_socket;
    case BackendKind::PcmanfmQt: return session.pcmanfm_qt_desktop;
    // pcmanfm also listens when it only runs file manager windows; it then
    // stores the picture for a desktop it does not draw.
    case BackendKind::Pcmanfm:
        return session.pcmanfm_socket && session.desktop_window &&
               kind_drawing(session.desktop_window_class) == BackendKind::Pcmanfm;
    case BackendKind::Hyprpaper: return session.hyprpaper_socket;
    // COSMIC's background service reads its settings from files that can
    // always be written.
    case BackendKind::Cosmic: return true;
    case BackendKind::Swaybg: return session.wayland && session.layer_shell && session.swaybg;
    case BackendKind::X11Root: return !session.wayland;
    case BackendKind::Unseen: return true;
    }
    return false;
}

// The session's own name for itself, for the user.
std::string session_name(const SessionDescription& session)
{
    if (!session.current_desktop.empty())
        return session.current_desktop;
    if (!session.desktop_session.empty())
        return session.desktop_session.substr(session.desktop_session.rfind('/') + 1);
    return session.wayland ? "this Wayland session" : "this X session";
}

} // namespace

BackendKind choose_backend_kind(const SessionDescription& session)
{
    std::string_view names = session.current_desktop;
    std::string session_name;
    if (names.empty()) {
        // Some display managers put the path of the session file here.
        session_name = session.desktop_session.substr(session.desktop_session.rfind('/') + 1);
        names = session_name;
    }
    while (!names.empty()) {
        const std::size_t colon = names.find(':');
        const std::string_view name = names.substr(0, colon);
        names = colon == std::string_view::npos ? std::string_view() : names.substr(colon + 1);
        if (const auto kind = kind_named(name); kind && present(*kind, session))
            return *kind;
    }
    if (session.desktop_window)
        if (const auto kind = kind_drawing(session.desktop_window_class); kind && present(*kind, session))
            return *kind;
    if (session.sway_socket)
        return BackendKind::Sway;
    if (session.hyprpaper_socket)
        return BackendKind::Hyprpaper;
    if (session.wayland)
        return present(BackendKind::Swaybg, session) ? BackendKind::Swaybg : BackendKind::Unseen;
    return session.desktop_window ? BackendKind::Unseen : BackendKind::X11Root;
}

const char* backend_kind_name(BackendKind kind)
{
    switch (kind) {
    case BackendKind::GnomeSettings: return "gnome-gsettings";
    case BackendKind::CinnamonSettings: return "cinnamon-gsettings";
    case BackendKind::MateSettings: return "mate-gsettings";
    case BackendKind::Plasma: return "plasma";
    case BackendKind::Xfconf: return "xfconf";
    case BackendKind::Sway: return "sway";
    case BackendKind::PcmanfmQt: return "pcmanfm-qt";
    case BackendKind::Pcmanfm: return "pcmanfm";
    case BackendKind::Hyprpaper: return "hyprpaper";
    case BackendKind::Cosmic: return "cosmic";
    case BackendKind::Swaybg: return "swaybg";
    case BackendKind::X11Root: return "x11-root";
    case BackendKind::Unseen: return "none";
    }
    return "?";
}

std::string unseen_notice(const SessionDescription& session, const char* refused_by,
                           const std::string& path)
{
    std::string why;
    if (refused_by)
        why = std::string(refused_by) + " refused the picture";
    if (session.wayland) {
        if (!refused_by)
            why = !session.layer_shell ? "the compositor offers no background layer that Muralrun can use"
                  : !session.swaybg    ? "swaybg, which would show it on the background layer, is not installed"
                                       : "nothing there took the picture";
    } else {
        const std::string program =
            session.desktop_window_class.empty() ? "a desktop program" : session.desktop_window_class;
        why += (why.empty() ? "" : ", and ") + ("the desktop window of " + program +
                                                " covers the root window Muralrun paints");
    }
    return "Muralrun: the wallpaper of " + session_name(session) + " was not changed: " + why +
           ". Have the desktop show " + path +
           " at log-on (see \"Linux: the wallpaper\" in Muralis's README).";
}

} // namespace muralis::linux_platform
