// Pictures loaded for the editor's preview. (Placeholder: fails until written.)
#include "platform/linux/linux_desktop.h"

namespace muralis::linux_platform {

std::shared_ptr<const Picture> LinuxDesktop::load_picture(const std::string&)
{
    throw Failure(481, "Invalid picture");
}

} // namespace muralis::linux_platform
