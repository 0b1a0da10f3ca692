// Drives and folders as the editor's drive, folder and file lists show them.
#include "platform/linux/linux_folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>

#include "platform/linux/linux_files.h"

namespace muralis::linux_platform {

namespace {

// The numbers the lists' users know these failures by: a file system that
// is gone or cannot answer, and a folder that is not there or cannot be
// read.
constexpr int DeviceUnavailable = 68;
constexpr int PathNotFound = 76;

Failure folder_failure(int error, const std::string& path)
{
    const bool device = error == ENODEV || error == ENXIO || error == ENOMEDIUM || error == EIO ||
                        error == ESTALE || error == ENOTCONN || error == EHOSTDOWN ||
                        error == EHOSTUNREACH;
    return Failure(device ? DeviceUnavailable : PathNotFound, path + ": " + std::strerror(error));
}

bool is_within(std::string_view path, std::string_view folder)
{
    return path.size() >= folder.size() && path.compare(0, folder.size(), folder) == 0 &&
           (path.size() == folder.size() || folder == "/" || path[folder.size()] == '/');
}

// Mount points in mountinfo write a space, tab, newline and backslash as
// "\040", "\011", "\012" and "\134".
std::string unescaped_mount_point(std::string_view field)
{
    std::string point;
    point.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        const auto octal = [&](std::size_t at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            point += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            point += field[i];
        }
    }
    return point;
}

// File systems made by the kernel or by system services, whose files are
// the system's state rather than anybody's documents. squashfs holds
// packaged, read-only programs (snaps, live images) and overlay the layers of
// containers; either may still be the root, which is always a drive.
bool is_system_file_system(std::string_view type)
{
    static constexpr std::string_view system_types[] = {
        "autofs",  "binfmt_misc", "bpf",       "configfs",  "debugfs",        "devpts",
        "devtmpfs", "efivarfs",   "fusectl",   "hugetlbfs", "mqueue",         "nfsd",
        "nsfs",    "overlay",     "proc",      "pstore",    "rpc_pipefs",     "securityfs",
        "selinuxfs", "squashfs",  "sysfs",     "tracefs",   "fuse.gvfsd-fuse", "fuse.portal",
        "fuse.lxcfs",
    };
    if (type.substr(0, 6) == "cgroup")
        return true;
    for (const std::string_view system_type : system_types)
        if (type == system_type)
            return true;
    return false;
}

// Places where only the system mounts things. /run/media is the exception:
// udisks mounts removable media there. /boot (and an EFI system partition
// at /boot/efi) holds the boot loader's files, is often readable by root
// only, and a drive that fails when chosen is worse than none. A mount point
// with a hidden part (an AppImage's /tmp/.mount_*) is hidden from the folder
// list too.
bool is_system_place(std::string_view point)
{
    if (is_within(point, "/run/media"))
        return false;
    for (const std::string_view place : {"/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib"})
        if (is_within(point, place))
            return true;
    return point.find("/.") != std::string_view::npos;
}

std::vector<std::string_view> fields_of(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0; start <= line.size();) {
        const std::size_t end = std::min(line.find(' ', start), line.size());
        if (end > start)
            fields.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

std::string current_folder(const std::string& text)
{
    std::string buffer(4096, '\0');
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            throw folder_failure(errno, text);
        buffer.resize(buffer.size() * 2);
    }
    buffer.resize(std::strlen(buffer.c_str()));
    return buffer;
}

std::string absolute_normal_path(const std::string& text)
{
    if (!text.empty() && text.front() == '/')
        return lexically_normal_path(text, "/");
    return lexically_normal_path(text, current_folder(text));
}

struct DirectoryCloser {
    void operator()(DIR* directory) const { ::closedir(directory); }
};
using UniqueDirectory = std::unique_ptr<DIR, DirectoryCloser>;

// The names in folder of the entries of the given type, DT_DIR or DT_REG,
// a link counting as what it leads to. Dot names are hidden on Linux, and
// "." and ".." are among them.
std::vector<std::string> names_of_type(const std::string& folder, unsigned char wanted)
{
    UniqueDirectory directory(::opendir(folder.c_str()));
    if (!directory)
        throw folder_failure(errno, folder);
    std::vector<std::string> names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(directory.get());
        if (!entry) {
            if (errno != 0)
                throw folder_failure(errno, folder);
            return names;
        }
        if (entry->d_name[0] == '.')
            continue;
        unsigned char type = entry->d_type;
        // Some file systems leave the type to a stat; a link's is its
        // target's, and a dangling or looping link is neither.
        if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat info {};
            if (::fstatat(::dirfd(directory.get()), entry->d_name, &info, 0) != 0)
                continue;
            type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type == wanted)
            names.emplace_back(entry->d_name);
    }
}

} // namespace

