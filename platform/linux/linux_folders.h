// The pure parts of the drive and folder lists on Linux.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace muralis::linux_platform {

// The drives among the mounts that mountinfo (the text of
// /proc/self/mountinfo) lists: the mount points of the file systems a user
// browses, "/" always among them. Sorted, so "/" comes first; no repeats.
std::vector<std::string> drives_in_mountinfo(std::string_view mountinfo);

// The deepest of drives (mount points) that holds folder, an absolute,
// lexically normal path. "/" when no other does.
std::string drive_holding(const std::vector<std::string>& drives, const std::string& folder);

// text as an absolute path with no repeated '/', no "." or ".." parts and
// no trailing '/' except for "/" itself. A relative text is taken from
// current_folder (absolute). ".." takes away the part before it, whatever
// that is on the disk: links are not resolved, and nothing goes above "/".
std::string lexically_normal_path(std::string_view text, std::string_view current_folder);

} // namespace muralis::linux_platform
