#pragma once

#include <optional>
#include <string>

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// COSMIC's background settings: cosmic-config keeps each key of
// com.system76.CosmicBackground (version 1) in a file of its own under
// $XDG_CONFIG_HOME/cosmic/com.system76.CosmicBackground/v1/, holding the
// value in RON, and cosmic-bg shows what they say as soon as they change.
// The picture becomes the background of every output: the "all" entry, with
// "same-on-all" set so that no output keeps an entry of its own.
class CosmicWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "cosmic"; }
    bool install(const std::string& path) override;
};

// The "all" entry showing the picture at path on every output, scaled to
// fill it; none for a path that is not UTF-8 text.
std::optional<std::string> cosmic_background_entry(const std::string& path);

} // namespace muralis::linux_platform
