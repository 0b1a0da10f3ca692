// The view's artwork, built into the program: the window's icon and the
// visit box's pointer, each a PNG file among the view's resources.
#pragma once

#include <QPixmap>
#include <QString>

namespace muralis::linux_platform {

// The picture of the PNG file name ("globe-32.png"); a null pixmap if the
// program has no such file.
QPixmap artwork(const QString& name);

} // namespace muralis::linux_platform
