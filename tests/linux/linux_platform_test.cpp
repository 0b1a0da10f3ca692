// The Linux platform layer against the real system: locales, XDG folders,
// the file operations and process start.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "schedule/language.h"
#include "schedule/windows_folder.h"
#include "scoped_environment.h"
#include "temporary_folder.h"

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxFiles;
using linux_platform::LinuxSystem;

bool locale_installed(const char* name)
{
    const locale_t locale = newlocale(LC_MESSAGES_MASK, name, nullptr);
    if (!locale)
        return false;
    freelocale(locale);
    return true;
}

TEST(LinuxLanguage, NamesTheLanguageOfTheMessagesLocale)
{
    struct {
        const char* lc_all;
        const char* lc_messages;
        const char* lang;
        const char* expected;
    } const cases[] = {
        {nullptr, nullptr, "fr_FR.UTF-8", "French"},
        {nullptr, nullptr, "fr_CA.UTF-8", "French"},
        {nullptr, nullptr, "fr_CH.UTF-8", "French"},
        {nullptr, nullptr, "en_US.UTF-8", "English"},
        {nullptr, nullptr, "de_DE.UTF-8", "German"},
        {nullptr, "fr_FR.UTF-8", "en_US.UTF-8", "French"},
        {"en_US.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", "English"},
        {"fr_CA.UTF-8", nullptr, "en_US.UTF-8", "French"},
        {nullptr, nullptr, "C", ""},
        {nullptr, nullptr, "C.UTF-8", ""},
        {nullptr, nullptr, "POSIX", ""},
        {nullptr, nullptr, nullptr, ""},
        {nullptr, nullptr, "xx_NOWHERE.UTF-8", ""}, // not installed: the C locale
    };
    for (const char* needed : {"fr_FR.UTF-8", "fr_CA.UTF-8", "fr_CH.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"})
        ASSERT_TRUE(locale_installed(needed)) << needed << " is not generated (scripts/install-deps)";

    for (const auto& c : cases) {
        ScopedEnvironment environment;
        const std::pair<const char*, const char*> variables[] = {
            {"LC_ALL", c.lc_all}, {"LC_MESSAGES", c.lc_messages}, {"LANG", c.lang}};
        for (const auto& [name, value] : variables)
            value ? environment.set(name, value) : environment.unset(name);
        SCOPED_TRACE(std::string("LC_ALL=") + (c.lc_all ? c.lc_all : "") +
                     " LC_MESSAGES=" + (c.lc_messages ? c.lc_messages : "") +
                     " LANG=" + (c.lang ? c.lang : ""));
        EXPECT_EQ(linux_platform::messages_language_name(), c.expected);

        LinuxSystem system;
        const std::string buffer = system.language_name_buffer();
        EXPECT_EQ(buffer.size(), 100u);
        EXPECT_EQ(Langage::system_language_name(system), c.expected);
        EXPECT_EQ(Langage::is_french(system), std::string(c.expected) == "French");
    }
}

