// The two atomic writes on the real system: the schedule writer (through
// muralis_replace_text_driver, which calls LinuxFiles::replace_text as the
// editor's save does) and the real Muralrun's copy to the daily bitmap.
// strace kills them at each system call of the write, SIGKILL stops Muralrun
// at random moments of a 4K copy, and strace's fault injection refuses them
// space or rights. Whatever happens, the target holds the old bytes or the
// new ones, and no temporary file outlives the next run. Muralrun's record
// of its run, written after the copy, is killed at each call too, and so are
// two runs at once: the next day-change run always puts today's picture in
// place.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scoped_environment.h"
#include "temporary_folder.h"
#include "muralrun_copy.h"

extern char** environ;

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// How a program ended: killed by SIGKILL, or its exit code.
struct Ending {
    bool killed = false;
    int code = -1;
};

// Starts argv (looked up in PATH) with this process's environment, its
// standard error into errors_path and the rest on /dev/null.
pid_t spawn(const std::vector<std::string>& argv, const std::string& errors_path)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errors_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> arguments;
    for (const std::string& argument : argv)
        arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawnp(&pid, arguments[0], &actions, nullptr, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

Ending wait_for(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    Ending ending;
    // strace ends itself with the signal that killed its tracee.
    ending.killed = (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) ||
                    (WIFEXITED(status) && WEXITSTATUS(status) == 128 + SIGKILL);
    ending.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ending;
}

bool strace_usable()
{
    return std::system("strace -qq -o /dev/null true >/dev/null 2>&1") == 0;
}

bool has_bytes(const std::string& path, const std::string& bytes)
{
    std::error_code error;
    if (fs::file_size(path, error) != bytes.size() || error)
        return false;
    std::ifstream in(path, std::ios::binary);
    std::string read(bytes.size(), '\0');
    return in.read(read.data(), static_cast<std::streamsize>(read.size())) && read == bytes;
}

// A 24-bit bitmap of width x height whose bytes all depend on shade and
// their place, so that a torn copy of one never passes for another.
std::string bitmap(int width, int height, unsigned shade)
{
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t pixels = row * static_cast<std::size_t>(height);
    std::string bytes(54 + pixels, '\0');
    const auto put = [&](std::size_t at, std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put(2, static_cast<std::uint32_t>(bytes.size()), 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, static_cast<std::uint32_t>(pixels), 4);
    for (std::size_t i = 0; i < pixels; ++i)
        bytes[54 + i] = static_cast<char>(shade + i * 7 + i / row);
    return bytes;
}

// One of the two atomic writes, as its users run it.
struct Write {
    std::string name;
    std::string target;
    std::vector<std::string> command;
    std::string old_bytes;
    std::string new_bytes;
    bool flushed; // the temporary file and the folder are synced
    // A file the program replaces after target, flushed, whose write is
    // killed at each call too; empty for none.
    std::string then = {};
    // The run after a kill, which leaves target new whatever was killed;
    // empty for command.
    std::vector<std::string> clean_command = {};
};

// A system call of the program's main thread, as strace logs it.
struct Call {
    std::string name;
    std::string line;
};

std::vector<Call> calls_in(const std::string& log)
{
    std::vector<Call> calls;
    std::istringstream lines(file_bytes(log));
    for (std::string line; std::getline(lines, line);) {
        const auto open = line.find('(');
        if (line.empty() || line[0] == '-' || line[0] == '+' || open == std::string::npos)
            continue;
        // Waiting for another thread takes a call or none, as the timing
        // falls: it is no call of the write.
        if (line.compare(0, open, "futex") == 0)
            continue;
        calls.push_back({line.substr(0, open), line});
    }
    return calls;
}

bool creates_temporary_file(const Call& call, const std::string& target)
{
    return call.name == "openat" &&
           call.line.find("/." + fs::path(target).filename().string() + ".") != std::string::npos &&
           call.line.find("O_CREAT") != std::string::npos;
}

bool creates_temporary_file(const Call& call, const Write& write)
{
    return creates_temporary_file(call, write.target);
}

// The calls of one write: from the creation of its temporary file to the
// rename over the target, and for a flushed write on to the folder's sync
// and close; with a file written then, its flushed write too, from the
// creation of its temporary file (then_first) to its end. Indexes into the
// calls; all of them calls.size() when the trace holds no such write.
struct Window {
    std::size_t first = 0, rename = 0, then_first = 0, last = 0;

    // The calls between the two writes (the desktop's, the memory
    // allocator's) vary from run to run, and are not the writes'.
    bool holds(std::size_t index) const { return index <= rename || index >= then_first; }
};

Window window_of(const std::vector<Call>& calls, const Write& write)
{
    Window window;
    std::size_t i = 0;
    while (i < calls.size() && !creates_temporary_file(calls[i], write))
        ++i;
    window.first = i;
    while (i < calls.size() && calls[i].name != "rename")
        ++i;
    window.rename = window.last = i;
    const auto flushed_to = [&] {
        while (i < calls.size() && calls[i].name != "fsync")
            ++i;
        return i + 1 < calls.size() && calls[i + 1].name == "close" ? i + 1 : i;
    };
    if (write.flushed)
        window.last = flushed_to();
    window.then_first = window.rename + 1;
    if (!write.then.empty()) {
        while (i < calls.size() && !creates_temporary_file(calls[i], write.then))
            ++i;
        window.then_first = i;
        window.last = flushed_to();
    }
    return window;
}

// The index of the n-th call named name (from 1) in the window that works
// on the temporary file: takes its descriptor, or is its creation or rename.
std::size_t nth_on_temporary_file(const std::vector<Call>& calls, const Window& window, const std::string& name,
                                  int n)
{
    const std::string& creation = calls.at(window.first).line;
    const std::string fd = creation.substr(creation.rfind("= ") + 2);
    for (std::size_t i = window.first; i <= window.rename && i < calls.size(); ++i) {
        const std::string& line = calls[i].line;
        const std::string arguments = line.substr(0, line.find(')')) + ",";
        const bool on_file = name == "openat" || name == "rename" ||
                             arguments.find("(" + fd + ",") != std::string::npos ||
                             arguments.find(" " + fd + ",") != std::string::npos;
        if (calls[i].name == name && on_file && --n == 0)
            return i;
    }
    return calls.size();
}

// How often the call at index is its name's call, counting from 1.
std::size_t ordinal(const std::vector<Call>& calls, std::size_t index)
{
    return static_cast<std::size_t>(std::count_if(calls.begin(), calls.begin() + static_cast<long>(index) + 1,
                                                  [&](const Call& call) { return call.name == calls[index].name; }));
}

// The distance of the call at index from the creation of the temporary
// file before it (the target's or the one written then), or -1 when there
// is none.
long distance_from_creation(const std::vector<Call>& calls, std::size_t index, const Write& write)
{
    for (std::size_t i = index + 1; i-- > 0;)
        if (creates_temporary_file(calls[i], write) ||
            (!write.then.empty() && creates_temporary_file(calls[i], write.then)))
            return static_cast<long>(index - i);
    return -1;
}

bool use_memory_for_temporary_files(ScopedEnvironment& environment)
{
    if (::access("/dev/shm", W_OK) != 0)
        return false;
    environment.set("TMPDIR", "/dev/shm");
    return true;
}

class AtomicWrites : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!strace_usable())
            GTEST_SKIP() << "strace is missing or cannot trace here";
        environment.set("XDG_DATA_HOME", scratch / "data")
            .set("XDG_RUNTIME_DIR", scratch.path().string())
            .set("LANG", "en_US.UTF-8")
            .unset("LC_ALL")
            .unset("LC_MESSAGES");
        // No display and no desktop: the failure message goes to standard
        // error, and the wallpaper goes nowhere.
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_CURRENT_DESKTOP",
                                 "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "SWAYSOCK", "QT_QPA_PLATFORM"})
            environment.unset(name);
        data_folder = scratch / "data/muralis";
        fs::create_directories(data_folder);
        fs::create_directories(scratch / "install");
        copy_muralrun(scratch / "install");
        // The editor's stand-in records that the applier started it.
        write_file(scratch / "install/Muralset", "#!/bin/sh\necho started >>'" + editor_record + "'\n");
        fs::permissions(scratch / "install/Muralset", fs::perms::owner_all);
    }

    // The schedule saved over an older week, in a folder of its own.
    Write schedule_writer()
    {
        fs::create_directories(scratch / "saved");
        Write write{"schedule writer", scratch / "saved/Vantorel.cfg",
                    {REPLACE_TEXT_DRIVER, scratch / "saved/Vantorel.cfg", scratch / "new week.cfg"},
                    "\"/old/monday.bmp2\"\r\n\r\n\r\n\r\n\r\n\r\n\r\n",
                    "",
                    true};
        for (int day = 1; day <= 7; ++day)
            write.new_bytes += "\"/pictures/day " + std::to_string(day) + ".bmp" + std::to_string(day) + "\"\r\n";
        write_file(scratch / "new week.cfg", write.new_bytes);
        return write;
    }

    // Muralrun copying today's picture, a width x height bitmap named on
    // every day of the week, over the daily bitmap of an earlier day.
    Write daily_bitmap_copy(int width, int height)
    {
        write_file(todays_picture, bitmap(width, height, 1));
        std::string week;
        for (int day = 1; day <= 7; ++day)
            week += "\"" + todays_picture + std::to_string(day) + "\"\r\n";
        write_file(data_folder + "/Vantorel.cfg", week);
        return {"Muralrun", data_folder + "/Vantorel.bmp", {muralrun}, bitmap(width, height, 2),
                file_bytes(todays_picture), false, data_folder + "/Vantorel.dat", {muralrun, "--day-change"}};
    }

    // Puts the old target back and forgets the editor's start.
    void reset(const Write& write)
    {
        write_file(write.target, write.old_bytes);
        fs::remove(editor_record);
    }

    // The temporary files of write's target standing in its folder.
    std::vector<std::string> temporary_files(const Write& write) const { return temporary_files(write.target); }

    std::vector<std::string> temporary_files(const std::string& target) const
    {
        const std::string prefix = "." + fs::path(target).filename().string() + ".";
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(fs::path(target).parent_path()))
            if (entry.path().filename().string().rfind(prefix, 0) == 0)
                found.push_back(entry.path().filename().string());
        return found;
    }

    Ending run(const std::vector<std::string>& command) { return wait_for(spawn(command, errors)); }

    // Runs command under strace with the options given, logging into log.
    Ending run_traced(const std::vector<std::string>& options, const std::vector<std::string>& command)
    {
        // LeakSanitizer cannot work in a traced process.
        std::vector<std::string> argv{"strace", "-qq", "-s", "256", "-o", log, "-E", "ASAN_OPTIONS=detect_leaks=0"};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.insert(argv.end(), command.begin(), command.end());
        return run(argv);
    }

    // The system calls of one normal run of write from its old target,
    // under strace with the options that shape its path.
    std::vector<Call> trace(const Write& write, const std::vector<std::string>& shaping = {})
    {
        reset(write);
        const Ending ending = run_traced(shaping, write.command);
        EXPECT_EQ(ending.code, 0) << write.name << ": " << file_bytes(errors);
        std::vector<Call> calls = calls_in(log);
        EXPECT_LT(window_of(calls, write).last, calls.size()) << write.name << ": no temporary file and rename";
        return calls;
    }

    // Runs write from its old target under strace with the shaping options,
    // injecting action ("signal=KILL", "error=ENOSPC", ...) into the call at
    // index of calls, its trace with those options. A call is told by how
    // many of its name came before, and that count can differ by one or two
    // from run to run (the sanitizers' own calls): a misplaced injection is
    // cleaned up after and placed again, one use earlier or later.
    Ending run_with_injection(const Write& write, const std::vector<std::string>& shaping,
                              const std::vector<Call>& calls, std::size_t index, const std::string& action)
    {
        const Call& call = calls.at(index);
        const long wanted = distance_from_creation(calls, index, write);
        const auto chosen = static_cast<long>(ordinal(calls, index));
        for (const long when : {chosen, chosen + 1, chosen - 1, chosen + 2, chosen - 2}) {
            if (when < 1)
                continue;
            reset(write);
            std::vector<std::string> options = shaping;
            options.insert(options.end(),
                           {"-e", "inject=" + call.name + ":" + action + ":when=" + std::to_string(when)});
            const Ending ending = run_traced(options, write.command);
            // A killed call is the last; a failed one is marked.
            const std::vector<Call> run_calls = calls_in(log);
            std::size_t hit = run_calls.size() - 1;
            if (!ending.killed) {
                hit = 0;
                while (hit < run_calls.size() && !(run_calls[hit].name == call.name &&
                                                   run_calls[hit].line.find("(INJECTED)") != std::string::npos))
                    ++hit;
            }
            if (hit < run_calls.size() && run_calls[hit].name == call.name &&
                distance_from_creation(run_calls, hit, write) == wanted)
                return ending;
            run(write.command);
        }
        ADD_FAILURE() << "no injection fell on " << call.line;
        return {};
    }

    // A normal run after a kill: it succeeds and leaves no temporary file.
    void expect_clean_run(const Write& write, const std::string& after)
    {
        const Ending ending = run(write.clean_command.empty() ? write.command : write.clean_command);
        EXPECT_EQ(ending.code, 0) << "the run after " << after << ": " << file_bytes(errors);
        EXPECT_TRUE(has_bytes(write.target, write.new_bytes)) << "the run after " << after;
        EXPECT_EQ(temporary_files(write), std::vector<std::string>{}) << "left by the run after " << after;
        if (!write.then.empty()) {
            EXPECT_EQ(temporary_files(write.then), std::vector<std::string>{}) << "left by the run after " << after;
        }
    }

    // Waits a little for the editor's stand-in, started in the background.
    bool editor_started() const
    {
        for (int i = 0; i < 100 && !fs::exists(editor_record); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        return fs::exists(editor_record);
    }

    ScopedEnvironment environment;
    // The scratch folder in memory rather than on the disk where it can:
    // the random kills below copy gigabytes. Set before scratch is made.
    const bool in_memory = use_memory_for_temporary_files(environment);
    TemporaryFolder scratch;
    std::string data_folder;
    std::string muralrun = scratch / "install/Muralrun";
    std::string editor_record = scratch / "editor-started";
    std::string todays_picture = scratch / "today's picture.bmp";
    std::string errors = scratch / "stderr.txt";
    std::string log = scratch / "strace.log";
};

