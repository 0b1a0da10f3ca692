#include "platform/linux/x11_root_wallpaper.h"

#include <algorithm>
#include <cmath>

#include <QImage>
#include <QSize>
#include <QString>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "platform/linux/x_display.h"

#include <vector>

namespace muralis::linux_platform {

namespace {

// The picture scaled to cover width x height with its aspect kept, and
// cropped to it around the centre.
QImage fill(const QImage& picture, int width, int height)
{
    if (picture.width() == width && picture.height() == height)
        return picture;
    // The part of the picture the monitor shows is cut out first and then
    // scaled: scaling the whole picture first makes an image as many times
    // larger than the monitor as the two aspects differ (gigabytes for a
    // 16384 x 2 bitmap on a small screen).
    const double scale = std::max(static_cast<double>(width) / picture.width(),
                                  static_cast<double>(height) / picture.height());
    const int part_width = std::clamp(static_cast<int>(std::lround(width / scale)), 1, picture.width());
    const int part_height = std::clamp(static_cast<int>(std::lround(height / scale)), 1, picture.height());
    return picture
        .copy((picture.width() - part_width) / 2, (picture.height() - part_height) / 2, part_width, part_height)
        .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

bool visual_masks(const Visual* visual, unsigned long red, unsigned long green, unsigned long blue)
{
    return visual->red_mask == red && visual->green_mask == green && visual->blue_mask == blue;
}

// Puts image at (x, y) of drawable. A 24- or 32-bit TrueColor visual with
// the usual masks takes Qt's RGB32 pixels as they are; other visuals are
// filled pixel by pixel.
void put_image(Display* display, Drawable drawable, GC gc, Visual* visual, int depth,
               const QImage& source, int x, int y)
{
    const bool direct_32 = (depth == 24 || depth == 32) && visual->c_class == TrueColor &&
                           visual_masks(visual, 0xff0000, 0x00ff00, 0x0000ff);
    const bool direct_16 = depth == 16 && visual->c_class == TrueColor &&
                           visual_masks(visual, 0xf800, 0x07e0, 0x001f);
    if (direct_32 || direct_16) {
        QImage pixels = source.convertToFormat(direct_32 ? QImage::Format_RGB32 : QImage::Format_RGB16);
        XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(pixels.bits()),
                                     static_cast<unsigned>(pixels.width()),
                                     static_cast<unsigned>(pixels.height()), direct_32 ? 32 : 16,
                                     static_cast<int>(pixels.bytesPerLine()));
        if (!image)
            return;
        XPutImage(display, drawable, gc, image, 0, 0, x, y, static_cast<unsigned>(pixels.width()),
                  static_cast<unsigned>(pixels.height()));
        image->data = nullptr; // owned by pixels
        XDestroyImage(image);
        return;
    }

    // Any other visual: let Xlib place each pixel, asking the colormap for
    // the colours where the visual is not TrueColor.
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(source.width()),
                                 static_cast<unsigned>(source.height()), 32, 0);
    if (!image)
        return;
    std::vector<char> data(static_cast<std::size_t>(image->bytes_per_line) *
                           static_cast<std::size_t>(source.height()));
    image->data = data.data();
    const QImage rgb = source.convertToFormat(QImage::Format_RGB32);
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
    for (int row = 0; row < rgb.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(row));
        for (int column = 0; column < rgb.width(); ++column) {
            const QRgb colour = line[column];
            unsigned long pixel;
            if (visual->c_class == TrueColor || visual->c_class == DirectColor) {
                pixel = channel(static_cast<unsigned>(qRed(colour)), visual->red_mask) |
                        channel(static_cast<unsigned>(qGreen(colour)), visual->green_mask) |
                        channel(static_cast<unsigned>(qBlue(colour)), visual->blue_mask);
            } else {
                XColor wanted {};
                wanted.red = static_cast<unsigned short>(qRed(colour) * 257);
                wanted.green = static_cast<unsigned short>(qGreen(colour) * 257);
                wanted.blue = static_cast<unsigned short>(qBlue(colour) * 257);
                pixel = XAllocColor(display, colormap, &wanted) ? wanted.pixel
                                                                : BlackPixel(display, DefaultScreen(display));
            }
            XPutPixel(image, column, row, pixel);
        }
    }
    XPutImage(display, drawable, gc, image, 0, 0, x, y, static_cast<unsigned>(source.width()),
              static_cast<unsigned>(source.height()));
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

} // namespace

std::vector<QImage> monitor_images(const std::string& path, const std::vector<QSize>& monitors)
{
    const QImage picture(QString::fromStdString(path));
    if (picture.isNull())
        return {};
    std::vector<QImage> images;
    for (const QSize& monitor : monitors)
        images.push_back(fill(picture, monitor.width(), monitor.height()));
    return images;
}

bool X11RootWallpaper::install(const std::string& path)
{
    DisplayConnection connection;
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
    std::vector<QSize> sizes;
    for (const Rectangle& monitor : monitors)
        sizes.emplace_back(monitor.width, monitor.height);
    const std::vector<QImage> images = monitor_images(path, sizes);
    if (images.empty())
        return false;

    const Pixmap pixmap = XCreatePixmap(display, root, width, height, static_cast<unsigned>(depth));
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

    // The previous setter left its pixmap alive with RetainPermanent and
    // named it in both properties; killing its client frees it. A pixmap
    // named only in _XROOTPMAP_ID belongs to a desktop that still runs, and
    // is left alone.
    const Atom root_atom = XInternAtom(display, "_XROOTPMAP_ID", False);
    const Atom esetroot_atom = XInternAtom(display, "ESETROOT_PMAP_ID", False);
    const Pixmap previous = root_pixmap_property(display, root, root_atom);
    if (previous != None && previous == root_pixmap_property(display, root, esetroot_atom))
        XKillClient(display, previous);

    XChangeProperty(display, root, root_atom, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XChangeProperty(display, root, esetroot_atom, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&pixmap), 1);
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
    // The pixmap must outlive this connection: the root keeps showing it and
    // the properties name it until the next setter kills it.
    XSetCloseDownMode(display, RetainPermanent);
    XSync(display, False);
    return true;
}

} // namespace muralis::linux_platform
