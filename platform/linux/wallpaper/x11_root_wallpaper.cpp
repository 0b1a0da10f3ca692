#include "platform/linux/wallpaper/x11_root_wallpaper.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/pictures/plain_bitmap.h"
#include "platform/linux/wallpaper/x_display.h"

namespace muralis::linux_platform {

namespace {

bool visual_masks(const Visual* visual, unsigned long red, unsigned long green, unsigned long blue)
{
    return visual->red_mask == red && visual->green_mask == green && visual->blue_mask == blue;
}

// Puts image at (x, y) of drawable. A 24- or 32-bit TrueColor visual with
// the usual masks takes the pixels as they are; other visuals are filled
// pixel by pixel.
void put_image(Display* display, Drawable drawable, GC gc, Visual* visual, int depth, RgbImage& source,
               int x, int y)
{
    const auto width = static_cast<unsigned>(source.width());
    const auto height = static_cast<unsigned>(source.height());
    const bool direct = (depth == 24 || depth == 32) && visual->c_class == TrueColor &&
                        visual_masks(visual, 0xff0000, 0x00ff00, 0x0000ff);
    if (direct) {
        XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(source.data()), width, height, 32,
                                     source.width() * 4);
        if (!image)
            return;
        // The words are the client's own order; the image says so, and Xlib
        // swaps them for a server of the other order.
        image->byte_order = LSBFirst;
        XPutImage(display, drawable, gc, image, 0, 0, x, y, width, height);
        image->data = nullptr; // owned by source
        XDestroyImage(image);
        return;
    }

    // Any other visual: let Xlib place each pixel, asking the colormap for
    // the colours where the visual is not TrueColor.
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, width,
                                 height, 32, 0);
    if (!image)
        return;
    std::vector<char> data(static_cast<std::size_t>(image->bytes_per_line) * height);
    image->data = data.data();
    auto channel = [](unsigned value, unsigned long mask) -> unsigned long {
        if (mask == 0)
            return 0;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        const unsigned long top = mask >> shift;
        return ((static_cast<unsigned long>(value) * top + 127) / 255) << shift;
    };
    const Colormap colormap = DefaultColormap(display, DefaultScreen(display));
    for (int row = 0; row < source.height(); ++row) {
        const std::uint32_t* line = source.row(row);
        for (int column = 0; column < source.width(); ++column) {
            const unsigned red = (line[column] >> 16) & 0xff;
            const unsigned green = (line[column] >> 8) & 0xff;
            const unsigned blue = line[column] & 0xff;
            unsigned long pixel;
            if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
                pixel = channel(red, visual->red_mask) | channel(green, visual->green_mask) |
                        channel(blue, visual->blue_mask);
            } else {
                XColor wanted {};
                wanted.red = static_cast<unsigned short>(red * 257);
                wanted.green = static_cast<unsigned short>(green * 257);
                wanted.blue = static_cast<unsigned short>(blue * 257);
                pixel = XAllocColor(display, colormap, &wanted) ? wanted.pixel
                                                                : BlackPixel(display, DefaultScreen(display));
            }
            XPutPixel(image, column, row, pixel);
        }
    }
    XPutImage(display, drawable, gc, image, 0, 0, x, y, width, height);
    image->data = nullptr;
    XDestroyImage(image);
}

// The pixmap a property of the root window names, or None.
Pixmap root_pixmap_property(Display* display, Window root, Atom property)
{
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display, root, property, 0, 1, False, AnyPropertyType, &type, &format,
                           &items, &after, &data) == Success &&
        type == XA_PIXMAP && format == 32 && items == 1 && data)
        pixmap = *reinterpret_cast<Pixmap*>(data);
    if (data)
        XFree(data);
    return pixmap;
}


RgbImage copy_of(const RgbImage& picture)
{
    RgbImage copy(picture.width(), picture.height());
    std::memcpy(copy.data(), picture.data(),
                static_cast<std::size_t>(picture.width()) * static_cast<std::size_t>(picture.height()) * 4);
    return copy;
}

} // namespace

std::vector<RgbImage> monitor_images(RgbImage picture, const std::vector<MonitorSize>& monitors)
{
    std::vector<RgbImage> images;
    for (std::size_t i = 0; i < monitors.size(); ++i) {
        // The last monitor may have the picture itself.
        RgbImage source = i + 1 == monitors.size() ? std::move(picture) : copy_of(picture);
        images.push_back(fill(std::move(source), monitors[i].width, monitors[i].height));
    }
    return images;
}

