#include "platform/linux/view/font_configuration.h"

#include <fontconfig/fontconfig.h>

namespace muralis::linux_platform {

void read_font_configuration()
{
    FcInit();
}

} // namespace muralis::linux_platform
