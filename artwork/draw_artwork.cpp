// Draws Muralis's own pictures and writes them, byte for byte the same on
// every run, into the folder named on the command line:
//
//   muralis.ico      the program icon: one 32x32 image, 16 colours, AND mask
//   globe.cur        the globe pointer: 32x32 and 16x16, 16 colours, AND
//                    mask, hotspot at the centre of the globe
//   muralis-32.png   the icon as PNG, and nearest-neighbour enlargements
//   muralis-64.png   for the Linux icon theme
//   muralis-128.png
//   globe-32.png     the pointer as PNG, for the Qt view
//   globe-16.png
//
// The icon and the small globe are character maps kept below; the large
// globe is drawn from land masses placed on a sphere. All use the Windows
// 16-colour palette. Only standard C++: the PNG files are written here too,
// with stored (uncompressed) deflate blocks and a hand-made CRC-32 and
// Adler-32. The outputs are checked in beside this file, so that no build
// needs to run this program (the Windows build is a cross build); the test
// tests/artwork runs it and compares. After a change here, draw them again
// and check them in:
//
//   cmake --build BUILD --target muralis_draw_artwork
//   BUILD/tests/artwork/muralis_draw_artwork artwork

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <iostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t r, g, b;
};

// The standard Windows 16-colour palette, in its usual order.
constexpr std::array<Rgb, 16> palette {{
    {0x00, 0x00, 0x00}, // 0 black
    {0x80, 0x00, 0x00}, // 1 maroon
    {0x00, 0x80, 0x00}, // 2 green
    {0x80, 0x80, 0x00}, // 3 olive
    {0x00, 0x00, 0x80}, // 4 navy
    {0x80, 0x00, 0x80}, // 5 purple
    {0x00, 0x80, 0x80}, // 6 teal
    {0xC0, 0xC0, 0xC0}, // 7 silver
    {0x80, 0x80, 0x80}, // 8 gray
    {0xFF, 0x00, 0x00}, // 9 red
    {0x00, 0xFF, 0x00}, // 10 lime
    {0xFF, 0xFF, 0x00}, // 11 yellow
    {0x00, 0x00, 0xFF}, // 12 blue
    {0xFF, 0x00, 0xFF}, // 13 fuchsia
    {0x00, 0xFF, 0xFF}, // 14 aqua
    {0xFF, 0xFF, 0xFF}, // 15 white
}};

enum Colour : int {
    transparent = -1,
    black, maroon, green, olive, navy, purple, teal, silver,
    gray, red, lime, yellow, blue, fuchsia, aqua, white,
};

// A picture of palette indices; `transparent` where nothing is drawn.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<int> pixels;

    Picture(int w, int h) : width(w), height(h), pixels(static_cast<std::size_t>(w * h), transparent) { }
    int& at(int x, int y) { return pixels[static_cast<std::size_t>(y * width + x)]; }
    int at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

// One character a pixel.
int colour_of(char c)
{
    switch (c) {
    case '.': return transparent;
    case 'K': return black;
    case 'm': return maroon;
    case 'g': return green;
    case 'o': return olive;
    case 'n': return navy;
    case 'p': return purple;
    case 't': return teal;
    case 's': return silver;
    case 'd': return gray;
    case 'R': return red;
    case 'G': return lime;
    case 'Y': return yellow;
    case 'B': return blue;
    case 'F': return fuchsia;
    case 'A': return aqua;
    case 'W': return white;
    }
    throw std::runtime_error(std::string("no colour for '") + c + "'");
}

Picture from_map(const std::vector<std::string>& rows)
{
    Picture picture(static_cast<int>(rows.front().size()), static_cast<int>(rows.size()));
    for (int y = 0; y < picture.height; ++y) {
        if (static_cast<int>(rows[static_cast<std::size_t>(y)].size()) != picture.width)
            throw std::runtime_error("character map row " + std::to_string(y) + " has the wrong length");
        for (int x = 0; x < picture.width; ++x)
            picture.at(x, y) = colour_of(rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)]);
    }
    return picture;
}

// ---------------------------------------------------------------------------
// The program icon: a calendar page holding a landscape picture, with a strip
// of seven day marks below it, today's in red.

