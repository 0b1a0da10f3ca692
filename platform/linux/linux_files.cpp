#include "platform/linux/linux_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/formats/picture_header.h"
#include "platform/linux/pictures/rgb_image.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

Failure system_failure(int error, const std::string& path)
{
    return Failure(error, path + ": " + std::strerror(error));
}

namespace {

std::string folder_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string name_of(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void write_all(int fd, const char* data, std::size_t size, const std::string& path)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            throw system_failure(errno, path);
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
}

// Copies the rest of in to out. copy_file_range lets the kernel (or the
// file system, by sharing extents) do the work; the read/write loop serves
// where it cannot, across file systems on older kernels for instance.
void copy_contents(int in, int out, const std::string& from, const std::string& to)
{
    bool kernel_copy = true;
    for (;;) {
        if (kernel_copy) {
            const ssize_t copied = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
            if (copied > 0)
                continue;
            if (copied == 0)
                return;
            if (errno == EINTR)
                continue;
            if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
                throw system_failure(errno, to);
            kernel_copy = false;
        }
        char buffer[1 << 16];
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            return;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw system_failure(errno, from);
        }
        write_all(out, buffer, static_cast<std::size_t>(got), to);
    }
}

mode_t current_umask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Removes what an earlier process killed while it wrote target left behind:
// the temporary files ".NAME.XXXXXX" beside it that no process holds locked.
// A live writer holds its own locked from its creation to its rename.
void remove_abandoned_temporary_files(const std::string& target)
{
    const std::string folder = folder_of(target);
    std::string prefix(1, '.');
    prefix += name_of(target);
    prefix += '.';
    DIR* listing = ::opendir(folder.c_str());
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
            continue;
        const std::string path = folder + "/" + name;
        UniqueFd abandoned(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
        if (abandoned && ::flock(abandoned.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.c_str());
    }
    ::closedir(listing);
}

// A file created beside its final place, removed unless committed by a
// rename over that place. It is locked while it is written, so that
// remove_abandoned_temporary_files leaves it alone.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& target) : m_target(target)
    {
        remove_abandoned_temporary_files(target);
        std::string pattern = folder_of(target) + "/." + name_of(target) + ".XXXXXX";
        m_fd.reset(::mkostemp(pattern.data(), O_CLOEXEC));
        if (!m_fd)
            throw system_failure(errno, target);
        ::flock(m_fd.get(), LOCK_EX);
        m_path = pattern;
        // mkstemp makes the file private; give it the mode a new file of the
        // user's would have.
        ::fchmod(m_fd.get(), 0666 & ~current_umask());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (!m_committed)
            ::unlink(m_path.c_str());
    }

    int fd() const { return m_fd.get(); }

    enum class Durability { Flush, NoFlush };

    void commit(Durability durability)
    {
        if (durability == Durability::Flush && ::fdatasync(m_fd.get()) != 0)
            throw system_failure(errno, m_target);
        // Closed before the rename, which drops the lock: a file system that
        // reports a failed write only at close (NFS) must not have put a torn
        // file in place by then.
        if (m_fd.close() != 0)
            throw system_failure(errno, m_target);
        if (::rename(m_path.c_str(), m_target.c_str()) != 0)
            throw system_failure(errno, m_target);
        m_committed = true;
        if (durability == Durability::Flush) {
            // The rename itself is durable once the folder is flushed.
            UniqueFd folder(::open(folder_of(m_target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (folder)
                ::fsync(folder.get());
        }
    }

private:
    std::string m_target;
    std::string m_path;
    UniqueFd m_fd;
    bool m_committed = false;
};

} // namespace

bool LinuxFiles::is_normal_file(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string LinuxFiles::read_text(const std::string& path, std::size_t at_most)
{
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        throw system_failure(errno, path);
    std::string text;
    char buffer[1 << 14];
    while (text.size() < at_most) {
        const ssize_t got = ::read(fd.get(), buffer, std::min(sizeof buffer, at_most - text.size()));
        if (got == 0)
            return text;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw system_failure(errno, path);
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

void LinuxFiles::replace_text(const std::string& path, const std::string& text)
{
    TemporaryFile temporary(path);
    write_all(temporary.fd(), text.data(), text.size(), path);
    temporary.commit(TemporaryFile::Durability::Flush);
}

namespace {

// The file at from, opened to be copied.
UniqueFd open_copy_source(const std::string& from)
{
    UniqueFd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        throw system_failure(errno, from);
    struct stat info {};
    if (::fstat(in.get(), &info) != 0)
        throw system_failure(errno, from);
    if (S_ISDIR(info.st_mode))
        throw system_failure(EISDIR, from);
    return in;
}

} // namespace

void LinuxFiles::copy_replacing(const std::string& from, const std::string& to)
{
    copy_replacing_checked(from, to, [] {});
}

void LinuxFiles::copy_replacing_checked(const std::string& from, const std::string& to,
                                        const std::function<void()>& check)
{
    const UniqueFd in = open_copy_source(from);
    TemporaryFile temporary(to);
    copy_contents(in.get(), temporary.fd(), from, to);
    // The copy starts going out to the disk while check runs. A rename over
    // a file has ext4 and btrfs start that anyway, and wait for the blocks
    // to be allocated, which costs a large copy most of its time when the
    // rename has to start it.
    ::sync_file_range(temporary.fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
    check();
    // The daily bitmap is a copy that the next log-on makes again, so it is
    // not flushed to the disk at once: the rename alone already keeps a torn
    // file from ever standing under its name.
    temporary.commit(TemporaryFile::Durability::NoFlush);
}

void replace_with_bitmap(const std::string& path, const RgbImage& picture)
{
    TemporaryFile temporary(path);
    const std::string headers = formats::bitmap_headers(picture.width(), picture.height());
    write_all(temporary.fd(), headers.data(), headers.size(), path);
    // Rows go out bottom up, 1 MB at a time, as blue, green, red triples
    // padded to 4 bytes.
    const std::size_t row_bytes = formats::bitmap_row_bytes(picture.width());
    const std::size_t rows_a_chunk = std::max<std::size_t>(1, (std::size_t{1} << 20) / row_bytes);
    std::vector<char> chunk(rows_a_chunk * row_bytes, '\0');
    std::size_t filled = 0;
    for (int y = picture.height() - 1; y >= 0; --y) {
        const std::uint32_t* from = picture.row(y);
        char* to = chunk.data() + filled;
        for (int x = 0; x < picture.width(); ++x, to += 3) {
            to[0] = static_cast<char>(from[x] & 0xff);
            to[1] = static_cast<char>(from[x] >> 8 & 0xff);
            to[2] = static_cast<char>(from[x] >> 16 & 0xff);
        }
        filled += row_bytes;
        if (filled == chunk.size() || y == 0) {
            write_all(temporary.fd(), chunk.data(), filled, path);
            filled = 0;
        }
    }
    ::sync_file_range(temporary.fd(), 0, 0, SYNC_FILE_RANGE_WRITE);
    // Made again from the picture at the next log-on, as the copy is: not
    // flushed, the rename alone keeps a torn file from its name.
    temporary.commit(TemporaryFile::Durability::NoFlush);
}

std::int64_t LinuxFiles::last_written(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return 0;
    return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::optional<FileStamp> LinuxFiles::file_stamp(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(info.st_size),
                     static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

bool LinuxFiles::can_create_files_in(const std::string& folder)
{
    std::string pattern = folder + ".muralis-probe.XXXXXX";
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return ::unlink(pattern.c_str()) == 0;
}

void LinuxFiles::create_folder(const std::string& folder)
{
    make_folders(folder, 0700);
}

void make_folders(const std::string& folder, unsigned mode)
{
    if (folder.empty())
        return;
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST)
            throw system_failure(errno, part);
        if (slash == std::string::npos)
            break;
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        throw system_failure(errno, folder);
    if (!S_ISDIR(info.st_mode))
        throw system_failure(ENOTDIR, folder);
}

} // namespace muralis::linux_platform
