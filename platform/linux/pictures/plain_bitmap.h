// The one picture format the applier decodes by itself: the plain Windows
// bitmap that picture programs save by default. Every other file goes to
// the general reader (Qt's), which knows every format.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/formats/picture_header.h"
#include "platform/linux/pictures/rgb_image.h"

namespace muralis::linux_platform {

// The largest picture read, in pixels each way: a 16K screen.
constexpr int largest_picture_side = formats::largest_picture_side;

// The picture in fd, a regular file of file_size bytes opened for reading,
// when it is a plain bitmap: a "BM" file with a BITMAPINFOHEADER or one of
// its later versions, uncompressed (BI_RGB), 24 bits a pixel, 1 to
// largest_picture_side pixels each way, rows bottom up or top down. Such a
// file decodes to exactly the pixels Qt's reader gives it.
//
// nullopt for any other file, even a damaged one, which the general reader
// then judges. Throws Failure (481, "Invalid picture") for a plain bitmap
// shorter than the rows its header announces, as Windows' reader refuses
// one, and the system's failure when the file cannot be read. Reads with
// pread, so fd's offset is left alone.
//
// With at_least, for a picture to be shown small: only every n-th row and
// column is read, n the largest that leaves at least at_least pixels each
// way, taking the pixel in the middle of each n x n block; the caller's
// smooth reduction then averages those. The checks, and so the refusals,
// are the same as for the whole picture.
std::optional<RgbImage> read_plain_bitmap(int fd, std::uint64_t file_size, formats::PixelSize at_least = {});

// The picture in the file at path when it is a plain bitmap, as above;
// nullopt for any other file. Throws Failure as open_picture_file() and
// read_plain_bitmap() do.
std::optional<RgbImage> read_plain_bitmap_file(const std::string& path);

} // namespace muralis::linux_platform
