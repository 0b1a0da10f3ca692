#include <cstdio>

#include "platform/linux/linux_system.h"
#include "platform/linux/wallpaper/dated_copy.h"
#include "platform/linux/wallpaper/desktops/cosmic_wallpaper.h"
#include "platform/linux/wallpaper/desktops/gsettings_wallpaper.h"
#include "platform/linux/wallpaper/desktops/hyprpaper_wallpaper.h"
#include "platform/linux/wallpaper/desktops/pcmanfm_wallpaper.h"
#include "platform/linux/wallpaper/desktops/plasma_wallpaper.h"
#include "platform/linux/wallpaper/desktops/sway_wallpaper.h"
#include "platform/linux/wallpaper/desktops/swaybg_wallpaper.h"
#include "platform/linux/wallpaper/desktops/xfconf_wallpaper.h"
#include "platform/linux/wallpaper/session.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"
#include "platform/linux/wallpaper/x11_root_wallpaper.h"

namespace muralis::linux_platform {

namespace {

std::unique_ptr<WallpaperBackend> desktop_backend(BackendKind kind)
{
    switch (kind) {
    case BackendKind::GnomeSettings:
        return std::make_unique<GSettingsWallpaper>(GSettingsWallpaper::Desktop::Gnome);
    case BackendKind::CinnamonSettings:
        return std::make_unique<GSettingsWallpaper>(GSettingsWallpaper::Desktop::Cinnamon);
    case BackendKind::MateSettings:
        return std::make_unique<GSettingsWallpaper>(GSettingsWallpaper::Desktop::Mate);
    case BackendKind::Plasma: return std::make_unique<PlasmaWallpaper>();
    case BackendKind::Xfconf: return std::make_unique<XfconfWallpaper>();
    case BackendKind::Sway: return std::make_unique<SwayWallpaper>();
    case BackendKind::PcmanfmQt: return std::make_unique<PcmanfmQtWallpaper>();
    case BackendKind::Pcmanfm: return std::make_unique<PcmanfmWallpaper>();
    case BackendKind::Hyprpaper: return std::make_unique<HyprpaperWallpaper>();
    case BackendKind::Cosmic: return std::make_unique<CosmicWallpaper>();
    case BackendKind::Swaybg:
    case BackendKind::X11Root:
    case BackendKind::Unseen: break;
    }
    return nullptr;
}

// The session's own mechanism first; then, on X, the root window, which
// shows only where no desktop window hides it. The user is told when the
// picture cannot be on screen, on standard error, which an autostarted
// program's session keeps in its journal.
class SessionWallpaper final : public WallpaperBackend {
public:
    SessionWallpaper(SessionDescription session, BackendKind kind, std::unique_ptr<WallpaperBackend> own,
                     Toolkit& toolkit)
        : m_session(std::move(session)), m_kind(kind), m_own(std::move(own)), m_root(toolkit)
    {
    }

    const char* name() const override { return backend_kind_name(m_kind); }

    // Only the root window draws the picture itself; when a desktop's own
    // mechanism comes first, the root window is a fallback that reads the
    // file if it is ever needed.
    void prepare(RgbImage picture) override
    {
        if (!m_own && !m_session.wayland)
            m_root.prepare(std::move(picture));
    }

    bool install(const std::string& path) override
    {
        if (m_own && m_own->install(path))
            return true;
        // Without a display the root window does nothing, and says nothing.
        const bool painted = !m_session.wayland && m_root.install(path);
        if (painted && !m_session.desktop_window)
            return true;
        if (m_session.wayland || m_session.desktop_window) {
            const std::string notice = unseen_notice(m_session, m_own ? m_own->name() : nullptr, path);
            std::fprintf(stderr, "%s\n", notice.c_str());
        }
        return false;
    }

private:
    SessionDescription m_session;
    BackendKind m_kind;
    std::unique_ptr<WallpaperBackend> m_own;
    X11RootWallpaper m_root;
};

} // namespace

std::unique_ptr<WallpaperBackend> choose_wallpaper_backend(Toolkit& toolkit)
{
    SessionDescription session = probe_session();
    const BackendKind kind = choose_backend_kind(session);
    // Every desktop that keeps the name it is handed gets a copy under a new
    // name; swaybg and the root window read the daily bitmap afresh on every
    // call.
    std::unique_ptr<WallpaperBackend> own;
    if (auto desktop = desktop_backend(kind))
        own = std::make_unique<DatedCopyWallpaper>(std::move(desktop), LinuxSystem(toolkit).local_date());
    else if (kind == BackendKind::Swaybg)
        own = std::make_unique<SwaybgWallpaper>();
    return std::make_unique<SessionWallpaper>(std::move(session), kind, std::move(own), toolkit);
}

} // namespace muralis::linux_platform
