#include "platform/linux/view/control_widgets.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "platform/linux/qt/qt_picture.h"

namespace muralis::linux_platform {

TextBoxWidget::TextBoxWidget(QWidget* parent) : QLineEdit(parent)
{
}

void TextBoxWidget::mouseReleaseEvent(QMouseEvent* event)
{
    QLineEdit::mouseReleaseEvent(event);
    const bool ends_double_click = m_releasing_double_click;
    m_releasing_double_click = false;
    if (event->button() == Qt::LeftButton && !ends_double_click && rect().contains(event->position().toPoint()) &&
        on_click)
        on_click();
}

void TextBoxWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    m_releasing_double_click = true;
    if (on_double_click)
        on_double_click();
}

ImageWidget::ImageWidget(const editor::Image& image, QWidget* parent) : QFrame(parent), m_image(image)
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
}

void ImageWidget::paintEvent(QPaintEvent* event)
{
    // Pictures come from this platform's Desktop; any other kind (none,
    // or a test's stand-in) leaves the control empty.
    if (const auto* picture = dynamic_cast<const QtPicture*>(m_image.Picture().get())) {
        // The picture is reduced once to the box's device pixels, averaging
        // what it drops, rather than sampled again at every paint.
        const QRect box = contentsRect();
        const qreal ratio = devicePixelRatioF();
        QImage scaled = picture->scaled_to((QSizeF(box.size()) * ratio).toSize());
        scaled.setDevicePixelRatio(ratio);
        QPainter painter(this);
        painter.drawImage(box.topLeft(), scaled);
    }
    QFrame::paintEvent(event);
}

void FileListWidget::keyPressEvent(QKeyEvent* event)
{
    const QList<uint> characters = event->text().toUcs4();
    if (!characters.isEmpty() && on_key_press)
        on_key_press(static_cast<int>(characters.front()));
    QListWidget::keyPressEvent(event);
}

QIcon folder_glyph(bool open)
{
    // A 16 x 12 folder in a 16 x 16 square: a tab on a body, and a front
    // flap, tilted down towards the viewer when the folder is open.
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.translate(0, 2);
    painter.setPen(QColor(96, 72, 0));
    painter.setBrush(QColor(240, 200, 80));
    const QPoint back[] = {{0, 1}, {5, 1}, {6, 2}, {13, 2}, {13, 11}, {0, 11}};
    painter.drawPolygon(back, 6);
    painter.setBrush(QColor(255, 230, 140));
    if (open) {
        const QPoint flap[] = {{0, 11}, {3, 5}, {15, 5}, {13, 11}};
        painter.drawPolygon(flap, 4);
    } else {
        const QPoint front[] = {{0, 4}, {13, 4}, {13, 11}, {0, 11}};
        painter.drawPolygon(front, 4);
    }
    return QIcon(glyph);
}

int FolderIndentDelegate::indent_of(const QModelIndex& index) const
{
    return index.data(depth_role).toInt() * m_indent;
}

void FolderIndentDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    QStyleOptionViewItem indented = option;
    indented.rect.setLeft(option.rect.left() + indent_of(index));
    QStyledItemDelegate::paint(painter, indented, index);
}

QSize FolderIndentDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(indent_of(index), 0);
}

} // namespace muralis::linux_platform
