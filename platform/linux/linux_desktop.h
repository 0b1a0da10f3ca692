#pragma once

#include <memory>

#include "platform/linux/toolkit.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"
#include "platform/platform.h"

namespace muralis::linux_platform {

class LinuxDesktop final : public Desktop {
public:
    // toolkit shows the message boxes and reads the pictures; choose_backend
    // gives the backend that installs a wallpaper. Without one (the editor,
    // which installs none and so links no backend), install_wallpaper does
    // nothing and prepare_wallpaper only checks the picture.
    explicit LinuxDesktop(Toolkit& toolkit, WallpaperBackendChooser choose_backend = nullptr)
        : m_toolkit(&toolkit), m_choose_backend(choose_backend)
    {
    }

    void install_wallpaper(const std::string& path) override;
    std::unique_ptr<PreparedWallpaper> prepare_wallpaper(const std::string& path) override;
    MessageAnswer message_box(const std::string& title, const std::string& text,
                              const MessageStyle& style) override;
    void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                         const std::string& target, const std::string& arguments) override;
    // Defined with the systemd units it writes (startup/day_change_timer.cpp).
    void register_day_change(const std::string& name, const std::string& target,
                             const std::string& argument) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    std::shared_ptr<const Picture> load_preview(const std::string& path, TwipsSize shown) override;
    std::string picture_pattern() override;
    void open_web_address(const std::string& address) override;

private:
    Toolkit* m_toolkit;
    WallpaperBackendChooser m_choose_backend;
};

} // namespace muralis::linux_platform
