#include "platform/linux/wallpaper/desktops/plasma_wallpaper.h"

#include <cstdio>

#include "platform/linux/dbus/session_bus.h"

namespace muralis::linux_platform {

namespace {

// A JavaScript string literal holding text. A file URI is plain ASCII with
// quotes and backslashes percent-encoded already; escaping the rest anyway
// keeps the script well formed whatever it is given.
std::string javascript_string(const std::string& text)
{
    std::string literal = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            literal += '\\';
            literal += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02x", c);
            literal += escape;
        } else {
            literal += static_cast<char>(c);
        }
    }
    return literal + "\"";
}

} // namespace

std::string plasma_wallpaper_script(const std::string& file_uri)
{
    return "var image = " + javascript_string(file_uri) + ";\n"
           "var all = desktops();\n"
           "for (var i = 0; i < all.length; ++i) {\n"
           "    var desktop = all[i];\n"
           "    desktop.wallpaperPlugin = \"org.kde.image\";\n"
           "    desktop.currentConfigGroup = [\"Wallpaper\", \"org.kde.image\", \"General\"];\n"
           "    desktop.writeConfig(\"Image\", image);\n"
           "}\n";
}

bool PlasmaWallpaper::install(const std::string& path)
{
    const GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
    if (!uri)
        return false;
    const auto bus = connect_session_bus();
    if (!bus)
        return false;
    const std::string script = plasma_wallpaper_script(uri.get());
    // The shell answers a failing script with a D-Bus error. Its reply type
    // has changed between versions, so any successful reply counts.
    const GVariantPtr reply =
        call_method(bus.get(), "org.kde.plasmashell", "/PlasmaShell", "org.kde.PlasmaShell",
                    "evaluateScript", g_variant_new("(s)", script.c_str()), nullptr, 10000);
    return reply != nullptr;
}

} // namespace muralis::linux_platform
