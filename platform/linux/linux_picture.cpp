// Pictures loaded for the editor's preview.
#include <fcntl.h>
#include <sys/stat.h>

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include <QFile>
#include <QImage>
#include <QImageReader>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/qt_picture.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

namespace {

// The numbers the editor knows these failures by.
constexpr int FileNotFound = 53;
constexpr int InvalidPicture = 481;

// The largest picture loaded, in pixels each way: a 16K screen.
constexpr int LargestSide = 16384;

Failure invalid_picture()
{
    return Failure(InvalidPicture, "Invalid picture");
}

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
    return std::uint64_t{at(10)} + row * rows > static_cast<std::uint64_t>(file_size);
}

} // namespace

std::shared_ptr<const Picture> LinuxDesktop::load_picture(const std::string& path)
{
    // Qt refuses to allocate more than 256 MB for one decoded image, about
    // 8192 x 8192 at 4 bytes a pixel. The largest side is checked below from
    // the header, so the limit only has to leave room for the largest
    // picture at the widest format a decoder makes (8 bytes a pixel for
    // 16-bit PNG).
    static const bool limit_raised = [] {
        constexpr int largest_megabytes = LargestSide * LargestSide / (1024 * 1024) * 8;
        QImageReader::setAllocationLimit(largest_megabytes);
        return true;
    }();
    (void)limit_raised;

    // The file is opened here rather than by QImageReader, which reports
    // every failure alike: a missing file must be told from one that holds
    // no picture, and a file that cannot be opened gets the system's reason.
    // O_NONBLOCK keeps a FIFO from waiting for a writer.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw Failure(FileNotFound, "File not found");
        throw system_failure(errno, path);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw system_failure(errno, path);
    if (!S_ISREG(info.st_mode))
        throw invalid_picture();

    // The decoder reads from the file as it goes, so a large bitmap never
    // stands in memory twice (bytes and pixels).
    QFile file;
    if (!file.open(fd.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        throw invalid_picture();
    // With a device and no format, the format is told from the content,
    // whatever the file's name says.
    QImageReader reader(&file);
    if (!reader.canRead() || (reader.format() == "bmp" && bitmap_cut_short(fd.get(), info.st_size)))
        throw invalid_picture();
    const auto too_large = [](QSize size) { return size.width() > LargestSide || size.height() > LargestSide; };
    if (const QSize size = reader.size(); size.isValid() && too_large(size))
        throw invalid_picture();
    QImage image;
    if (!reader.read(&image) || image.isNull() || too_large(image.size()))
        throw invalid_picture();
    return std::make_shared<QtPicture>(std::move(image));
}

} // namespace muralis::linux_platform
