// Drives and folders on Linux: which mounts are drives, and the folder and
// file lists against real folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "platform/linux/linux_files.h"
#include "platform/linux/linux_folders.h"
#include "temporary_folder.h"

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxFiles;

// Puts the process's current folder back when the scope ends.
class ScopedCurrentFolder {
public:
    explicit ScopedCurrentFolder(const fs::path& folder) : m_before(fs::current_path()) { fs::current_path(folder); }
    ScopedCurrentFolder(const ScopedCurrentFolder&) = delete;
    ScopedCurrentFolder& operator=(const ScopedCurrentFolder&) = delete;
    ~ScopedCurrentFolder() { fs::current_path(m_before); }

private:
    fs::path m_before;
};

std::vector<std::string> sorted(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LinuxDrives, MountsAUserBrowsesAreDrives)
{
    struct {
        const char* line;
        const char* drive; // nullptr: not a drive
    } const cases[] = {
        {"27 1 254:0 / / rw,relatime shared:1 - ext4 /dev/vda1 rw", "/"},
        {"40 27 254:2 / /home rw,relatime shared:20 - ext4 /dev/vda2 rw", "/home"},
        {"88 27 8:17 / /media/user/My\\040Stick rw,nosuid,nodev shared:90 - vfat /dev/sdb1 rw,uid=1000",
         "/media/user/My Stick"},
        {"89 27 8:33 / /run/media/user/Back\\134up rw shared:91 - exfat /dev/sdc1 rw", "/run/media/user/Back\\up"},
        {"90 27 0:55 / /mnt/photos rw,relatime shared:92 - nfs4 nas:/export/photos rw,vers=4.2", "/mnt/photos"},
        {"91 27 0:56 / /mnt/tab\\011name rw - ext4 /dev/sdd1 rw", "/mnt/tab\tname"},
        {"92 27 0:57 / /tmp rw,nosuid,nodev shared:5 - tmpfs tmpfs rw", "/tmp"},
        {"22 27 0:21 / /proc rw,relatime shared:12 - proc proc rw", nullptr},
        {"23 27 0:22 / /sys rw,relatime shared:2 - sysfs sysfs rw", nullptr},
        {"24 27 0:6 / /dev rw,relatime shared:3 - devtmpfs udev rw,size=4k", nullptr},
        {"26 24 0:24 / /dev/pts rw,relatime - devpts devpts rw,mode=600", nullptr},
        {"41 23 0:38 / /sys/fs/cgroup rw,relatime - cgroup2 cgroup2 rw", nullptr},
        {"42 27 0:39 / /mnt/cgroup rw,relatime - cgroup cgroup rw,cpu", nullptr},
        {"60 27 0:45 / /run/user/1000 rw,nosuid,nodev shared:300 - tmpfs tmpfs rw,mode=700", nullptr},
        {"61 27 0:46 / /run rw,nosuid - tmpfs tmpfs rw", nullptr},
        {"70 27 0:50 / /var/lib/docker/overlay2/3f1c/merged rw - overlay overlay rw,lowerdir=/x", nullptr},
        {"71 27 0:51 / /srv/layers/merged rw - overlay overlay rw,lowerdir=/y", nullptr},
        {"72 27 7:1 / /snap/core22/1122 ro,nodev,relatime shared:50 - squashfs /dev/loop1 ro", nullptr},
        {"73 27 7:2 / /opt/image ro - squashfs /dev/loop2 ro", nullptr},
        {"74 27 0:60 / /tmp/.mount_AppXy ro - fuse.AppImage AppImage ro", nullptr},
        {"75 27 8:1 / /boot/efi rw,relatime - vfat /dev/sda1 rw,fmask=0077", nullptr},
        {"76 27 0:61 / /proc/sys/fs/binfmt_misc rw - binfmt_misc binfmt_misc rw", nullptr},
        {"77 27 0:62 / /mnt/auto rw - autofs systemd-1 rw,fd=40", nullptr},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const auto drives = linux_platform::drives_in_mountinfo(c.line);
        const std::vector<std::string> expected =
            c.drive && std::string(c.drive) != "/" ? std::vector<std::string>{"/", c.drive}
                                                   : std::vector<std::string>{"/"};
        EXPECT_EQ(drives, expected);
    }

    // The whole table at once: "/" first, the rest in order, no repeats even
    // where a mount point is mounted twice, and the last mount of a point
    // decides (an automount point once its file system is mounted).
    std::string table;
    for (const auto& c : cases)
        table += std::string(c.line) + "\n";
    table += "93 40 254:2 / /home rw,relatime shared:20 - ext4 /dev/vda2 rw\n";
    table += "94 77 0:63 / /mnt/auto rw - nfs4 nas:/auto rw\n";
    table += "short line\n\n";
    EXPECT_EQ(linux_platform::drives_in_mountinfo(table),
              (std::vector<std::string>{"/", "/home", "/media/user/My Stick", "/mnt/auto", "/mnt/photos",
                                        "/mnt/tab\tname", "/run/media/user/Back\\up", "/tmp"}));
    // A root the system hides from us (a chroot) is a drive all the same.
    EXPECT_EQ(linux_platform::drives_in_mountinfo(""), std::vector<std::string>{"/"});
}

