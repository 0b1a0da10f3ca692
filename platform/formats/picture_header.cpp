#include "platform/formats/picture_header.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/formats/exif_orientation.h"

namespace muralis::formats {

namespace {

unsigned big_endian_16(const unsigned char* bytes)
{
    return static_cast<unsigned>(bytes[0] << 8 | bytes[1]);
}

std::uint32_t big_endian_32(const unsigned char* bytes)
{
    return std::uint32_t{big_endian_16(bytes)} << 16 | big_endian_16(bytes + 2);
}

std::uint32_t little_endian_24(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16;
}

int side(std::uint64_t value)
{
    // Anything beyond the largest side is as bad as any other: keep it in
    // range of an int, and above the limit.
    return static_cast<int>(std::min<std::uint64_t>(value, std::uint64_t{largest_picture_side} + 1));
}

// The markers of a JPEG up to its frame header: a segment's length is two
// bytes after its marker and counts itself. The first APP1 that holds
// "Exif\0\0" gives the orientation; the first start of frame gives the
// size. A scan, or the end, before any frame leaves the size 0.
void read_jpeg_header(ByteSource& source, PictureHeader& header)
{
    std::uint64_t at = 2;
    bool exif_seen = false;
    unsigned char marker[4];
    // A picture's frame comes after a few segments (an EXIF block, some
    // tables, a colour profile in up to 255 pieces): a file of thousands
    // of them before any frame is no picture, and is not read further.
    for (int segments = 0; segments < 1024; ++segments) {
        if (source.read_at(at, marker, 2) != 2 || marker[0] != 0xff)
            return;
        // Fill bytes: any number of 0xff before a marker.
        if (marker[1] == 0xff) {
            ++at;
            continue;
        }
        const unsigned code = marker[1];
        at += 2;
        // Markers without a segment.
        if (code == 0x01 || (code >= 0xd0 && code <= 0xd7))
            continue;
        if (code == 0xd9 || code == 0xda)
            return;
        if (source.read_at(at, marker, 2) != 2)
            return;
        const unsigned length = big_endian_16(marker);
        if (length < 2)
            return;
        const bool frame = code >= 0xc0 && code <= 0xcf && code != 0xc4 && code != 0xc8 && code != 0xcc;
        if (frame) {
            unsigned char frame_header[5];
            if (length < 7 || source.read_at(at + 2, frame_header, 5) != 5)
                return;
            header.height = side(big_endian_16(frame_header + 1));
            header.width = side(big_endian_16(frame_header + 3));
            return;
        }
        if (code == 0xe1 && !exif_seen && length >= 8) {
            std::vector<unsigned char> segment(length - 2);
            if (source.read_at(at + 2, segment.data(), segment.size()) != segment.size())
                return;
            static constexpr unsigned char exif[] = {'E', 'x', 'i', 'f', 0, 0};
            if (std::equal(std::begin(exif), std::end(exif), segment.begin())) {
                exif_seen = true;
                header.orientation = exif_orientation(segment.data() + 6, segment.size() - 6);
            }
        }
        at += length;
    }
}

// A PNG's first chunk is its IHDR: width and height, 4 bytes each, big
// endian.
void read_png_header(const unsigned char* bytes, std::size_t got, PictureHeader& header)
{
    static constexpr unsigned char ihdr[] = {0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    if (got < 24 || !std::equal(std::begin(ihdr), std::end(ihdr), bytes + 8))
        return;
    header.width = side(big_endian_32(bytes + 16));
    header.height = side(big_endian_32(bytes + 20));
}

// A WebP's first chunk: a lossy frame ("VP8 "), a lossless one ("VP8L"),
// or the extended header ("VP8X") with the canvas an animation's frames
// are drawn on.
void read_webp_header(const unsigned char* bytes, std::size_t got, PictureHeader& header)
{
    if (got < 30)
        return;
    const unsigned char* chunk = bytes + 12;
    const unsigned char* data = bytes + 20;
    if (std::equal(chunk, chunk + 4, "VP8 ")) {
        // A frame tag of 3 bytes, the start code, then 14 bits each way.
        if (data[3] != 0x9d || data[4] != 0x01 || data[5] != 0x2a)
            return;
        header.width = static_cast<int>((data[6] | data[7] << 8) & 0x3fff);
        header.height = static_cast<int>((data[8] | data[9] << 8) & 0x3fff);
    } else if (std::equal(chunk, chunk + 4, "VP8L")) {
        // A signature byte, then width - 1 and height - 1 in 14 bits each.
        if (data[0] != 0x2f)
            return;
        const std::uint32_t bits = static_cast<std::uint32_t>(data[1]) | static_cast<std::uint32_t>(data[2]) << 8 |
                                   static_cast<std::uint32_t>(data[3]) << 16 |
                                   static_cast<std::uint32_t>(data[4]) << 24;
        header.width = static_cast<int>((bits & 0x3fff) + 1);
        header.height = static_cast<int>(((bits >> 14) & 0x3fff) + 1);
    } else if (std::equal(chunk, chunk + 4, "VP8X")) {
        // Flags and 3 reserved bytes, then canvas width - 1 and height - 1
        // in 24 bits each.
        header.width = side(std::uint64_t{little_endian_24(data + 4)} + 1);
        header.height = side(std::uint64_t{little_endian_24(data + 7)} + 1);
    }
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool ends_with(std::string_view path, std::string_view extension)
{
    if (path.size() < extension.size())
        return false;
    const std::string_view end = path.substr(path.size() - extension.size());
    return std::equal(end.begin(), end.end(), extension.begin(), [](char a, char b) { return lower(a) == b; });
}

} // namespace

PictureHeader read_picture_header(ByteSource& source)
{
    PictureHeader header;
    unsigned char bytes[30] = {};
    const std::size_t got = source.read_at(0, bytes, sizeof bytes);
    static constexpr unsigned char png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (got >= 2 && bytes[0] == 'B' && bytes[1] == 'M') {
        header.format = PictureFormat::Bitmap;
    } else if (got >= 3 && bytes[0] == 0xff && bytes[1] == 0xd8 && bytes[2] == 0xff) {
        header.format = PictureFormat::Jpeg;
        read_jpeg_header(source, header);
    } else if (got >= 8 && std::equal(std::begin(png), std::end(png), bytes)) {
        header.format = PictureFormat::Png;
        read_png_header(bytes, got, header);
    } else if (got >= 12 && std::equal(bytes, bytes + 4, "RIFF") && std::equal(bytes + 8, bytes + 12, "WEBP")) {
        header.format = PictureFormat::Webp;
        read_webp_header(bytes, got, header);
    }
    return header;
}

PictureFormat format_named_by(std::string_view path)
{
    if (ends_with(path, ".bmp"))
        return PictureFormat::Bitmap;
    if (ends_with(path, ".jpg") || ends_with(path, ".jpeg"))
        return PictureFormat::Jpeg;
    if (ends_with(path, ".png"))
        return PictureFormat::Png;
    if (ends_with(path, ".webp"))
        return PictureFormat::Webp;
    return PictureFormat::Unknown;
}

PictureFormat format_to_decode(const PictureHeader& header, std::string_view path)
{
    if (header.format == PictureFormat::Bitmap)
        return PictureFormat::Bitmap;
    if (header.format == PictureFormat::Unknown || format_named_by(path) != header.format)
        return PictureFormat::Unknown;
    if (header.width < 1 || header.height < 1 || header.width > largest_picture_side ||
        header.height > largest_picture_side)
        return PictureFormat::Unknown;
    return header.format;
}

PixelSize daily_bitmap_size(int width, int height)
{
    constexpr double longest = 7680, shortest = 4320;
    const int longer = std::max(width, height), shorter = std::min(width, height);
    if (longer <= longest && shorter <= shortest)
        return {width, height};
    const double scale = std::min(longest / longer, shortest / shorter);
    const auto scaled = [scale](int side) { return std::max(1, static_cast<int>(std::floor(side * scale + 0.5))); };
    // Rounding never takes a side past the box it was scaled into.
    return {std::min(scaled(width), width >= height ? 7680 : 4320),
            std::min(scaled(height), width >= height ? 4320 : 7680)};
}

PixelSize oriented_size(int width, int height, int orientation)
{
    if (orientation >= 5 && orientation <= 8)
        return {height, width};
    return {width, height};
}

void orient_pixels(const std::uint32_t* from, int width, int height, int orientation, std::uint32_t* to)
{
    const PixelSize size = oriented_size(width, height, orientation);
    // Where the pixel at (x, y) of the stored picture goes. Orientation 2
    // mirrors, 3 turns half, 4 flips; 5 to 8 swap the axes (5 mirrors along
    // the main diagonal, 6 turns a quarter clockwise, 7 along the other
    // diagonal, 8 a quarter anticlockwise).
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = from + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x) {
            int to_x = x, to_y = y;
            switch (orientation) {
            case 2: to_x = width - 1 - x; break;
            case 3: to_x = width - 1 - x; to_y = height - 1 - y; break;
            case 4: to_y = height - 1 - y; break;
            case 5: to_x = y; to_y = x; break;
            case 6: to_x = height - 1 - y; to_y = x; break;
            case 7: to_x = height - 1 - y; to_y = width - 1 - x; break;
            case 8: to_x = y; to_y = width - 1 - x; break;
            default: break;
            }
            to[static_cast<std::size_t>(to_y) * static_cast<std::size_t>(size.width) + static_cast<std::size_t>(to_x)] =
                row[x];
        }
    }
}

std::size_t bitmap_row_bytes(int width)
{
    return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
}

std::string bitmap_headers(int width, int height)
{
    const std::uint64_t pixels = bitmap_row_bytes(width) * static_cast<std::uint64_t>(height);
    std::string headers;
    const auto put = [&headers](std::uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            headers += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    headers += "BM";
    put(54 + pixels, 4); // the file's size
    put(0, 4);
    put(54, 4); // where the rows start
    put(40, 4); // BITMAPINFOHEADER
    put(static_cast<std::uint32_t>(width), 4);
    put(static_cast<std::uint32_t>(height), 4); // positive: bottom up
    put(1, 2);  // planes
    put(24, 2); // bits a pixel
    put(0, 4);  // BI_RGB
    put(pixels, 4);
    put(2835, 4); // 72 DPI
    put(2835, 4);
    put(0, 4);
    put(0, 4);
    return headers;
}

} // namespace muralis::formats
