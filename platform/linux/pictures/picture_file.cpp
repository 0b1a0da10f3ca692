#include "platform/linux/pictures/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "platform/linux/linux_files.h"

namespace muralis::linux_platform {

namespace {

// The name of the file open as fd, for error messages.
std::string path_of(int fd)
{
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    char path[PATH_MAX];
    const ssize_t length = ::readlink(link.c_str(), path, sizeof path);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof path)
        return "file descriptor " + std::to_string(fd);
    return std::string(path, static_cast<std::size_t>(length));
}

} // namespace

std::size_t read_at(int fd, unsigned char* into, std::size_t size, std::uint64_t offset)
{
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, into + done, size - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw system_failure(errno, path_of(fd));
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t FileBytes::read_at(std::uint64_t offset, unsigned char* into, std::size_t size)
{
    if (offset >= m_size)
        return 0;
    return linux_platform::read_at(m_fd, into, size, offset);
}

Failure invalid_picture()
{
    return Failure(invalid_picture_error, "Invalid picture");
}

UniqueFd open_picture_file(const std::string& path, std::uint64_t& size)
{
    // A missing file must be told from one that holds no picture, and a file
    // that cannot be opened gets the system's reason.
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT || errno == ENOTDIR)
            throw Failure(file_not_found_error, "File not found");
        throw system_failure(errno, path);
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0)
        throw system_failure(errno, path);
    if (!S_ISREG(info.st_mode))
        throw invalid_picture();
    size = static_cast<std::uint64_t>(info.st_size);
    return fd;
}

} // namespace muralis::linux_platform
