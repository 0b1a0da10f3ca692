#include "platform/linux/wallpaper/ipc/wayland_registry.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/linux/wallpaper/ipc/unix_socket.h"

namespace muralis::linux_platform {

namespace {

// A message is a header of two 32-bit words in the host's byte order, the
// object's id and (size << 16 | opcode), the size counting the header, then
// its arguments in words; a string is its length with the NUL, then its bytes
// padded to a word.
constexpr std::uint32_t display_id = 1;
constexpr std::uint32_t registry_id = 2;
constexpr std::uint32_t callback_id = 3;
constexpr std::uint32_t display_sync = 0;
constexpr std::uint32_t display_get_registry = 1;
constexpr std::uint32_t display_error = 0;
constexpr std::uint32_t registry_global = 0;
constexpr std::uint32_t callback_done = 0;
// A compositor announces a few dozen globals; anything far beyond is not one.
constexpr std::size_t longest_answer = 1 << 20;

void put_request(std::string& out, std::uint32_t object, std::uint32_t opcode, std::uint32_t new_id)
{
    const std::uint32_t words[] = {object, (12u << 16) | opcode, new_id};
    out.append(reinterpret_cast<const char*>(words), sizeof words);
}

std::uint32_t word_at(const std::string& bytes, std::size_t at)
{
    std::uint32_t word = 0;
    std::memcpy(&word, bytes.data() + at, sizeof word);
    return word;
}

} // namespace

std::optional<std::vector<std::string>> wayland_global_interfaces()
{
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (!display || !*display)
        return std::nullopt;
    std::string path = display;
    if (path[0] != '/') {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || runtime[0] != '/')
            return std::nullopt;
        path = std::string(runtime) + "/" + path;
    }
    const UniqueFd fd = connect_unix_socket(path);
    if (!fd)
        return std::nullopt;

    // The sync's callback is done once the compositor has sent every global.
    std::string requests;
    put_request(requests, display_id, display_get_registry, registry_id);
    put_request(requests, display_id, display_sync, callback_id);
    if (!send_all(fd.get(), requests.data(), requests.size()))
        return std::nullopt;

    std::vector<std::string> interfaces;
    std::size_t received = 0;
    for (;;) {
        std::string message(8, '\0');
        if (!receive_all(fd.get(), message.data(), message.size()))
            return std::nullopt;
        const std::uint32_t object = word_at(message, 0);
        const std::uint32_t size = word_at(message, 4) >> 16;
        const std::uint32_t opcode = word_at(message, 4) & 0xffff;
        received += size;
        if (size < 8 || size % 4 != 0 || received > longest_answer)
            return std::nullopt;
        message.resize(size);
        if (!receive_all(fd.get(), message.data() + 8, size - 8))
            return std::nullopt;

        if (object == callback_id && opcode == callback_done)
            return interfaces;
        if (object == display_id && opcode == display_error)
            return std::nullopt;
        if (object == registry_id && opcode == registry_global && size >= 16) {
            const std::uint32_t length = word_at(message, 12);
            if (length == 0 || 16 + length > size)
                return std::nullopt;
            interfaces.emplace_back(message.data() + 16, length - 1);
        }
    }
}

} // namespace muralis::linux_platform
