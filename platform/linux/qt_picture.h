// A picture loaded on Linux, held as the QImage the Qt window draws.
#pragma once

#include <utility>

#include <QImage>

#include "platform/platform.h"

namespace muralis::linux_platform {

class QtPicture final : public Picture {
public:
    explicit QtPicture(QImage image) : m_image(std::move(image)) {}

    int width() const override { return m_image.width(); }
    int height() const override { return m_image.height(); }
    const QImage& image() const { return m_image; }

private:
    QImage m_image;
};

} // namespace muralis::linux_platform
