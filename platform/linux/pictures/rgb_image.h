// Pictures as the Linux applier handles them without a toolkit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace muralis::linux_platform {

// width x height pixels as 32-bit words 0xffRRGGBB, rows top down with no
// padding: the layout of Qt's QImage::Format_RGB32 and of a ZPixmap of 32
// bits a pixel on a TrueColor visual with the usual masks. The pixels are
// not cleared when made.
class RgbImage {
public:
    RgbImage() = default;
    RgbImage(int width, int height);
    // Images move; shared() is the one way to two of the same pixels.
    RgbImage(RgbImage&&) noexcept = default;
    RgbImage& operator=(RgbImage&&) noexcept = default;

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool null() const { return !m_pixels; }
    std::uint32_t* row(int y) { return m_pixels.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width); }
    const std::uint32_t* row(int y) const
    {
        return m_pixels.get() + static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width);
    }
    std::uint32_t* data() { return m_pixels.get(); }
    const std::uint32_t* data() const { return m_pixels.get(); }

    // Another image of the same pixels, not a copy: for two readers at
    // once (the daily bitmap's writer, the screen's scaling), neither of
    // which may write to them from then on.
    RgbImage shared() const { return *this; }

private:
    RgbImage(const RgbImage&) = default;

    int m_width = 0;
    int m_height = 0;
    std::shared_ptr<std::uint32_t[]> m_pixels;
};

// The picture scaled to cover width x height with its aspect kept, and
// cropped to it around the centre; smoothly, as Qt's SmoothTransformation
// scales (averaging the pixels a target pixel covers when it shrinks,
// interpolating between neighbours when it grows). The picture itself, moved,
// when it already has that size.
RgbImage fill(RgbImage picture, int width, int height);

} // namespace muralis::linux_platform
