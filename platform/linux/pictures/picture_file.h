#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/failure.h"
#include "platform/formats/picture_header.h"
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

// Reads size bytes at offset of fd, fewer only where the file ends. Throws
// the system's failure, naming the file.
std::size_t read_at(int fd, unsigned char* into, std::size_t size, std::uint64_t offset);

// A file open as fd, of size bytes, as the header reader reads it.
class FileBytes final : public formats::ByteSource {
public:
    FileBytes(int fd, std::uint64_t size) : m_fd(fd), m_size(size) {}
    std::uint64_t size() const override { return m_size; }
    std::size_t read_at(std::uint64_t offset, unsigned char* into, std::size_t size) override;

private:
    int m_fd;
    std::uint64_t m_size;
};

} // namespace muralis::linux_platform
