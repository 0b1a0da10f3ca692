// Client ends of the UNIX stream sockets that desktop programs listen on.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

// A connection to the socket at path, or an empty owner. Every send and
// receive on it gives up after five seconds: a desktop program that hangs
// must not hold the log-on up.
UniqueFd connect_unix_socket(const std::string& path);

// The whole buffer sent (no SIGPIPE) or received; false on an error, a
// time-out or, for a receive, the end of the stream before size bytes.
bool send_all(int fd, const char* data, std::size_t size);
bool receive_all(int fd, char* data, std::size_t size);

// Everything the peer sends until it closes its end; none on an error, a
// time-out, or more than at_most bytes.
std::optional<std::string> receive_to_end(int fd, std::size_t at_most);

} // namespace muralis::linux_platform
