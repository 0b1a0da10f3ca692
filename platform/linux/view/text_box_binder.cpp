#include "platform/linux/view/text_box_binder.h"

#include <functional>

#include <QLineEdit>
#include <QMouseEvent>

namespace muralis::linux_platform {

namespace {

// A line edit that passes on its clicks and double-clicks, which QLineEdit
// does not signal.
class TextBoxWidget final : public QLineEdit {
public:
    explicit TextBoxWidget(QWidget* parent) : QLineEdit(parent) {}

    std::function<void()> on_click;
    std::function<void()> on_double_click;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        QLineEdit::mouseReleaseEvent(event);
        const bool ends_double_click = m_releasing_double_click;
        m_releasing_double_click = false;
        if (event->button() == Qt::LeftButton && !ends_double_click && rect().contains(event->position().toPoint()) &&
            on_click)
            on_click();
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        QLineEdit::mouseDoubleClickEvent(event);
        if (event->button() != Qt::LeftButton)
            return;
        m_releasing_double_click = true;
        if (on_double_click)
            on_double_click();
    }

private:
    // The release that ends a double-click is no click of its own.
    bool m_releasing_double_click = false;
};

} // namespace

TextBoxBinder::TextBoxBinder(editor::TextBox& box, QWidget* parent, ViewContext& context)
    : WidgetBinder(box, context), m_box(box)
{
    auto* edit = new TextBoxWidget(parent);
    m_edit = edit;
    QObject::connect(edit, &QLineEdit::textEdited, edit, [this](const QString& text) {
        run_for_user([this, typed = text.toStdString()] { m_box.user_type(typed); });
    });
    edit->on_click = [this] { run_for_user([this] { m_box.click(); }); };
    edit->on_double_click = [this] { run_for_user([this] { m_box.double_click(); }); };
    set_up(edit, ColourRoles::window_content());
}

void TextBoxBinder::show_caption()
{
    // What the user typed comes back from the model as a change: the box
    // shows it already, and setting it again would move the cursor to the
    // end and forget the box's undo history.
    const QString text = QString::fromStdString(m_box.Text());
    if (m_edit->text() != text)
        m_edit->setText(text);
}

} // namespace muralis::linux_platform
