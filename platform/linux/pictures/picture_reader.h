// Pictures as both programs read them on Linux without Qt: the plain
// bitmap by the platform's own reader, JPEG, PNG and WebP by their
// libraries, loaded when first needed. Only other bitmaps are left to Qt.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/formats/picture_header.h"
#include "platform/linux/pictures/rgb_image.h"

namespace muralis::linux_platform {

// The picture in fd, a regular file of file_size bytes named path, as it
// is shown: a JPEG turned as its EXIF orientation says, transparency
// composed onto black. nullopt for a bitmap other than a plain one, which
// Qt's reader judges. Throws Failure (481, "Invalid picture") for any
// other file that is no readable picture: no format listed, a name that
// names another format than the bytes, a declared size of more than
// largest_picture_side a side (before anything is decoded), damage, or a
// decoder that does not load; the system's failure when the file cannot
// be read.
//
// shown, when given, is the size in pixels the picture will be reduced to:
// a bitmap's rows and columns are then read sparsely, and a JPEG decoded at
// a reduced scale, keeping enough pixels for a smooth reduction.
std::optional<RgbImage> read_picture(int fd, std::uint64_t file_size, const std::string& path,
                                     formats::PixelSize shown = {});

// The same for the file at path, opened as open_picture_file() does.
std::optional<RgbImage> read_picture_file(const std::string& path, formats::PixelSize shown = {});

// The file list's pattern of the pictures read here: "*.bmp", then the
// extensions of each format whose library loads. Loads them.
std::string picture_pattern();

// The picture turned and flipped as an EXIF orientation (1 to 8) says.
RgbImage oriented(RgbImage picture, int orientation);

} // namespace muralis::linux_platform
