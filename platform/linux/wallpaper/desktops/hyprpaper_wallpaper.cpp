#include "platform/linux/wallpaper/desktops/hyprpaper_wallpaper.h"

#include <cstdlib>
#include <optional>

#include "platform/linux/wallpaper/ipc/unix_socket.h"

namespace muralis::linux_platform {

namespace {

// hyprpaper reads a command with one read of at most 1024 bytes, the last
// of which it drops.
constexpr std::size_t longest_command = 1023;
constexpr std::size_t longest_answer = 1 << 16;

std::optional<std::string> ask(const std::string& socket_path, const std::string& command)
{
    const UniqueFd fd = connect_unix_socket(socket_path);
    if (!fd || !send_all(fd.get(), command.data(), command.size()))
        return std::nullopt;
    return receive_to_end(fd.get(), longest_answer);
}

bool answered_ok(const std::optional<std::string>& answer)
{
    return answer && answer->substr(0, answer->find_last_not_of(" \n") + 1) == "ok";
}

} // namespace

std::string hyprpaper_socket_path()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* instance = std::getenv("HYPRLAND_INSTANCE_SIGNATURE");
    if (!runtime || runtime[0] != '/' || !instance || !*instance)
        return {};
    return std::string(runtime) + "/hypr/" + instance + "/.hyprpaper.sock";
}

std::vector<std::string> hyprpaper_active_monitors(std::string_view answer)
{
    std::vector<std::string> monitors;
    while (!answer.empty()) {
        const std::size_t end = answer.find('\n');
        const std::string_view line = answer.substr(0, end);
        answer = end == std::string_view::npos ? std::string_view() : answer.substr(end + 1);
        const std::size_t separator = line.find(" = ");
        if (separator != std::string_view::npos && separator > 0)
            monitors.emplace_back(line.substr(0, separator));
    }
    return monitors;
}

bool HyprpaperWallpaper::install(const std::string& path)
{
    // The path is the rest of the command, its ends trimmed; a leading '~'
    // or "contain:" would mean something else, and an absolute path has
    // neither.
    if (path.empty() || path[0] != '/' || path.back() == ' ' ||
        path.find_first_of(std::string("\n\0", 2)) != std::string::npos ||
        path.size() + 64 > longest_command)
        return false;
    const std::string socket_path = hyprpaper_socket_path();
    if (socket_path.empty())
        return false;

    // Loading a picture already loaded is refused, and is no obstacle.
    if (!ask(socket_path, "preload " + path))
        return false;
    const auto active = ask(socket_path, "listactive");
    if (!answered_ok(ask(socket_path, "wallpaper ," + path)))
        return false;
    bool shown = true;
    for (const std::string& monitor : hyprpaper_active_monitors(active.value_or("")))
        if (monitor.size() + path.size() + 16 <= longest_command)
            shown = answered_ok(ask(socket_path, "wallpaper " + monitor + "," + path)) && shown;
    ask(socket_path, "unload unused");
    return shown;
}

} // namespace muralis::linux_platform
