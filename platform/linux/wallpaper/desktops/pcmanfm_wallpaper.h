// The two PCMan file managers, which draw the desktops of LXQt (pcmanfm-qt)
// and LXDE (pcmanfm) in a window over the root window, each with its own
// wallpaper. Both are asked the way their --set-wallpaper option asks the
// running instance.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/linux/wallpaper/wallpaper_backend.h"

namespace muralis::linux_platform {

// pcmanfm-qt's setWallpaper call on the session bus, in its "stretch" mode:
// its default mode shows no picture at all, and the one that fills the
// screen without stretching ("zoom") is not taken through the call.
class PcmanfmQtWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "pcmanfm-qt"; }
    bool install(const std::string& path) override;
};

// pcmanfm's single-instance socket: the running instance reads the options
// it is sent, one a line, and takes the picture when the connection closes.
// It sends no answer. The fit stays the user's (pcmanfm turns a mode that
// shows no picture into "fit" by itself).
class PcmanfmWallpaper final : public WallpaperBackend {
public:
    const char* name() const override { return "pcmanfm"; }
    bool install(const std::string& path) override;
};

// The socket of the pcmanfm for display (DISPLAY's value) in runtime_folder.
std::string pcmanfm_socket_path(std::string_view runtime_folder, std::string_view display);

// The bytes that ask pcmanfm to show the picture at path.
std::string pcmanfm_set_wallpaper_message(const std::string& path);

// The socket of the pcmanfm for this process's display, in GLib's runtime
// folder (XDG_RUNTIME_DIR, else the user's cache folder).
std::string pcmanfm_socket_path();

} // namespace muralis::linux_platform
