#include "platform/linux/wallpaper/desktops/cosmic_wallpaper.h"

#include <cstdio>
#include <cstdlib>

#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"

namespace muralis::linux_platform {

namespace {

// Whether text is well-formed UTF-8 (no surrogates, no overlong forms).
bool is_utf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xe ? 3
                             : (lead >> 3) == 0x1e ? 4 : 0;
        if (length == 0 || i + length > text.size())
            return false;
        unsigned code = length == 1 ? lead : lead & (0x7f >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xc0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3f);
        }
        static constexpr unsigned shortest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < shortest[length] || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return false;
        i += length;
    }
    return true;
}

// A RON string literal, escaped as Rust's are.
std::string ron_string(const std::string& text)
{
    std::string literal = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += c;
        } else if (c == '\n') {
            literal += "\\n";
        } else if (c == '\t') {
            literal += "\\t";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u{%x}", static_cast<unsigned>(c));
            literal += escape;
        } else {
            literal += c;
        }
    }
    return literal + "\"";
}

std::string config_home()
{
    const char* config = std::getenv("XDG_CONFIG_HOME");
    return config && config[0] == '/' ? config : home_folder() + "/.config";
}

} // namespace

std::optional<std::string> cosmic_background_entry(const std::string& path)
{
    if (!is_utf8(path) || path.find('\0') != std::string::npos)
        return std::nullopt;
    // The service refuses an entry with a field it does not know, or without
    // filter_by_theme and rotation_frequency (which only a folder of
    // pictures uses).
    return "(\n"
           "    output: \"all\",\n"
           "    source: Path(" + ron_string(path) + "),\n"
           "    filter_by_theme: false,\n"
           "    rotation_frequency: 900,\n"
           "    filter_method: Lanczos,\n"
           "    scaling_mode: Zoom,\n"
           "    sampling_method: Alphanumeric,\n"
           ")";
}

bool CosmicWallpaper::install(const std::string& path)
{
    const auto entry = cosmic_background_entry(path);
    if (!entry)
        return false;
    const std::string folder = config_home() + "/cosmic/com.system76.CosmicBackground/v1";
    try {
        make_folders(folder, 0700);
        // Each key is replaced whole by a rename, so the service never reads
        // half a value.
        LinuxFiles files;
        files.replace_text(folder + "/all", *entry);
        std::string same_on_all;
        if (files.is_normal_file(folder + "/same-on-all"))
            same_on_all = files.read_text(folder + "/same-on-all", 16);
        if (same_on_all.substr(0, same_on_all.find_last_not_of(" \n") + 1) != "true")
            files.replace_text(folder + "/same-on-all", "true");
    } catch (const Failure&) {
        return false;
    }
    return true;
}

} // namespace muralis::linux_platform
