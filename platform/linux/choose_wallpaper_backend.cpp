#include "platform/linux/desktop/dated_copy.h"
#include "platform/linux/desktop/gsettings_wallpaper.h"
#include "platform/linux/desktop/plasma_wallpaper.h"
#include "platform/linux/desktop/session.h"
#include "platform/linux/desktop/sway_wallpaper.h"
#include "platform/linux/desktop/xfconf_wallpaper.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/wallpaper_backend.h"
#include "platform/linux/x11_root_wallpaper.h"

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
    case BackendKind::X11Root: break;
    }
    return nullptr;
}

} // namespace

std::unique_ptr<WallpaperBackend> choose_wallpaper_backend()
{
    // The root window is painted afresh on every call, so it takes the
    // daily bitmap itself; every desktop gets a copy under a new name.
    if (auto desktop = desktop_backend(choose_backend_kind(probe_session())))
        return std::make_unique<DatedCopyWallpaper>(std::move(desktop), LinuxSystem().local_date());
    return std::make_unique<X11RootWallpaper>();
}

} // namespace muralis::linux_platform
