#pragma once

#include <string>

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// KDE Plasma: a script run by the shell through its D-Bus scripting
// interface, which stores the image in the configuration of every desktop
// (every screen and activity) and shows it at once.
class PlasmaWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "plasma"; }
    bool install(const std::string& path) override;
};

// The script handed to org.kde.PlasmaShell.evaluateScript for a file:// URI.
std::string plasma_wallpaper_script(const std::string& file_uri);

} // namespace muralis::linux_platform
