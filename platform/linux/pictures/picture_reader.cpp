#include "platform/linux/pictures/picture_reader.h"

#include "platform/linux/pictures/decoders.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/pictures/plain_bitmap.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

std::optional<RgbImage> read_picture(int fd, std::uint64_t file_size, const std::string& path,
                                     formats::PixelSize shown)
{
    FileBytes bytes(fd, file_size);
    const formats::PictureHeader header = formats::read_picture_header(bytes);
    const formats::PictureFormat format = formats::format_to_decode(header, path);
    if (format == formats::PictureFormat::Unknown)
        throw invalid_picture();
    if (format == formats::PictureFormat::Bitmap) {
        // At least twice the shown size, so that the reduction to it still
        // averages several pixels for each it shows.
        const formats::PixelSize at_least{shown.width * 2, shown.height * 2};
        return read_plain_bitmap(fd, file_size, at_least);
    }
    // The shown size is the turned picture's; the decoder's is the file's.
    const formats::PixelSize at_least = formats::oriented_size(shown.width, shown.height, header.orientation);
    return oriented(decode_picture(format, fd, file_size, header, at_least), header.orientation);
}

std::optional<RgbImage> read_picture_file(const std::string& path, formats::PixelSize shown)
{
    std::uint64_t size = 0;
    const UniqueFd fd = open_picture_file(path, size);
    return read_picture(fd.get(), size, path, shown);
}

std::string picture_pattern()
{
    std::string pattern = "*.bmp";
    if (decoder_available(formats::PictureFormat::Jpeg))
        pattern += ";*.jpg;*.jpeg";
    if (decoder_available(formats::PictureFormat::Png))
        pattern += ";*.png";
    if (decoder_available(formats::PictureFormat::Webp))
        pattern += ";*.webp";
    return pattern;
}

RgbImage oriented(RgbImage picture, int orientation)
{
    if (orientation <= 1 || orientation > 8)
        return picture;
    const formats::PixelSize size = formats::oriented_size(picture.width(), picture.height(), orientation);
    RgbImage turned(size.width, size.height);
    formats::orient_pixels(picture.data(), picture.width(), picture.height(), orientation, turned.data());
    return turned;
}

} // namespace muralis::linux_platform
