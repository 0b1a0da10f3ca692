#include <dlfcn.h>

#include <cstdio>

#include "platform/linux/linux_system.h"
#include "platform/linux/pictures/picture_file.h"
#include "platform/linux/toolkit.h"

namespace muralis::linux_platform {

Toolkit* LoadedToolkit::loaded()
{
    if (m_tried)
        return m_loaded;
    m_tried = true;
    std::string path;
    try {
        path = running_program_folder() + "/" + toolkit_module_name;
    } catch (const Failure& failure) {
        std::fprintf(stderr, "Muralis: %s\n", failure.what());
        return nullptr;
    }
    // Kept loaded to the end of the program: Qt's objects live as long.
    void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "Muralis: %s\n", ::dlerror());
        return nullptr;
    }
    using Entry = Toolkit* (*)();
    const auto entry = reinterpret_cast<Entry>(::dlsym(module, toolkit_entry_name));
    if (!entry) {
        std::fprintf(stderr, "Muralis: %s: no %s\n", path.c_str(), toolkit_entry_name);
        return nullptr;
    }
    m_loaded = entry();
    return m_loaded;
}

std::string LoadedToolkit::language_name(const std::string& locale_name)
{
    Toolkit* toolkit = loaded();
    return toolkit ? toolkit->language_name(locale_name) : std::string();
}

std::string LoadedToolkit::upper_case(const std::string& text, const std::string& locale_name)
{
    if (Toolkit* toolkit = loaded())
        return toolkit->upper_case(text, locale_name);
    std::string capitals = text;
    for (char& c : capitals)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return capitals;
}

void LoadedToolkit::beep()
{
    if (Toolkit* toolkit = loaded())
        toolkit->beep();
}

TwipsSize LoadedToolkit::screen_size()
{
    Toolkit* toolkit = loaded();
    return toolkit ? toolkit->screen_size() : TwipsSize{};
}

std::optional<MessageAnswer> LoadedToolkit::message_box(const std::string& title, const std::string& text,
                                                        const MessageStyle& style)
{
    Toolkit* toolkit = loaded();
    return toolkit ? toolkit->message_box(title, text, style) : std::nullopt;
}

std::shared_ptr<const Picture> LoadedToolkit::load_picture(const std::string& path, TwipsSize shown)
{
    if (Toolkit* toolkit = loaded())
        return toolkit->load_picture(path, shown);
    std::uint64_t size = 0;
    open_picture_file(path, size);
    throw invalid_picture();
}

RgbImage LoadedToolkit::read_picture(const std::string& path)
{
    if (Toolkit* toolkit = loaded())
        return toolkit->read_picture(path);
    std::uint64_t size = 0;
    open_picture_file(path, size);
    throw invalid_picture();
}

} // namespace muralis::linux_platform
