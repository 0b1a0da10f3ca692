#include "platform/linux/view/artwork.h"

#include <QImage>
#include <QImageReader>

// The artwork is compiled into this static library, whose resource
// registration the linker would drop unless something refers to it.
static void register_view_artwork()
{
    Q_INIT_RESOURCE(view_artwork);
}

namespace muralis::linux_platform {

// Read as PNG and nothing else: left to find the format, Qt loads each of
// its image plugins (and the libraries they link) to ask whether the bytes
// are theirs, before it tries its own PNG reader.
QPixmap artwork(const QString& name)
{
    static const bool registered = (register_view_artwork(), true);
    (void)registered;
    QImageReader reader(QStringLiteral(":/muralis/") + name, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

} // namespace muralis::linux_platform
