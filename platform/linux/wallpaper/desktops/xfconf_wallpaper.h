#pragma once

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// XFCE: the desktop's settings in xfconf (channel xfce4-desktop), where
// xfdesktop keeps one image for each monitor and workspace, under
// /backdrop/screenN/monitorNAME/workspaceN/last-image. Every such property
// that exists is set; xfdesktop follows the change at once.
class XfconfWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "xfconf"; }
    bool install(const std::string& path) override;
};

} // namespace muralis::linux_platform
