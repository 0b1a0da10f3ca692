#include "platform/linux/wallpaper/desktops/pcmanfm_wallpaper.h"

#include <cstdlib>

#include "platform/linux/dbus/session_bus.h"
#include "platform/linux/wallpaper/ipc/unix_socket.h"

namespace muralis::linux_platform {

namespace {

constexpr const char* qt_service = "org.pcmanfm.PCManFM";
constexpr const char* qt_object = "/Application";
constexpr const char* qt_interface = "org.pcmanfm.Application";
constexpr int timeout_ms = 5000;

// A line pcmanfm reads back with g_strcompress(): every control character
// and every byte past ASCII escaped, since the reader stops at the first
// control character and takes a byte past ASCII for one.
std::string escaped_line(const std::string& text)
{
    const GCharPtr escaped(g_strescape(text.c_str(), nullptr));
    return std::string(escaped.get()) + "\n";
}

} // namespace

bool PcmanfmQtWallpaper::install(const std::string& path)
{
    // A D-Bus string is UTF-8; a path in another encoding cannot be sent.
    if (!g_utf8_validate(path.data(), static_cast<gssize>(path.size()), nullptr))
        return false;
    const auto bus = connect_session_bus();
    if (!bus)
        return false;
    const GVariantPtr reply =
        call_method(bus.get(), qt_service, qt_object, qt_interface, "setWallpaper",
                    g_variant_new("(ss)", path.c_str(), "stretch"), nullptr, timeout_ms);
    return reply != nullptr;
}

std::string pcmanfm_socket_path(std::string_view runtime_folder, std::string_view display)
{
    // "host:number.screen": the host, then the number as atoi() reads it.
    std::string host;
    int number = 0;
    if (const std::size_t colon = display.rfind(':'); colon != std::string_view::npos) {
        host = display.substr(0, colon);
        number = std::atoi(std::string(display.substr(colon + 1)).c_str());
    }
    return std::string(runtime_folder) + "/pcmanfm-socket-" + host + "-" + std::to_string(number);
}

std::string pcmanfm_socket_path()
{
    const char* display = std::getenv("DISPLAY");
    return pcmanfm_socket_path(g_get_user_runtime_dir(), display ? display : "");
}

std::string pcmanfm_set_wallpaper_message(const std::string& path)
{
    // The sender's current folder, its screen number, then the options. A
    // value starting with "--" would be taken for an option; an absolute
    // path never does.
    return escaped_line("/") + "0\n" + "--set-wallpaper\n" + escaped_line(path);
}

bool PcmanfmWallpaper::install(const std::string& path)
{
    if (path.empty() || path[0] != '/')
        return false;
    const UniqueFd fd = connect_unix_socket(pcmanfm_socket_path());
    if (!fd)
        return false;
    const std::string message = pcmanfm_set_wallpaper_message(path);
    return send_all(fd.get(), message.data(), message.size());
}

} // namespace muralis::linux_platform
