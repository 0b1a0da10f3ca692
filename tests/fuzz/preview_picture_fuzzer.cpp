// Feeds arbitrary bytes, as a picture file, to the editor's preview loader
// (LinuxDesktop::load_picture): either a picture no larger than the 16K
// sides it accepts, or the failure the editor knows as an invalid picture.
#include <QImage>

#include "picture_file.h"
#include "platform/linux/linux_desktop.h"
#include "platform/linux/qt/qt_picture.h"
#include "platform/linux/qt/qt_toolkit.h"

using namespace muralis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static linux_platform::LinuxDesktop desktop(linux_platform::qt_toolkit());
    try {
        const auto picture = desktop.load_picture(fuzzing::picture_file_holding(data, size));
        fuzzing::check(picture != nullptr);
        const auto& image = static_cast<const linux_platform::QtPicture&>(*picture).image();
        fuzzing::check(!image.isNull() && picture->width() == image.width() && picture->height() == image.height());
        fuzzing::check(image.width() <= 16384 && image.height() <= 16384);
    } catch (const Failure& failure) {
        fuzzing::check(failure.number() == 481);
    }
    return 0;
}
