#include "platform/linux/wallpaper/desktops/swaybg_wallpaper.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/linux/linux_files.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

namespace {

// A process told apart from any later one that reuses its id.
struct ProcessStamp {
    pid_t pid = 0;
    unsigned long long start_time = 0; // clock ticks after boot, /proc/PID/stat
};

std::string file_text(const std::string& path)
{
    try {
        return LinuxFiles().read_text(path, 4096);
    } catch (const Failure&) {
        return {};
    }
}

struct ProcessState {
    std::string program; // the name the kernel keeps (comm)
    unsigned long long start_time = 0;
};

std::optional<ProcessState> process_state(pid_t pid)
{
    const std::string stat = file_text("/proc/" + std::to_string(pid) + "/stat");
    // "PID (COMM) STATE ...": COMM may hold anything, ')' included, so the
    // fields after it are counted from the last ')'. The start time is the
    // 22nd field, the 20th after COMM.
    const std::size_t open = stat.find('(');
    std::size_t at = stat.rfind(')');
    if (open == std::string::npos || at == std::string::npos || at < open)
        return std::nullopt;
    ProcessState state;
    state.program = stat.substr(open + 1, at - open - 1);
    for (int field = 0; field < 20 && at != std::string::npos; ++field)
        at = stat.find(' ', at + 1);
    if (at == std::string::npos)
        return std::nullopt;
    state.start_time = std::strtoull(stat.c_str() + at + 1, nullptr, 10);
    return state;
}

// The record lasts as long as the session's runtime folder, which no boot
// keeps: it is replaced by a rename, without waiting for the disk.
bool write_record(const std::string& path, ProcessStamp stamp)
{
    const std::string text = std::to_string(stamp.pid) + " " + std::to_string(stamp.start_time) + "\n";
    std::string temporary = path + ".XXXXXX";
    UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd)
        return false;
    const bool written = ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         fd.close() == 0 && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (!written)
        ::unlink(temporary.c_str());
    return written;
}

std::optional<ProcessStamp> read_record(const std::string& path)
{
    ProcessStamp stamp;
    if (std::sscanf(file_text(path).c_str(), "%d %llu", &stamp.pid, &stamp.start_time) != 2 ||
        stamp.pid <= 1)
        return std::nullopt;
    return stamp;
}

// Starts program with arguments in a session of its own, its standard
// streams on /dev/null and no other descriptor of this process, as a child
// of whoever reaps orphans rather than of this process. Returns its id once
// the program has replaced the child; none when it could not be started.
std::optional<pid_t> start_detached(const std::string& program, std::vector<std::string> arguments)
{
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0)
        return std::nullopt;
    UniqueFd reading(report[0]);
    UniqueFd writing(report[1]);

    // Between fork and exec only async-signal-safe calls: other threads may
    // hold locks. The grandchild reports its id, then the errno of a failed
    // exec; the pipe's writing end closes at a successful one.
    const pid_t middle = ::fork();
    if (middle < 0)
        return std::nullopt;
    if (middle == 0) {
        ::setsid();
        if (::fork() != 0)
            ::_exit(0);
        const pid_t self = ::getpid();
        (void)!::write(report[1], &self, sizeof self);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
        ::execv(program.c_str(), argv.data());
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(127);
    }
    writing.close();
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }

    pid_t started = 0;
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(reading.get(), &started, sizeof started)) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof started))
        return std::nullopt;
    while ((got = ::read(reading.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    if (got != 0)
        return std::nullopt;
    return started;
}

} // namespace

std::string find_on_path(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty() || folder[0] != '/')
            continue;
        const std::string candidate = std::string(folder) + "/" + name;
        struct stat info {};
        if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

bool SwaybgWallpaper::install(const std::string& path)
{
    const std::string program = find_on_path("swaybg");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const char* display = std::getenv("WAYLAND_DISPLAY");
    if (program.empty() || !runtime || runtime[0] != '/' || !display || !*display ||
        !LinuxFiles().is_normal_file(path))
        return false;
    // One record for each compositor of the session.
    std::string display_name = display;
    display_name = display_name.substr(display_name.rfind('/') + 1);
    const std::string record = std::string(runtime) + "/muralis-swaybg." + display_name;
    const auto previous = read_record(record);

    const auto started = start_detached(program, {"swaybg", "-i", path, "-m", "fill"});
    if (!started)
        return false;
    // Should the record fail, the picture shows all the same, and the next
    // run leaves this swaybg running.
    if (const auto state = process_state(*started))
        write_record(record, {*started, state->start_time});
    // The old one goes only once the new one runs, so that the output is
    // left without a background for as short a time as can be.
    if (previous) {
        const auto state = process_state(previous->pid);
        if (state && state->program == "swaybg" && state->start_time == previous->start_time)
            ::kill(previous->pid, SIGTERM);
    }
    return true;
}

} // namespace muralis::linux_platform
