#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/linux/toolkit.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// Paints the picture on the bare X11 root window, scaled to fill each
// monitor, and publishes the pixmap through _XROOTPMAP_ID and
// ESETROOT_PMAP_ID so that pseudo-transparent clients and the next setter
// find it. Without a display it does nothing.
class X11RootWallpaper final : public WallpaperBackend {
public:
    // toolkit reads the pictures that are not plain bitmaps.
    explicit X11RootWallpaper(Toolkit& toolkit);
    ~X11RootWallpaper() override;

    const char* name() const override { return "x11-root"; }

    // Draws the picture into a new pixmap on the display, not shown yet.
    void prepare(RgbImage picture) override;

    // Shows the pixmap prepare drew, or else the picture in the file at
    // path, drawn now.
    bool install(const std::string& path) override;

private:
    struct Pixmap;
    Toolkit& m_toolkit;
    std::unique_ptr<Pixmap> m_prepared;
};

struct MonitorSize {
    int width;
    int height;
};

// picture as each monitor of the given sizes shows it: scaled to cover the
// monitor with its aspect kept, and cropped to it around the centre.
std::vector<RgbImage> monitor_images(RgbImage picture, const std::vector<MonitorSize>& monitors);

} // namespace muralis::linux_platform
