// Today's picture turned into the daily bitmap: the step every run of
// Muralrun that finds today's picture takes.
#pragma once

#include <memory>
#include <string>

#include "platform/platform.h"

namespace muralis::Module1 {

// Replaces the daily bitmap at daily_bitmap with the picture at picture and
// returns what installs it. A bitmap is checked by the desktop, and made
// ready for the screen, while it is copied byte for byte; a picture of
// another format is decoded completely, then written as a 24-bit bitmap.
// Either way the new daily bitmap is written beside the old one and renamed
// over it. Throws when the picture is missing or no readable picture, or
// when the daily bitmap cannot be written: the daily bitmap is then as it
// was.
std::unique_ptr<PreparedWallpaper> make_daily_bitmap(const Platform& platform, const std::string& picture,
                                                     const std::string& daily_bitmap);

} // namespace muralis::Module1
