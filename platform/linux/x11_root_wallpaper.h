#pragma once

#include <string>
#include <vector>

#include "platform/linux/wallpaper_backend.h"

// Qt stays out of this header, which GIO's includers include too.
class QImage;
class QSize;

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

// The picture in the file at path as each monitor of the given sizes shows
// it: scaled to cover the monitor with its aspect kept, and cropped to it
// around the centre. Empty when Qt reads no picture from the file. Needs no
// display.
std::vector<QImage> monitor_images(const std::string& path, const std::vector<QSize>& monitors);

} // namespace muralis::linux_platform
