#include "platform/linux/pictures/decoders.h"

#include "platform/linux/pictures/picture_file.h"

namespace muralis::linux_platform {

bool decoder_available(formats::PictureFormat format)
{
    switch (format) {
    case formats::PictureFormat::Jpeg:
        return jpeg_decoder_available();
    case formats::PictureFormat::Png:
        return png_decoder_available();
    case formats::PictureFormat::Webp:
        return webp_decoder_available();
    default:
        return false;
    }
}

RgbImage decode_picture(formats::PictureFormat format, int fd, std::uint64_t file_size,
                        const formats::PictureHeader& header, formats::PixelSize at_least)
{
    switch (format) {
    case formats::PictureFormat::Jpeg:
        return decode_jpeg(fd, file_size, header, at_least);
    case formats::PictureFormat::Png:
        return decode_png(fd, file_size, header);
    case formats::PictureFormat::Webp:
        return decode_webp(fd, file_size, header);
    default:
        throw invalid_picture();
    }
}

void compose_on_black(RgbImage& image)
{
    std::uint32_t* pixel = image.data();
    const std::size_t count = static_cast<std::size_t>(image.width()) * static_cast<std::size_t>(image.height());
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t value = pixel[i];
        const std::uint32_t alpha = value >> 24;
        if (alpha == 0xff)
            continue;
        const auto weigh = [alpha](std::uint32_t channel) { return (channel * alpha + 127) / 255; };
        pixel[i] = 0xff000000u | weigh(value >> 16 & 0xff) << 16 | weigh(value >> 8 & 0xff) << 8 | weigh(value & 0xff);
    }
}

} // namespace muralis::linux_platform
