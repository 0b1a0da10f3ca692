// Pictures for the editor's preview, loaded from real files: the failures
// the editor tells apart, the largest pictures, damaged bitmaps, and the
// scaled copy a view draws. The applier's own bitmap decoder and scaler,
// held to Qt's results.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <optional>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QRect>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/pictures/picture_reader.h"
#include "platform/linux/pictures/plain_bitmap.h"
#include "platform/linux/pictures/rgb_image.h"
#include "platform/linux/qt/qt_picture.h"
#include "platform/linux/qt/qt_toolkit.h"
#include "platform/linux/unique_fd.h"
#include "temporary_folder.h"

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxDesktop;
using linux_platform::qt_toolkit;
using linux_platform::QtPicture;
using linux_platform::RgbImage;

TEST(LinuxPicture, LoadsABitmapWhateverItsName)
{
    TemporaryFolder folder;
    QImage written(5, 3, QImage::Format_RGB32);
    written.fill(QColor(10, 200, 30));
    written.setPixelColor(4, 2, QColor(250, 0, 5));
    ASSERT_TRUE(written.save(QString::fromStdString(folder / "monday.bmp"), "BMP"));
    fs::copy_file(folder / "monday.bmp", folder / "Été, lundi.txt");

    LinuxDesktop desktop(qt_toolkit());
    for (const std::string name : {"monday.bmp", "Été, lundi.txt"}) {
        SCOPED_TRACE(name);
        const auto picture = desktop.load_picture(folder / name);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width(), 5);
        EXPECT_EQ(picture->height(), 3);
        const auto* qt_picture = dynamic_cast<const QtPicture*>(picture.get());
        ASSERT_TRUE(qt_picture);
        EXPECT_EQ(qt_picture->image().pixelColor(0, 0), QColor(10, 200, 30));
        EXPECT_EQ(qt_picture->image().pixelColor(4, 2), QColor(250, 0, 5));
    }
}

// The seeds of the picture fuzzers: most are 16 x 8, red on the left half
// and blue on the right (tests/fuzz/make_picture_seeds).
TEST(LinuxPicture, DecodesJpegPngAndWebpAsTheDesktopShowsThem)
{
    const QColor red(255, 0, 0), blue(0, 0, 255);
    struct {
        const char* file;
        QSize size;
        QColor left;  // at the middle of the left half (the top half, turned)
        QColor right; // and of the other half
        int tolerance;
    } const rows[] = {
        {"rgb-16x8.jpg", {16, 8}, red, blue, 8},
        {"progressive-16x8.jpg", {16, 8}, red, blue, 8},
        {"grey-16x8.jpg", {16, 8}, QColor(54, 54, 54), QColor(18, 18, 18), 8}, // Rec. 709 grey
        {"cmyk-16x8.jpg", {16, 8}, red, blue, 24},
        {"exif-right-top-16x8.jpg", {8, 16}, red, blue, 8}, // turned a quarter clockwise
        {"rgb-16x8.png", {16, 8}, red, blue, 0},
        {"interlaced-16x8.png", {16, 8}, red, blue, 0},
        {"rgb16-16x8.png", {16, 8}, red, blue, 0},
        {"palette-16x8.png", {16, 8}, red, blue, 0},
        {"grey16-16x8.png", {16, 8}, QColor(153, 153, 153), QColor(153, 153, 153), 0},
        // Half transparent white on black.
        {"white-half-transparent-16x8.png", {16, 8}, QColor(128, 128, 128), QColor(128, 128, 128), 1},
        {"white-half-transparent-16x8.webp", {16, 8}, QColor(128, 128, 128), QColor(128, 128, 128), 1},
        {"lossy-16x8.webp", {16, 8}, red, blue, 8},
        {"lossless-16x8.webp", {16, 8}, red, blue, 0},
        // The first of its two frames.
        {"animated-red-then-green-16x8.webp", {16, 8}, red, red, 0},
    };
    LinuxDesktop desktop(qt_toolkit());
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const auto picture = desktop.load_picture(std::string(PICTURE_SEEDS) + "/" + row.file);
        const auto* qt_picture = dynamic_cast<const QtPicture*>(picture.get());
        ASSERT_TRUE(qt_picture);
        const QImage& image = qt_picture->image();
        ASSERT_EQ(image.size(), row.size);
        const bool turned = row.size.height() > row.size.width();
        const QPoint left = turned ? QPoint(4, 3) : QPoint(3, 4), right = turned ? QPoint(4, 12) : QPoint(12, 4);
        for (const auto& [at, expected] : {std::pair{left, row.left}, std::pair{right, row.right}}) {
            const QColor got = image.pixelColor(at);
            EXPECT_NEAR(got.red(), expected.red(), row.tolerance) << at.x() << "," << at.y();
            EXPECT_NEAR(got.green(), expected.green(), row.tolerance) << at.x() << "," << at.y();
            EXPECT_NEAR(got.blue(), expected.blue(), row.tolerance) << at.x() << "," << at.y();
        }
    }
    EXPECT_EQ(desktop.picture_pattern(), "*.bmp;*.jpg;*.jpeg;*.png;*.webp");
}

