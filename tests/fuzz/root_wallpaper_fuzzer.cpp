// Feeds arbitrary bytes, as the daily bitmap, to the X11 root window
// backend's decoding and scaling (monitor_images) for a small landscape
// and a small portrait monitor: either no image at all, or one image of
// exactly each monitor's size.
//
// Run with -malloc_limit_mb=512: Qt decodes at most 256 MB here (its
// default limit), and an image for monitors this small never needs more;
// a larger allocation is scaling work out of proportion to the screen (the
// seeds wide-16384x1-cut.bmp and tall-1x16384-cut.bmp ask for it).
#include <QImage>
#include <QSize>

#include "picture_file.h"
#include "platform/linux/x11_root_wallpaper.h"

using namespace muralis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<QSize> monitors{{96, 32}, {32, 96}};
    const std::vector<QImage> images =
        linux_platform::monitor_images(fuzzing::picture_file_holding(data, size), monitors);
    fuzzing::check(images.empty() || images.size() == monitors.size());
    for (std::size_t i = 0; i < images.size(); ++i)
        fuzzing::check(images[i].size() == monitors[i]);
    return 0;
}
