#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// sway, and the wlroots compositors that speak its IPC: a RUN_COMMAND
// message on the socket named by SWAYSOCK, which makes the compositor
// restart its background client (swaybg) with the picture on every output.
// The setting lasts for the session; the compositor's configuration file is
// the user's and is left alone.
class SwayWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "sway"; }
    bool install(const std::string& path) override;
};

// The command that shows the picture at path on every output, scaled to
// fill; none for a path that no command can carry (one with a line break).
std::optional<std::string> sway_background_command(std::string_view path);

// Whether a RUN_COMMAND reply (a JSON array holding one object for each
// command) reports success for every command.
bool sway_reply_succeeded(std::string_view reply);

} // namespace muralis::linux_platform
