// Drives and folders. (Placeholder: every call fails until written.)
#include "platform/linux/linux_files.h"

namespace muralis::linux_platform {

std::vector<std::string> LinuxFiles::drives() { return {}; }
std::string LinuxFiles::drive_of(const std::string&) { throw Failure(68, "Device unavailable"); }
std::string LinuxFiles::folder_path(const std::string&) { throw Failure(76, "Path not found"); }
std::vector<std::string> LinuxFiles::folder_names(const std::string&) { throw Failure(76, "Path not found"); }
std::vector<std::string> LinuxFiles::file_names(const std::string&) { throw Failure(76, "Path not found"); }

} // namespace muralis::linux_platform