Picture draw_icon()
{
    return from_map({
        "......KKK.............KKK.......",
        ".....KsssK...........KsssK......",
        "KKKKKKsKsKKKKKKKKKKKKKsKsKKKKKK.",
        "KRRRRKsKsKRRRRRRRRRRRKsKsKRRRRKd",
        "KRRRRKsKsKRRRRRRRRRRRKsKsKRRRRKd",
        "KRRRRRKKKRRRRRRRRRRRRRKKKRRRRRKd",
        "KRRRRRRRRRRRRRRRRRRRRRRRRRRRRRKd",
        "KmmmmmmmmmmmmmmmmmmmmmmmmmmmmmKd",
        "KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKd",
        "KWKKKKKKKKKKKKKKKKKKKKKKKKKKKWKd",
        "KWKAAAAAAAAAAAAAAAAAAAAAAAAAKWKd",
        "KWKAAAAAAAAAAAAAAAAAAAYYAAAAKWKd",
        "KWKAAAAAAWAAAAAAAAAAAYYYYAAAKWKd",
        "KWKAAAAAWWWAAAAAAAAAAYYYYAAAKWKd",
        "KWKAAAAWWdddAAAAWAAAAAYYAAAAKWKd",
        "KWKAAAddddddddAWWdAAAAAAAAAAKWKd",
        "KWKAAddddddddddddddAAAAAAAAAKWKd",
        "KWKGGGGddddddddddddddGGGGGGGKWKd",
        "KWKGGGGGGGGGGddddGGGGGGGGggGKWKd",
        "KWKggGGGGGGGGGGGGGGGGGgggggGKWKd",
        "KWKgggggGGGGGGGGGggggggggggGKWKd",
        "KWKBBBBBBBBBBBBBBBBBBBBBBBBBKWKd",
        "KWKBBBBWWBBBBBBBBBBBWWWBBBBBKWKd",
        "KWKKKKKKKKKKKKKKKKKKKKKKKKKKKWKd",
        "KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKd",
        "KWdddWdddWdddWRRRWdddWdddWdddWKd",
        "KWdddWdddWdddWRRRWdddWdddWdddWKd",
        "KWdddWdddWdddWRRRWdddWdddWdddWKd",
        "KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKd",
        "KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKd",
        "KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKd",
        ".ddddddddddddddddddddddddddddddd",
    });
}

// ---------------------------------------------------------------------------
// The globe: a disc of odd diameter, so that one pixel is its centre. Each
// pixel inside is a point of a sphere seen from the front; land is the union
// of a few caps of that sphere, each given by the point of the disc over its
// centre (in radii, y downwards) and its angular size as a cosine. Light
// comes from the upper left. Only + - * / and sqrt are used, so the result is
// the same wherever IEEE arithmetic is.

struct Cap {
    double x, y;     // the cap's centre, seen on the disc
    double cos_size; // the cap holds the points within this cosine of it
};

constexpr std::array<Cap, 11> land {{
    // North America, Central America
    {-0.38, -0.45, 0.965},
    {-0.08, -0.52, 0.975},
    {-0.45, -0.12, 0.985},
    {-0.22, -0.22, 0.975},
    {-0.08, 0.00, 0.995},
    {0.02, 0.08, 0.997},
    // Greenland
    {0.22, -0.78, 0.993},
    // South America
    {0.20, 0.30, 0.970},
    {0.32, 0.42, 0.975},
    {0.22, 0.62, 0.982},
    {0.14, 0.80, 0.993},
}};

