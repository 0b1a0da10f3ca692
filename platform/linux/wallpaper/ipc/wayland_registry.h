// The globals a Wayland compositor announces, read over its socket with the
// wire protocol itself: one registry, one sync, and the connection closed.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace muralis::linux_platform {

// The interface names of the globals of the compositor at WAYLAND_DISPLAY
// (a name inside XDG_RUNTIME_DIR, or an absolute path); none when no
// compositor answers there.
std::optional<std::vector<std::string>> wayland_global_interfaces();

} // namespace muralis::linux_platform
