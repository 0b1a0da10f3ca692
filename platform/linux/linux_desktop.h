#pragma once

#include <memory>

#include "platform/linux/toolkit.h"
#include "platform/linux/wallpaper/wallpaper_backend.h"
#include "platform/platform.h"

// Qt stays out of this header: the GIO headers that some of its includers
// use name a member "signals", which Qt defines as a keyword.
class QWidget;

namespace muralis::linux_platform {

class LinuxDesktop final : public Desktop {
public:
    // With the Qt toolkit linked into the program.
    LinuxDesktop();
    explicit LinuxDesktop(Toolkit& toolkit) : m_toolkit(&toolkit) {}

    void install_wallpaper(const std::string& path) override;
    std::unique_ptr<PreparedWallpaper> prepare_wallpaper(const std::string& path) override;
    void install_prepared_wallpaper(const std::string& path, std::unique_ptr<PreparedWallpaper> prepared) override;
    MessageAnswer message_box(const std::string& title, const std::string& text,
                              const MessageStyle& style) override;
    void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                         const std::string& target, const std::string& arguments) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    void open_web_address(const std::string& address) override;

    // The window that owns the message boxes from now on; nullptr for none.
    // An owned box is a window-modal dialog of owner, whether owner is shown
    // yet or not. A box without an owner stands alone, starting a
    // QApplication when none runs, and goes to standard error when no
    // display can be reached. The owner is forgotten when it is destroyed.
    // Defined where Qt is linked.
    void set_message_owner(QWidget* owner);

private:
    Toolkit* m_toolkit;
    std::shared_ptr<MessageOwner> m_message_owner;
};

// The texts break lines with a lone carriage return, as Windows' boxes do;
// "\r\n" is one break too. The same text with newlines.
std::string with_newlines(const std::string& text);

} // namespace muralis::linux_platform
