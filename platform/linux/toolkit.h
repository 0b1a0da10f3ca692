// What the Linux platform asks of Qt: locale rules, the bell, the screen,
// message boxes and the general picture reader.
//
// The editor is a Qt program and has these linked in (QtToolkit). Muralrun
// needs them only when something goes wrong or a picture is not a plain
// bitmap, so it loads them from a module beside the program the first time
// one is asked for (LoadedToolkit): a run that succeeds never loads Qt.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/linux/pictures/rgb_image.h"
#include "platform/platform.h"

namespace muralis::linux_platform {

// The texts break lines with a lone carriage return, as Windows' boxes do;
// "\r\n" is one break too. The same text with newlines.
inline std::string with_newlines(const std::string& text)
{
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            lines += text[i];
        else if (i + 1 == text.size() || text[i + 1] != '\n')
            lines += '\n';
    }
    return lines;
}

class Toolkit {
public:
    virtual ~Toolkit() = default;

    // The English name of the language of the locale named locale_name
    // ("fr_FR.UTF-8" gives "French"); empty when it names none.
    virtual std::string language_name(const std::string& locale_name) = 0;

    // text in capitals by the case rules of the locale named locale_name,
    // Unicode's default rules for "C".
    virtual std::string upper_case(const std::string& text, const std::string& locale_name) = 0;

    // The system's bell, when the program runs a window of its own.
    virtual void beep() = 0;

    // The primary screen's size in twips; zero without a window system.
    virtual TwipsSize screen_size() = 0;

    // Shows a modal box, owned by the program's window when it has one (see
    // QtToolkit::set_message_owner), and gives the answer; nothing, having
    // shown nothing, when a box without an owner has no display to go to.
    virtual std::optional<MessageAnswer> message_box(const std::string& title, const std::string& text,
                                                     const MessageStyle& style) = 0;

    // The picture in the file at path (see read_picture_file in
    // pictures/picture_reader.h; Qt reads the bitmaps that are not plain),
    // as the editor's window draws it, for a box of shown twips when shown
    // is not zero (see Desktop::load_preview). Throws Failure: 53 when the
    // file is missing, 481 when it holds no picture, the system's reason
    // when it cannot be read.
    virtual std::shared_ptr<const Picture> load_picture(const std::string& path, TwipsSize shown) = 0;

    // The pixels of the bitmap at path, read by Qt. Throws as load_picture
    // does, and for any file that is no bitmap.
    virtual RgbImage read_picture(const std::string& path) = 0;
};

// The toolkit in the module "modules/muralis-qt.so" of the program's folder
// (a folder of its own, as a module is no library for the loader's search
// path), loaded
// the first time it is asked for. When the module cannot be loaded (a
// damaged installation), it says so once on standard error and does without:
// no box is shown, no language is known, ASCII letters alone are put in
// capitals, and only plain bitmaps are read.
class LoadedToolkit final : public Toolkit {
public:
    std::string language_name(const std::string& locale_name) override;
    std::string upper_case(const std::string& text, const std::string& locale_name) override;
    void beep() override;
    TwipsSize screen_size() override;
    std::optional<MessageAnswer> message_box(const std::string& title, const std::string& text,
                                             const MessageStyle& style) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path, TwipsSize shown) override;
    RgbImage read_picture(const std::string& path) override;

private:
    Toolkit* loaded();
    bool m_tried = false;
    Toolkit* m_loaded = nullptr;
};

// The name the module gives its toolkit under.
inline constexpr const char* toolkit_module_name = "modules/muralis-qt.so";
inline constexpr const char* toolkit_entry_name = "muralis_qt_toolkit";

} // namespace muralis::linux_platform
