// The start-up shortcut. (Placeholder: fails until written.)
#include "platform/win32/win32_desktop.h"

namespace muralis::win32 {

void Win32Desktop::create_shortcut(const std::string&, const std::string&, const std::string&,
                                 const std::string&)
{
    throw Failure(53, "File not found");
}

} // namespace muralis::win32
