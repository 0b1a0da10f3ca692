// The decoders of JPEG, PNG and WebP pictures: libjpeg-turbo, libpng and
// libwebp, each loaded the first time a picture of its format is decoded
// (or asked about), so that a program that never meets one never loads it.
#pragma once

#include <cstdint>

#include "platform/formats/picture_header.h"
#include "platform/linux/pictures/rgb_image.h"

namespace muralis::linux_platform {

// Whether the library that decodes format loads here, with every function
// its decoder calls. Loads it the first time.
bool decoder_available(formats::PictureFormat format);

// The picture of format in fd, a regular file of file_size bytes whose
// header was read as header (its declared size within the largest side),
// as pixels without transparency: what is transparent is composed onto
// black. Not oriented. A JPEG is decoded at a reduced scale (1/2, 1/4,
// 1/8) when that still gives at least at_least pixels each way; the other
// formats and a zero at_least give the picture's own size.
//
// Throws Failure (481, "Invalid picture") for a file the decoder finds
// damaged or cut short, whose decoded size differs from the header's, or
// whose library does not load; the system's failure when the file cannot
// be read. Reads with pread, so fd's offset is left alone.
RgbImage decode_picture(formats::PictureFormat format, int fd, std::uint64_t file_size,
                        const formats::PictureHeader& header, formats::PixelSize at_least);

// Each format's decoder, as decode_picture calls it.
RgbImage decode_jpeg(int fd, std::uint64_t file_size, const formats::PictureHeader& header,
                     formats::PixelSize at_least);
RgbImage decode_png(int fd, std::uint64_t file_size, const formats::PictureHeader& header);
RgbImage decode_webp(int fd, std::uint64_t file_size, const formats::PictureHeader& header);
bool jpeg_decoder_available();
bool png_decoder_available();
bool webp_decoder_available();

// Composes each pixel of rows 0xAARRGGBB onto black, leaving 0xffRRGGBB.
void compose_on_black(RgbImage& image);

} // namespace muralis::linux_platform