TEST(LinuxFolders, DataFolderFollowsTheXdgRules)
{
    TemporaryFolder temporary;
    const std::string home = temporary / "home";
    const std::string data = temporary / "data";
    fs::create_directories(home);
    ScopedEnvironment environment;
    environment.set("HOME", home);

    environment.set("XDG_DATA_HOME", data);
    EXPECT_EQ(linux_platform::xdg_data_home(), data);
    EXPECT_EQ(linux_platform::muralis_data_folder(), data + "/muralis");
    struct stat info {};
    ASSERT_EQ(::stat((data + "/muralis").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    environment.set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(linux_platform::xdg_data_home(), home + "/.local/share");
    environment.set("XDG_DATA_HOME", "");
    EXPECT_EQ(linux_platform::xdg_data_home(), home + "/.local/share");
    EXPECT_EQ(linux_platform::muralis_data_folder(), home + "/.local/share/muralis");
    EXPECT_TRUE(fs::is_directory(home + "/.local/share/muralis"));

    environment.unset("XDG_DATA_HOME").unset("HOME");
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(linux_platform::xdg_data_home(), std::string(user->pw_dir) + "/.local/share");
}

TEST(LinuxFolders, WindowsFolderIsTheDataFolderWithOneSlash)
{
    TemporaryFolder temporary;
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", temporary / "data");
    LinuxSystem system;
    LinuxFiles files;
    EXPECT_EQ(find_windows_folder(system, files), temporary / "data" + "/muralis/");
    EXPECT_EQ(fs::directory_iterator(temporary / "data/muralis"), fs::directory_iterator())
        << "the write probe left something behind";

    environment.set("XDG_DATA_HOME", "/proc/no-such-place");
    EXPECT_EQ(find_windows_folder(system, files), "/") << "a data folder that cannot be made";
}

TEST(LinuxFiles, NormalFilesOnly)
{
    TemporaryFolder folder;
    write_file(folder / "file", "x");
    fs::create_directory(folder / "folder");
    fs::create_symlink(folder / "file", folder / "link");
    fs::create_symlink(folder / "nothing", folder / "dangling");
    LinuxFiles files;
    EXPECT_TRUE(files.is_normal_file(folder / "file"));
    EXPECT_TRUE(files.is_normal_file(folder / "link"));
    EXPECT_FALSE(files.is_normal_file(folder / "folder"));
    EXPECT_FALSE(files.is_normal_file(folder / "dangling"));
    EXPECT_FALSE(files.is_normal_file(folder / "missing"));
}

// The names in folder, other than those listed.
std::vector<std::string> other_names(const TemporaryFolder& folder, std::set<std::string> listed)
{
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        if (!listed.count(entry.path().filename().string()))
            others.push_back(entry.path().filename().string());
    return others;
}

TEST(LinuxFiles, ReplaceTextIsAllOrNothing)
{
    TemporaryFolder folder;
    LinuxFiles files;
    const std::string path = folder / "Vantorel.cfg";
    write_file(path, "old week");
    files.replace_text(path, "new week\r\n");
    EXPECT_EQ(file_bytes(path), "new week\r\n");
    EXPECT_EQ(files.read_text(path), "new week\r\n");

    // A target that cannot be replaced: the old content stays, no temporary
    // file is left.
    fs::create_directory(folder / "taken");
    write_file(folder / "taken/inside", "keep");
    EXPECT_THROW(files.replace_text(folder / "taken", "x"), Failure);
    EXPECT_EQ(file_bytes(folder / "taken/inside"), "keep");
    EXPECT_THROW(files.replace_text(folder / "missing/Vantorel.cfg", "x"), Failure);
    EXPECT_EQ(other_names(folder, {"Vantorel.cfg", "taken"}), std::vector<std::string>{});
}

TEST(LinuxFiles, CopyReplacesAndReportsTheFileConcerned)
{
    TemporaryFolder folder;
    LinuxFiles files;
    std::string picture(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 31 + 7);
    write_file(folder / "today.bmp", picture);
    write_file(folder / "Vantorel.bmp", "yesterday");

    files.copy_replacing(folder / "today.bmp", folder / "Vantorel.bmp");
    EXPECT_EQ(file_bytes(folder / "Vantorel.bmp"), picture);

    try {
        files.copy_replacing(folder / "gone.bmp", folder / "Vantorel.bmp");
        FAIL() << "copied a missing file";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ENOENT);
        EXPECT_NE(failure.description().find(folder / "gone.bmp"), std::string::npos);
    }
    fs::create_directory(folder / "a folder.bmp");
    EXPECT_THROW(files.copy_replacing(folder / "a folder.bmp", folder / "Vantorel.bmp"), Failure);
    EXPECT_EQ(file_bytes(folder / "Vantorel.bmp"), picture);
    EXPECT_EQ(other_names(folder, {"today.bmp", "Vantorel.bmp", "a folder.bmp"}), std::vector<std::string>{});
}

TEST(LinuxSystem, StartsAProgramDetachedAndReportsOneThatCannotStart)
{
    TemporaryFolder folder;
    const std::string program = folder / "Muralset";
    const std::string marker = folder / "started";
    write_file(program, "#!/bin/sh\nsleep 0.2\necho $PPID > '" + marker + "'\n");
    fs::permissions(program, fs::perms::owner_all);

    LinuxSystem system;
    system.start_program(program);
    // Nothing of ours to reap: the program was handed to init at once.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    for (int i = 0; i < 100 && file_bytes(marker).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(file_bytes(marker).empty()) << "the program did not run";
    EXPECT_NE(std::stoi(file_bytes(marker)), ::getpid());

    try {
        system.start_program(folder / "missing");
        FAIL() << "started a missing program";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ENOENT);
    }
    write_file(folder / "not-executable", "#!/bin/sh\n");
    fs::permissions(folder / "not-executable", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THROW(system.start_program(folder / "not-executable"), Failure);
}

TEST(LinuxSystem, ProgramFolderAndCurrentFolder)
{
    LinuxSystem system;
    EXPECT_EQ(system.program_folder(), fs::canonical("/proc/self/exe").parent_path().string());
    const fs::path before = fs::current_path();
    TemporaryFolder folder;
    system.change_current_folder(folder.path().string());
    EXPECT_EQ(fs::current_path(), fs::canonical(folder.path()));
    fs::current_path(before);
    EXPECT_THROW(system.change_current_folder(folder / "missing"), Failure);
}

} // namespace
} // namespace muralis::testing
