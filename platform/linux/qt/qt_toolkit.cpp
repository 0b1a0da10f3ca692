#include "platform/linux/qt/qt_toolkit.h"

#include <cmath>
#include <cstring>

#include <QApplication>
#include <QLocale>
#include <QScreen>
#include <QString>

#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/pictures/picture_reader.h"
#include "platform/linux/qt/qt_picture.h"

namespace muralis::linux_platform {

std::string QtToolkit::language_name(const std::string& locale_name)
{
    const QLocale locale(QString::fromStdString(locale_name));
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return {};
    return QLocale::languageToString(locale.language()).toStdString();
}

std::string QtToolkit::upper_case(const std::string& text, const std::string& locale_name)
{
    const QLocale rules = locale_name == "C" ? QLocale::c() : QLocale(QString::fromLocal8Bit(locale_name));
    return rules.toUpper(QString::fromStdString(text)).toStdString();
}

void QtToolkit::beep()
{
    // The platform plugin rings the bell (on X, XBell on the application's
    // own connection); without a GUI application there is none to ask.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QApplication::beep();
}

TwipsSize QtToolkit::screen_size()
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->logicalDotsPerInch() <= 0)
        return {};
    // Logical pixels against logical dots per inch: a screen that Qt scales
    // (Xft.dpi 192 makes 2 device pixels of 1 logical one) keeps its size in
    // inches.
    const QSize size = screen->geometry().size();
    const double twips_per_pixel = 1440.0 / screen->logicalDotsPerInch();
    return {static_cast<int>(std::lround(size.width() * twips_per_pixel)),
            static_cast<int>(std::lround(size.height() * twips_per_pixel))};
}

namespace {

// The pixels as a QImage that owns them, without a copy.
QImage qimage_of(RgbImage pixels)
{
    auto* owned = new RgbImage(std::move(pixels));
    return QImage(
        reinterpret_cast<uchar*>(owned->data()), owned->width(), owned->height(),
        static_cast<qsizetype>(owned->width()) * 4, QImage::Format_RGB32,
        [](void* image) { delete static_cast<RgbImage*>(image); }, owned);
}

// The device pixels of the primary screen that shown twips cover; zero
// without a screen, for the whole picture.
formats::PixelSize device_pixels(TwipsSize shown)
{
    if (shown.width <= 0 || shown.height <= 0 || !qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return {};
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen || screen->logicalDotsPerInch() <= 0)
        return {};
    const double pixels_per_twip = screen->logicalDotsPerInch() * screen->devicePixelRatio() / 1440.0;
    return {static_cast<int>(std::ceil(shown.width * pixels_per_twip)),
            static_cast<int>(std::ceil(shown.height * pixels_per_twip))};
}

} // namespace

std::shared_ptr<const Picture> QtToolkit::load_picture(const std::string& path, TwipsSize shown)
{
    // A plain bitmap, the usual picture, is read in a fraction of the time
    // Qt's general reader takes, to exactly the same pixels; JPEG, PNG and
    // WebP by the same decoders as Muralrun's, so that the preview shows
    // what the desktop will.
    std::uint64_t size = 0;
    const UniqueFd fd = open_picture_file(path, size);
    if (std::optional<RgbImage> picture = linux_platform::read_picture(fd.get(), size, path, device_pixels(shown)))
        return std::make_shared<QtPicture>(qimage_of(std::move(*picture)));
    return std::make_shared<QtPicture>(read_qimage(path));
}

RgbImage QtToolkit::read_picture(const std::string& path)
{
    const QImage image = read_qimage(path).convertToFormat(QImage::Format_RGB32);
    RgbImage pixels(image.width(), image.height());
    const auto row_bytes = static_cast<std::size_t>(image.width()) * sizeof(std::uint32_t);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(pixels.row(y), image.constScanLine(y), row_bytes);
    return pixels;
}

QtToolkit& qt_toolkit()
{
    static QtToolkit toolkit;
    return toolkit;
}

} // namespace muralis::linux_platform
