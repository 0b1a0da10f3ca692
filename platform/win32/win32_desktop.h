#pragma once

#include "platform/platform.h"

namespace muralis::win32 {

class Win32Desktop final : public Desktop {
public:
    void install_wallpaper(const std::string& path) override;
    void show_message(const std::string& title, const std::string& text) override;
};

} // namespace muralis::win32
