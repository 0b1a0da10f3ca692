#include "platform/linux/wallpaper_backend.h"
#include "platform/linux/x11_root_wallpaper.h"

namespace muralis::linux_platform {

std::unique_ptr<WallpaperBackend> choose_wallpaper_backend()
{
    return std::make_unique<X11RootWallpaper>();
}

} // namespace muralis::linux_platform
