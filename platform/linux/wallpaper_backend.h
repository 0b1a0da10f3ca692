#pragma once

#include <memory>
#include <string>

namespace muralis::linux_platform {

// One way of installing a wallpaper on a Linux desktop.
class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;

    // A short name for logs and tests ("x11-root", ...).
    virtual const char* name() const = 0;

    // Installs the bitmap at path. Returns false when it could not; never
    // throws.
    virtual bool install(const std::string& path) = 0;
};

// The backend for the running session.
std::unique_ptr<WallpaperBackend> choose_wallpaper_backend();

} // namespace muralis::linux_platform
