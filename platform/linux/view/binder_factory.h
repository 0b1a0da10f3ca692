// The one place that knows which binder stands for which kind of control.
#pragma once

#include <memory>

#include "platform/linux/view/control_binder.h"

namespace muralis::linux_platform {

// The binder of control's kind, its widget made in parent (a timer's Qt
// timer belongs to the window), showing the control as the model has it
// now.
std::unique_ptr<ControlBinder> make_binder(editor::Control& control, QWidget* parent, ViewContext& context);

} // namespace muralis::linux_platform
