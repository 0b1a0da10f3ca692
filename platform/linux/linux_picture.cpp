// Pictures loaded for the editor's preview.
#include <cerrno>

#include <QByteArrayView>
#include <QImage>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/qt_picture.h"

namespace muralis::linux_platform {

namespace {

// The numbers the editor knows these failures by.
constexpr int FileNotFound = 53;
constexpr int InvalidPicture = 481;

} // namespace

std::shared_ptr<const Picture> LinuxDesktop::load_picture(const std::string& path)
{
    // The bytes are read here rather than by QImage::load, which reports
    // every failure alike: a missing file must be told from one that holds
    // no picture, and a file that cannot be read gets the system's reason.
    std::string bytes;
    try {
        bytes = LinuxFiles().read_text(path);
    } catch (const Failure& failure) {
        if (failure.number() == ENOENT || failure.number() == ENOTDIR)
            throw Failure(FileNotFound, "File not found");
        if (failure.number() == EISDIR)
            throw Failure(InvalidPicture, "Invalid picture");
        throw;
    }
    // The format is told from the content, whatever the file's name says.
    QImage image = QImage::fromData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (image.isNull())
        throw Failure(InvalidPicture, "Invalid picture");
    return std::make_shared<QtPicture>(std::move(image));
}

} // namespace muralis::linux_platform
