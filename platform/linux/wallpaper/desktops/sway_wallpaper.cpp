#include "platform/linux/wallpaper/desktops/sway_wallpaper.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/linux/wallpaper/ipc/unix_socket.h"

namespace muralis::linux_platform {

namespace {

// i3-ipc framing: the magic, then the payload's length and the message type
// as 32-bit integers in the host's byte order.
constexpr char magic[] = {'i', '3', '-', 'i', 'p', 'c'};
constexpr std::uint32_t run_command = 0;
constexpr std::size_t header_size = sizeof magic + 2 * sizeof(std::uint32_t);
constexpr std::uint32_t longest_reply = 1 << 20;

std::optional<std::string> run_on_socket(const std::string& socket_path, const std::string& payload)
{
    const UniqueFd fd = connect_unix_socket(socket_path);
    if (!fd)
        return std::nullopt;

    char header[header_size];
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::memcpy(header, magic, sizeof magic);
    std::memcpy(header + sizeof magic, &length, sizeof length);
    std::memcpy(header + sizeof magic + sizeof length, &run_command, sizeof run_command);
    if (!send_all(fd.get(), header, sizeof header) ||
        !send_all(fd.get(), payload.data(), payload.size()))
        return std::nullopt;

    if (!receive_all(fd.get(), header, sizeof header) ||
        std::memcmp(header, magic, sizeof magic) != 0)
        return std::nullopt;
    std::uint32_t reply_length = 0;
    std::uint32_t reply_type = 0;
    std::memcpy(&reply_length, header + sizeof magic, sizeof reply_length);
    std::memcpy(&reply_type, header + sizeof magic + sizeof reply_length, sizeof reply_type);
    if (reply_type != run_command || reply_length > longest_reply)
        return std::nullopt;
    std::string reply(reply_length, '\0');
    if (!receive_all(fd.get(), reply.data(), reply.size()))
        return std::nullopt;
    return reply;
}

} // namespace

std::optional<std::string> sway_background_command(std::string_view path)
{
    // The compositor reads the command in two passes: its own parser takes
    // the double-quoted argument as it is (keeping backslashes, and not
    // ending it at an escaped quote), then expands the file name like a shell
    // word with wordexp(). Escaping every character but the plain ones with a
    // backslash makes both passes give back the path unchanged, spaces,
    // quotes, '$' and '`' included. A line break cannot be escaped for a
    // shell word at all.
    std::string word;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n' || c == '\0')
            return std::nullopt;
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' ||
                           c == '-' || byte >= 0x80;
        if (!plain)
            word += '\\';
        word += c;
    }
    return "output * bg \"" + word + "\" fill";
}

bool sway_reply_succeeded(std::string_view reply)
{
    constexpr std::string_view key = "\"success\"";
    bool any = false;
    for (std::size_t at = reply.find(key); at != std::string_view::npos;
         at = reply.find(key, at + key.size())) {
        std::size_t value = reply.find_first_not_of(" \t\r\n", at + key.size());
        if (value == std::string_view::npos || reply[value] != ':')
            return false;
        value = reply.find_first_not_of(" \t\r\n", value + 1);
        if (value == std::string_view::npos || reply.substr(value, 4) != "true")
            return false;
        any = true;
    }
    return any;
}

bool SwayWallpaper::install(const std::string& path)
{
    const char* socket_path = std::getenv("SWAYSOCK");
    const auto command = sway_background_command(path);
    if (!socket_path || !*socket_path || !command)
        return false;
    const auto reply = run_on_socket(socket_path, *command);
    return reply && sway_reply_succeeded(*reply);
}

} // namespace muralis::linux_platform
