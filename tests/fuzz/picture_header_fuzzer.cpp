// Feeds arbitrary bytes to the header reader both platforms run before any
// decoder (read_picture_header), and to its EXIF orientation reader
// directly: every read stays inside the bytes (the address sanitizer
// watches), the orientation is one of the eight, and a size the header
// reader gives passes format_to_decode only within 16384 a side.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "picture_file.h"
#include "platform/formats/exif_orientation.h"
#include "platform/formats/picture_header.h"

using namespace muralis;

namespace {

class MemoryBytes final : public formats::ByteSource {
public:
    MemoryBytes(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    std::uint64_t size() const override { return m_size; }
    std::size_t read_at(std::uint64_t offset, unsigned char* into, std::size_t size) override
    {
        if (offset >= m_size)
            return 0;
        const std::size_t count = std::min<std::uint64_t>(size, m_size - offset);
        std::memcpy(into, m_data + offset, count);
        return count;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int direct = formats::exif_orientation(data, size);
    fuzzing::check(direct >= 1 && direct <= 8);

    MemoryBytes bytes(data, size);
    const formats::PictureHeader header = formats::read_picture_header(bytes);
    fuzzing::check(header.orientation >= 1 && header.orientation <= 8);
    fuzzing::check(header.width >= 0 && header.height >= 0);
    for (const char* name : {"a.bmp", "a.jpg", "a.JPEG", "a.png", "a.webp", "a"}) {
        const formats::PictureFormat format = formats::format_to_decode(header, name);
        if (format == formats::PictureFormat::Jpeg || format == formats::PictureFormat::Png ||
            format == formats::PictureFormat::Webp)
            fuzzing::check(format == header.format && header.width >= 1 && header.height >= 1 &&
                           header.width <= formats::largest_picture_side &&
                           header.height <= formats::largest_picture_side);
    }
    const formats::PixelSize daily = formats::daily_bitmap_size(std::max(1, header.width), std::max(1, header.height));
    fuzzing::check(std::max(daily.width, daily.height) <= std::max({7680, header.width, header.height}));
    return 0;
}
