// The start-up shortcut on Linux: the autostart entry as GLib reads and
// launches it, and the Exec and string rules it is written by. The web
// address opener, through GIO's choice of the user's default handler.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/qt/qt_toolkit.h"
#include "platform/linux/startup/desktop_entry.h"
#include "scoped_environment.h"
#include "temporary_folder.h"

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxDesktop;
using linux_platform::qt_toolkit;

struct Outcome {
    int status = -1; // the exit status, -1 when it did not exit
    std::string output; // standard output and error together
};

// Runs argv[0] (looked for in PATH) with no shell between, its output going
// to a file: a program it starts in turn may keep a pipe open.
Outcome run(const std::vector<std::string>& argv, const fs::path& output_file)
{
    std::vector<char*> pointers;
    for (const std::string& word : argv)
        pointers.push_back(const_cast<char*>(word.c_str()));
    pointers.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int out = ::open(output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execvp(pointers[0], pointers.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, file_bytes(output_file)};
}

// Runs body as an unprivileged user when the tests run as root, whom no
// folder mode stops, and gives back the text it returns.
std::string as_unprivileged_user(const std::function<std::string()>& body)
{
    if (::geteuid() != 0)
        return body();
    int ends[2];
    if (::pipe(ends) != 0)
        return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ends[0]);
        std::string text = "could not drop privileges";
        if (::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0)
            text = body();
        [[maybe_unused]] ssize_t ignored = ::write(ends[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(ends[1]);
    std::string text;
    char buffer[512];
    for (ssize_t got; (got = ::read(ends[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(ends[0]);
    ::waitpid(child, nullptr, 0);
    return text;
}

std::vector<std::string> names_in(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    return names;
}

TEST(DesktopEntry, ExecArgumentsAndStringValues)
{
    struct {
        const char* argument;
        const char* written;
    } const arguments[] = {
        {"/usr/bin/Muralrun", "/usr/bin/Muralrun"},
        {"/opt/Été/Muralrun", "/opt/Été/Muralrun"},
        {"/a b/M", "\"/a b/M\""},
        {"/a\"b", "\"/a\\\"b\""},
        {"/a'b", "\"/a'b\""},
        {"/a\\b", "\"/a\\\\b\""},
        {"/$HOME/M", "\"/\\$HOME/M\""},
        {"/`id`", "\"/\\`id\\`\""},
        {"/a;b", "\"/a;b\""},
        {"/~x", "\"/~x\""},
        {"/50%", "/50%%"},
        {"/50% off", "\"/50%% off\""},
        {"/a=b", "/a=b"},
        {"", "\"\""},
    };
    for (const auto& c : arguments)
        EXPECT_EQ(linux_platform::desktop_exec_argument(c.argument), c.written) << c.argument;

    struct {
        const char* text;
        const char* value;
    } const strings[] = {
        {"Today's Wallpaper", "Today's Wallpaper"},
        {" lead", "\\slead"},
        {"in side ", "in side "},
        {"a\\b", "a\\\\b"},
        {"l1\nl2\tt\rr", "l1\\nl2\\tt\\rr"},
        {"Papier-peint du jour", "Papier-peint du jour"},
    };
    for (const auto& c : strings)
        EXPECT_EQ(linux_platform::desktop_string_value(c.text), c.value) << c.text;

    // Quoting first, string escapes after: one backslash in a path is four
    // in the file.
    EXPECT_NE(linux_platform::autostart_entry("N", "/a\\b/M", "").find("\nExec=\"/a\\\\\\\\b/M\"\n"),
              std::string::npos);
}

TEST(DesktopEntry, ConfigFolderFollowsTheXdgRules)
{
    struct {
        const char* config_home; // nullptr: unset
        const char* home;
        const char* expected;
    } const cases[] = {
        {"/x/conf", "/home/u", "/x/conf"},
        {"/x/conf/", "/home/u", "/x/conf"},
        {"relative/conf", "/home/u", "/home/u/.config"},
        {"", "/home/u/", "/home/u/.config"},
        {nullptr, "/home/u", "/home/u/.config"},
        {nullptr, "/", "/.config"},
    };
    for (const auto& c : cases) {
        ScopedEnvironment environment;
        c.config_home ? environment.set("XDG_CONFIG_HOME", c.config_home) : environment.unset("XDG_CONFIG_HOME");
        environment.set("HOME", c.home);
        EXPECT_EQ(linux_platform::xdg_config_home(), c.expected) << c.home;
        EXPECT_EQ(linux_platform::autostart_folder(), std::string(c.expected) + "/autostart");
    }
}

// The entry for Muralrun in awkward install folders: desktop-file-validate
// accepts it, and GLib launches exactly that program with exactly the
// arguments asked for.
TEST(AutostartEntry, GLibLaunchesTheProgramInAnyFolder)
{
    const std::string folders[] = {
        "Program Files",
        "say \"hi\"",
        "it's mine",
        "back\\slash",
        "two \\\\ back",
        "cost $HOME ${PATH}",
        "100%",
        "%U %f %%",
        "`date`",
        "Été",
        "a;b",
        "tab\there",
        "new\nline",
        "a=b",
        "~user (x) & <y> | z * ? #",
    };
    const std::string argument_lists[] = {"", "--now 'quoted' $1 50%"};

    TemporaryFolder temporary;
    const fs::path config = temporary.path() / "config";
    const fs::path mark = temporary.path() / "mark";
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", config.string())
        .set("MURALIS_TEST_MARK", mark.string())
        // No session bus to tell of the launch, nor to start one for.
        .unset("DBUS_SESSION_BUS_ADDRESS")
        .unset("DISPLAY");

    LinuxDesktop desktop(qt_toolkit());
    for (const std::string& name : folders) {
        for (const std::string& arguments : argument_lists) {
            SCOPED_TRACE("folder \"" + name + "\", arguments \"" + arguments + "\"");
            const fs::path install = temporary.path() / "install" / name;
            fs::create_directories(install);
            const std::string program = (install / "Muralrun").string();
            write_file(program, "#!/bin/sh\n"
                                "{ printf '%s\\n' \"$0\" \"$#\"; for a; do printf '%s\\n' \"$a\"; done; }"
                                " > \"$MURALIS_TEST_MARK\"\n");
            fs::permissions(program, fs::perms::owner_all);

            desktop.create_shortcut("\\Startup", "Today's Wallpaper", program, arguments);
            const fs::path entry = config / "autostart" / "Today's Wallpaper.desktop";
            ASSERT_TRUE(fs::is_regular_file(entry));

            const Outcome validation = run({"desktop-file-validate", entry.string()}, temporary.path() / "out");
            EXPECT_EQ(validation.status, 0) << validation.output << file_bytes(entry);
            EXPECT_EQ(validation.output.find("error"), std::string::npos) << validation.output;

            fs::remove(mark);
            const Outcome launch = run({"gio", "launch", entry.string()}, temporary.path() / "out");
            ASSERT_EQ(launch.status, 0) << launch.output << file_bytes(entry);
            for (int i = 0; i < 100 && !fs::exists(mark); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            // The launched script may still be writing its lines.
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            const std::string expected =
                program + "\n" + (arguments.empty() ? "0\n" : "1\n" + arguments + "\n");
            EXPECT_EQ(file_bytes(mark), expected) << file_bytes(entry);
        }
    }
    EXPECT_EQ(names_in(config / "autostart"), std::vector<std::string>{"Today's Wallpaper.desktop"});
}

TEST(AutostartEntry, FrenchNameReplacingAndFolderMade)
{
    TemporaryFolder temporary;
    const fs::path config = temporary.path() / "new" / "config";
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", config.string());
    LinuxDesktop desktop(qt_toolkit());

    desktop.create_shortcut("\\Démarrage", "Papier-peint du jour", "/opt/old/Muralrun", "");
    const fs::path autostart = config / "autostart";
    EXPECT_EQ(fs::status(autostart).permissions() & fs::perms::all, fs::perms::owner_all);
    const fs::path entry = autostart / "Papier-peint du jour.desktop";
    const std::string first = file_bytes(entry);
    EXPECT_NE(first.find("\nName=Papier-peint du jour\n"), std::string::npos) << first;
    EXPECT_NE(first.find("\nExec=/opt/old/Muralrun\n"), std::string::npos) << first;
    EXPECT_NE(first.find("\nTryExec=/opt/old/Muralrun\n"), std::string::npos) << first;

    desktop.create_shortcut("\\Démarrage", "Papier-peint du jour", "/opt/new/Muralrun", "");
    const std::string second = file_bytes(entry);
    EXPECT_NE(second.find("\nExec=/opt/new/Muralrun\n"), std::string::npos) << second;
    EXPECT_EQ(second.find("old"), std::string::npos) << second;
    EXPECT_EQ(names_in(autostart), std::vector<std::string>{"Papier-peint du jour.desktop"});
}

TEST(AutostartEntry, FailuresCarryTheSystemsReason)
{
    TemporaryFolder temporary;
    ScopedEnvironment environment;
    LinuxDesktop desktop(qt_toolkit());
    const auto failure_of = [&](const std::string& group) -> std::string {
        try {
            desktop.create_shortcut(group, "Today's Wallpaper", "/opt/Muralrun", "");
            return "made";
        } catch (const Failure& failure) {
            return failure.description();
        }
    };

    // No such group here, and nothing made for it.
    environment.set("XDG_CONFIG_HOME", (temporary.path() / "config").string());
    EXPECT_NE(failure_of("\\Accessories").find("\\Accessories"), std::string::npos);
    EXPECT_FALSE(fs::exists(temporary.path() / "config"));

    // The configuration folder is a file.
    write_file(temporary / "file", "");
    environment.set("XDG_CONFIG_HOME", temporary / "file");
    EXPECT_NE(failure_of("\\Startup").find(std::strerror(ENOTDIR)), std::string::npos);

    // The autostart folder may not be written to: the old entry stays, and
    // no temporary file is left behind.
    const fs::path autostart = temporary.path() / "locked" / "autostart";
    fs::create_directories(autostart);
    write_file((autostart / "Today's Wallpaper.desktop").string(), "old");
    fs::permissions(temporary.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(autostart.parent_path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(autostart, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
    environment.set("XDG_CONFIG_HOME", autostart.parent_path().string());
    EXPECT_NE(as_unprivileged_user([&] { return failure_of("\\Startup"); }).find(std::strerror(EACCES)),
              std::string::npos);
    EXPECT_EQ(file_bytes((autostart / "Today's Wallpaper.desktop").string()), "old");
    EXPECT_EQ(names_in(autostart), std::vector<std::string>{"Today's Wallpaper.desktop"});
}

// The opener through GIO's real choice of the default handler, in a private
// XDG configuration with no system folders: a recording "browser" set as the
// default for http and https, then no handler at all.
TEST(WebAddress, TheDefaultHandlerReceivesTheExactAddress)
{
    TemporaryFolder temporary;
    const fs::path config = temporary.path() / "config";
    const fs::path applications = temporary.path() / "data" / "applications";
    const fs::path mark = temporary.path() / "browser.mark";
    fs::create_directories(config);
    fs::create_directories(applications);
    ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", config.string())
        .set("XDG_DATA_HOME", (temporary.path() / "data").string())
        .set("XDG_CONFIG_DIRS", temporary / "none")
        .set("XDG_DATA_DIRS", temporary / "none")
        .set("GIO_USE_VFS", "local")
        .unset("DBUS_SESSION_BUS_ADDRESS")
        .unset("DISPLAY");
    const std::string browser = temporary / "browser";
    write_file(browser, "#!/bin/sh\nfor a; do printf '%s\\n' \"$a\"; done > \"$0.part\"; mv \"$0.part\" \"$0.mark\"\n");
    fs::permissions(browser, fs::perms::owner_all);
    write_file((applications / "recorder.desktop").string(),
               "[Desktop Entry]\nType=Application\nName=Recorder\nExec=" + browser +
                   " %u\nMimeType=x-scheme-handler/http;x-scheme-handler/https;\n");
    write_file((config / "mimeapps.list").string(), "[Default Applications]\nx-scheme-handler/http=recorder.desktop\n"
                                                    "x-scheme-handler/https=recorder.desktop\n");

    // Each address from a child process: GLib reads the XDG variables once
    // a process. Its output (none is expected) goes to a file.
    const auto open = [&](const std::string& address) {
        fs::remove(mark);
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open((temporary / "output").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
            ::dup2(out, 2);
            LinuxDesktop(qt_toolkit()).open_web_address(address);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(file_bytes(temporary / "output"), "");
    };
    const std::string addresses[] = {
        "https://www.example.org/",
        "http://example.org/page.html",
        "https://example.org/search?q=caf%C3%A9&lang=fr#top",
        "https://example.org:8443/a%20b/%25?x=$HOME;y=(1)*2!&z=~`id`",
        "HTTPS://Example.ORG/Page",
    };
    for (const std::string& address : addresses) {
        open(address);
        for (int i = 0; i < 250 && !fs::exists(mark); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_EQ(file_bytes(mark.string()), address + "\n");
    }

    fs::remove(applications / "recorder.desktop");
    open("https://www.example.org/");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(mark)) << "no handler, yet something ran";
}

} // namespace
} // namespace muralis::testing
