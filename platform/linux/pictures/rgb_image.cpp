#include "platform/linux/pictures/rgb_image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace muralis::linux_platform {

RgbImage::RgbImage(int width, int height)
    : m_width(width), m_height(height),
      // Left uninitialised: every pixel is written by whoever made it.
      m_pixels(new std::uint32_t[static_cast<std::size_t>(width) * static_cast<std::size_t>(height)])
{
}

namespace {

// Weights are fractions of WeightOne, 8 bits, so that a weighed channel
// fits in 16 bits and eight of them are weighed at once in a vector: the
// four bytes of two pixels, alpha too, which stays 0xff since the weights
// of a target pixel sum to one.
constexpr std::uint16_t WeightOne = 256;
constexpr int WeightBits = 8;

// GCC's and Clang's vector types: SSE2 on x86-64, NEON on ARM, with no
// intrinsics; -O2 leaves loops like these scalar by itself.
using Bytes8 = std::uint8_t __attribute__((vector_size(8)));
using Lanes8 = std::uint16_t __attribute__((vector_size(16)));
using Pixels2 = std::uint64_t __attribute__((vector_size(16)));

// A row being scaled holds each pixel's four bytes widened to 16 bits, in
// the order of the pixel's bytes in memory.
using WideRow = std::vector<std::uint16_t>;

inline Lanes8 widen(const void* two_pixels)
{
    Bytes8 bytes;
    std::memcpy(&bytes, two_pixels, sizeof bytes);
    return __builtin_convertvector(bytes, Lanes8);
}

// A weighed sum back to bytes, rounded.
inline Bytes8 settle(Lanes8 sum)
{
    return __builtin_convertvector((sum + WeightOne / 2) >> WeightBits, Bytes8);
}

// The source pixels along one axis that make each target pixel: count
// neighbours from first[i] for target pixel i, weighed by weights[i * count]
// to weights[i * count + count - 1], which sum exactly to WeightOne so that
// a region of one colour keeps that colour exactly. Every target pixel takes
// as many source pixels, some of them weighed 0, so that the loops over them
// have one length.
struct Taps {
    int count = 1;
    std::vector<int> first;
    std::vector<std::uint16_t> weights;
};

// Builds Taps from each target pixel's first source pixel and weights, of
// any number: a shorter list is padded with zero weights, before its own
// when it ends at the source's end, else after.
class TapsBuilder {
public:
    TapsBuilder(int source, int target) : m_source(source)
    {
        m_first.reserve(static_cast<std::size_t>(target));
        m_ends.reserve(static_cast<std::size_t>(target));
    }

    void add(int first)
    {
        m_first.push_back(first);
        m_ends.push_back(m_weights.size());
    }

    void weigh(std::uint16_t weight)
    {
        m_weights.push_back(weight);
        m_ends.back() = m_weights.size();
    }