// A `size` square picture; the disc fills all but its last row and column.
Picture draw_globe(int size)
{
    Picture picture(size, size);
    const int centre = (size - 2) / 2;
    // Pixels whose centre lies within half a pixel past the middle of the
    // outermost ones: a round outline without single pixels on the axes.
    const double radius = centre + 0.5;
    const auto inside = [&](int x, int y) {
        const double dx = (x - centre) / radius, dy = (y - centre) / radius;
        return dx * dx + dy * dy <= 1.0;
    };
    // The light, a unit vector towards the upper left and the viewer.
    const double lx = -0.45, ly = -0.55, lz = std::sqrt(1.0 - lx * lx - ly * ly);

    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (!inside(x, y))
                continue;
            if (!inside(x + 1, y) || !inside(x - 1, y) || !inside(x, y + 1) || !inside(x, y - 1)) {
                picture.at(x, y) = navy; // the rim
                continue;
            }
            const double dx = (x - centre) / radius;
            const double dy = (y - centre) / radius;
            const double d2 = dx * dx + dy * dy;
            const double dz = std::sqrt(1.0 - d2);
            bool is_land = false;
            for (const Cap& cap : land) {
                const double cz = std::sqrt(1.0 - cap.x * cap.x - cap.y * cap.y);
                if (dx * cap.x + dy * cap.y + dz * cz >= cap.cos_size)
                    is_land = true;
            }
            const double light = dx * lx + dy * ly + dz * lz;
            if (is_land)
                picture.at(x, y) = light > 0.55 ? lime : green;
            else if (light > 0.96)
                picture.at(x, y) = aqua;
            else if (light > 0.15)
                picture.at(x, y) = blue;
            else
                picture.at(x, y) = navy;
        }
    }
    return picture;
}

// At 16x16 the land masses drawn from the sphere come out ragged, so the
// small globe is drawn by hand, the same view of the same lands.
Picture draw_small_globe()
{
    return from_map({
        ".....nnnnn......",
        "...nnBBBBBnn....",
        "..nABBGGGBBBn...",
        ".nABGGGGGGGBBn..",
        ".nBGGGGGGGBBBn..",
        "nBBBGGGGGBBBBBn.",
        "nBBBBGGGBBBBBBn.",
        "nBBBBBGGBBBBBBn.",
        "nBBBBBBGGGBBBBn.",
        "nBBBBBBGGGggBnn.",
        ".nBBBBBBGGggBn..",
        ".nBBBBBBgggBnn..",
        "..nBBBBBggBBn...",
        "...nnBBBgBnn....",
        ".....nnnnn......",
        "................",
    });
}

Picture enlarge(const Picture& picture, int factor)
{
    Picture large(picture.width * factor, picture.height * factor);
    for (int y = 0; y < large.height; ++y)
        for (int x = 0; x < large.width; ++x)
            large.at(x, y) = picture.at(x / factor, y / factor);
    return large;
}

// ---------------------------------------------------------------------------
// Little-endian and big-endian byte writers.

