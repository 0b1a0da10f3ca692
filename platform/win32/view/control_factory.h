// Makes the native control of each of the model's controls: the one place
// that knows which class shows which kind.
#pragma once

#include <memory>

#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

// The native control for control, not yet made into a window
// (NativeControl::create).
std::unique_ptr<NativeControl> make_native_control(editor::Control& control, ControlHost& host);

} // namespace muralis::win32
