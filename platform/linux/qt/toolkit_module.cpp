// The module Muralrun loads when it needs Qt: the one name it exports gives
// the toolkit linked into it.
#include "platform/linux/qt/qt_toolkit.h"

extern "C" __attribute__((visibility("default"))) muralis::linux_platform::Toolkit* muralis_qt_toolkit()
{
    return &muralis::linux_platform::qt_toolkit();
}