// Each call of the write gets one SIGKILL, on its entry: up to the rename
// the old target stands, from it on the new one; a kill after the creation
// of the temporary file and before the rename leaves that file, and the
// next run removes it.
TEST_F(AtomicWrites, KilledAtEachSystemCallOfTheWriteKeepsTheOldFileOrTheNew)
{
    for (const Write& write : {schedule_writer(), daily_bitmap_copy(64, 48)}) {
        SCOPED_TRACE(write.name);
        const std::vector<Call> calls = trace(write);
        const Window window = window_of(calls, write);
        ASSERT_LT(window.last, calls.size());
        std::string killed_at;
        std::size_t kills = 0;
        for (std::size_t index = window.first; index <= window.last; ++index) {
            if (!window.holds(index))
                continue;
            ++kills;
            const std::string where = "a kill at " + calls[index].line;
            SCOPED_TRACE(where);
            const Ending ending = run_with_injection(write, {}, calls, index, "signal=KILL");
            ASSERT_TRUE(ending.killed) << "ended with " << ending.code << ": " << file_bytes(errors);
            const bool renamed = index > window.rename;
            EXPECT_TRUE(has_bytes(write.target, renamed ? write.new_bytes : write.old_bytes))
                << "the target is not the " << (renamed ? "new" : "old") << " file";
            const bool temporary_left = index > window.first && index <= window.rename;
            EXPECT_EQ(temporary_files(write).size(), temporary_left ? 1u : 0u);
            expect_clean_run(write, where);
            killed_at += calls[index].name + ' ';
        }
        std::printf("%s: %zu kills, at %s\n", write.name.c_str(), kills, killed_at.c_str());
    }
}

