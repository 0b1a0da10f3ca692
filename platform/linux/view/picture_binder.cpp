#include "platform/linux/view/picture_binder.h"

#include <QFrame>
#include <QPainter>

#include "platform/linux/qt/qt_picture.h"

namespace muralis::linux_platform {

namespace {

// Paints the model's picture at every paint: a change of the picture only
// asks for one (WidgetBinder::show).
class ImageWidget final : public QFrame {
public:
    ImageWidget(const editor::Image& image, QWidget* parent) : QFrame(parent), m_image(image)
    {
        setFrameStyle(QFrame::Box | QFrame::Plain);
        setLineWidth(1);
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        // Pictures come from this platform's Desktop; any other kind (none,
        // or a test's stand-in) leaves the control empty.
        if (const auto* picture = dynamic_cast<const QtPicture*>(m_image.Picture().get())) {
            // The picture is reduced once to the box's device pixels,
            // averaging what it drops, rather than sampled again at every
            // paint.
            const QRect box = contentsRect();
            const qreal ratio = devicePixelRatioF();
            QImage scaled = picture->scaled_to((QSizeF(box.size()) * ratio).toSize());
            scaled.setDevicePixelRatio(ratio);
            QPainter painter(this);
            painter.drawImage(box.topLeft(), scaled);
        }
        QFrame::paintEvent(event);
    }

private:
    const editor::Image& m_image;
};

} // namespace

PictureBinder::PictureBinder(const editor::Image& image, QWidget* parent, ViewContext& context)
    : WidgetBinder(image, context)
{
    set_up(new ImageWidget(image, parent), ColourRoles::painted_on_container());
}

} // namespace muralis::linux_platform
