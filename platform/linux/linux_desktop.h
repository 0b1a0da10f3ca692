#pragma once

#include <memory>

#include "platform/linux/wallpaper_backend.h"
#include "platform/platform.h"

namespace muralis::linux_platform {

class LinuxDesktop final : public Desktop {
public:
    void install_wallpaper(const std::string& path) override;
    MessageAnswer message_box(const std::string& title, const std::string& text,
                              const MessageStyle& style) override;
    void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                         const std::string& target, const std::string& arguments) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    void open_web_address(const std::string& address) override;
};

// Shows a modal Qt message box, OK only and no icon. Returns false, having
// shown nothing, when no display can be reached.
bool show_qt_message_box(const std::string& title, const std::string& text);

} // namespace muralis::linux_platform
