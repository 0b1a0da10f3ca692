// JPEG pictures through libjpeg-turbo, loaded at the first one.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <exception>
#include <memory>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/linux/pictures/decoders.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/shared_library.h"

namespace muralis::linux_platform {

namespace {

// The functions of libjpeg.so.62 the decoder calls, typed by jpeglib.h.
struct JpegLibrary {
    decltype(&::jpeg_std_error) std_error = nullptr;
    decltype(&::jpeg_CreateDecompress) create_decompress = nullptr;
    decltype(&::jpeg_destroy_decompress) destroy_decompress = nullptr;
    decltype(&::jpeg_read_header) read_header = nullptr;
    decltype(&::jpeg_start_decompress) start_decompress = nullptr;
    decltype(&::jpeg_read_scanlines) read_scanlines = nullptr;
    decltype(&::jpeg_finish_decompress) finish_decompress = nullptr;
    decltype(&::jpeg_resync_to_restart) resync_to_restart = nullptr;
    bool complete = false;
};

const JpegLibrary& jpeg_library()
{
    static const JpegLibrary library = [] {
        JpegLibrary bound;
        const SharedLibrary so("libjpeg.so.62");
        bound.complete = so.bind(bound.std_error, "jpeg_std_error") &&
                         so.bind(bound.create_decompress, "jpeg_CreateDecompress") &&
                         so.bind(bound.destroy_decompress, "jpeg_destroy_decompress") &&
                         so.bind(bound.read_header, "jpeg_read_header") &&
                         so.bind(bound.start_decompress, "jpeg_start_decompress") &&
                         so.bind(bound.read_scanlines, "jpeg_read_scanlines") &&
                         so.bind(bound.finish_decompress, "jpeg_finish_decompress") &&
                         so.bind(bound.resync_to_restart, "jpeg_resync_to_restart");
        return bound;
    }();
    return library;
}

// The file read through pread in runs of 64 KB. At its end, where a whole
// picture would have ended, the source gives the end-of-image marker that
// libjpeg asks for and notes that the file was cut short.
struct FileSource {
    jpeg_source_mgr manager{};
    int fd = -1;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    bool cut_short = false;
    std::exception_ptr read_failure;
    JOCTET buffer[1 << 16];
};

// Everything the setjmp frame below touches, so that a longjmp out of the
// library skips no C++ destructor.
struct Decoding {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    FileSource source;
    std::jmp_buf failed;
    bool damaged = false; // a warning that data was lost or made up
    bool created = false;
};

Decoding& decoding_of(j_common_ptr info)
{
    return *static_cast<Decoding*>(info->client_data);
}

// A read never throws through libjpeg: its failure is noted and the file
// treated as ended.
boolean fill_input_buffer(j_decompress_ptr info)
{
    FileSource& source = decoding_of(reinterpret_cast<j_common_ptr>(info)).source;
    std::size_t got = 0;
    if (source.offset < source.size) {
        try {
            got = read_at(source.fd, source.buffer, sizeof source.buffer, source.offset);
        } catch (...) {
            source.read_failure = std::current_exception();
        }
    }
    if (got == 0) {
        source.cut_short = true;
        source.buffer[0] = 0xff;
        source.buffer[1] = JPEG_EOI;
        got = 2;
    } else {
        source.offset += got;
    }
    source.manager.next_input_byte = source.buffer;
    source.manager.bytes_in_buffer = got;
    return TRUE;
}

void skip_input_data(j_decompress_ptr info, long count)
{
    FileSource& source = decoding_of(reinterpret_cast<j_common_ptr>(info)).source;
    if (count <= 0)
        return;
    auto skip = static_cast<std::size_t>(count);
    while (skip > source.manager.bytes_in_buffer) {
        skip -= source.manager.bytes_in_buffer;
        source.manager.bytes_in_buffer = 0;
        // Past what is buffered: skipped in the file without reading it.
        if (!source.cut_short && source.offset < source.size) {
            const std::uint64_t left = source.size - source.offset;
            const std::uint64_t jump = skip < left ? skip : left;
            source.offset += jump;
            skip -= static_cast<std::size_t>(jump);
        }
        if (skip == 0)
            return;
        fill_input_buffer(info);
    }
    source.manager.next_input_byte += skip;
    source.manager.bytes_in_buffer -= skip;
}

void init_source(j_decompress_ptr) {}
void term_source(j_decompress_ptr) {}

[[noreturn]] void error_exit(j_common_ptr info)
{
    std::longjmp(decoding_of(info).failed, 1);
}

// Warnings that mean pixels were lost or made up: the picture is damaged.
// Others (bytes between segments, an unknown Adobe transform, a JFIF
// version) leave every pixel as it was meant.
void emit_message(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_NOT_SEQUENTIAL:
        decoding_of(info).damaged = true;
        break;
    default:
        break;
    }
}

// A progressive picture may hold any number of scans, each costing a pass
// over the whole picture: a small file of many thousands would take
// minutes. No encoder writes more than a few dozen; libjpeg-turbo's own
// tools stop at 500.
void progress_monitor(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > 500)
        std::longjmp(decoding_of(info).failed, 1);
}

