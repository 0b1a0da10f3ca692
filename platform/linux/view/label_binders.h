// The label, which shows its caption, and the panel, which shows only its
// colour and holds other controls. Neither passes anything on.
#pragma once

#include "platform/linux/view/control_binder.h"

class QLabel;

namespace muralis::linux_platform {

class LabelBinder final : public WidgetBinder {
public:
    LabelBinder(const editor::Label& label, QWidget* parent, ViewContext& context);

    bool windowless() const override { return true; }

private:
    void show_caption() override;

    const editor::Label& m_label;
    QLabel* m_text;
};

class PanelBinder final : public WidgetBinder {
public:
    PanelBinder(const editor::Frame& panel, QWidget* parent, ViewContext& context);
};

} // namespace muralis::linux_platform
