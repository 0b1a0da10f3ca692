// What a picture file's first bytes say, read by this code before any
// decoder sees the file: the format, the size the header declares and a
// JPEG's orientation. Both platforms decide with it which decoder gets a
// file and refuse a picture too large to decode before anything is
// allocated for it. Portable: no system call, the bytes come from a
// ByteSource.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace muralis::formats {

enum class PictureFormat { Unknown, Bitmap, Jpeg, Png, Webp };

// The largest picture decoded, in pixels each way: a 16K screen.
constexpr int largest_picture_side = 16384;

// The bytes of a file, read at any offset.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t size() const = 0;
    // Reads up to size bytes at offset into into; fewer only where the file
    // ends. Throws as the platform's reads do.
    virtual std::size_t read_at(std::uint64_t offset, unsigned char* into, std::size_t size) = 0;
};

struct PictureHeader {
    PictureFormat format = PictureFormat::Unknown; // told from the bytes
    // The size the header declares; 0 when it declares none that can be
    // read. Bitmaps are sized by their own readers and keep 0 here.
    int width = 0;
    int height = 0;
    // A JPEG's EXIF orientation, 1 (as stored) to 8.
    int orientation = 1;
};

// Reads the header of the picture in source. Never throws but for the
// source's own failures; a damaged header gives what could be read.
PictureHeader read_picture_header(ByteSource& source);

// The format a file name's extension names (".bmp", ".jpg" or ".jpeg",
// ".png", ".webp", letter case ignored); Unknown for any other name.
PictureFormat format_named_by(std::string_view path);

// The format to decode the file at path as, its header read: a bitmap
// whatever the name, as bitmaps always were; a JPEG, PNG or WebP when the
// name names that same format and the declared size is 1 to
// largest_picture_side each way. Unknown for anything else, which is no
// readable picture: a name that says one format over bytes of another, a
// format not listed, a size too large or none.
PictureFormat format_to_decode(const PictureHeader& header, std::string_view path);

// The size of the daily bitmap written from a picture of width x height:
// the picture's own while it fits 7680 x 4320 (turned either way), else
// scaled down to fit, its shape kept, so that no daily bitmap reaches
// 100 MB.
struct PixelSize {
    int width = 0;
    int height = 0;
    bool operator==(const PixelSize&) const = default;
};
PixelSize daily_bitmap_size(int width, int height);

// The size of a picture once its EXIF orientation is applied: the sides
// swap for the orientations that turn it a quarter (5 to 8).
PixelSize oriented_size(int width, int height, int orientation);

// Copies width x height pixels (rows top down, no padding) from from into
// to, turned and flipped as the EXIF orientation says: to then holds
// oriented_size(width, height, orientation) pixels the same way.
void orient_pixels(const std::uint32_t* from, int width, int height, int orientation, std::uint32_t* to);

// The 54 bytes of headers of an uncompressed 24-bit bitmap of width x
// height, rows bottom up, and the bytes of one of its rows, padded to 4.
std::string bitmap_headers(int width, int height);
std::size_t bitmap_row_bytes(int width);

} // namespace muralis::formats
