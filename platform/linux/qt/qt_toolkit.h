// The toolkit's services as Qt gives them, for the programs that link Qt.
#pragma once

#include "platform/linux/toolkit.h"

namespace muralis::linux_platform {

class QtToolkit final : public Toolkit {
public:
    std::string language_name(const std::string& locale_name) override;
    std::string upper_case(const std::string& text, const std::string& locale_name) override;
    void beep() override;
    TwipsSize screen_size() override;
    std::optional<MessageAnswer> message_box(const std::string& title, const std::string& text,
                                             const MessageStyle& style, const MessageOwner* owner) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    RgbImage read_picture(const std::string& path) override;
};

std::optional<MessageAnswer> qt_message_box(const std::string& title, const std::string& text,
                                            const MessageStyle& style, const MessageOwner* owner);

} // namespace muralis::linux_platform
