#include "platform/linux/pictures/plain_bitmap.h"

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <climits>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string>

#include "platform/failure.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/pictures/picture_file.h"

namespace muralis::linux_platform {

namespace {

constexpr std::uint64_t FileHeaderSize = 14;

// The info header sizes read here: BITMAPINFOHEADER, BITMAPV4HEADER and
// BITMAPV5HEADER. The fields after the first 40 bytes (masks, colour space)
// say nothing about the pixels of an uncompressed 24-bit bitmap, and Qt
// ignores them too.
bool known_info_size(std::uint32_t size)
{
    return size == 40 || size == 108 || size == 124;
}

// The rows read at a time: large enough that the system calls cost
// nothing, small enough to stay in the cache while they are converted.
constexpr std::size_t ChunkBytes = std::size_t{1} << 20;

std::uint32_t little_endian_32(const unsigned char* bytes)
{
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

std::uint16_t little_endian_16(const unsigned char* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

// One row of blue, green, red byte triples to 0xffRRGGBB words. On a
// little-endian machine three words read hold four pixels, each in place
// but for a shift: twice as fast as putting each pixel together bytewise.
void convert_row(const unsigned char* from, std::uint32_t* to, int width)
{
    int x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= width; x += 4, from += 12) {
            std::uint32_t words[3];
            std::memcpy(words, from, sizeof words);
            to[x] = 0xff000000u | words[0];
            to[x + 1] = 0xff000000u | words[0] >> 24 | words[1] << 8;
            to[x + 2] = 0xff000000u | words[1] >> 16 | words[2] << 16;
            to[x + 3] = 0xff000000u | words[2] >> 8;
        }
    }
    for (; x < width; ++x, from += 3)
        to[x] = 0xff000000u | static_cast<std::uint32_t>(from[2]) << 16 | static_cast<std::uint32_t>(from[1]) << 8 |
                from[0];
}

} // namespace

std::optional<RgbImage> read_plain_bitmap(int fd, std::uint64_t file_size, formats::PixelSize at_least)
{
    unsigned char header[FileHeaderSize + 40];
    if (file_size < sizeof header || read_at(fd, header, sizeof header, 0) != sizeof header)
        return std::nullopt;
    const std::uint32_t pixel_offset = little_endian_32(header + 10);
    const std::uint32_t info_size = little_endian_32(header + 14);
    const auto width = static_cast<std::int32_t>(little_endian_32(header + 18));
    const auto height = static_cast<std::int32_t>(little_endian_32(header + 22));
    const std::uint16_t planes = little_endian_16(header + 26);
    const std::uint16_t bits = little_endian_16(header + 28);
    const std::uint32_t compression = little_endian_32(header + 30);
    if (header[0] != 'B' || header[1] != 'M' || !known_info_size(info_size) || planes != 1 || bits != 24 ||
        compression != 0 || width < 1 || width > largest_picture_side || height == 0 ||
        height < -largest_picture_side || height > largest_picture_side)
        return std::nullopt;
    const std::uint64_t headers_end = FileHeaderSize + info_size;
    if (file_size < headers_end)
        return std::nullopt;

    // At most 16384 rows of 49152 bytes: no sum here comes near 64 bits.
    const bool top_down = height < 0;
    const int rows = top_down ? -height : height;
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::uint64_t pixel_bytes = std::uint64_t{stride} * static_cast<std::uint64_t>(rows);
    // Qt's reader leaves the rows missing from such a file as its memory
    // held them; Windows refuses the file, and so does Muralis.
    if (std::uint64_t{pixel_offset} + pixel_bytes > file_size)
        throw invalid_picture();
    // Qt takes the offset as a signed number and reads the rows right after
    // the headers when it is negative or points into them. When the rows
    // do not all fit from there, Qt's reader has the last word.
    const std::uint64_t rows_at =
        pixel_offset > INT32_MAX || pixel_offset < headers_end ? headers_end : pixel_offset;
    if (rows_at + pixel_bytes > file_size)
        return std::nullopt;

    // Every row and column, or for a picture to be shown smaller, one
    // row and one column in every `step`: the rows not needed are never
    // read.
    int step = 1;
    if (at_least.width > 0 && at_least.height > 0)
        step = std::max(1, std::min(width / at_least.width, rows / at_least.height));
    if (step > 1) {
        RgbImage image(width / step, rows / step);
        const auto line = std::make_unique_for_overwrite<unsigned char[]>(stride);
        for (int y = 0; y < image.height(); ++y) {
            const int shown_row = y * step + step / 2;
            const int file_row = top_down ? shown_row : rows - 1 - shown_row;
            if (read_at(fd, line.get(), stride, rows_at + std::uint64_t{stride} * static_cast<unsigned>(file_row)) !=
                stride)
                throw invalid_picture();
            std::uint32_t* to = image.row(y);
            for (int x = 0; x < image.width(); ++x) {
                const unsigned char* from = line.get() + static_cast<std::size_t>(x * step + step / 2) * 3;
                to[x] = 0xff000000u | static_cast<std::uint32_t>(from[2]) << 16 |
                        static_cast<std::uint32_t>(from[1]) << 8 | from[0];
            }
        }
        return image;
    }

    RgbImage image(width, rows);
    const int chunk_rows = static_cast<int>(std::max<std::size_t>(1, ChunkBytes / stride));
    const auto chunk = std::make_unique_for_overwrite<unsigned char[]>(static_cast<std::size_t>(chunk_rows) * stride);
    std::uint64_t at = rows_at;
    for (int first = 0; first < rows; first += chunk_rows) {
        const int count = std::min(chunk_rows, rows - first);
        const std::size_t size = static_cast<std::size_t>(count) * stride;
        // Short only when the file shrank since its size was taken.
        if (read_at(fd, chunk.get(), size, at) != size)
            throw invalid_picture();
        at += size;
        for (int i = 0; i < count; ++i) {
            const int file_row = first + i;
            convert_row(chunk.get() + static_cast<std::size_t>(i) * stride,
                        image.row(top_down ? file_row : rows - 1 - file_row), width);
        }
    }
    return image;
}

std::optional<RgbImage> read_plain_bitmap_file(const std::string& path)
{
    std::uint64_t size = 0;
    const UniqueFd fd = open_picture_file(path, size);
    return read_plain_bitmap(fd.get(), size);
}

} // namespace muralis::linux_platform
