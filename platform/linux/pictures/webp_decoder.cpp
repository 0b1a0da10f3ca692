// WebP pictures through libwebp, loaded at the first one; an animation's
// first frame through libwebpdemux, loaded at the first animation.
#include <cstring>
#include <memory>

#include <webp/decode.h>
#include <webp/demux.h>

#include "platform/linux/pictures/decoders.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/shared_library.h"

namespace muralis::linux_platform {

namespace {

// The functions the decoder calls, typed by libwebp's headers; the
// headers' inline functions call the "Internal" ones with their version.
struct WebpLibrary {
    decltype(&::WebPGetFeaturesInternal) get_features = nullptr;
    decltype(&::WebPDecodeBGRAInto) decode_bgra_into = nullptr;
    bool complete = false;
};

struct DemuxLibrary {
    decltype(&::WebPDemuxInternal) demux = nullptr;
    decltype(&::WebPDemuxGetI) get_i = nullptr;
    decltype(&::WebPDemuxGetFrame) get_frame = nullptr;
    decltype(&::WebPDemuxReleaseIterator) release_iterator = nullptr;
    decltype(&::WebPDemuxDelete) remove = nullptr;
    bool complete = false;
};

const WebpLibrary& webp_library()
{
    static const WebpLibrary library = [] {
        WebpLibrary bound;
        const SharedLibrary so("libwebp.so.7");
        bound.complete = so.bind(bound.get_features, "WebPGetFeaturesInternal") &&
                         so.bind(bound.decode_bgra_into, "WebPDecodeBGRAInto");
        return bound;
    }();
    return library;
}

const DemuxLibrary& demux_library()
{
    static const DemuxLibrary library = [] {
        DemuxLibrary bound;
        const SharedLibrary so("libwebpdemux.so.2");
        bound.complete = so.bind(bound.demux, "WebPDemuxInternal") && so.bind(bound.get_i, "WebPDemuxGetI") &&
                         so.bind(bound.get_frame, "WebPDemuxGetFrame") &&
                         so.bind(bound.release_iterator, "WebPDemuxReleaseIterator") &&
                         so.bind(bound.remove, "WebPDemuxDelete");
        return bound;
    }();
    return library;
}

// Decodes one frame's bitstream into the part of image at (left, top) of
// width x height pixels.
bool decode_frame(const WebpLibrary& webp, const std::uint8_t* data, std::size_t size, RgbImage& image, int left,
                  int top, int width, int height)
{
    WebPBitstreamFeatures features{};
    if (webp.get_features(data, size, &features, WEBP_DECODER_ABI_VERSION) != VP8_STATUS_OK ||
        features.width != width || features.height != height || left < 0 || top < 0 ||
        left + width > image.width() || top + height > image.height())
        return false;
    const int stride = image.width() * 4;
    auto* first = reinterpret_cast<std::uint8_t*>(image.row(top) + left);
    // The frame's last row ends where the picture's row does, or sooner.
    const std::size_t span = static_cast<std::size_t>(height - 1) * static_cast<std::size_t>(stride) +
                             static_cast<std::size_t>(width) * 4;
    return webp.decode_bgra_into(data, size, first, span, stride) != nullptr;
}

} // namespace

bool webp_decoder_available()
{
    return webp_library().complete;
}

RgbImage decode_webp(int fd, std::uint64_t file_size, const formats::PictureHeader& header)
{
    const WebpLibrary& webp = webp_library();
    if (!webp.complete)
        throw invalid_picture();
    // libwebp decodes from memory. A compressed picture no larger than its
    // pixels is read whole; a larger file is no picture of that size.
    const std::uint64_t pixels = std::uint64_t{static_cast<unsigned>(header.width)} *
                                 static_cast<unsigned>(header.height) * 4;
    if (file_size > pixels + (1u << 20))
        throw invalid_picture();
    const auto size = static_cast<std::size_t>(file_size);
    const auto bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    if (read_at(fd, bytes.get(), size, 0) != size)
        throw invalid_picture();

    WebPBitstreamFeatures features{};
    if (webp.get_features(bytes.get(), size, &features, WEBP_DECODER_ABI_VERSION) != VP8_STATUS_OK)
        throw invalid_picture();
    RgbImage image(header.width, header.height);
    bool decoded = false;
    if (!features.has_animation) {
        decoded = decode_frame(webp, bytes.get(), size, image, 0, 0, header.width, header.height);
    } else {
        // The first frame, drawn on a canvas that starts transparent.
        const DemuxLibrary& demux = demux_library();
        if (!demux.complete)
            throw invalid_picture();
        const WebPData data{bytes.get(), size};
        WebPDemuxer* demuxer = demux.demux(&data, 0, nullptr, WEBP_DEMUX_ABI_VERSION);
        if (!demuxer)
            throw invalid_picture();
        std::memset(image.data(), 0, static_cast<std::size_t>(pixels));
        WebPIterator frame{};
        if (demux.get_i(demuxer, WEBP_FF_CANVAS_WIDTH) == static_cast<std::uint32_t>(header.width) &&
            demux.get_i(demuxer, WEBP_FF_CANVAS_HEIGHT) == static_cast<std::uint32_t>(header.height) &&
            demux.get_frame(demuxer, 1, &frame)) {
            decoded = decode_frame(webp, frame.fragment.bytes, frame.fragment.size, image, frame.x_offset,
                                   frame.y_offset, frame.width, frame.height);
            demux.release_iterator(&frame);
        }
        demux.remove(demuxer);
    }
    if (!decoded)
        throw invalid_picture();
    // Always: a lossless picture that says it has no alpha may decode with
    // some all the same, and an animation's canvas starts transparent
    // around its first frame.
    compose_on_black(image);
    return image;
}

} // namespace muralis::linux_platform