// For the preview, a picture much larger than its box keeps a few times
// the box's pixels, and the files refused whole are refused as well.
TEST(LinuxPicture, APreviewKeepsFewerPixelsAndRefusesTheSameFiles)
{
    TemporaryFolder folder;
    QImage halves(1920, 1080, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < halves.height(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(halves.scanLine(y)) + 960, 960, qRgb(0, 0, 255));
    ASSERT_TRUE(halves.save(QString::fromStdString(folder / "halves.bmp"), "BMP"));
    ASSERT_TRUE(halves.scaled(1600, 800).save(QString::fromStdString(folder / "halves.jpg"), "JPG", 95));
    write_file(folder / "cut.bmp", file_bytes(folder / "halves.bmp").substr(0, 1920 * 3 * 1000));
    const std::string turned = std::string(PICTURE_SEEDS) + "/exif-right-top-16x8.jpg";

    const formats::PixelSize box{95, 71};
    struct {
        std::string path;
        QSize size;
    } const rows[] = {
        // One row and column in 7: at least twice the box each way.
        {folder / "halves.bmp", {274, 154}},
        // Decoded at 1/8: at least the box.
        {folder / "halves.jpg", {200, 100}},
        // Too small to reduce, turned.
        {turned, {8, 16}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path);
        const std::optional<RgbImage> picture = linux_platform::read_picture_file(row.path, box);
        ASSERT_TRUE(picture);
        ASSERT_EQ(QSize(picture->width(), picture->height()), row.size);
        const bool turned_row = row.size.height() > row.size.width();
        const std::uint32_t left = picture->row(turned_row ? row.size.height() / 4 : row.size.height() / 2)
                                       [turned_row ? row.size.width() / 2 : row.size.width() / 4];
        const std::uint32_t right = picture->row(turned_row ? row.size.height() * 3 / 4 : row.size.height() / 2)
                                        [turned_row ? row.size.width() / 2 : row.size.width() * 3 / 4];
        EXPECT_GT(left >> 16 & 0xff, 230u);
        EXPECT_GT(right & 0xff, 230u);
    }
    EXPECT_THROW(linux_platform::read_picture_file(folder / "cut.bmp", box), Failure);
}

TEST(LinuxPicture, MissingFilesAndNonPictures)
{
    TemporaryFolder folder;
    write_file(folder / "notes.bmp", "not a picture at all\n");
    write_file(folder / "empty.bmp", "");
    QImage written(64, 64, QImage::Format_RGB32);
    written.fill(Qt::blue);
    ASSERT_TRUE(written.save(QString::fromStdString(folder / "whole.bmp"), "BMP"));
    write_file(folder / "cut.bmp", file_bytes(folder / "whole.bmp").substr(0, 40));
    fs::create_directory(folder / "folder.bmp");
    // Opening a FIFO for reading would wait for a writer.
    ASSERT_EQ(::mkfifo((folder / "pipe.bmp").c_str(), 0600), 0);
    fs::create_symlink("gone.bmp", folder / "dangling.bmp");
    // JPEG, PNG and WebP: a name that says another format than the bytes,
    // files cut short or damaged, headers that declare more than 16384
    // pixels a side (refused before anything is decoded).
    const std::string seeds = PICTURE_SEEDS;
    const std::string jpeg = file_bytes(seeds + "/rgb-16x8.jpg"), png = file_bytes(seeds + "/rgb-16x8.png"),
                      webp = file_bytes(seeds + "/lossy-16x8.webp");
    write_file(folder / "png.bmp", png);
    write_file(folder / "jpeg.png", jpeg);
    write_file(folder / "webp.jpg", webp);
    write_file(folder / "no extension", jpeg);
    write_file(folder / "cut.jpg", jpeg.substr(0, jpeg.size() / 2));
    write_file(folder / "cut.png", png.substr(0, png.size() - 20));
    write_file(folder / "cut.webp", webp.substr(0, webp.size() - 10));
    std::string damaged_png = png;
    damaged_png[damaged_png.find("IDAT") + 6] ^= 0x55; // the data no longer matches its CRC
    write_file(folder / "damaged.png", damaged_png);
    std::string damaged_jpeg = jpeg;
    for (std::size_t i = jpeg.find("\xff\xda") + 14; i < jpeg.size() - 2; i += 3)
        damaged_jpeg[i] = '\xff'; // markers where the scan's data should be
    write_file(folder / "damaged.jpg", damaged_jpeg);

    struct {
        std::string path;
        int number;
    } const cases[] = {
        {folder / "png.bmp", 481},
        {folder / "jpeg.png", 481},
        {folder / "webp.jpg", 481},
        {folder / "no extension", 481},
        {folder / "cut.jpg", 481},
        {folder / "cut.png", 481},
        {folder / "cut.webp", 481},
        {folder / "damaged.png", 481},
        {folder / "damaged.jpg", 481},
        {seeds + "/claims-100000x100000.png", 481},
        {seeds + "/claims-16385-wide.jpg", 481},
        {seeds + "/claims-16385-wide.webp", 481},
        {folder / "missing.jpg", 53},
        {folder / "missing.bmp", 53},
        {folder / "notes.bmp/inside.bmp", 53},
        {folder / "notes.bmp", 481},
        {folder / "empty.bmp", 481},
        {folder / "cut.bmp", 481},
        {folder / "folder.bmp", 481},
        {folder / "pipe.bmp", 481},
        {folder / "dangling.bmp", 53},
    };
    LinuxDesktop desktop(qt_toolkit());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            desktop.load_picture(c.path);
            ADD_FAILURE() << "loaded";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.number) << failure.what();
        }
    }
}

