// Pictures loaded for the editor's preview, and checked for the applier.
#include "platform/win32/win32_picture.h"

#include <cstdint>
#include <cstring>
#include <new>
#include <optional>

#include "platform/background_task.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_failure.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/wic_picture.h"

namespace muralis::win32 {

namespace {

constexpr int FileNotFound = 53;
constexpr int InvalidPicture = 481;

std::uint32_t u16_at(const unsigned char* bytes, std::size_t at)
{
    return bytes[at] | (bytes[at + 1] << 8);
}

std::uint32_t u32_at(const unsigned char* bytes, std::size_t at)
{
    return u16_at(bytes, at) | (u16_at(bytes, at + 2) << 16);
}

// The largest width and height loaded: a DIB section of 16384 x 16384 at
// 32 bits already takes 1 GiB.
constexpr std::int64_t largest_side = 16384;

// Whether the bitmap file at path_ansi is one that LoadImage can be given:
// a size it can hold, a depth and compression that go together, and every
// byte its headers promise. LoadImage maps the file and trusts its headers:
// on a file cut short (an interrupted copy or download), or whose pixel
// offset points before the info header, it reads outside the mapping and
// the process dies of it, at least under Wine. A file that cannot be
// opened here is left for LoadImage to refuse.
bool is_safe_to_load(const std::string& path_ansi)
{
    FileHandle file(::CreateFileA(path_ansi.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return true;
    LARGE_INTEGER size_info;
    if (!::GetFileSizeEx(file.get(), &size_info))
        return true;
    const std::uint64_t size = static_cast<std::uint64_t>(size_info.QuadPart);

    // BITMAPFILEHEADER (14 bytes), then the largest info header (V5, 124).
    unsigned char header[14 + 124] = {};
    DWORD got = 0;
    if (!::ReadFile(file.get(), header, sizeof header, &got, nullptr) || got < 14 + 12)
        return false;
    if (header[0] != 'B' || header[1] != 'M')
        return false;
    const std::uint32_t pixels_offset = u32_at(header, 10);
    const std::uint32_t info_size = u32_at(header, 14);

    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t depth = 0;
    std::uint32_t compression = BI_RGB;
    std::uint32_t image_size = 0;
    std::uint64_t table_bytes = 0;
    if (info_size == 12) {
        // BITMAPCOREHEADER: 16-bit sizes, a table of 3-byte entries.
        width = u16_at(header, 18);
        height = u16_at(header, 20);
        depth = u16_at(header, 24);
        table_bytes = depth <= 8 ? (3u << depth) : 0;
    } else if (info_size >= 40 && info_size <= 124 && got >= 14 + info_size) {
        width = static_cast<std::int32_t>(u32_at(header, 18));
        height = static_cast<std::int32_t>(u32_at(header, 22));
        depth = u16_at(header, 28);
        compression = u32_at(header, 30);
        image_size = u32_at(header, 34);
        // The table the header declares must lie in the file, whether the
        // loader reads all of it or only the 256 entries a picture can use.
        std::uint64_t colours = u32_at(header, 46);
        if (colours == 0 && depth <= 8)
            colours = 1u << depth;
        // The three masks follow a plain info header; later headers hold them.
        const std::uint64_t masks = compression == BI_BITFIELDS && info_size == 40 ? 12 : 0;
        table_bytes = masks + colours * 4;
    } else {
        return false;
    }
    if (depth != 1 && depth != 4 && depth != 8 && depth != 16 && depth != 24 && depth != 32)
        return false;
    if (width <= 0 || height == 0 || width > largest_side || height > largest_side || height < -largest_side)
        return false;

    std::uint64_t pixel_bytes = 0;
    if (compression == BI_RGB || (compression == BI_BITFIELDS && (depth == 16 || depth == 32))) {
        const std::uint64_t stride = (static_cast<std::uint64_t>(width) * depth + 31) / 32 * 4;
        pixel_bytes = stride * static_cast<std::uint64_t>(height < 0 ? -height : height);
    } else if ((compression == BI_RLE8 && depth == 8) || (compression == BI_RLE4 && depth == 4)) {
        // A run-length stream says how many bytes it takes, and is always
        // stored bottom-up. The system's decoder stops at the end of the
        // stream, of a row and of the picture.
        if (image_size == 0 || height < 0)
            return false;
        pixel_bytes = image_size;
    } else {
        // JPEG and PNG (for printers only), a run-length code of another
        // depth, masks at a depth without them: no picture a DIB section
        // holds.
        return false;
    }
    // An offset of 0 means the pixels follow the table; one inside the
    // headers is taken by the loader as a wrapped-around distance.
    if (pixels_offset != 0 && pixels_offset < 14 + std::uint64_t{info_size})
        return false;
    // Whether the loader starts the pixels at the offset the file header
    // gives or right after the colour table, they must lie in the file.
    const std::uint64_t table_end = 14 + std::uint64_t{info_size} + table_bytes;
    const std::uint64_t pixels_start = pixels_offset > table_end ? pixels_offset : table_end;
    return table_end <= size && pixels_start + pixel_bytes <= size;
}

} // namespace

namespace {

// Decoded pixels in a 32-bit DIB section, as LoadImageA gives a bitmap.
std::shared_ptr<const Picture> picture_of(const DecodedPicture& decoded)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = decoded.width;
    info.bmiHeader.biHeight = -decoded.height; // top down, as decoded
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits)
        throw std::bad_alloc();
    std::memcpy(bits, decoded.pixels.get(),
                static_cast<std::size_t>(decoded.width) * static_cast<std::size_t>(decoded.height) * 4);
    try {
        return std::make_shared<const Win32Picture>(bitmap);
    } catch (...) {
        ::DeleteObject(bitmap);
        throw;
    }
}

} // namespace

Win32Picture::Win32Picture(HBITMAP bitmap) : m_bitmap(bitmap)
{
    BITMAP header{};
    if (::GetObjectA(m_bitmap, sizeof header, &header) == sizeof header) {
        m_width = header.bmWidth;
        // A top-down bitmap reports its height as a negative number.
        m_height = header.bmHeight < 0 ? -header.bmHeight : header.bmHeight;
    }
}

Win32Picture::~Win32Picture()
{
    ::DeleteObject(m_bitmap);
}

std::shared_ptr<const Picture> Win32Desktop::load_picture(const std::string& path)
{
    const std::string path_ansi = ansi_from_utf8(path);
    const DWORD attributes = ::GetFileAttributesA(path_ansi.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throw Failure(FileNotFound, path + ": " + system_message(::GetLastError()));
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        throw Failure(FileNotFound, path + ": " + system_message(ERROR_FILE_NOT_FOUND));
    const formats::PictureHeader header = read_header(path);
    const formats::PictureFormat format = formats::format_to_decode(header, path);
    if (format == formats::PictureFormat::Unknown)
        throw Failure(InvalidPicture, path + ": Invalid picture");
    if (format != formats::PictureFormat::Bitmap)
        return picture_of(decode_with_wic(path, format, header, {}));
    if (!is_safe_to_load(path_ansi))
        throw Failure(InvalidPicture, path + ": Invalid picture");

    // A DIB section keeps the file's own pixels and depth; a bitmap
    // compatible with the screen would be converted to the display's format
    // as it loads.
    HBITMAP bitmap = static_cast<HBITMAP>(::LoadImageA(nullptr, path_ansi.c_str(), IMAGE_BITMAP, 0, 0,
                                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION));
    if (!bitmap)
        throw Failure(InvalidPicture, path + ": Invalid picture");
    try {
        return std::make_shared<const Win32Picture>(bitmap);
    } catch (...) {
        // Out of memory before the picture took the bitmap over.
        ::DeleteObject(bitmap);
        throw;
    }
}

namespace {

// A bitmap checked by LoadImageA on another thread until finish(), while
// it is copied; a JPEG, PNG or WebP decoded by WIC on that thread, at the
// daily bitmap's size, to be written as the daily bitmap. The wallpaper is
// installed by its path.
class LoadingPicture final : public PreparedWallpaper {
public:
    LoadingPicture(Win32Desktop& desktop, std::string path)
        : m_desktop(desktop), m_header(read_header(path)), m_format(formats::format_to_decode(m_header, path)),
          m_task([this, path] {
              if (m_format == formats::PictureFormat::Bitmap || m_format == formats::PictureFormat::Unknown) {
                  m_desktop.load_picture(path);
                  return;
              }
              const formats::PixelSize shown =
                  formats::oriented_size(m_header.width, m_header.height, m_header.orientation);
              m_decoded = decode_with_wic(path, m_format, m_header,
                                          formats::daily_bitmap_size(shown.width, shown.height));
          })
    {
    }

    void finish() override { m_task.finish(); }

    void replace_daily_bitmap(Files& files, const std::string& picture, const std::string& daily_bitmap) override
    {
        if (m_format == formats::PictureFormat::Bitmap || m_format == formats::PictureFormat::Unknown) {
            PreparedWallpaper::replace_daily_bitmap(files, picture, daily_bitmap);
            return;
        }
        // Decoded completely before the old daily bitmap is touched.
        finish();
        replace_with_bitmap(daily_bitmap, m_decoded.width, m_decoded.height, m_decoded.pixels.get());
    }

    void install(const std::string& path) override
    {
        finish();
        m_desktop.install_wallpaper(path);
    }

private:
    Win32Desktop& m_desktop;
    const formats::PictureHeader m_header;
    const formats::PictureFormat m_format;
    DecodedPicture m_decoded;
    // Last: it is done with the members above before they go.
    BackgroundTask m_task;
};

} // namespace

std::unique_ptr<PreparedWallpaper> Win32Desktop::prepare_wallpaper(const std::string& path)
{
    return std::make_unique<LoadingPicture>(*this, path);
}

std::string Win32Desktop::picture_pattern()
{
    std::string pattern = "*.bmp";
    if (wic_decodes(formats::PictureFormat::Jpeg))
        pattern += ";*.jpg;*.jpeg";
    if (wic_decodes(formats::PictureFormat::Png))
        pattern += ";*.png";
    if (wic_decodes(formats::PictureFormat::Webp))
        pattern += ";*.webp";
    return pattern;
}

} // namespace muralis::win32
