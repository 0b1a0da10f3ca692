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
    const int width = picture.width(), height = picture.height();
    const formats::PixelSize size = formats::oriented_size(width, height, orientation);
    RgbImage turned(size.width, size.height);
    // Where the pixel at (x, y) of the stored picture goes. Orientation 2
    // mirrors, 3 turns half, 4 flips; 5 to 8 swap the axes (5 mirrors along
    // the main diagonal, 6 turns a quarter clockwise, 7 along the other
    // diagonal, 8 a quarter anticlockwise).
    for (int y = 0; y < height; ++y) {
        const std::uint32_t* row = picture.row(y);
        for (int x = 0; x < width; ++x) {
            int to_x = x, to_y = y;
            switch (orientation) {
            case 2: to_x = width - 1 - x; break;
            case 3: to_x = width - 1 - x; to_y = height - 1 - y; break;
            case 4: to_y = height - 1 - y; break;
            case 5: to_x = y; to_y = x; break;
            case 6: to_x = height - 1 - y; to_y = x; break;
            case 7: to_x = height - 1 - y; to_y = width - 1 - x; break;
            case 8: to_x = y; to_y = width - 1 - x; break;
            default: break;
            }
            turned.row(to_y)[to_x] = row[x];
        }
    }
    return turned;
}

} // namespace muralis::linux_platform
