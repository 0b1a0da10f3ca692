#pragma once

#include <memory>
#include <string>

#include "platform/linux/pictures/rgb_image.h"

namespace muralis::linux_platform {

// One way of installing a wallpaper on a Linux desktop.
class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;

    // A short name for logs and tests ("x11-root", ...).
    virtual const char* name() const = 0;

    // Makes ready what showing picture takes, leaving the screen as it is,
    // for the install of a copy of it that follows. Backends that hand the
    // desktop a file have nothing to make ready. Never throws.
    virtual void prepare(RgbImage picture) { (void)picture; }

    // Installs the bitmap at path. Returns false when it could not; never
    // throws.
    virtual bool install(const std::string& path) = 0;
};

class Toolkit;

// The backend for the running session; toolkit reads the pictures that the
// root window is painted with when they are not plain bitmaps.
std::unique_ptr<WallpaperBackend> choose_wallpaper_backend(Toolkit& toolkit);

// What LinuxDesktop installs wallpapers with: choose_wallpaper_backend, in
// a program that installs them.
using WallpaperBackendChooser = std::unique_ptr<WallpaperBackend> (*)(Toolkit& toolkit);

} // namespace muralis::linux_platform