void put16(Bytes& out, unsigned value)
{
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void put32(Bytes& out, std::uint32_t value)
{
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void put32be(Bytes& out, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

// ---------------------------------------------------------------------------
// ICO and CUR: an ICONDIR, one entry an image, then each image as a
// BITMAPINFOHEADER (height doubled for the mask), the 16-colour palette, the
// colour bits bottom-up at 4 bits a pixel, and the AND mask bottom-up at one
// bit a pixel (1 = transparent); both rows padded to 4 bytes.

struct Hotspot {
    int x, y;
};

Bytes bitmap_of(const Picture& picture)
{
    Bytes out;
    const std::uint32_t colour_row = static_cast<std::uint32_t>((picture.width * 4 + 31) / 32 * 4);
    const std::uint32_t mask_row = static_cast<std::uint32_t>((picture.width + 31) / 32 * 4);
    const std::uint32_t image_size = (colour_row + mask_row) * static_cast<std::uint32_t>(picture.height);

    put32(out, 40);
    put32(out, static_cast<std::uint32_t>(picture.width));
    put32(out, static_cast<std::uint32_t>(picture.height * 2));
    put16(out, 1);  // planes
    put16(out, 4);  // bits a pixel
    put32(out, 0);  // BI_RGB
    put32(out, image_size);
    put32(out, 0);  // pixels a metre, x and y
    put32(out, 0);
    put32(out, 16); // colours used
    put32(out, 0);  // colours important: all
    for (const Rgb& c : palette) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        out.push_back(0);
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        Bytes row(colour_row, 0);
        for (int x = 0; x < picture.width; ++x) {
            const int index = picture.at(x, y) == transparent ? black : picture.at(x, y);
            row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    for (int y = picture.height - 1; y >= 0; --y) {
        Bytes row(mask_row, 0);
        for (int x = 0; x < picture.width; ++x)
            if (picture.at(x, y) == transparent)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// A cursor when hotspots are given (one per picture), else an icon.
Bytes icon_file(const std::vector<Picture>& pictures, const std::vector<Hotspot>& hotspots = {})
{
    const bool cursor = !hotspots.empty();
    Bytes out;
    put16(out, 0);
    put16(out, cursor ? 2 : 1);
    put16(out, static_cast<unsigned>(pictures.size()));
    std::vector<Bytes> bitmaps;
    for (const Picture& picture : pictures)
        bitmaps.push_back(bitmap_of(picture));
    std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(pictures[i].width == 256 ? 0 : pictures[i].width));
        out.push_back(static_cast<std::uint8_t>(pictures[i].height == 256 ? 0 : pictures[i].height));
        out.push_back(16); // colours
        out.push_back(0);
        if (cursor) {
            put16(out, static_cast<unsigned>(hotspots[i].x));
            put16(out, static_cast<unsigned>(hotspots[i].y));
        } else {
            put16(out, 1); // planes
            put16(out, 4); // bits a pixel
        }
        put32(out, static_cast<std::uint32_t>(bitmaps[i].size()));
        put32(out, offset);
        offset += static_cast<std::uint32_t>(bitmaps[i].size());
    }
    for (const Bytes& bitmap : bitmaps)
        out.insert(out.end(), bitmap.begin(), bitmap.end());
    return out;
}

// ---------------------------------------------------------------------------
// PNG, RGBA at 8 bits a channel, no filtering, in stored deflate blocks.

std::uint32_t crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0)
{
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint32_t adler32(const Bytes& data)
{
    std::uint32_t a = 1, b = 0;
    for (const std::uint8_t byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

void put_chunk(Bytes& out, const char* type, const Bytes& data)
{
    put32be(out, static_cast<std::uint32_t>(data.size()));
    Bytes typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    put32be(out, crc32(typed.data(), typed.size()));
}

Bytes png_file(const Picture& picture)
{
    Bytes raw;
    for (int y = 0; y < picture.height; ++y) {
        raw.push_back(0); // filter: none
        for (int x = 0; x < picture.width; ++x) {
            const int index = picture.at(x, y);
            const Rgb c = palette[static_cast<std::size_t>(index == transparent ? 0 : index)];
            raw.insert(raw.end(), {c.r, c.g, c.b, static_cast<std::uint8_t>(index == transparent ? 0 : 255)});
        }
    }

    Bytes zlib {0x78, 0x01}; // deflate, 32 KiB window, no dictionary, fastest
    std::size_t done = 0;
    do {
        const std::size_t size = std::min<std::size_t>(raw.size() - done, 65535);
        const bool last = done + size == raw.size();
        zlib.push_back(last ? 1 : 0); // BFINAL, BTYPE 00: stored
        put16(zlib, static_cast<unsigned>(size));
        put16(zlib, static_cast<unsigned>(~size & 0xFFFF));
        zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(done),
                    raw.begin() + static_cast<std::ptrdiff_t>(done + size));
        done += size;
    } while (done < raw.size());
    put32be(zlib, adler32(raw));

    Bytes out {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes header;
    put32be(header, static_cast<std::uint32_t>(picture.width));
    put32be(header, static_cast<std::uint32_t>(picture.height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA, deflate, adaptive filters, no interlace
    put_chunk(out, "IHDR", header);
    put_chunk(out, "IDAT", zlib);
    put_chunk(out, "IEND", {});
    return out;
}

void write(const std::string& folder, const std::string& name, const Bytes& bytes)
{
    const std::string path = folder + "/" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: draw_artwork OUTPUT-FOLDER\n";
        return 2;
    }
    try {
        const std::string folder = argv[1];
        const Picture icon = draw_icon();
        const Picture globe32 = draw_globe(32);
        const Picture globe16 = draw_small_globe();

        write(folder, "muralis.ico", icon_file({icon}));
        write(folder, "globe.cur", icon_file({globe32, globe16}, {{15, 15}, {7, 7}}));
        write(folder, "muralis-32.png", png_file(icon));
        write(folder, "muralis-64.png", png_file(enlarge(icon, 2)));
        write(folder, "muralis-128.png", png_file(enlarge(icon, 4)));
        write(folder, "globe-32.png", png_file(globe32));
        write(folder, "globe-16.png", png_file(globe16));
    } catch (const std::exception& error) {
        std::cerr << "draw_artwork: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
