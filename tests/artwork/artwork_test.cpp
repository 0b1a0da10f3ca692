// The checked-in artwork is what the generator draws, and each file is what
// its users expect: a 32x32 16-colour icon, a two-size 16-colour cursor with
// its hotspot at the centre of the globe, PNG files that Qt reads.

#include <QColor>
#include <QImage>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>

#include "temporary_folder.h"

namespace {

namespace fs = std::filesystem;

const fs::path artwork_dir = ARTWORK_DIR;

const std::set<std::string> generated_files {
    "muralis.ico", "globe.cur",
    "muralis-32.png", "muralis-64.png", "muralis-128.png",
    "globe-32.png", "globe-16.png",
};

std::string file_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

using muralis::testing::TemporaryFolder;

unsigned u8(const std::string& bytes, std::size_t at) { return static_cast<unsigned char>(bytes.at(at)); }
unsigned u16(const std::string& bytes, std::size_t at) { return u8(bytes, at) | u8(bytes, at + 1) << 8; }
std::uint32_t u32(const std::string& bytes, std::size_t at) { return u16(bytes, at) | std::uint32_t(u16(bytes, at + 2)) << 16; }

TEST(Artwork, GeneratorDrawsExactlyTheCheckedInFiles)
{
    TemporaryFolder out;
    const std::string command = std::string("'") + DRAW_ARTWORK_PATH + "' '" + out.path().string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::set<std::string> written;
    for (const auto& entry : fs::directory_iterator(out.path()))
        written.insert(entry.path().filename().string());
    EXPECT_EQ(written, generated_files);

    for (const std::string& name : generated_files) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(fs::exists(artwork_dir / name)) << "not checked in; run the generator into artwork/";
        EXPECT_TRUE(file_bytes(out.path() / name) == file_bytes(artwork_dir / name))
            << "differs from the checked-in file; run the generator into artwork/ and check the result in";
    }

    // And again: the same bytes on every run.
    TemporaryFolder again;
    ASSERT_EQ(std::system((std::string("'") + DRAW_ARTWORK_PATH + "' '" + again.path().string() + "'").c_str()), 0);
    for (const std::string& name : generated_files)
        EXPECT_TRUE(file_bytes(out.path() / name) == file_bytes(again.path() / name)) << name;
}

// One image of an ICO or CUR file, as its directory entry and bitmap header
// describe it.
struct Entry {
    unsigned width, height, colours, field1, field2;
    std::uint32_t size, offset;
};

std::vector<Entry> directory_of(const std::string& bytes, unsigned type)
{
    EXPECT_EQ(u16(bytes, 0), 0u);
    EXPECT_EQ(u16(bytes, 2), type);
    std::vector<Entry> entries;
    const unsigned count = u16(bytes, 4);
    for (unsigned i = 0; i < count; ++i) {
        const std::size_t at = 6 + 16 * i;
        entries.push_back({u8(bytes, at), u8(bytes, at + 1), u8(bytes, at + 2), u16(bytes, at + 4),
                           u16(bytes, at + 6), u32(bytes, at + 8), u32(bytes, at + 12)});
        EXPECT_EQ(u8(bytes, at + 3), 0u) << "reserved byte";
    }
    return entries;
}

// The bitmap of one image: check() reads its BITMAPINFOHEADER (4 bits a
// pixel, height doubled for the AND mask, size as the entry says), and
// transparent() reads the AND mask.
struct Bitmap {
    const std::string& bytes;
    Entry entry;

    void check() const
    {
        const std::size_t at = entry.offset;
        EXPECT_EQ(u32(bytes, at), 40u);
        EXPECT_EQ(u32(bytes, at + 4), entry.width);
        EXPECT_EQ(u32(bytes, at + 8), 2 * entry.height);
        EXPECT_EQ(u16(bytes, at + 12), 1u) << "planes";
        EXPECT_EQ(u16(bytes, at + 14), 4u) << "bits a pixel";
        EXPECT_EQ(u32(bytes, at + 16), 0u) << "compression";
        const std::uint32_t colour_row = (entry.width * 4 + 31) / 32 * 4;
        const std::uint32_t mask_row = (entry.width + 31) / 32 * 4;
        EXPECT_EQ(entry.size, 40 + 16 * 4 + (colour_row + mask_row) * entry.height);
        EXPECT_LE(entry.offset + entry.size, bytes.size());
    }

    bool transparent(unsigned x, unsigned y) const
    {
        const std::uint32_t colour_row = (entry.width * 4 + 31) / 32 * 4;
        const std::uint32_t mask_row = (entry.width + 31) / 32 * 4;
        const std::size_t mask = entry.offset + 40 + 16 * 4 + colour_row * entry.height;
        const std::size_t row = mask + (entry.height - 1 - y) * mask_row;
        return (u8(bytes, row + x / 8) & (0x80u >> (x % 8))) != 0;
    }
};

