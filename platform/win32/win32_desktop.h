#pragma once

#include "platform/platform.h"

namespace muralis::win32 {

class Win32Desktop final : public Desktop {
public:
    void install_wallpaper(const std::string& path) override;
    MessageAnswer message_box(const std::string& title, const std::string& text,
                              const MessageStyle& style) override;
    void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                         const std::string& target, const std::string& arguments) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    void open_web_address(const std::string& address) override;
};

} // namespace muralis::win32
