#pragma once

#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

// The numbers the editor knows a picture's failures by.
constexpr int file_not_found_error = 53;
constexpr int invalid_picture_error = 481;

Failure invalid_picture();

// The file at path opened for reading as a picture, and its size. Throws
// Failure: file_not_found_error when it is missing, invalid_picture() when
// it is no regular file, the system's reason when it cannot be opened. A
// FIFO does not wait for a writer.
UniqueFd open_picture_file(const std::string& path, std::uint64_t& size);

} // namespace muralis::linux_platform
