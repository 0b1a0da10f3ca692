// The command button: it shows its caption, access key included, and the
// user clicks it.
#pragma once

#include "platform/linux/view/control_binder.h"

class QPushButton;

namespace muralis::linux_platform {

class ButtonBinder final : public WidgetBinder {
public:
    ButtonBinder(editor::CommandButton& command, QWidget* parent, ViewContext& context);

private:
    void show_caption() override;

    editor::CommandButton& m_command;
    QPushButton* m_button;
};

} // namespace muralis::linux_platform