// The fields of a Windows bitmap that a damaged one gets wrong.
struct Bitmap {
    std::int32_t width = 4;
    std::int32_t height = 4;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0; // 1 RLE8, 2 RLE4, 3 bit fields
    std::uint32_t colours = 0;
    std::uint32_t info_size = 40;
    std::string palette = {};  // BGRx quads; or the masks, with bit fields
    std::string pixels = {};   // empty: 4 x 4 x 24 bits of grey
    std::int64_t pixel_offset = -1; // -1: after the palette
};

std::string bitmap_bytes(const Bitmap& b)
{
    const auto put = [](std::string& out, std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    const std::string pixels = b.pixels.empty() ? std::string(48, '\x80') : b.pixels;
    std::string info;
    for (const std::uint32_t field : {b.info_size, static_cast<std::uint32_t>(b.width), static_cast<std::uint32_t>(b.height)})
        put(info, field, 4);
    put(info, 1, 2);
    put(info, b.bits, 2);
    for (const std::uint32_t field : {b.compression, static_cast<std::uint32_t>(pixels.size()), 2835u, 2835u, b.colours, 0u})
        put(info, field, 4);
    // V4 and V5: masks that would swap red and blue if a reader used them
    // for 24 bits, then a colour space of zeros.
    if (b.info_size == 108 || b.info_size == 124) {
        for (const std::uint32_t mask : {0xffu, 0xff00u, 0xff0000u, 0xff000000u})
            put(info, mask, 4);
        info.resize(b.info_size, '\0');
    }
    const std::size_t offset = 14 + info.size() + b.palette.size();
    std::string file = "BM";
    put(file, static_cast<std::uint32_t>(offset + pixels.size()), 4);
    put(file, 0, 4);
    put(file, static_cast<std::uint32_t>(b.pixel_offset < 0 ? offset : b.pixel_offset), 4);
    return file + info + b.palette + pixels;
}

std::string grey_palette(int colours)
{
    std::string palette;
    for (int i = 0; i < colours; ++i)
        palette += std::string(3, static_cast<char>(i * 255 / (colours - 1))) + '\0';
    return palette;
}

TEST(LinuxPicture, DamagedBitmapsLoadOrAreInvalidPictures)
{
    enum Outcome { Loads, Invalid, Either };
    const std::string whole = bitmap_bytes({});
    struct Case {
        std::string name;
        std::string bytes;
        Outcome outcome;
    };
    std::vector<Case> cases = {
        {"whole", whole, Loads},
        {"top-down", bitmap_bytes({.height = -4}), Loads},
        {"zero height", bitmap_bytes({.height = 0}), Invalid},
        {"negative width", bitmap_bytes({.width = -4}), Invalid},
        {"lowest height", bitmap_bytes({.height = INT32_MIN}), Invalid},
        {"100000 x 100000", bitmap_bytes({.width = 100000, .height = 100000}), Invalid},
        {"16385 x 16385", bitmap_bytes({.width = 16385, .height = 16385}), Invalid},
        {"16385 x 1", bitmap_bytes({.width = 16385, .height = 1}), Invalid},
        {"1 x -16385", bitmap_bytes({.width = 1, .height = -16385}), Invalid},
        {"widest row", bitmap_bytes({.width = INT32_MAX, .height = 1, .bits = 32}), Invalid},
        {"pixels past the end", bitmap_bytes({.pixel_offset = 1 << 20}), Either},
        {"pixels at 2^32 - 1", bitmap_bytes({.pixel_offset = 0xffffffff}), Either},
        {"palette past the end", bitmap_bytes({.bits = 8, .colours = 256, .palette = grey_palette(4)}).substr(0, 80),
         Either},
        {"2^31 colours", bitmap_bytes({.bits = 8, .colours = 0x80000000u, .palette = grey_palette(4)}), Either},
        {"bit fields of zero", bitmap_bytes({.bits = 32, .compression = 3, .palette = std::string(12, '\0')}), Either},
        {"bit fields of zero, 16 bits", bitmap_bytes({.bits = 16, .compression = 3, .palette = std::string(12, '\0')}),
         Either},
        {"zero bits", bitmap_bytes({.bits = 0}), Invalid},
        {"three bits", bitmap_bytes({.bits = 3}), Invalid},
        {"64 bits", bitmap_bytes({.bits = 64, .pixels = std::string(128, '\0')}), Invalid},
        {"header size 0", bitmap_bytes({.info_size = 0}), Invalid},
        {"header size 2^32 - 1", bitmap_bytes({.info_size = 0xffffffffu}), Invalid},
    };
    for (const std::size_t cut : {2, 14, 30, 53, 54, 60, 101})
        cases.push_back({"cut at " + std::to_string(cut), whole.substr(0, cut), cut < 55 ? Invalid : Either});
    // 4 x 4 pictures: runs past a row's end and past the picture, a delta
    // out of it, absolute runs longer than the data left, no end marker.
    const std::string rle_streams[] = {
        std::string("\xff\x01\x00\x00\xff\x01\x00\x01", 8),
        std::string("\x04\x01\x00\x02\x7f\x7f\x04\x02\x00\x01", 10),
        std::string("\x00\xff\x01\x02\x03", 5),
        std::string("\x04\x01\x00\x00\x04\x01\x00\x00\x04\x01\x00\x00\x04\x01\x00\x00\x04\x01\x00\x01", 20),
        std::string("\x02\x01", 2),
    };
    for (const std::string& stream : rle_streams) {
        cases.push_back({"RLE8", bitmap_bytes({.bits = 8, .compression = 1, .colours = 4, .palette = grey_palette(4),
                                               .pixels = stream}), Either});
        cases.push_back({"RLE4", bitmap_bytes({.bits = 4, .compression = 2, .colours = 16,
                                               .palette = grey_palette(16), .pixels = stream}), Either});
    }

    TemporaryFolder folder;
    LinuxDesktop desktop(qt_toolkit());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.name + " (case " + std::to_string(i) + ")");
        write_file(folder / "damaged.bmp", c.bytes);
        try {
            const auto picture = desktop.load_picture(folder / "damaged.bmp");
            EXPECT_NE(c.outcome, Invalid) << "loaded";
            EXPECT_EQ(QSize(picture->width(), picture->height()), QSize(4, 4));
        } catch (const Failure& failure) {
            EXPECT_NE(c.outcome, Loads) << failure.what();
            EXPECT_EQ(failure.number(), 481) << failure.what();
        }
    }
}

