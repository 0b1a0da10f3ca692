#include "platform/linux/desktop/session.h"

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

// The backend a desktop name asks for, whether or not it is present. Names
// are the registered XDG_CURRENT_DESKTOP values and the session names display
// managers put in DESKTOP_SESSION.
std::optional<BackendKind> kind_named(std::string_view name)
{
    const std::string lower = lower_ascii(name);
    struct Entry {
        const char* name;
        BackendKind kind;
    };
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
    };
    for (const Entry& entry : entries)
        if (lower == entry.name)
            return entry.kind;
    return std::nullopt;
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
    case BackendKind::X11Root: return true;
    }
    return false;
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
    return session.sway_socket ? BackendKind::Sway : BackendKind::X11Root;
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
    case BackendKind::X11Root: return "x11-root";
    }
    return "?";
}

} // namespace muralis::linux_platform