    Taps build() const
    {
        Taps taps;
        std::size_t begin = 0;
        for (const std::size_t end : m_ends) {
            taps.count = std::max(taps.count, static_cast<int>(end - begin));
            begin = end;
        }
        const auto count = static_cast<std::size_t>(taps.count);
        taps.first.reserve(m_first.size());
        taps.weights.assign(m_first.size() * count, 0);
        begin = 0;
        for (std::size_t i = 0; i < m_first.size(); ++i) {
            const int first = std::min(m_first[i], m_source - taps.count);
            taps.first.push_back(first);
            std::copy(m_weights.begin() + static_cast<std::ptrdiff_t>(begin),
                      m_weights.begin() + static_cast<std::ptrdiff_t>(m_ends[i]),
                      taps.weights.begin() + static_cast<std::ptrdiff_t>(i * count) + (m_first[i] - first));
            begin = m_ends[i];
        }
        return taps;
    }

private:
    int m_source;
    std::vector<int> m_first;
    std::vector<std::size_t> m_ends;
    std::vector<std::uint16_t> m_weights;
};

// Shrinking: each target pixel averages the source it covers, the pixels at
// its ends counting for the part covered. Lengths are counted in units of
// 1/target of a source pixel, so that every bound is a whole number: source
// pixel j spans [j * target, (j + 1) * target), target pixel i spans
// [i * source, (i + 1) * source). Each weight is the difference of rounded
// running totals, so that rounding errors do not add up along a wide span.
Taps shrinking_taps(int source, int target)
{
    TapsBuilder taps(source, target);
    const std::int64_t s = source, t = target;
    for (std::int64_t i = 0; i < t; ++i) {
        const std::int64_t begin = i * s, end = begin + s;
        const std::int64_t first = begin / t, last = (end - 1) / t;
        taps.add(static_cast<int>(first));
        std::int64_t given = 0;
        for (std::int64_t j = first; j <= last; ++j) {
            const std::int64_t covered = std::min(end, (j + 1) * t) - begin;
            const std::int64_t total = (covered * WeightOne + s / 2) / s;
            taps.weigh(static_cast<std::uint16_t>(total - given));
            given = total;
        }
    }
    return taps.build();
}

// Growing: each target pixel interpolates between the two source pixels
// around its centre, the two images' edges lining up; outside the centres
// of the edge pixels their colour holds. Centres are counted in units of
// 1/(2 * target) of a source pixel: target pixel i's centre falls at
// (2i + 1) * source - target from the centre of source pixel 0.
Taps growing_taps(int source, int target)
{
    TapsBuilder taps(source, target);
    const std::int64_t s = source, t = target;
    for (std::int64_t i = 0; i < t; ++i) {
        const std::int64_t centre = (2 * i + 1) * s - t;
        if (centre <= 0 || centre >= (s - 1) * 2 * t) {
            taps.add(centre <= 0 ? 0 : source - 1);
            taps.weigh(WeightOne);
            continue;
        }
        const std::int64_t next = (centre % (2 * t) * WeightOne + t) / (2 * t);
        taps.add(static_cast<int>(centre / (2 * t)));
        taps.weigh(static_cast<std::uint16_t>(WeightOne - next));
        taps.weigh(static_cast<std::uint16_t>(next));
    }
    return taps.build();
}

Taps taps_for(int source, int target)
{
    if (source == target) {
        Taps same;
        for (int i = 0; i < target; ++i)
            same.first.push_back(i);
        same.weights.assign(static_cast<std::size_t>(target), WeightOne);
        return same;
    }
    return source > target ? shrinking_taps(source, target) : growing_taps(source, target);
}

// The weights of two neighbouring target pixels side by side, each repeated
// for its pixel's four bytes: for each pair of target pixels, one vector a
// tap. An odd last pixel is paired with itself.
std::vector<Lanes8> paired_weights(const Taps& taps)
{
    const std::size_t pixels = taps.first.size(), count = static_cast<std::size_t>(taps.count);
    std::vector<Lanes8> paired;
    paired.reserve((pixels + 1) / 2 * count);
    for (std::size_t x = 0; x < pixels; x += 2) {
        const std::size_t second = std::min(x + 1, pixels - 1);
        for (std::size_t k = 0; k < count; ++k) {
            const std::uint16_t a = taps.weights[x * count + k], b = taps.weights[second * count + k];
            paired.push_back(Lanes8{a, a, a, a, b, b, b, b});
        }
    }
    return paired;
}

// Halves both sides of the part at (left, top): each target pixel is the
// rounded mean of a 2 x 2 block. Red and blue are added in the 16-bit halves
// of one word, green in another.
void halve(const RgbImage& picture, int left, int top, RgbImage& result)
{
    for (int y = 0; y < result.height(); ++y) {
        const std::uint32_t* upper = picture.row(top + 2 * y) + left;
        const std::uint32_t* lower = picture.row(top + 2 * y + 1) + left;
        std::uint32_t* out = result.row(y);
        for (int x = 0; x < result.width(); ++x, upper += 2, lower += 2) {
            const std::uint32_t red_blue = (upper[0] & 0xff00ff) + (upper[1] & 0xff00ff) + (lower[0] & 0xff00ff) +
                                           (lower[1] & 0xff00ff) + 0x020002;
            const std::uint32_t green =
                (upper[0] & 0xff00) + (upper[1] & 0xff00) + (lower[0] & 0xff00) + (lower[1] & 0xff00) + 0x200;
            out[x] = 0xff000000u | (red_blue >> 2 & 0xff00ff) | (green >> 2 & 0xff00);
        }
    }
}

// Weighs rows of width pixels into one wide row, four pixels at a time.
void weigh_rows(const std::uint32_t* const* rows, const Lanes8* weights, int count, int width, WideRow& into)
{
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        Lanes8 low = widen(rows[0] + x) * weights[0], high = widen(rows[0] + x + 2) * weights[0];
        for (int k = 1; k < count; ++k) {
            low += widen(rows[k] + x) * weights[k];
            high += widen(rows[k] + x + 2) * weights[k];
        }
        const Lanes8 settled[2] = {__builtin_convertvector(settle(low), Lanes8),
                                   __builtin_convertvector(settle(high), Lanes8)};
        std::memcpy(into.data() + 4 * x, settled, sizeof settled);
    }
    for (; x < width; ++x) {
        const std::uint32_t pair[2] = {rows[0][x], 0};
        Lanes8 sum = widen(pair) * weights[0];
        for (int k = 1; k < count; ++k) {
            const std::uint32_t next[2] = {rows[k][x], 0};
            sum += widen(next) * weights[k];
        }
        const Lanes8 settled = __builtin_convertvector(settle(sum), Lanes8);
        std::memcpy(into.data() + 4 * x, &settled, 4 * sizeof(std::uint16_t));
    }
}

void widen_row(const std::uint32_t* row, int width, WideRow& into)
{
    int x = 0;
    for (; x + 2 <= width; x += 2) {
        const Lanes8 wide = widen(row + x);
        std::memcpy(into.data() + 4 * x, &wide, sizeof wide);
    }
    if (x < width) {
        const std::uint32_t pair[2] = {row[x], 0};
        const Lanes8 wide = widen(pair);
        std::memcpy(into.data() + 4 * x, &wide, 4 * sizeof(std::uint16_t));
    }
}