// A pixmap drawn on a display of its own, shown by publish(). Until then
// closing the display frees it and leaves the screen as it was.
struct X11RootWallpaper::Pixmap {
    DisplayConnection connection;
    ::Pixmap pixmap = None;

    // Draws picture for every monitor of the display; false without one.
    bool draw(RgbImage picture)
    {
        Display* display = connection.get();
        if (!display)
            return false;
        const int screen = DefaultScreen(display);
        const Window root = RootWindow(display, screen);
        const int depth = DefaultDepth(display, screen);
        Visual* visual = DefaultVisual(display, screen);
        const unsigned width = static_cast<unsigned>(DisplayWidth(display, screen));
        const unsigned height = static_cast<unsigned>(DisplayHeight(display, screen));
        const std::vector<Rectangle> monitors = monitor_rectangles(display, root, screen);
        std::vector<MonitorSize> sizes;
        for (const Rectangle& monitor : monitors)
            sizes.push_back({monitor.width, monitor.height});
        std::vector<RgbImage> images = monitor_images(std::move(picture), sizes);

        pixmap = XCreatePixmap(display, root, width, height, static_cast<unsigned>(depth));
        GC gc = XCreateGC(display, pixmap, 0, nullptr);
        // Parts of the root that no monitor shows stay black.
        if (monitors.size() > 1 || monitors[0].width != static_cast<int>(width) ||
            monitors[0].height != static_cast<int>(height)) {
            XSetForeground(display, gc, BlackPixel(display, screen));
            XFillRectangle(display, pixmap, gc, 0, 0, width, height);
        }
        for (std::size_t i = 0; i < monitors.size(); ++i)
            put_image(display, pixmap, gc, visual, depth, images[i], monitors[i].x, monitors[i].y);
        XFreeGC(display, gc);
        XFlush(display);
        return true;
    }

    void publish()
    {
        Display* display = connection.get();
        const Window root = DefaultRootWindow(display);
        // The previous setter left its pixmap alive with RetainPermanent and
        // named it in both properties; killing its client frees it. A pixmap
        // named only in _XROOTPMAP_ID belongs to a desktop that still runs,
        // and is left alone.
        const Atom root_atom = XInternAtom(display, "_XROOTPMAP_ID", False);
        const Atom esetroot_atom = XInternAtom(display, "ESETROOT_PMAP_ID", False);
        const ::Pixmap previous = root_pixmap_property(display, root, root_atom);
        if (previous != None && previous == root_pixmap_property(display, root, esetroot_atom))
            XKillClient(display, previous);

        XChangeProperty(display, root, root_atom, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XChangeProperty(display, root, esetroot_atom, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&pixmap), 1);
        XSetWindowBackgroundPixmap(display, root, pixmap);
        XClearWindow(display, root);
        // The pixmap must outlive this connection: the root keeps showing it
        // and the properties name it until the next setter kills it.
        XSetCloseDownMode(display, RetainPermanent);
        XSync(display, False);
    }
};

X11RootWallpaper::X11RootWallpaper(Toolkit& toolkit) : m_toolkit(toolkit) {}
X11RootWallpaper::~X11RootWallpaper() = default;

void X11RootWallpaper::prepare(RgbImage picture)
{
    auto prepared = std::make_unique<Pixmap>();
    if (prepared->draw(std::move(picture)))
        m_prepared = std::move(prepared);
}

bool X11RootWallpaper::install(const std::string& path)
{
    std::unique_ptr<Pixmap> pixmap = std::move(m_prepared);
    if (!pixmap) {
        // Without a display nothing is read.
        pixmap = std::make_unique<Pixmap>();
        if (!pixmap->connection.get())
            return false;
        RgbImage picture;
        try {
            std::optional<RgbImage> plain = read_plain_bitmap_file(path);
            picture = plain ? std::move(*plain) : m_toolkit.read_picture(path);
        } catch (const Failure&) {
            return false;
        }
        if (!pixmap->draw(std::move(picture)))
            return false;
    }
    pixmap->publish();
    return true;
}

} // namespace muralis::linux_platform
