// Pictures read by Qt: any format it knows.
#include <sys/types.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include <QFile>
#include <QImageReader>

#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/pictures/plain_bitmap.h"
#include "platform/linux/qt/qt_picture.h"

namespace muralis::linux_platform {

namespace {

// Whether an uncompressed bitmap file is shorter than the rows its header
// announces. Qt's reader stops at the end of such a file and returns the
// rows it got as a whole picture, where Windows' LoadImage refuses it.
bool bitmap_cut_short(int fd, off_t file_size)
{
    unsigned char header[54];
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) || header[0] != 'B' ||
        header[1] != 'M')
        return false;
    const auto at = [&](int offset) {
        return static_cast<std::uint32_t>(header[offset]) | static_cast<std::uint32_t>(header[offset + 1]) << 8 |
               static_cast<std::uint32_t>(header[offset + 2]) << 16 |
               static_cast<std::uint32_t>(header[offset + 3]) << 24;
    };
    const std::uint32_t compression = at(30);
    // The OS/2 header lays its fields out otherwise; compressed rows have
    // no fixed size.
    if (at(14) < 40 || (compression != 0 && compression != 3))
        return false;
    const auto width = static_cast<std::int32_t>(at(18));
    const auto height = static_cast<std::int32_t>(at(22));
    const unsigned bits = header[28] | header[29] << 8;
    const std::uint64_t row = (static_cast<std::uint64_t>(std::abs(std::int64_t{width})) * bits + 31) / 32 * 4;
    const std::uint64_t rows = static_cast<std::uint64_t>(std::abs(std::int64_t{height}));
    // Qt reads the rows from the offset the file gives, or from the end of
    // the headers when that offset points into them or is out of range.
    const std::uint64_t headers_end = 14 + std::uint64_t{at(14)};
    const std::uint64_t offset = at(10);
    const std::uint64_t start = offset >= 0x80000000u ? headers_end : std::max(offset, headers_end);
    return start + row * rows > static_cast<std::uint64_t>(file_size);
}

} // namespace

QImage read_qimage(const std::string& path)
{
    // Qt refuses to allocate more than 256 MB for one decoded image, about
    // 8192 x 8192 at 4 bytes a pixel. The largest side is checked below from
    // the header, so the limit only has to leave room for the largest
    // picture at the widest format a decoder makes (8 bytes a pixel for
    // 16-bit PNG).
    static const bool limit_raised = [] {
        constexpr int largest_megabytes = largest_picture_side * largest_picture_side / (1024 * 1024) * 8;
        QImageReader::setAllocationLimit(largest_megabytes);
        return true;
    }();
    (void)limit_raised;

    // The file is opened here rather than by QImageReader, which reports
    // every failure alike.
    std::uint64_t file_size = 0;
    const UniqueFd fd = open_picture_file(path, file_size);

    // The decoder reads from the file as it goes, so a large bitmap never
    // stands in memory twice (bytes and pixels).
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw invalid_picture();
    // With a device and no format, the format is told from the content,
    // whatever the file's name says.
    QImageReader reader(&file);
    // Only bitmaps come here: every other format has its own decoder, and
    // a format Qt alone reads is no picture the programs list.
    if (!reader.canRead() || reader.format() != "bmp" ||
        (reader.format() == "bmp" && bitmap_cut_short(fd.get(), static_cast<off_t>(file_size))))
        throw invalid_picture();
    const auto too_large = [](QSize size) {
        return size.width() > largest_picture_side || size.height() > largest_picture_side;
    };
    if (const QSize size = reader.size(); size.isValid() && too_large(size))
        throw invalid_picture();
    QImage image;
    if (!reader.read(&image) || image.isNull() || too_large(image.size()))
        throw invalid_picture();
    return image;
}

} // namespace muralis::linux_platform