TEST(LinuxPicture, PicturesUpTo16384PixelsASide)
{
    struct {
        int width;
        int height;
        bool loads;
    } const cases[] = {
        // 275 MB decoded: more than Qt allows one image unless told.
        {16384, 4200, true},
        {4200, 16384, true},
        {16385, 64, false},
        {64, 16385, false},
    };
    TemporaryFolder folder;
    LinuxDesktop desktop(qt_toolkit());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
        // Black, and sparse: no room taken on the disk.
        const std::string header = bitmap_bytes({.width = c.width, .height = c.height, .pixels = "-"});
        write_file(folder / "large.bmp", header.substr(0, header.size() - 1));
        const off_t row = (static_cast<off_t>(c.width) * 3 + 3) / 4 * 4;
        ASSERT_EQ(::truncate((folder / "large.bmp").c_str(), static_cast<off_t>(header.size() - 1) + row * c.height), 0);
        try {
            const auto picture = desktop.load_picture(folder / "large.bmp");
            EXPECT_TRUE(c.loads);
            EXPECT_EQ(QSize(picture->width(), picture->height()), QSize(c.width, c.height));
        } catch (const Failure& failure) {
            EXPECT_FALSE(c.loads) << failure.what();
            EXPECT_EQ(failure.number(), 481);
        }
    }
}

