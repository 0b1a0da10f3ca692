#include "platform/linux/view/button_binder.h"

#include <QPushButton>

namespace muralis::linux_platform {

ButtonBinder::ButtonBinder(editor::CommandButton& command, QWidget* parent, ViewContext& context)
    : WidgetBinder(command, context), m_command(command), m_button(new QPushButton(parent))
{
    // Enter belongs to whichever control has the focus; no button takes it
    // over.
    m_button->setAutoDefault(false);
    m_button->setDefault(false);
    QObject::connect(m_button, &QPushButton::clicked, m_button,
                     [this] { run_for_user([this] { m_command.click(); }); });
    set_up(m_button, {{QPalette::Button}, {QPalette::ButtonText}});
}

void ButtonBinder::show_caption()
{
    // Qt marks access keys with "&" and writes "&&" for "&" as the model
    // does.
    m_button->setText(QString::fromStdString(m_command.Caption()));
}

} // namespace muralis::linux_platform