// The files created in a folder and renamed into it, as inotify tells.
class FolderEvents {
public:
    explicit FolderEvents(const std::string& folder) : m_fd(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK))
    {
        ::inotify_add_watch(m_fd, folder.c_str(), IN_CREATE | IN_MOVED_TO);
    }
    FolderEvents(const FolderEvents&) = delete;
    FolderEvents& operator=(const FolderEvents&) = delete;
    ~FolderEvents() { ::close(m_fd); }

    struct Event {
        std::uint32_t mask = 0; // 0: none came in time
        std::string name;
    };

    Event next(int timeout_ms)
    {
        if (m_pending.empty()) {
            pollfd ready{m_fd, POLLIN, 0};
            if (::poll(&ready, 1, timeout_ms) != 1)
                return {};
            alignas(inotify_event) char buffer[4096];
            const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                m_pending.push_back({event->mask, event->len ? event->name : ""});
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
            if (m_pending.empty())
                return {};
        }
        Event event = m_pending.front();
        m_pending.erase(m_pending.begin());
        return event;
    }

private:
    int m_fd;
    std::vector<Event> m_pending;
};

bool is_creation_of_temporary_bitmap(const FolderEvents::Event& event)
{
    return (event.mask & IN_CREATE) && event.name.rfind(".Vantorel.bmp.", 0) == 0;
}