TEST(LinuxPicture, ScaledCopyIsSmoothAndMadeOncePerSize)
{
    // Black and white columns: smoothly scaled to half the width they blend
    // to grey, where a fast scaling would keep either.
    QImage stripes(8, 2, QImage::Format_RGB32);
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            stripes.setPixelColor(x, y, x % 2 ? Qt::white : Qt::black);
    const QtPicture picture(stripes);

    const qint64 half = picture.scaled_to(QSize(4, 1)).cacheKey();
    EXPECT_EQ(picture.scaled_to(QSize(4, 1)).size(), QSize(4, 1));
    for (int x = 0; x < 4; ++x)
        EXPECT_NEAR(picture.scaled_to(QSize(4, 1)).pixelColor(x, 0).red(), 128, 64) << x;
    EXPECT_EQ(picture.scaled_to(QSize(4, 1)).cacheKey(), half) << "scaled again";
    EXPECT_EQ(picture.scaled_to(QSize(16, 4)).size(), QSize(16, 4));
    EXPECT_EQ(picture.scaled_to(QSize(8, 2)).cacheKey(), picture.image().cacheKey());
}

// Bytes that look random, a different run for each seed.
std::string noise(std::size_t bytes, std::uint32_t seed)
{
    std::string out(bytes, '\0');
    for (char& byte : out) {
        seed = seed * 1664525u + 1013904223u;
        byte = static_cast<char>(seed >> 24);
    }
    return out;
}

