#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// hyprpaper, Hyprland's wallpaper program, through its IPC socket
// ($XDG_RUNTIME_DIR/hypr/$HYPRLAND_INSTANCE_SIGNATURE/.hyprpaper.sock): one
// text command a connection, answered with "ok" or an error, then closed.
// The picture is loaded ("preload"), shown on every monitor ("wallpaper"
// with no monitor, then once for each monitor that has a picture of its
// own), and the pictures no monitor shows any more are let go.
class HyprpaperWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "hyprpaper"; }
    bool install(const std::string& path) override;
};

// hyprpaper's socket for this process's Hyprland instance; empty without one.
std::string hyprpaper_socket_path();

// The monitors named in a "listactive" answer ("DP-1 = /path" lines; the
// fallback's line has no monitor).
std::vector<std::string> hyprpaper_active_monitors(std::string_view answer);

} // namespace muralis::linux_platform
