// Feeds arbitrary bytes, as a picture file, to the pictures both programs
// read on Linux without Qt (read_picture): the header reader, then
// libjpeg-turbo, libpng or libwebp as the bytes say (the file is named for
// that format, so that the decoders are reached). Either a picture of at
// most 16384 pixels a side, oriented as its header said, or the failure
// the programs know as an invalid picture; the same for the preview's
// reduced reading.
//
// The libraries are Debian's, not instrumented: what is fuzzed is this
// project's code around them (the file source, the errors' jumps, the
// composition onto black, the turning), which the sanitizers watch.
#include <fcntl.h>

#include <optional>
#include <string>

#include "picture_file.h"
#include "platform/failure.h"
#include "platform/formats/picture_header.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/pictures/picture_reader.h"
#include "platform/linux/unique_fd.h"

using namespace muralis;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& written = fuzzing::picture_file_holding(data, size);
    // The same bytes under the name of the format they start with.
    linux_platform::UniqueFd probe(::open(written.c_str(), O_RDONLY | O_CLOEXEC));
    fuzzing::check(static_cast<bool>(probe));
    linux_platform::FileBytes bytes(probe.get(), size);
    const formats::PictureHeader header = formats::read_picture_header(bytes);
    const char* extension = header.format == formats::PictureFormat::Jpeg   ? ".jpg"
                            : header.format == formats::PictureFormat::Png  ? ".png"
                            : header.format == formats::PictureFormat::Webp ? ".webp"
                                                                            : ".bmp";
    const std::string path = written + extension;

    for (const formats::PixelSize shown : {formats::PixelSize{}, formats::PixelSize{95, 71}}) {
        try {
            const std::optional<linux_platform::RgbImage> picture =
                linux_platform::read_picture(probe.get(), size, path, shown);
            if (!picture)
                continue; // a bitmap only Qt reads
            fuzzing::check(!picture->null() && picture->width() >= 1 && picture->height() >= 1);
            fuzzing::check(picture->width() <= formats::largest_picture_side &&
                           picture->height() <= formats::largest_picture_side);
            if (header.format != formats::PictureFormat::Bitmap && shown.width == 0) {
                const formats::PixelSize turned =
                    formats::oriented_size(header.width, header.height, header.orientation);
                fuzzing::check(picture->width() == turned.width && picture->height() == turned.height);
            }
            for (int y = 0; y < picture->height(); ++y)
                for (int x = 0; x < picture->width(); ++x)
                    fuzzing::check(picture->row(y)[x] >> 24 == 0xff);
        } catch (const Failure& failure) {
            fuzzing::check(failure.number() == 481);
        }
    }
    return 0;
}
