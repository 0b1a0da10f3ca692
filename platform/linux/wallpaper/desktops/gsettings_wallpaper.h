#pragma once

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// The background keys of a GSettings desktop (GNOME and those built on its
// settings, Cinnamon, MATE), stored through the user's settings backend
// (dconf). The picture's fit and colours stay as the user chose them.
class GSettingsWallpaper final : public WallpaperBackend {
public:
    enum class Desktop { Gnome, Cinnamon, Mate };

    explicit GSettingsWallpaper(Desktop desktop) : m_desktop(desktop) {}

    const char* name() const override;
    bool install(const std::string& path) override;

private:
    Desktop m_desktop;
};

} // namespace muralis::linux_platform
