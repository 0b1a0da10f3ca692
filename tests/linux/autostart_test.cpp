// The start-up shortcut on Linux: the autostart entry as GLib reads and
// launches it, and the Exec and string rules it is written by. The
// day-change units as systemd itself reads them. The web address opener,
// through GIO's choice of the user's default handler.
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
#include "platform/linux/startup/day_change_units.h"
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

// Install folders that a command line or a configuration file could get
// wrong.
const std::string awkward_folders[] = {
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

// A script standing in for Muralrun that writes its path, its number of
// arguments and each argument, one a line, into $MURALIS_TEST_MARK.
const char* const recording_program = "#!/bin/sh\n"
                                      "{ printf '%s\\n' \"$0\" \"$#\"; for a; do printf '%s\\n' \"$a\"; done; }"
                                      " > \"$MURALIS_TEST_MARK\"\n";

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
        EXPECT_EQ(linux_platform::user_unit_folder(), std::string(c.expected) + "/systemd/user");
    }
}

// The entry for Muralrun in awkward install folders: desktop-file-validate
// accepts it, and GLib launches exactly that program with exactly the
// arguments asked for.
TEST(AutostartEntry, GLibLaunchesTheProgramInAnyFolder)
{
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
    for (const std::string& name : awkward_folders) {
        for (const std::string& arguments : argument_lists) {
            SCOPED_TRACE("folder \"" + name + "\", arguments \"" + arguments + "\"");
            const fs::path install = temporary.path() / "install" / name;
            fs::create_directories(install);
            const std::string program = (install / "Muralrun").string();
            write_file(program, recording_program);
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

// The words of a command line as systemd prints it in its dumps: words
// apart by spaces, a word with special characters in double quotes, in
// which a backslash escapes the next character or starts a C escape.
std::vector<std::string> dumped_words(std::string_view line)
{
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < line.size()) {
        std::string word;
        if (line[i] != '"') {
            const std::size_t end = std::min(line.find(' ', i), line.size());
            word = line.substr(i, end - i);
            i = end;
        } else {
            for (++i; i < line.size() && line[i] != '"'; ++i) {
                if (line[i] != '\\' || i + 1 == line.size()) {
                    word += line[i];
                    continue;
                }
                const char escaped = line[++i];
                const std::string_view named = "a\ab\bf\fn\nr\rt\tv\v";
                if (const auto at = named.find(escaped); at != std::string_view::npos && at % 2 == 0) {
                    word += named[at + 1];
                } else if (escaped >= '0' && escaped <= '7' && i + 2 < line.size()) {
                    word += static_cast<char>(std::stoi(std::string(line.substr(i, 3)), nullptr, 8));
                    i += 2;
                } else {
                    word += escaped;
                }
            }
            ++i;
        }
        words.push_back(word);
        while (i < line.size() && line[i] == ' ')
            ++i;
    }
    return words;
}

// The value of "name: " in the block that systemd's dump gives unit.
std::string dumped_setting(const std::string& dump, const std::string& unit, const std::string& name)
{
    const std::size_t block = dump.find("-> Unit " + unit + ":\n");
    if (block == std::string::npos)
        return "(no " + unit + " in the dump)";
    const std::size_t end = dump.find("-> Unit ", block + 1);
    const std::size_t at = dump.find("\t" + name + ": ", block);
    if (at == std::string::npos || at > end)
        return "(no " + name + ")";
    const std::size_t value = at + name.size() + 3;
    return dump.substr(value, dump.find('\n', value) - value);
}

// The day-change units for Muralrun in awkward install folders, as systemd
// itself reads them: systemd-analyze verify accepts them as they are, its
// manager's dump gives the command it would run, which then starts
// exactly that program with exactly the argument, and systemd-analyze
// evaluates the condition on that program. systemd's manager refuses to
// run its test mode as root: it runs as nobody then.
TEST(DayChangeUnits, SystemdStartsTheExactProgramFromAnyFolder)
{
    TemporaryFolder temporary;
    const bool as_root = ::geteuid() == 0;
    fs::permissions(temporary.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    // Private runtime folders, one for each user that runs systemd.
    const fs::path runtime = temporary.path() / "runtime";
    const fs::path manager_runtime = temporary.path() / "manager-runtime";
    fs::create_directories(runtime);
    fs::create_directories(manager_runtime);
    fs::permissions(runtime, fs::perms::owner_all);
    fs::permissions(manager_runtime, fs::perms::owner_all);
    // What nobody has to read, nobody owns.
    const auto hand_to_manager = [&](const fs::path& top) {
        if (!as_root)
            return;
        EXPECT_EQ(::chown(top.c_str(), 65534, 65534), 0);
        for (const auto& entry : fs::recursive_directory_iterator(top))
            EXPECT_EQ(::lchown(entry.path().c_str(), 65534, 65534), 0);
    };
    hand_to_manager(manager_runtime);
    std::vector<std::string> manager = {"/lib/systemd/systemd", "--user", "--test", "--no-pager",
                                        "--unit=muralis-day.timer"};
    manager.insert(manager.begin(), {"env", "XDG_RUNTIME_DIR=" + manager_runtime.string()});
    if (as_root)
        manager.insert(manager.begin(), {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"});

    const fs::path mark = temporary.path() / "mark";
    ScopedEnvironment environment;
    environment.set("XDG_RUNTIME_DIR", runtime.string())
        .set("MURALIS_TEST_MARK", mark.string())
        .unset("DBUS_SESSION_BUS_ADDRESS");
    LinuxDesktop desktop(qt_toolkit());
    int count = 0;
    for (const std::string& name : awkward_folders) {
        SCOPED_TRACE("folder \"" + name + "\"");
        const fs::path install = temporary.path() / ("install" + std::to_string(count)) / name;
        fs::create_directories(install);
        const std::string program = (install / "Muralrun").string();
        write_file(program, recording_program);
        fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read |
                                     fs::perms::group_exec | fs::perms::others_exec);
        const fs::path config = temporary.path() / ("config" + std::to_string(count++));
        environment.set("XDG_CONFIG_HOME", config.string());
        desktop.register_day_change("Today's Wallpaper", program, "--day-change");
        const std::string units = (config / "systemd" / "user").string();
        const std::string service = file_bytes(units + "/muralis-day.service");

        const Outcome verified = run({"systemd-analyze", "verify", "--user", units + "/muralis-day.service",
                                      units + "/muralis-day.timer"},
                                     temporary.path() / "out");
        EXPECT_EQ(verified.status, 0) << verified.output << service;
        EXPECT_EQ(verified.output, "") << service;

        hand_to_manager(config);
        const Outcome dumped = run(manager, temporary.path() / "out");
        ASSERT_EQ(dumped.status, 0) << dumped.output;
        EXPECT_EQ(dumped_setting(dumped.output, "muralis-day.timer", "OnCalendar"), "*-*-* 00:00:00");
        EXPECT_EQ(dumped_setting(dumped.output, "muralis-day.timer", "Persistent"), "no");
        EXPECT_EQ(dumped_setting(dumped.output, "muralis-day.service", "Type"), "oneshot");
        EXPECT_EQ(dumped_setting(dumped.output, "muralis-day.service", "KillMode"), "process");
        // At the start, systemd turns "$$" into "$" in every argument; a lone
        // '$' would start a variable.
        std::vector<std::string> command =
            dumped_words(dumped_setting(dumped.output, "muralis-day.service", "Command Line"));
        for (std::string& word : command) {
            std::string expanded;
            for (std::size_t i = 0; i < word.size(); ++i) {
                EXPECT_TRUE(word[i] != '$' || (i + 1 < word.size() && word[i + 1] == '$')) << word;
                expanded += word[i];
                i += word[i] == '$';
            }
            word = expanded;
        }
        ASSERT_FALSE(command.empty()) << service;
        fs::remove(mark);
        const Outcome started = run(command, temporary.path() / "out");
        EXPECT_EQ(started.status, 0) << started.output << service;
        EXPECT_EQ(file_bytes(mark.string()), program + "\n1\n--day-change\n") << service;

        // Once the program cannot run, the timer starts nothing: systemd
        // finds the condition unmet or, where the path cannot be named in
        // one, the shell it starts ends quietly.
        const std::string condition = dumped_setting(dumped.output, "muralis-day.service", "ConditionFileIsExecutable");
        const bool named = name.find_first_of("\t\n") == std::string::npos;
        EXPECT_EQ(condition, named ? program + " untested" : "(no ConditionFileIsExecutable)") << service;
        const std::vector<std::string> evaluate = {"systemd-analyze", "condition", "--user",
                                                   "--unit=muralis-day.service"};
        if (named) {
            EXPECT_EQ(run(evaluate, temporary.path() / "out").status, 0) << file_bytes(temporary / "out");
        }
        fs::permissions(program, fs::perms::owner_read | fs::perms::owner_write);
        fs::remove(mark);
        if (named) {
            const Outcome unmet = run(evaluate, temporary.path() / "out");
            EXPECT_NE(unmet.status, 0);
            EXPECT_NE(unmet.output.find("ConditionFileIsExecutable=" + program + " failed"), std::string::npos)
                << unmet.output;
        } else {
            EXPECT_EQ(run(command, temporary.path() / "out").status, 0);
            EXPECT_FALSE(fs::exists(mark));
        }
    }

    // The calendar: every local midnight, whatever the time zone.
    environment.set("TZ", "Europe/Paris");
    const std::string timer = file_bytes(temporary / "config0/systemd/user/muralis-day.timer");
    const std::size_t calendar = timer.find("\nOnCalendar=") + 12;
    const Outcome elapses =
        run({"systemd-analyze", "calendar", "--iterations=2", timer.substr(calendar, timer.find('\n', calendar) - calendar)},
            temporary.path() / "out");
    EXPECT_EQ(elapses.status, 0) << elapses.output;
    EXPECT_NE(elapses.output.find("Normalized form: *-*-* 00:00:00\n"), std::string::npos) << elapses.output;
    for (const char* label : {"Next elapse: ", "Iter. #2: "}) {
        const std::size_t at = elapses.output.find(label);
        ASSERT_NE(at, std::string::npos) << elapses.output;
        const std::string line = elapses.output.substr(at, elapses.output.find('\n', at) - at);
        EXPECT_NE(line.find(" 00:00:00 CE"), std::string::npos) << line;
    }
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