std::vector<std::string> drives_in_mountinfo(std::string_view mountinfo)
{
    // "36 35 98:0 /root /mnt/point rw,noatime master:1 - ext3 /dev/root rw":
    // the mount point is the fifth field and the type follows the lone "-"
    // that ends the optional fields. A point mounted over again shows the
    // last mount, so the last line for it decides.
    std::map<std::string, bool> kept;
    for (std::size_t start = 0; start < mountinfo.size();) {
        const std::size_t end = std::min(mountinfo.find('\n', start), mountinfo.size());
        const auto fields = fields_of(mountinfo.substr(start, end - start));
        start = end + 1;
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-")
            ++separator;
        if (separator + 1 >= fields.size())
            continue;
        const std::string point = unescaped_mount_point(fields[4]);
        if (point.empty() || point.front() != '/')
            continue;
        kept[point] = !is_system_file_system(fields[separator + 1]) && !is_system_place(point);
    }
    kept["/"] = true;

    std::vector<std::string> drives;
    for (const auto& [point, is_drive] : kept)
        if (is_drive)
            drives.push_back(point);
    return drives;
}

std::string drive_holding(const std::vector<std::string>& drives, const std::string& folder)
{
    std::string deepest = "/";
    for (const std::string& drive : drives)
        if (drive.size() > deepest.size() && is_within(folder, drive))
            deepest = drive;
    return deepest;
}

std::string lexically_normal_path(std::string_view text, std::string_view current_folder)
{
    std::vector<std::string_view> parts;
    const auto take = [&parts](std::string_view path) {
        for (std::size_t start = 0; start <= path.size();) {
            const std::size_t end = std::min(path.find('/', start), path.size());
            const std::string_view part = path.substr(start, end - start);
            start = end + 1;
            if (part.empty() || part == ".")
                continue;
            if (part == "..") {
                if (!parts.empty())
                    parts.pop_back();
                continue;
            }
            parts.push_back(part);
        }
    };
    if (text.empty() || text.front() != '/')
        take(current_folder);
    take(text);

    if (parts.empty())
        return "/";
    std::string path;
    for (const std::string_view part : parts) {
        path += '/';
        path += part;
    }
    return path;
}

std::vector<std::string> LinuxFiles::drives()
{
    try {
        return drives_in_mountinfo(read_text("/proc/self/mountinfo"));
    } catch (const Failure&) {
        // No /proc (a bare chroot): the root is the one drive known.
        return {"/"};
    }
}

std::string LinuxFiles::drive_of(const std::string& path)
{
    return drive_holding(drives(), absolute_normal_path(path));
}

std::string LinuxFiles::folder_path(const std::string& text)
{
    // A drive is a folder like any other here: its mount point.
    const std::string folder = absolute_normal_path(text);
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        throw folder_failure(errno, folder);
    if (!S_ISDIR(info.st_mode))
        throw folder_failure(ENOTDIR, folder);
    return folder;
}

std::vector<std::string> LinuxFiles::folder_names(const std::string& folder)
{
    return names_of_type(folder, DT_DIR);
}

std::vector<std::string> LinuxFiles::file_names(const std::string& folder)
{
    return names_of_type(folder, DT_REG);
}

} // namespace muralis::linux_platform
