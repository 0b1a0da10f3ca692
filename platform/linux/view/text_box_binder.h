// The text box: the program and the user write its text, the user clicks
// it.
#pragma once

#include "platform/linux/view/control_binder.h"

class QLineEdit;

namespace muralis::linux_platform {

class TextBoxBinder final : public WidgetBinder {
public:
    TextBoxBinder(editor::TextBox& box, QWidget* parent, ViewContext& context);

private:
    void show_caption() override;

    editor::TextBox& m_box;
    QLineEdit* m_edit;
};

} // namespace muralis::linux_platform