TEST(LinuxDrives, TheDeepestDriveHoldsAPath)
{
    const std::vector<std::string> drives = {"/", "/home", "/media/user/My Stick", "/media/user/My Stick/inner"};
    struct {
        const char* folder;
        const char* drive;
    } const cases[] = {
        {"/", "/"},
        {"/etc", "/"},
        {"/home", "/home"},
        {"/home/user/Pictures", "/home"},
        {"/homework", "/"},
        {"/media/user/My Stick", "/media/user/My Stick"},
        {"/media/user/My Sticks", "/"},
        {"/media/user/My Stick/inner/a", "/media/user/My Stick/inner"},
        {"/media/user/My Stick/innermost", "/media/user/My Stick"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(linux_platform::drive_holding(drives, c.folder), c.drive) << c.folder;

    // The real system: "/" leads the list, every drive holds itself, and a
    // path is on the drive of its lexical form, missing or not.
    LinuxFiles files;
    const auto real = files.drives();
    ASSERT_FALSE(real.empty());
    EXPECT_EQ(real.front(), "/");
    EXPECT_EQ(std::count(real.begin(), real.end(), "/proc"), 0);
    for (const std::string& drive : real)
        EXPECT_EQ(files.drive_of(drive), drive);
    EXPECT_EQ(files.drive_of("/proc/self"), "/");
    EXPECT_EQ(files.drive_of("/proc/../no/such/folder"), "/");
    TemporaryFolder folder;
    ScopedCurrentFolder inside(folder.path());
    EXPECT_EQ(files.drive_of("missing/part"), files.drive_of(fs::current_path().string()));
}

TEST(LinuxFolders, FolderPathIsLexicalAndMustExist)
{
    TemporaryFolder temporary;
    // getcwd() answers with the physical path, so the expectations start
    // from it.
    const std::string root = fs::canonical(temporary.path()).string();
    fs::create_directories(root + "/a/b");
    fs::create_directory(root + "/with space");
    fs::create_directory_symlink("a/b", root + "/link");
    write_file(root + "/file", "x");
    ScopedCurrentFolder inside(root);

    struct {
        std::string text;
        std::string folder;
    } const found[] = {
        {"a//b/", root + "/a/b"},
        // Lexical: the missing part goes before anything is asked of the disk.
        {"a/missing/..", root + "/a"},
        {"a/./b", root + "/a/b"},
        {"./a/b/..", root + "/a"},
        {"a/b/../../a", root + "/a"},
        {".", root},
        {"", root},
        {"with space/", root + "/with space"},
        {root + "//a///b//", root + "/a/b"},
        {"../" + fs::path(root).filename().string() + "/a", root + "/a"},
        {"/", "/"},
        {"/..", "/"},
        {"/../../..", "/"},
        {"//", "/"},
        {"/./", "/"},
        // A link stays in the path, and ".." after it takes it away: the
        // link's own parent, not its target's.
        {"link", root + "/link"},
        {"link/", root + "/link"},
        {"link/..", root},
        {"link/../a", root + "/a"},
    };
    LinuxFiles files;
    for (const auto& c : found) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        try {
            EXPECT_EQ(files.folder_path(c.text), c.folder);
        } catch (const Failure& failure) {
            ADD_FAILURE() << failure.what();
        }
    }

    struct {
        std::string text;
        int error;
    } const missing[] = {
        {"missing", ENOENT},
        {"file", ENOTDIR},
        {"file/", ENOTDIR},
        {"file/x", ENOTDIR},
        {root + "/with space/missing", ENOENT},
    };
    for (const auto& c : missing) {
        SCOPED_TRACE("text \"" + c.text + "\"");
        try {
            files.folder_path(c.text);
            ADD_FAILURE() << "found";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), 76);
            EXPECT_NE(failure.description().find(std::strerror(c.error)), std::string::npos) << failure.what();
        }
    }
}

TEST(LinuxFolders, ListsShowFoldersAndFilesOrTheirLinksButNoHiddenOnes)
{
    TemporaryFolder folder;
    const std::string root = folder.path().string();
    fs::create_directory(root + "/Pictures");
    fs::create_directory(root + "/.cache");
    fs::create_directory(root + "/Été 2024");
    write_file(root + "/monday.bmp", "BM");
    write_file(root + "/.hidden.bmp", "BM");
    write_file(root + "/name with\nnewline", "");
    fs::create_directory_symlink("Pictures", root + "/to pictures");
    fs::create_directory_symlink(".cache", root + "/to cache");
    fs::create_symlink("monday.bmp", root + "/to monday.bmp");
    fs::create_symlink("gone", root + "/dangling");
    fs::create_symlink("loop", root + "/loop");
    fs::create_symlink("Pictures", root + "/.hidden link");
    ASSERT_EQ(::mkfifo((root + "/pipe").c_str(), 0600), 0);

    LinuxFiles files;
    EXPECT_EQ(sorted(files.folder_names(root)),
              (std::vector<std::string>{"Pictures", "to cache", "to pictures", "Été 2024"}));
    EXPECT_EQ(sorted(files.file_names(root)),
              (std::vector<std::string>{"monday.bmp", "name with\nnewline", "to monday.bmp"}));
    EXPECT_EQ(files.folder_names(root + "/Pictures"), std::vector<std::string>{});
    EXPECT_EQ(files.file_names(root + "/Pictures"), std::vector<std::string>{});

    for (const std::string& bad : {root + "/missing", root + "/monday.bmp"}) {
        for (const bool folders : {true, false}) {
            SCOPED_TRACE(bad);
            try {
                folders ? files.folder_names(bad) : files.file_names(bad);
                ADD_FAILURE() << "listed";
            } catch (const Failure& failure) {
                EXPECT_EQ(failure.number(), 76);
                EXPECT_EQ(failure.description().rfind(bad + ": ", 0), 0u) << failure.what();
            }
        }
    }
}

} // namespace
} // namespace muralis::testing