// The largest reduction, of 1/2, 1/4 and 1/8, that leaves at least
// at_least pixels each way.
unsigned reduction_for(const formats::PictureHeader& header, formats::PixelSize at_least)
{
    unsigned denominator = 1;
    if (at_least.width <= 0 || at_least.height <= 0)
        return denominator;
    while (denominator < 8) {
        const unsigned next = denominator * 2;
        const auto reduced = [next](int side) { return (static_cast<unsigned>(side) + next - 1) / next; };
        if (reduced(header.width) < static_cast<unsigned>(at_least.width) ||
            reduced(header.height) < static_cast<unsigned>(at_least.height))
            break;
        denominator = next;
    }
    return denominator;
}

// CMYK as Adobe's programs write it, inverted (255 is no ink), or as
// others do: each channel times the black, into red, green and blue.
void cmyk_row_to_rgb(std::uint32_t* row, int width, bool inverted)
{
    auto* bytes = reinterpret_cast<unsigned char*>(row);
    for (int x = 0; x < width; ++x, bytes += 4) {
        unsigned c = bytes[0], m = bytes[1], y = bytes[2], k = bytes[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        row[x] = 0xff000000u | (c * k + 127) / 255 << 16 | (m * k + 127) / 255 << 8 | (y * k + 127) / 255;
    }
}

// Decodes into image, which is made here at the decoded size; false when
// the library failed. The only frame with a setjmp: every object it holds
// lives in decoding or in the caller.
bool decode(const JpegLibrary& jpeg, Decoding& d, const formats::PictureHeader& header, formats::PixelSize at_least,
            RgbImage& image)
{
    if (setjmp(d.failed))
        return false;
    d.info.err = jpeg.std_error(&d.errors);
    d.errors.error_exit = error_exit;
    d.errors.emit_message = emit_message;
    jpeg.create_decompress(&d.info, JPEG_LIB_VERSION, sizeof d.info);
    d.created = true;
    d.info.client_data = &d;
    d.source.manager.init_source = init_source;
    d.source.manager.fill_input_buffer = fill_input_buffer;
    d.source.manager.skip_input_data = skip_input_data;
    d.source.manager.resync_to_restart = jpeg.resync_to_restart;
    d.source.manager.term_source = term_source;
    d.info.src = &d.source.manager;
    d.progress.progress_monitor = progress_monitor;
    d.info.progress = &d.progress;

    jpeg.read_header(&d.info, TRUE);
    // The library read the same frame header as the product did.
    if (d.info.image_width != static_cast<JDIMENSION>(header.width) ||
        d.info.image_height != static_cast<JDIMENSION>(header.height))
        return false;
    const bool cmyk = d.info.jpeg_color_space == JCS_CMYK || d.info.jpeg_color_space == JCS_YCCK;
    d.info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRA;
    d.info.scale_num = 1;
    d.info.scale_denom = reduction_for(header, at_least);
    if (d.info.scale_denom > 1) {
        // A reduced picture is reduced again for its box: the faster
        // transform and upsampling change nothing that box shows.
        d.info.dct_method = JDCT_IFAST;
        d.info.do_fancy_upsampling = FALSE;
    }
    jpeg.start_decompress(&d.info);
    if (d.info.output_components != 4)
        return false;
    image = RgbImage(static_cast<int>(d.info.output_width), static_cast<int>(d.info.output_height));
    while (d.info.output_scanline < d.info.output_height) {
        auto* row = reinterpret_cast<JSAMPROW>(image.row(static_cast<int>(d.info.output_scanline)));
        if (jpeg.read_scanlines(&d.info, &row, 1) != 1)
            return false;
        if (cmyk)
            cmyk_row_to_rgb(reinterpret_cast<std::uint32_t*>(row), image.width(), d.info.saw_Adobe_marker);
    }
    jpeg.finish_decompress(&d.info);
    return true;
}

} // namespace

bool jpeg_decoder_available()
{
    return jpeg_library().complete;
}

RgbImage decode_jpeg(int fd, std::uint64_t file_size, const formats::PictureHeader& header,
                     formats::PixelSize at_least)
{
    const JpegLibrary& jpeg = jpeg_library();
    if (!jpeg.complete)
        throw invalid_picture();
    const auto d = std::make_unique<Decoding>();
    d->source.fd = fd;
    d->source.size = file_size;
    // The library's memory goes whatever ends the decoding, memory for the
    // pixels that could not be had included.
    struct Destroy {
        const JpegLibrary& jpeg;
        Decoding& d;
        ~Destroy()
        {
            if (d.created)
                jpeg.destroy_decompress(&d.info);
        }
    } destroy{jpeg, *d};
    RgbImage image;
    const bool decoded = decode(jpeg, *d, header, at_least, image);
    if (d->source.read_failure)
        std::rethrow_exception(d->source.read_failure);
    if (!decoded || d->damaged || d->source.cut_short || image.null())
        throw invalid_picture();
    return image;
}

} // namespace muralis::linux_platform