TEST(PlainBitmap, DecodesQtsPixelsOrLeavesTheFileToQt)
{
    enum Outcome { Decodes, ForQt, CutShort };
    const auto plain = [](std::int32_t width, std::int32_t height, Bitmap b = {}) {
        b.width = width;
        b.height = height;
        const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
        b.pixels = noise(row * static_cast<std::size_t>(std::abs(height)), static_cast<std::uint32_t>(width + height));
        return bitmap_bytes(b);
    };
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(QImage(3, 3, QImage::Format_RGB32).save(&buffer, "PNG"));
    const std::string whole = plain(4, 4);
    const struct {
        std::string name;
        std::string bytes;
        Outcome outcome;
    } cases[] = {
        {"bottom up", whole, Decodes},
        {"top down, rows padded", plain(5, -3), Decodes},
        {"1 x 1", plain(1, 1), Decodes},
        {"read in two runs of rows", plain(700, 600), Decodes},
        {"read in two runs of rows, top down", plain(701, -600), Decodes},
        {"V4 header", plain(3, -2, {.info_size = 108}), Decodes},
        {"V5 header, width 7", plain(7, 2, {.info_size = 124}), Decodes},
        {"256 colours said, rows after a gap", plain(6, 2, {.colours = 256, .palette = noise(1024, 1)}), Decodes},
        {"offset into the headers", plain(3, 3, {.pixel_offset = 20}), Decodes},
        {"bytes after the rows", whole + "trailing", Decodes},
        {"cut by a byte", whole.substr(0, whole.size() - 1), CutShort},
        {"offset past the end", plain(4, 4, {.pixel_offset = 1 << 20}), CutShort},
        {"offset 2^31", plain(2, 2, {.pixel_offset = 0x80000000u}), CutShort},
        {"offset into the headers, rows cut from there",
         plain(4, 4, {.pixel_offset = 0}).substr(0, whole.size() - 1), ForQt},
        {"32 bits", bitmap_bytes({.bits = 32, .pixels = noise(64, 2)}), ForQt},
        {"RLE8", bitmap_bytes({.bits = 8, .compression = 1, .colours = 4, .palette = grey_palette(4),
                               .pixels = std::string("\x04\x01\x00\x01", 4)}), ForQt},
        {"OS/2 header", bitmap_bytes({.info_size = 12}), ForQt},
        {"negative width", bitmap_bytes({.width = -4}), ForQt},
        {"16385 wide", bitmap_bytes({.width = 16385, .height = 1}), ForQt},
        {"PNG", png.toStdString(), ForQt},
        {"headers cut", whole.substr(0, 40), ForQt},
    };
    TemporaryFolder folder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        write_file(folder / "plain.bmp", c.bytes);
        const linux_platform::UniqueFd fd(::open((folder / "plain.bmp").c_str(), O_RDONLY | O_CLOEXEC));
        try {
            const std::optional<RgbImage> image = linux_platform::read_plain_bitmap(fd.get(), c.bytes.size());
            ASSERT_EQ(image.has_value(), c.outcome == Decodes);
            if (!image)
                continue;
            const QImage qt = QImage(QString::fromStdString(folder / "plain.bmp")).convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(QSize(image->width(), image->height()), qt.size());
            for (int y = 0; y < qt.height(); ++y)
                ASSERT_EQ(std::memcmp(image->row(y), qt.constScanLine(y), static_cast<std::size_t>(qt.width()) * 4), 0)
                    << "row " << y;
        } catch (const Failure& failure) {
            EXPECT_EQ(c.outcome, CutShort) << failure.what();
            EXPECT_EQ(failure.number(), 481);
        }
    }
    // Rows cut short from where Qt reads them, after the headers, are no
    // picture for Qt's path either.
    write_file(folder / "plain.bmp", plain(4, 4, {.pixel_offset = 0}).substr(0, whole.size() - 1));
    EXPECT_THROW(LinuxDesktop(qt_toolkit()).load_picture(folder / "plain.bmp"), Failure);
}

