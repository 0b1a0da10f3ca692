#pragma once

#include <windows.h>

#include "platform/platform.h"

namespace muralis::win32 {

class Win32Desktop final : public Desktop {
public:
    void install_wallpaper(const std::string& path) override;
    MessageAnswer message_box(const std::string& title, const std::string& text,
                              const MessageStyle& style) override;
    void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                         const std::string& target, const std::string& arguments) override;
    // Defined with the task it registers (day_change_task.cpp).
    void register_day_change(const std::string& name, const std::string& target,
                             const std::string& argument) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    // The picture is loaded on a thread of its own while the caller goes on.
    std::unique_ptr<PreparedWallpaper> prepare_wallpaper(const std::string& path) override;
    // "*.bmp", then what the Windows Imaging Component decodes here.
    std::string picture_pattern() override;
    void open_web_address(const std::string& address) override;

    // The window that owns the message boxes and parents the shell's
    // windows from now on; nullptr (the start) for none. The system
    // disables an owner while its box is up, shown or hidden, so the editor
    // sets its window here as soon as it exists. Not owned: the caller
    // clears it before destroying the window.
    void set_message_owner(HWND owner) { m_message_owner = owner; }

private:
    HWND m_message_owner = nullptr;
};

} // namespace muralis::win32
