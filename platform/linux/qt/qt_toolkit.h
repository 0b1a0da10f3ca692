// The toolkit's services as Qt gives them, for the programs that link Qt.
#pragma once

#include <memory>

#include "platform/linux/toolkit.h"

// Qt stays out of this header: the GIO headers that some of its includers
// use name a member "signals", which Qt defines as a keyword.
class QWidget;

namespace muralis::linux_platform {

class QtToolkit final : public Toolkit {
public:
    std::string language_name(const std::string& locale_name) override;
    std::string upper_case(const std::string& text, const std::string& locale_name) override;
    void beep() override;
    TwipsSize screen_size() override;
    std::optional<MessageAnswer> message_box(const std::string& title, const std::string& text,
                                             const MessageStyle& style) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path, TwipsSize shown) override;
    RgbImage read_picture(const std::string& path) override;

    // The window that owns the message boxes from now on; nullptr for none.
    // An owned box is a window-modal dialog of owner, whether owner is shown
    // yet or not. A box without an owner stands alone, starting a
    // QApplication when none runs, and goes to standard error when no
    // display can be reached. The owner is forgotten when it is destroyed.
    void set_message_owner(QWidget* owner);

private:
    struct MessageOwner;
    std::shared_ptr<MessageOwner> m_message_owner;
};

// The toolkit linked into the program.
QtToolkit& qt_toolkit();

} // namespace muralis::linux_platform
