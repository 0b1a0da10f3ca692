// JPEG, PNG and WebP pictures through the Windows Imaging Component, for
// the editor's preview and for the daily bitmap Muralrun writes. WIC
// decodes the formats for which a codec is installed: Windows has JPEG and
// PNG, and WebP with the system's WebP extension; Wine has JPEG and PNG.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/formats/picture_header.h"

namespace muralis::win32 {

// Pixels as 32-bit words 0xffRRGGBB (blue, green, red, then 0xff in
// memory: a 32-bit DIB's layout), rows top down.
struct DecodedPicture {
    int width = 0;
    int height = 0;
    std::unique_ptr<std::uint32_t[]> pixels;
};

// The header of the picture in the file at path_utf8, read by the
// product's own reader. Throws Failure: 53 when the file is missing or is a
// folder, the system's failure when it cannot be read.
formats::PictureHeader read_header(const std::string& path_utf8);

// The picture at path_utf8, of format (a JPEG, PNG or WebP whose header
// was read as header, its size within the largest side), turned as its
// EXIF orientation says, transparency composed onto black, and scaled
// down to fit (keeping its shape was the caller's business) when fit is
// smaller than the picture; fit {} keeps its size. Throws Failure (481,
// "Invalid picture") when WIC has no codec for it or cannot decode it.
DecodedPicture decode_with_wic(const std::string& path_utf8, formats::PictureFormat format,
                               const formats::PictureHeader& header, formats::PixelSize fit);

// Whether WIC has a decoder for format here. Asks WIC once per format.
bool wic_decodes(formats::PictureFormat format);

} // namespace muralis::win32
