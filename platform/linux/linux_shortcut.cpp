// The start-up shortcut. (Placeholder: fails until written.)
#include "platform/linux/linux_desktop.h"

namespace muralis::linux_platform {

void LinuxDesktop::create_shortcut(const std::string&, const std::string&, const std::string&,
                                 const std::string&)
{
    throw Failure(53, "File not found");
}

} // namespace muralis::linux_platform