// Muralrun killed at random moments, most of them a random delay after
// it created its temporary file, so that whatever the machine's speed many
// fall inside the copy; the others a random delay after its start.
TEST_F(AtomicWrites, MuralrunKilledAtRandomMomentsOfA4KCopyKeepsTheOldBitmapOrTheNew)
{
    const Write write = daily_bitmap_copy(3840, 2160);

    // A few normal runs tell how long the copy takes and when it ends.
    double copy_seconds = 0, renamed_seconds = 0;
    constexpr int timed_runs = 3;
    for (int i = 0; i < timed_runs; ++i) {
        reset(write);
        FolderEvents events(data_folder);
        const auto start = Clock::now();
        const auto seconds = [&] { return std::chrono::duration<double>(Clock::now() - start).count(); };
        const pid_t pid = spawn(write.command, errors);
        ASSERT_GT(pid, 0);
        double created = 0, renamed = 0;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            for (auto event = events.next(20); event.mask; event = events.next(0)) {
                if (is_creation_of_temporary_bitmap(event))
                    created = seconds();
                if ((event.mask & IN_MOVED_TO) && event.name == "Vantorel.bmp")
                    renamed = seconds();
            }
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << file_bytes(errors);
        ASSERT_GT(renamed, created) << "the copy was not seen";
        copy_seconds += (renamed - created) / timed_runs;
        renamed_seconds += renamed / timed_runs;
    }

    const auto seed = static_cast<unsigned>(std::random_device{}());
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> after_start(0, renamed_seconds * 1.1);
    std::uniform_real_distribution<double> after_creation(0, copy_seconds * 1.2);
    constexpr int wanted_kills = 200;
    int kills = 0, before_copy = 0, during_copy = 0, after_rename = 0, finished = 0;
    // The temporary files that kills left and no unkilled run has removed
    // yet. Every fifth kill during the copy is followed by an unkilled run.
    std::set<std::string> left;
    reset(write);
    for (int attempt = 0; kills < wanted_kills && attempt < 2 * wanted_kills; ++attempt) {
        const bool from_creation = attempt % 4 != 0;
        const double delay = from_creation ? after_creation(random) : after_start(random);
        const std::string where = "a kill " + std::to_string(delay * 1000) + " ms after the " +
                                  (from_creation ? "temporary file's creation" : "start");
        SCOPED_TRACE(where);
        FolderEvents events(data_folder);
        const pid_t pid = spawn(write.command, errors);
        ASSERT_GT(pid, 0);
        if (from_creation) {
            for (int waited = 0; waited < 10000 && !is_creation_of_temporary_bitmap(events.next(10)); waited += 10) {
            }
        }
        std::this_thread::sleep_for(std::chrono::duration<double>(delay));
        ::kill(pid, SIGKILL);
        const Ending ending = wait_for(pid);
        const std::vector<std::string> found = temporary_files(write);
        if (!ending.killed) {
            ASSERT_EQ(ending.code, 0) << file_bytes(errors);
            ASSERT_EQ(found, std::vector<std::string>{}) << "left by an unkilled run";
            ++finished;
            left.clear();
            reset(write);
            continue;
        }
        ++kills;
        const bool old_file = has_bytes(write.target, write.old_bytes);
        ASSERT_TRUE(old_file || has_bytes(write.target, write.new_bytes)) << "the daily bitmap is torn";
        std::size_t own = 0;
        for (const std::string& name : found)
            own += left.count(name) == 0;
        ASSERT_LE(own, 1u) << "more than one temporary file from one run";
        left.insert(found.begin(), found.end());
        if (!old_file)
            ++after_rename;
        else if (own == 0)
            ++before_copy;
        else if (++during_copy % 5 == 0) {
            expect_clean_run(write, where);
            left.clear();
        }
        if (HasFailure())
            return;
        if (!old_file || left.empty())
            reset(write);
    }
    expect_clean_run(write, "the last kill");
    std::printf("a copy %s of %.0f ms ending %.0f ms into a run: %d kills (%d before the copy, %d during it, %d "
                "after the rename), %d runs ended first\n",
                in_memory ? "in memory" : "on disk", copy_seconds * 1000, renamed_seconds * 1000, kills, before_copy,
                during_copy, after_rename, finished);
    EXPECT_EQ(kills, wanted_kills);
    // Kills that all missed the copy would prove nothing.
    EXPECT_GE(during_copy, wanted_kills / 4);
}

