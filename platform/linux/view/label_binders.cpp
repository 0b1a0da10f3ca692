#include "platform/linux/view/label_binders.h"

#include <QFrame>
#include <QLabel>

namespace muralis::linux_platform {

namespace {

Qt::Alignment alignment_of(editor::Alignment alignment)
{
    switch (alignment) {
    case editor::Alignment::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case editor::Alignment::Centre:
        return Qt::AlignHCenter | Qt::AlignTop;
    case editor::Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

} // namespace

LabelBinder::LabelBinder(const editor::Label& label, QWidget* parent, ViewContext& context)
    : WidgetBinder(label, context), m_label(label), m_text(new QLabel(parent))
{
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(false);
    m_text->setAlignment(alignment_of(label.alignment()));
    set_up(m_text, ColourRoles::painted_on_container());
}

void LabelBinder::show_caption()
{
    m_text->setText(QString::fromStdString(m_label.shown_caption()));
}

PanelBinder::PanelBinder(const editor::Frame& panel, QWidget* parent, ViewContext& context)
    : WidgetBinder(panel, context)
{
    // The window's panel: no border and no caption, only its colour.
    auto* frame = new QFrame(parent);
    frame->setFrameShape(QFrame::NoFrame);
    set_up(frame, ColourRoles::painted_on_container());
}

} // namespace muralis::linux_platform