RgbImage rgb_image(const QImage& picture)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    RgbImage image(rgb.width(), rgb.height());
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(image.row(y), rgb.constScanLine(y), static_cast<std::size_t>(rgb.width()) * 4);
    return image;
}

// The part of a picture a monitor shows when filled.
QRect shown_part(QSize picture, QSize monitor)
{
    const double scale = std::max(static_cast<double>(monitor.width()) / picture.width(),
                                  static_cast<double>(monitor.height()) / picture.height());
    const int part_width = std::clamp(static_cast<int>(std::lround(monitor.width() / scale)), 1, picture.width());
    const int part_height = std::clamp(static_cast<int>(std::lround(monitor.height() / scale)), 1, picture.height());
    return {(picture.width() - part_width) / 2, (picture.height() - part_height) / 2, part_width, part_height};
}

// What the root window showed when Qt scaled: the part the monitor shows,
// cut out and scaled smoothly.
QImage qt_fill(const QImage& picture, QSize monitor)
{
    return picture.copy(shown_part(picture.size(), monitor))
        .scaled(monitor, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGB32);
}

TEST(Fill, KeepsColoursAndEdgesAndComesCloseToQt)
{
    struct {
        QSize picture;
        QSize monitor;
    } const cases[] = {
        {{400, 300}, {200, 150}},   // halved
        {{400, 300}, {160, 90}},    // shrunk, cropped top and bottom
        {{400, 300}, {300, 225}},   // shrunk by a quarter
        {{97, 61}, {320, 180}},     // grown
        {{300, 200}, {299, 201}},   // grown one way, cropped the other
        {{256, 256}, {256, 100}},   // cropped only
        {{64, 64}, {7, 3}},         // shrunk a lot
        {{16384, 1}, {64, 36}},     // a line
        {{1, 16384}, {36, 64}},
        {{4000, 3}, {50, 50}},
    };
    const QRgb red = qRgb(200, 30, 40);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.picture.width()) + " x " + std::to_string(c.picture.height()) + " on " +
                     std::to_string(c.monitor.width()) + " x " + std::to_string(c.monitor.height()));
        // Red on the left, a smooth picture from the middle on.
        QImage picture(c.picture, QImage::Format_RGB32);
        const int edge = picture.width() / 2;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, x < edge ? red : qRgb(x * 255 / picture.width(), y * 255 / picture.height(),
                                           static_cast<int>(127.5 + 127.5 * std::sin(x * 0.05 + y * 0.03))));
        const RgbImage filled = linux_platform::fill(rgb_image(picture), c.monitor.width(), c.monitor.height());
        ASSERT_EQ(QSize(filled.width(), filled.height()), c.monitor);
        const QImage qt = qt_fill(picture, c.monitor);

        // Away from the edge, that is where neither the picture pixels a
        // monitor pixel covers nor their neighbours cross it: the red stays
        // exact, the rest comes within 3 levels of Qt's (2 measured).
        const QRect part = shown_part(c.picture, c.monitor);
        const double across = static_cast<double>(part.width()) / c.monitor.width();
        for (int x = 0; x < c.monitor.width(); ++x) {
            const double from = part.left() + x * across - 1, to = part.left() + (x + 1) * across + 1;
            for (int y = 0; y < c.monitor.height(); ++y) {
                if (to <= edge) {
                    ASSERT_EQ(filled.row(y)[x], red) << x << ", " << y;
                } else if (from >= edge) {
                    for (const int shift : {0, 8, 16})
                        ASSERT_NEAR(static_cast<int>(filled.row(y)[x] >> shift & 0xff),
                                    static_cast<int>(qt.pixel(x, y) >> shift & 0xff), 3)
                            << x << ", " << y;
                }
            }
        }
    }

    // The size already right: the same pixels, not a copy.
    RgbImage picture = rgb_image(QImage(8, 6, QImage::Format_RGB32));
    const std::uint32_t* pixels = picture.data();
    EXPECT_EQ(linux_platform::fill(std::move(picture), 8, 6).data(), pixels);
}

} // namespace
} // namespace muralis::testing