// Two runs at once (a log-on at midnight and the timer's run, an unlock
// and the timer), today's picture replaced between their starts: the daily
// bitmap is whole and one run's picture, no temporary file stays, and the
// record vouches for no picture that the daily bitmap does not hold, so
// that the next day-change run puts today's picture in place.
TEST_F(AtomicWrites, TwoMuralrunsAtOnceLeaveOneRunsPictureAndATrueRecord)
{
    const Write write = daily_bitmap_copy(1920, 1080);
    const std::string pictures[] = {bitmap(1920, 1080, 3), bitmap(1920, 1080, 4)};
    const std::vector<std::string> kinds[] = {write.command, write.clean_command};
    // Replaced by a rename, as an editor saves: a run reads one whole picture.
    const auto put_picture = [&](const std::string& bytes) {
        write_file(todays_picture + ".new", bytes);
        fs::rename(todays_picture + ".new", todays_picture);
    };
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        reset(write);
        const std::string& before = pictures[round % 2];
        const std::string& after = pictures[1 - round % 2];
        put_picture(before);
        const pid_t first = spawn(kinds[round % 2], errors);
        put_picture(after);
        const pid_t second = spawn(kinds[1 - round % 2], errors);
        EXPECT_EQ(wait_for(first).code, 0);
        EXPECT_EQ(wait_for(second).code, 0);
        EXPECT_TRUE(has_bytes(write.target, before) || has_bytes(write.target, after)) << "the daily bitmap is torn";
        EXPECT_EQ(temporary_files(write).size() + temporary_files(write.then).size(), 0u);
        EXPECT_EQ(run(write.clean_command).code, 0);
        EXPECT_TRUE(has_bytes(write.target, after)) << "the record vouched for the other run's picture";
    }
}

