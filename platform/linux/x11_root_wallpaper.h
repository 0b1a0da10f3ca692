#pragma once

#include "platform/linux/wallpaper_backend.h"

namespace muralis::linux_platform {

// Paints the picture on the bare X11 root window, scaled to fill each
// monitor, and publishes the pixmap through _XROOTPMAP_ID and
// ESETROOT_PMAP_ID so that pseudo-transparent clients and the next setter
// find it. Without a display it does nothing.
class X11RootWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "x11-root"; }
    bool install(const std::string& path) override;
};

} // namespace muralis::linux_platform
