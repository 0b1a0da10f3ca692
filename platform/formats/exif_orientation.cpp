#include "platform/formats/exif_orientation.h"

#include <cstdint>

namespace muralis::formats {

int exif_orientation(const unsigned char* data, std::size_t size)
{
    // "II*\0" (little endian) or "MM\0*" (big endian), then the offset of
    // the first directory from the start of these bytes.
    if (!data || size < 8)
        return 1;
    bool little = false;
    if (data[0] == 'I' && data[1] == 'I')
        little = true;
    else if (!(data[0] == 'M' && data[1] == 'M'))
        return 1;
    const auto u16 = [&](std::size_t at) {
        return little ? static_cast<unsigned>(data[at] | data[at + 1] << 8)
                      : static_cast<unsigned>(data[at] << 8 | data[at + 1]);
    };
    const auto u32 = [&](std::size_t at) {
        return little ? std::uint32_t{u16(at)} | std::uint32_t{u16(at + 2)} << 16
                      : std::uint32_t{u16(at)} << 16 | std::uint32_t{u16(at + 2)};
    };
    if (u16(2) != 42)
        return 1;
    const std::uint32_t directory = u32(4);
    if (directory < 8 || directory > size - 2)
        return 1;
    const unsigned entries = u16(directory);
    // Entries of 12 bytes: tag, type, count, then the value itself when it
    // fits in 4 bytes, as a SHORT does (in the first two).
    for (unsigned i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 2 + std::size_t{i} * 12;
        if (entry + 12 > size)
            return 1;
        if (u16(entry) != 0x0112)
            continue;
        if (u16(entry + 2) != 3 || u32(entry + 4) != 1)
            return 1;
        const unsigned orientation = u16(entry + 8);
        return orientation >= 1 && orientation <= 8 ? static_cast<int>(orientation) : 1;
    }
    return 1;
}

} // namespace muralis::formats
