// Drives and folders. (Placeholder: every call fails until written.)
#include "platform/win32/win32_files.h"

namespace muralis::win32 {

std::vector<std::string> Win32Files::drives() { return {}; }
std::string Win32Files::drive_of(const std::string&) { throw Failure(68, "Device unavailable"); }
std::string Win32Files::folder_path(const std::string&) { throw Failure(76, "Path not found"); }
std::vector<std::string> Win32Files::folder_names(const std::string&) { throw Failure(76, "Path not found"); }
std::vector<std::string> Win32Files::file_names(const std::string&) { throw Failure(76, "Path not found"); }

} // namespace muralis::win32
