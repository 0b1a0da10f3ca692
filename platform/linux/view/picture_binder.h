// The picture control: the model's picture stretched over the whole
// control, inside a thin border. It passes nothing on.
#pragma once

#include "platform/linux/view/control_binder.h"

namespace muralis::linux_platform {

class PictureBinder final : public WidgetBinder {
public:
    PictureBinder(const editor::Image& image, QWidget* parent, ViewContext& context);

    bool windowless() const override { return true; }
};

} // namespace muralis::linux_platform
