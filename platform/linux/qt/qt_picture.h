// A picture loaded on Linux, held as the QImage the Qt window draws.
#pragma once

#include <string>
#include <utility>

#include <QImage>
#include <QSize>

#include "platform/platform.h"

namespace muralis::linux_platform {

class QtPicture final : public Picture {
public:
    explicit QtPicture(QImage image) : m_image(std::move(image)) {}

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    const QImage& image() const { return m_image; }

    // The picture smoothly scaled to size (in device pixels, aspect ignored,
    // as a picture control stretches it), kept until another size is asked
    // for: a view that paints a large picture into a small box pays for the
    // scaling once, not at every paint. The picture itself at its own size.
    const QImage& scaled_to(QSize size) const
    {
        if (size == m_image.size())
            return m_image;
        if (size != m_scaled_size) {
            m_scaled = m_image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_scaled_size = size;
        }
        return m_scaled;
    }

private:
    QImage m_image;
    // One painting thread (the GUI's) asks for these.
    mutable QImage m_scaled;
    mutable QSize m_scaled_size;
};

// The bitmap in the file at path, in any of the bitmap forms Qt reads, of
// at most largest_picture_side pixels each way. Throws Failure as
// Toolkit::load_picture does, and for a file of any other format.
QImage read_qimage(const std::string& path);

} // namespace muralis::linux_platform
