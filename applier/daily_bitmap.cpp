#include "applier/daily_bitmap.h"

namespace muralis::Module1 {

std::unique_ptr<PreparedWallpaper> make_daily_bitmap(const Platform& platform, const std::string& picture,
                                                     const std::string& daily_bitmap)
{
    std::unique_ptr<PreparedWallpaper> wallpaper = platform.desktop.prepare_wallpaper(picture);
    wallpaper->replace_daily_bitmap(platform.files, picture, daily_bitmap);
    return wallpaper;
}

} // namespace muralis::Module1
