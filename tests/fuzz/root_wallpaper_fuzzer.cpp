// Feeds arbitrary bytes, as the daily bitmap, to the applier's own decoder
// (read_plain_bitmap) and scaler (fill), against Qt's reader:
// - a picture the decoder makes is the one Qt makes of the file, pixel for
//   pixel;
// - a file it refuses as cut short is an uncompressed 24-bit bitmap whose
//   header announces more rows than it holds, which the editor's Qt path
//   refuses too;
// - the picture filled onto a small landscape and a small portrait monitor
//   is exactly each monitor's size, with no colour the picture's pixels do
//   not span.
//
// Run with -malloc_limit_mb=512: no picture a fuzzed file can hold comes
// near it, and a larger allocation is scaling work out of proportion to
// the screen (the seeds wide-16384x1-cut.bmp and tall-1x16384-cut.bmp have
// the headers of such pictures).
#include <fcntl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include <QImage>
#include <QString>

#include "picture_file.h"
#include "platform/failure.h"
#include "platform/linux/pictures/plain_bitmap.h"
#include "platform/linux/pictures/rgb_image.h"
#include "platform/linux/unique_fd.h"

using namespace muralis;
using linux_platform::RgbImage;

namespace {

std::uint32_t little_endian(const std::uint8_t* bytes, int size)
{
    std::uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = value << 8 | bytes[i];
    return value;
}

// What the Qt path checks before it refuses a bitmap as cut short.
bool cut_short_plain_bitmap(const std::uint8_t* data, std::size_t size)
{
    if (size < 54 || data[0] != 'B' || data[1] != 'M' || little_endian(data + 28, 2) != 24 ||
        little_endian(data + 30, 4) != 0)
        return false;
    const auto width = static_cast<std::int32_t>(little_endian(data + 18, 4));
    const auto height = static_cast<std::int32_t>(little_endian(data + 22, 4));
    const std::uint64_t row = (static_cast<std::uint64_t>(std::abs(std::int64_t{width})) * 3 + 3) / 4 * 4;
    return little_endian(data + 10, 4) + row * static_cast<std::uint64_t>(std::abs(std::int64_t{height})) > size;
}

// Each channel's lowest and highest value in image, a byte each.
std::pair<std::uint32_t, std::uint32_t> channel_span(const RgbImage& image)
{
    std::uint32_t lowest = 0xffffffff, highest = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            for (const std::uint32_t mask : {0xffu, 0xff00u, 0xff0000u, 0xff000000u}) {
                lowest = (lowest & ~mask) | std::min(lowest & mask, image.row(y)[x] & mask);
                highest = (highest & ~mask) | std::max(highest & mask, image.row(y)[x] & mask);
            }
    return {lowest, highest};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzzing::picture_file_holding(data, size);
    const linux_platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    fuzzing::check(static_cast<bool>(fd));
    std::optional<RgbImage> picture;
    try {
        picture = linux_platform::read_plain_bitmap(fd.get(), size);
    } catch (const Failure& failure) {
        fuzzing::check(failure.number() == 481 && cut_short_plain_bitmap(data, size));
        return 0;
    }
    if (!picture)
        return 0;

    const QImage qt = QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
    fuzzing::check(qt.width() == picture->width() && qt.height() == picture->height());
    const auto row_bytes = static_cast<std::size_t>(qt.width()) * 4;
    for (int y = 0; y < qt.height(); ++y)
        fuzzing::check(std::memcmp(picture->row(y), qt.constScanLine(y), row_bytes) == 0);

    // Averages and interpolations: no channel of a filled pixel lies
    // outside what the picture's pixels span, so a picture of one colour
    // fills with that colour exactly.
    const auto [lowest, highest] = channel_span(*picture);
    for (const auto& [width, height] : {std::pair{96, 32}, std::pair{32, 96}}) {
        const RgbImage filled = linux_platform::fill(*linux_platform::read_plain_bitmap(fd.get(), size), width, height);
        fuzzing::check(filled.width() == width && filled.height() == height);
        const auto [filled_lowest, filled_highest] = channel_span(filled);
        for (const std::uint32_t mask : {0xffu, 0xff00u, 0xff0000u, 0xff000000u})
            fuzzing::check((filled_lowest & mask) >= (lowest & mask) && (filled_highest & mask) <= (highest & mask));
    }
    return 0;
}
