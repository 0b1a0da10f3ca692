// The one field of a JPEG's EXIF block the programs use: the orientation
// the camera recorded, which neither libjpeg-turbo nor every WIC decoder
// applies.
#pragma once

#include <cstddef>

namespace muralis::formats {

// The orientation (1 to 8, as TIFF numbers them) in the TIFF structure
// that follows "Exif\0\0" in an APP1 segment, given as data; 1 when the
// block holds none, or a value out of range, or is damaged in any way.
// Reads nothing outside data.
int exif_orientation(const unsigned char* data, std::size_t size);

} // namespace muralis::formats
