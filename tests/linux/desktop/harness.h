// Real desktop services for the tests, each started by the test that needs
// it and stopped with everything it started when the test ends.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace muralis::testing {

using namespace std::chrono_literals;

// Sets environment variables for one scope and puts them back afterwards.
class EnvironmentGuard {
public:
    EnvironmentGuard() = default;
    EnvironmentGuard(const EnvironmentGuard&) = delete;
    EnvironmentGuard& operator=(const EnvironmentGuard&) = delete;
    ~EnvironmentGuard();
    EnvironmentGuard& set(const std::string& name, const std::optional<std::string>& value);

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

// A fresh folder (mode 0700 unless changed), removed with its contents.
class ScratchFolder {
public:
    ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    ~ScratchFolder();
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string read_file(const std::string& path);
void write_file(const std::string& path, const std::string& bytes);

struct ProgramResult {
    int exit_code = -1; // -1: killed or timed out
    std::string output; // standard output
    std::string errors; // standard error
};

// Runs a program with this process's environment, waits at most timeout.
ProgramResult run_program(const std::vector<std::string>& argv,
                          std::chrono::milliseconds timeout = 20s);

// A program left running; stopped (TERM, then KILL) when the object goes.
class Service {
public:
    // environment: the child's whole environment, or this process's when none.
    Service(const std::vector<std::string>& argv,
            const std::optional<std::vector<std::string>>& environment = std::nullopt);
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    ~Service() { stop(); }

    // The first line the program writes, within timeout; empty if none.
    std::string first_line(std::chrono::milliseconds timeout = 10s);
    bool running();
    void stop();
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid = -1;
    int m_output = -1;
};

// Makes this process the reaper of the processes its services start (bus
// activated daemons, the compositor's background client), and ends and
// reaps every one of them when it goes.
class ProcessFamily {
public:
    ProcessFamily();
    ProcessFamily(const ProcessFamily&) = delete;
    ProcessFamily& operator=(const ProcessFamily&) = delete;
    ~ProcessFamily();
};

// A session bus of its own, listening where a per-user bus does
// ($XDG_RUNTIME_DIR/bus), with private configuration and runtime folders,
// named to this process (and what it starts) through the environment;
// services activated on it (dconf, xfconfd) inherit those folders.
//
// GLib and dconf keep their connection to the first session bus for the life
// of the process, so a test process holds one private session at most: CTest
// runs each test in a process of its own.
class PrivateSession {
public:
    PrivateSession();
    PrivateSession(const PrivateSession&) = delete;
    PrivateSession& operator=(const PrivateSession&) = delete;
    ~PrivateSession();
    const ScratchFolder& home() const { return m_home; }

private:
    ProcessFamily m_family;
    ScratchFolder m_home;
    EnvironmentGuard m_environment;
    std::optional<Service> m_bus;
};

// A headless sway run by an unprivileged user (sway refuses root), with
// SWAYSOCK naming its socket. skip_reason() says why it could not start.
class HeadlessSway {
public:
    HeadlessSway();
    const std::string& skip_reason() const { return m_skip_reason; }
    // Its runtime folder, which holds its Wayland socket "wayland-1".
    const std::string& runtime_folder() const { return m_runtime.path(); }

private:
    ProcessFamily m_family;
    ScratchFolder m_runtime;
    EnvironmentGuard m_environment;
    std::optional<Service> m_sway;
    std::string m_skip_reason;
};

// The command lines of the running processes named name, arguments
// separated by NUL characters.
std::vector<std::string> command_lines_of(const std::string& name);

// The colour (0xRRGGBB) of one pixel of the first output of the Wayland
// compositor that WAYLAND_DISPLAY names, read with grim; none on failure.
std::optional<std::uint32_t> wayland_pixel(int x, int y);

// A private X server (Xvfb, 640x480) with openbox managing its windows,
// named to this process and what it starts by DISPLAY.
class XSession {
public:
    XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;
    ~XSession();

    // The colour (0xRRGGBB) the screen shows at (x, y).
    std::uint32_t pixel(int x, int y);
    // Waits at most timeout for the screen to show colour at (x, y).
    bool wait_for_pixel(int x, int y, std::uint32_t colour, std::chrono::milliseconds timeout = 10s);
    // Whether a pixmap is set as the root window's background (_XROOTPMAP_ID).
    bool root_pixmap_set();

    enum class WindowType { Normal, Desktop };
    // Shows a top-level window of this process, of the given type and class,
    // until it is hidden; waits until the window manager has shown it.
    unsigned long show_window(WindowType type, const std::string& window_class, int x, int y,
                              int width, int height);
    void hide_window(unsigned long window);

private:
    EnvironmentGuard m_environment;
    std::optional<Service> m_server;
    std::optional<Service> m_window_manager;
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};

// A stand-in for hyprpaper's IPC socket at path: it records each command and
// answers it as answer() says, one command a connection, as hyprpaper does.
class HyprpaperRecorder {
public:
    HyprpaperRecorder(const std::string& path, std::function<std::string(const std::string&)> answer);
    HyprpaperRecorder(const HyprpaperRecorder&) = delete;
    HyprpaperRecorder& operator=(const HyprpaperRecorder&) = delete;
    ~HyprpaperRecorder();
    std::vector<std::string> commands();

private:
    std::string m_path;
    int m_listener = -1;
    std::function<std::string(const std::string&)> m_answer;
    std::mutex m_mutex;
    std::vector<std::string> m_commands;
    std::thread m_thread;
};

// A stand-in for the user's service manager (systemd --user) on the session
// bus that DBUS_SESSION_BUS_ADDRESS names when it is made (a
// PrivateSession's): it owns org.freedesktop.systemd1 and records each call
// of org.freedesktop.systemd1.Manager on /org/freedesktop/systemd1 as the
// method's name, a space and its arguments as GLib prints them
// ("StartUnit ('muralis-day.timer', 'replace')"). It answers as systemd
// does, except that the method named failing answers with systemd's error
// for a unit it cannot find.
struct DBusRecorderState;
class SystemdManagerRecorder {
public:
    explicit SystemdManagerRecorder(const std::string& failing = {});
    SystemdManagerRecorder(const SystemdManagerRecorder&) = delete;
    SystemdManagerRecorder& operator=(const SystemdManagerRecorder&) = delete;
    ~SystemdManagerRecorder();
    std::vector<std::string> calls() const;

private:
    std::unique_ptr<DBusRecorderState> m_state;
    std::thread m_thread;
};

// A stand-in for the desktop portal's Inhibit on the session bus that
// DBUS_SESSION_BUS_ADDRESS names when it is made: it owns
// org.freedesktop.portal.Desktop, records each Inhibit with its arguments
// as GLib prints them, and answers with a request object named as the
// portal names it (after the caller and its handle token), whose Close it
// records as "Close PATH".
class PortalInhibitRecorder {
public:
    PortalInhibitRecorder();
    PortalInhibitRecorder(const PortalInhibitRecorder&) = delete;
    PortalInhibitRecorder& operator=(const PortalInhibitRecorder&) = delete;
    ~PortalInhibitRecorder();
    std::vector<std::string> calls() const;

private:
    std::unique_ptr<DBusRecorderState> m_state;
    std::thread m_thread;
};

} // namespace muralis::testing
