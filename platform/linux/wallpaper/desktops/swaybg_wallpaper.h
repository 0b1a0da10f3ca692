#pragma once

#include <string>

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// swaybg on the background layer of a Wayland compositor that has no
// wallpaper mechanism of its own (wayfire without its background client,
// river, labwc, ...). swaybg reads the picture once, so it is started anew,
// detached from this process, on the file it is given (the daily bitmap),
// scaled to fill every output. The one a previous run started in the same
// session, and only that one, is ended once the new one is running: its
// process id and start time are kept in the runtime folder.
class SwaybgWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "swaybg"; }
    bool install(const std::string& path) override;
};

// The absolute path of the program called name on PATH; empty when none.
std::string find_on_path(const std::string& name);

} // namespace muralis::linux_platform