// Weighs neighbours along a wide row into each target pixel, two target
// pixels at a time. Count is the taps' count when known at compile time,
// which unrolls the inner loop.
template <int Count>
void weigh_columns(const WideRow& row, const Taps& taps, const std::vector<Lanes8>& paired, std::uint32_t* into)
{
    const int count = Count > 0 ? Count : taps.count;
    const std::size_t width = taps.first.size();
    const Lanes8* weights = paired.data();
    for (std::size_t x = 0; x < width; x += 2, weights += count) {
        const std::uint16_t* a = row.data() + 4 * static_cast<std::size_t>(taps.first[x]);
        const std::uint16_t* b = row.data() + 4 * static_cast<std::size_t>(taps.first[std::min(x + 1, width - 1)]);
        Lanes8 sum{};
        for (int k = 0; k < count; ++k, a += 4, b += 4) {
            // Put together in registers: two 8-byte halves stored and read
            // back as one vector would wait on the store buffer each time.
            std::uint64_t first_pixel, second_pixel;
            std::memcpy(&first_pixel, a, sizeof first_pixel);
            std::memcpy(&second_pixel, b, sizeof second_pixel);
            sum += reinterpret_cast<Lanes8>(Pixels2{first_pixel, second_pixel}) * weights[k];
        }
        const Bytes8 settled = settle(sum);
        std::memcpy(into + x, &settled, x + 1 < width ? 8 : 4);
    }
}

void weigh_columns(const WideRow& row, const Taps& taps, const std::vector<Lanes8>& paired, std::uint32_t* into)
{
    switch (taps.count) {
    case 1:
        return weigh_columns<1>(row, taps, paired, into);
    case 2:
        return weigh_columns<2>(row, taps, paired, into);
    case 3:
        return weigh_columns<3>(row, taps, paired, into);
    case 4:
        return weigh_columns<4>(row, taps, paired, into);
    default:
        return weigh_columns<0>(row, taps, paired, into);
    }
}

// Scales the part_width x part_height part at (left, top) to the result's
// size, a row at a time: the source rows a target row takes are weighed
// into one row first, which is then weighed along its length. One row of
// the part is all the memory this takes besides the taps, whatever the
// two sizes.
void scale(const RgbImage& picture, int left, int top, int part_width, int part_height, RgbImage& result)
{
    const Taps across = taps_for(part_width, result.width());
    const std::vector<Lanes8> paired = paired_weights(across);
    const Taps down = taps_for(part_height, result.height());
    const auto count = static_cast<std::size_t>(down.count);
    WideRow row(4 * static_cast<std::size_t>(part_width));
    std::vector<const std::uint32_t*> rows(count);
    std::vector<Lanes8> weights(count);
    for (int y = 0; y < result.height(); ++y) {
        const int first = down.first[static_cast<std::size_t>(y)];
        if (count == 1) {
            widen_row(picture.row(top + first) + left, part_width, row);
        } else {
            for (std::size_t k = 0; k < count; ++k) {
                rows[k] = picture.row(top + first + static_cast<int>(k)) + left;
                weights[k] = Lanes8{} + down.weights[static_cast<std::size_t>(y) * count + k];
            }
            weigh_rows(rows.data(), weights.data(), down.count, part_width, row);
        }
        weigh_columns(row, across, paired, result.row(y));
    }
}

} // namespace

RgbImage fill(RgbImage picture, int width, int height)
{
    if (picture.width() == width && picture.height() == height)
        return picture;
    if (picture.null() || picture.width() < 1 || picture.height() < 1 || width < 1 || height < 1)
        return {};
    // The part of the picture the monitor shows is cut out first and then
    // scaled: scaling the whole picture first makes an image as many times
    // larger than the monitor as the two aspects differ (gigabytes for a
    // 16384 x 2 bitmap on a small screen).
    const double scale_by = std::max(static_cast<double>(width) / picture.width(),
                                     static_cast<double>(height) / picture.height());
    const int part_width = std::clamp(static_cast<int>(std::lround(width / scale_by)), 1, picture.width());
    const int part_height = std::clamp(static_cast<int>(std::lround(height / scale_by)), 1, picture.height());
    const int left = (picture.width() - part_width) / 2;
    const int top = (picture.height() - part_height) / 2;

    RgbImage result(width, height);
    if (part_width == width && part_height == height) {
        for (int y = 0; y < height; ++y)
            std::memcpy(result.row(y), picture.row(top + y) + left, static_cast<std::size_t>(width) * 4);
    } else if (part_width == 2 * width && part_height == 2 * height) {
        halve(picture, left, top, result);
    } else {
        scale(picture, left, top, part_width, part_height, result);
    }
    return result;
}

} // namespace muralis::linux_platform
