// PNG pictures through libpng, loaded at the first one.
#include <csetjmp>
#include <exception>
#include <memory>

#include <png.h>

#include "platform/linux/pictures/decoders.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/shared_library.h"

namespace muralis::linux_platform {

namespace {

// The functions of libpng16.so.16 the decoder calls, typed by png.h.
struct PngLibrary {
    decltype(&::png_create_read_struct) create_read_struct = nullptr;
    decltype(&::png_create_info_struct) create_info_struct = nullptr;
    decltype(&::png_destroy_read_struct) destroy_read_struct = nullptr;
    decltype(&::png_set_read_fn) set_read_fn = nullptr;
    decltype(&::png_get_io_ptr) get_io_ptr = nullptr;
    decltype(&::png_get_error_ptr) get_error_ptr = nullptr;
    decltype(&::png_set_user_limits) set_user_limits = nullptr;
    decltype(&::png_read_info) read_info = nullptr;
    decltype(&::png_get_IHDR) get_IHDR = nullptr;
    decltype(&::png_get_valid) get_valid = nullptr;
    decltype(&::png_set_expand) set_expand = nullptr;
    decltype(&::png_set_scale_16) set_scale_16 = nullptr;
    decltype(&::png_set_gray_to_rgb) set_gray_to_rgb = nullptr;
    decltype(&::png_set_bgr) set_bgr = nullptr;
    decltype(&::png_set_filler) set_filler = nullptr;
    decltype(&::png_set_interlace_handling) set_interlace_handling = nullptr;
    decltype(&::png_read_update_info) read_update_info = nullptr;
    decltype(&::png_get_rowbytes) get_rowbytes = nullptr;
    decltype(&::png_read_row) read_row = nullptr;
    bool complete = false;
};

const PngLibrary& png_library()
{
    static const PngLibrary library = [] {
        PngLibrary bound;
        const SharedLibrary so("libpng16.so.16");
        bound.complete =
            so.bind(bound.create_read_struct, "png_create_read_struct") &&
            so.bind(bound.create_info_struct, "png_create_info_struct") &&
            so.bind(bound.destroy_read_struct, "png_destroy_read_struct") &&
            so.bind(bound.set_read_fn, "png_set_read_fn") && so.bind(bound.get_io_ptr, "png_get_io_ptr") &&
            so.bind(bound.get_error_ptr, "png_get_error_ptr") &&
            so.bind(bound.set_user_limits, "png_set_user_limits") && so.bind(bound.read_info, "png_read_info") &&
            so.bind(bound.get_IHDR, "png_get_IHDR") && so.bind(bound.get_valid, "png_get_valid") &&
            so.bind(bound.set_expand, "png_set_expand") && so.bind(bound.set_scale_16, "png_set_scale_16") &&
            so.bind(bound.set_gray_to_rgb, "png_set_gray_to_rgb") && so.bind(bound.set_bgr, "png_set_bgr") &&
            so.bind(bound.set_filler, "png_set_filler") &&
            so.bind(bound.set_interlace_handling, "png_set_interlace_handling") &&
            so.bind(bound.read_update_info, "png_read_update_info") &&
            so.bind(bound.get_rowbytes, "png_get_rowbytes") && so.bind(bound.read_row, "png_read_row");
        return bound;
    }();
    return library;
}

// Everything the setjmp frame below touches, so that a longjmp out of the
// library skips no C++ destructor.
struct Decoding {
    const PngLibrary* png = nullptr;
    png_structp read = nullptr;
    png_infop info = nullptr;
    int fd = -1;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::exception_ptr read_failure;
    bool transparent = false; // an alpha channel, or a colour made transparent
    std::jmp_buf failed;
};

[[noreturn]] void error_exit(png_structp read, png_const_charp)
{
    auto* d = static_cast<Decoding*>(png_library().get_error_ptr(read));
    std::longjmp(d->failed, 1);
}

void ignore_warning(png_structp, png_const_charp) {}

// A file that ends before the picture does, or cannot be read, is an error
// inside libpng: it never sees a C++ exception.
void read_data(png_structp read, png_bytep into, png_size_t size)
{
    auto* d = static_cast<Decoding*>(png_library().get_io_ptr(read));
    std::size_t got = 0;
    try {
        got = read_at(d->fd, into, size, d->offset);
    } catch (...) {
        d->read_failure = std::current_exception();
    }
    d->offset += got;
    if (got != size)
        std::longjmp(d->failed, 1);
}

bool decode(Decoding& d, const formats::PictureHeader& header, RgbImage& image)
{
    const PngLibrary& png = *d.png;
    if (setjmp(d.failed))
        return false;
    d.read = png.create_read_struct(PNG_LIBPNG_VER_STRING, &d, error_exit, ignore_warning);
    if (!d.read)
        return false;
    d.info = png.create_info_struct(d.read);
    if (!d.info)
        return false;
    png.set_read_fn(d.read, &d, read_data);
    png.set_user_limits(d.read, formats::largest_picture_side, formats::largest_picture_side);
    png.read_info(d.read, d.info);
    png_uint_32 width = 0, height = 0;
    int depth = 0, colour = 0, interlace = 0;
    png.get_IHDR(d.read, d.info, &width, &height, &depth, &colour, &interlace, nullptr, nullptr);
    if (width != static_cast<png_uint_32>(header.width) || height != static_cast<png_uint_32>(header.height))
        return false;
    d.transparent = (colour & PNG_COLOR_MASK_ALPHA) != 0 || png.get_valid(d.read, d.info, PNG_INFO_tRNS) != 0;
    // Palette, grey and 16-bit pictures all become 8-bit blue, green, red
    // and alpha (opaque where the picture has none); colour profiles and
    // gamma are left alone.
    png.set_expand(d.read);
    png.set_scale_16(d.read);
    png.set_gray_to_rgb(d.read);
    png.set_bgr(d.read);
    png.set_filler(d.read, 0xff, PNG_FILLER_AFTER);
    const int passes = png.set_interlace_handling(d.read);
    png.read_update_info(d.read, d.info);
    if (png.get_rowbytes(d.read, d.info) != std::size_t{width} * 4)
        return false;
    image = RgbImage(static_cast<int>(width), static_cast<int>(height));
    // An interlaced picture comes in passes over the whole picture, each
    // adding to the rows the one before left.
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png.read_row(d.read, reinterpret_cast<png_bytep>(image.row(static_cast<int>(y))), nullptr);
    return true;
}

} // namespace

bool png_decoder_available()
{
    return png_library().complete;
}

RgbImage decode_png(int fd, std::uint64_t file_size, const formats::PictureHeader& header)
{
    const PngLibrary& png = png_library();
    if (!png.complete)
        throw invalid_picture();
    const auto d = std::make_unique<Decoding>();
    d->png = &png;
    d->fd = fd;
    d->size = file_size;
    struct Destroy {
        Decoding& d;
        ~Destroy()
        {
            if (d.read)
                d.png->destroy_read_struct(&d.read, d.info ? &d.info : nullptr, nullptr);
        }
    } destroy{*d};
    RgbImage image;
    const bool decoded = decode(*d, header, image);
    if (d->read_failure)
        std::rethrow_exception(d->read_failure);
    if (!decoded || image.null())
        throw invalid_picture();
    if (d->transparent)
        compose_on_black(image);
    return image;
}

} // namespace muralis::linux_platform
