#include "platform/linux/pictures/picture_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/linux/linux_files.h"

namespace muralis::linux_platform {

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