TEST(Artwork, IconIsOne32x32ImageIn16Colours)
{
    const std::string bytes = file_bytes(artwork_dir / "muralis.ico");
    const auto entries = directory_of(bytes, 1);
    ASSERT_EQ(entries.size(), 1u);
    const Entry& icon = entries[0];
    EXPECT_EQ(icon.width, 32u);
    EXPECT_EQ(icon.height, 32u);
    EXPECT_EQ(icon.colours, 16u);
    EXPECT_EQ(icon.field1, 1u) << "planes";
    EXPECT_EQ(icon.field2, 4u) << "bits a pixel";
    EXPECT_EQ(icon.offset, 6u + 16u);
    Bitmap {bytes, icon}.check();
    EXPECT_EQ(icon.offset + icon.size, bytes.size());
}

TEST(Artwork, CursorHasTwoSizesIn16ColoursWithTheHotspotAtTheGlobesCentre)
{
    const std::string bytes = file_bytes(artwork_dir / "globe.cur");
    const auto entries = directory_of(bytes, 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].width, 32u);
    EXPECT_EQ(entries[1].width, 16u);
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.width);
        EXPECT_EQ(entry.height, entry.width);
        EXPECT_EQ(entry.colours, 16u);
        const Bitmap bitmap {bytes, entry};
        bitmap.check();

        // The opaque pixels make a disc: its bounding box is centred on the
        // hotspot, and the corners are transparent.
        unsigned left = entry.width, right = 0, top = entry.height, bottom = 0;
        for (unsigned y = 0; y < entry.height; ++y)
            for (unsigned x = 0; x < entry.width; ++x)
                if (!bitmap.transparent(x, y)) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    top = std::min(top, y);
                    bottom = std::max(bottom, y);
                }
        ASSERT_LT(left, right);
        EXPECT_EQ(right - left, bottom - top) << "as wide as high";
        EXPECT_GE(right - left + 2, entry.width) << "the globe fills the pointer";
        EXPECT_EQ(entry.field1 * 2, left + right) << "hotspot x";
        EXPECT_EQ(entry.field2 * 2, top + bottom) << "hotspot y";
        EXPECT_FALSE(bitmap.transparent(entry.field1, entry.field2));
        EXPECT_TRUE(bitmap.transparent(left, top));
        EXPECT_TRUE(bitmap.transparent(right, bottom));
    }
    EXPECT_EQ(entries[0].field1, 15u);
    EXPECT_EQ(entries[0].field2, 15u);
    EXPECT_EQ(entries[1].field1, 7u);
    EXPECT_EQ(entries[1].field2, 7u);
    EXPECT_EQ(entries[1].offset + entries[1].size, bytes.size());
}

QImage read_image(const std::string& name, const char* format = nullptr, int index = 0)
{
    QImageReader reader(QString::fromStdString((artwork_dir / name).string()), format);
    if (index > 0)
        reader.jumpToImage(index);
    QImage image = reader.read();
    EXPECT_FALSE(image.isNull()) << name << ": " << reader.errorString().toStdString();
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool same_pixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (qAlpha(p) != qAlpha(q) || (qAlpha(p) != 0 && p != q))
                return false;
        }
    return true;
}

bool in_palette(QRgb pixel)
{
    static const std::set<QRgb> colours {
        0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080, 0xFF008080, 0xFFC0C0C0,
        0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00, 0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF,
    };
    return qAlpha(pixel) == 0 || colours.count(pixel) == 1;
}

TEST(Artwork, PngFilesDecodeToTheirSizesInTheWindowsPalette)
{
    for (const auto& [name, size] : std::vector<std::pair<std::string, int>> {
             {"muralis-32.png", 32}, {"muralis-64.png", 64}, {"muralis-128.png", 128},
             {"globe-32.png", 32}, {"globe-16.png", 16}}) {
        SCOPED_TRACE(name);
        const QImage image = read_image(name, "png");
        EXPECT_EQ(image.width(), size);
        EXPECT_EQ(image.height(), size);
        bool all_in_palette = true;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                all_in_palette = all_in_palette && in_palette(image.pixel(x, y));
        EXPECT_TRUE(all_in_palette);
    }
}

TEST(Artwork, LargeIconsAreTheSmallOneEnlarged)
{
    const QImage small = read_image("muralis-32.png", "png");
    for (const int factor : {2, 4}) {
        SCOPED_TRACE(factor);
        const QImage large = read_image("muralis-" + std::to_string(32 * factor) + ".png", "png");
        EXPECT_TRUE(same_pixels(large, small.scaled(32 * factor, 32 * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    }
}

TEST(Artwork, PngFilesShowWhatTheIconAndCursorShow)
{
    EXPECT_TRUE(same_pixels(read_image("muralis.ico", "ico"), read_image("muralis-32.png", "png")));
    EXPECT_TRUE(same_pixels(read_image("globe.cur", "cur", 0), read_image("globe-32.png", "png")));
    EXPECT_TRUE(same_pixels(read_image("globe.cur", "cur", 1), read_image("globe-16.png", "png")));

    const QImage globe = read_image("globe-32.png", "png");
    EXPECT_EQ(qAlpha(globe.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(globe.pixel(15, 15)), 255);
}

} // namespace