// A write refused by the system, as strace's fault injection makes it.
struct Fault {
    const char* name;
    std::vector<std::string> shaping; // strace options that steer the run first
    const char* call;                 // the call refused ...
    int use;                          // ... at its n-th use on the temporary file
    const char* action;               // strace's injection
};

// Muralrun's whole failure path: the message naming today's picture on
// standard error (no display here), the editor started, exit code 1, and
// the daily bitmap as it was, with no temporary file beside it.
TEST_F(AtomicWrites, MuralrunRefusedSpaceOrRightsReportsAndKeepsTheDailyBitmap)
{
    // Large enough that the read/write copy takes several writes.
    const Write write = daily_bitmap_copy(256, 256);
    const std::vector<std::string> no_kernel_copy{"-e", "inject=copy_file_range:error=EXDEV"};
    const Fault faults[] = {
        {"disk full at the copy", {}, "copy_file_range", 1, "error=ENOSPC"},
        {"the quota exceeded at the copy", {}, "copy_file_range", 1, "error=EDQUOT"},
        {"disk full in the middle of a read/write copy", no_kernel_copy, "write", 2, "error=ENOSPC"},
        {"no right to create the temporary file", {}, "openat", 1, "error=EACCES"},
        {"a read-only file system", {}, "openat", 1, "error=EROFS"},
        {"the rename refused", {}, "rename", 1, "error=EACCES"},
    };
    const std::string message = "The Muralis: Sorry, the file: " + todays_picture +
                                ", can not be found.\nExecute your setup again";
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        const std::vector<Call> calls = trace(write, fault.shaping);
        const std::size_t index = nth_on_temporary_file(calls, window_of(calls, write), fault.call, fault.use);
        ASSERT_LT(index, calls.size()) << "no " << fault.call << " on the temporary file";
        const Ending ending = run_with_injection(write, fault.shaping, calls, index, fault.action);
        EXPECT_EQ(ending.code, 1) << file_bytes(errors);
        EXPECT_NE(file_bytes(errors).find(message), std::string::npos) << file_bytes(errors);
        EXPECT_TRUE(has_bytes(write.target, write.old_bytes)) << "the daily bitmap changed";
        EXPECT_EQ(temporary_files(write), std::vector<std::string>{});
        EXPECT_TRUE(editor_started());
    }
    // The read/write copy serves where the kernel's copy is refused.
    reset(write);
    const Ending ending = run_traced(no_kernel_copy, write.command);
    EXPECT_EQ(ending.code, 0) << file_bytes(errors);
    EXPECT_TRUE(has_bytes(write.target, write.new_bytes));
    EXPECT_FALSE(fs::exists(editor_record));
}

