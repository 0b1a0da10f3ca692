// Pictures loaded for the editor's preview. (Placeholder: fails until written.)
#include "platform/win32/win32_desktop.h"

namespace muralis::win32 {

std::shared_ptr<const Picture> Win32Desktop::load_picture(const std::string&)
{
    throw Failure(481, "Invalid picture");
}

} // namespace muralis::win32