TEST_F(AtomicWrites, MuralrunWithAFolderWhereTheDailyBitmapShouldBeReportsAndLeavesIt)
{
    const Write write = daily_bitmap_copy(64, 48);
    fs::create_directory(write.target);
    write_file(write.target + "/kept", "kept");
    const Ending ending = run(write.command);
    EXPECT_EQ(ending.code, 1) << file_bytes(errors);
    EXPECT_NE(file_bytes(errors).find("The Muralis: Sorry, the file: " + todays_picture + ", can not be found."),
              std::string::npos)
        << file_bytes(errors);
    EXPECT_EQ(file_bytes(write.target + "/kept"), "kept");
    EXPECT_EQ(temporary_files(write), std::vector<std::string>{});
    EXPECT_TRUE(editor_started());
}

// Muralrun finds no schedule at all when its data folder is a file: it
// starts the editor as on a first run, and writes nothing.
TEST_F(AtomicWrites, MuralrunWithAFileWhereTheDataFolderShouldBeStartsTheEditorAndWritesNothing)
{
    fs::remove_all(data_folder);
    write_file(data_folder, "not a folder");
    const Ending ending = run({muralrun});
    EXPECT_EQ(ending.code, 0) << file_bytes(errors);
    EXPECT_EQ(file_bytes(data_folder), "not a folder");
    EXPECT_EQ(std::distance(fs::directory_iterator(scratch / "data"), fs::directory_iterator()), 1);
    EXPECT_TRUE(editor_started());
}

TEST_F(AtomicWrites, ScheduleWriterRefusedSpaceOrRightsKeepsTheOldWeek)
{
    const Write write = schedule_writer();
    const Fault faults[] = {
        {"disk full", {}, "write", 1, "error=ENOSPC"},
        {"the flush fails", {}, "fdatasync", 1, "error=EIO"},
        {"no right to create the temporary file", {}, "openat", 1, "error=EACCES"},
        {"a read-only file system", {}, "openat", 1, "error=EROFS"},
        {"the rename refused", {}, "rename", 1, "error=EXDEV"},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        const std::vector<Call> calls = trace(write, fault.shaping);
        const std::size_t index = nth_on_temporary_file(calls, window_of(calls, write), fault.call, fault.use);
        ASSERT_LT(index, calls.size()) << "no " << fault.call << " on the temporary file";
        const Ending ending = run_with_injection(write, fault.shaping, calls, index, fault.action);
        EXPECT_EQ(ending.code, 1) << file_bytes(errors);
        EXPECT_NE(file_bytes(errors).find("replace_text: " + write.target + ": "), std::string::npos)
            << file_bytes(errors);
        EXPECT_TRUE(has_bytes(write.target, write.old_bytes)) << "the old week changed";
        EXPECT_EQ(temporary_files(write), std::vector<std::string>{});
    }
}

TEST_F(AtomicWrites, ScheduleWriterWithAFileWhereTheFolderShouldBeFailsAndLeavesTheFile)
{
    const Write write = schedule_writer();
    fs::remove_all(scratch / "saved");
    write_file(scratch / "saved", "not a folder");
    const Ending ending = run(write.command);
    EXPECT_EQ(ending.code, 1);
    EXPECT_NE(file_bytes(errors).find("replace_text: " + write.target + ": Not a directory"), std::string::npos)
        << file_bytes(errors);
    EXPECT_EQ(file_bytes(scratch / "saved"), "not a folder");
}

} // namespace
} // namespace muralis::testing
