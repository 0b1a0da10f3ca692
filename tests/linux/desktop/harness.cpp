#include "harness.h"

#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gio/gio.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace muralis::testing {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> pointers(std::vector<std::string>& texts)
{
    std::vector<char*> result;
    for (std::string& text : texts)
        result.push_back(text.data());
    result.push_back(nullptr);
    return result;
}

// Starts argv with its standard output on a pipe whose reading end is
// returned through output, and its standard error on another when errors is
// given. Only async-signal-safe calls run in the child: GLib's threads may
// hold locks at the fork.
pid_t spawn(std::vector<std::string> argv, std::optional<std::vector<std::string>> environment,
            int& output, int* errors = nullptr)
{
    int fds[2];
    int error_fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0 || (errors && ::pipe2(error_fds, O_CLOEXEC) != 0))
        throw std::runtime_error("pipe2 failed");
    std::vector<char*> arguments = pointers(argv);
    std::vector<char*> variables;
    if (environment)
        variables = pointers(*environment);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        if (errors)
            ::dup2(error_fds[1], 2);
        const int null = ::open("/dev/null", O_RDONLY);
        ::dup2(null, 0);
        ::execvpe(arguments[0], arguments.data(), environment ? variables.data() : environ);
        ::_exit(127);
    }
    ::close(fds[1]);
    if (errors)
        ::close(error_fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        if (errors)
            ::close(error_fds[0]);
        throw std::runtime_error("fork failed");
    }
    output = fds[0];
    if (errors)
        *errors = error_fds[0];
    return pid;
}

// Reads both pipes until they end or the deadline passes.
void read_both(int output_fd, int errors_fd, Clock::time_point deadline, std::string& output,
               std::string& errors)
{
    pollfd wanted[2] = {{output_fd, POLLIN, 0}, {errors_fd, POLLIN, 0}};
    std::string* texts[2] = {&output, &errors};
    while (wanted[0].fd >= 0 || wanted[1].fd >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        if (::poll(wanted, 2, static_cast<int>(left.count())) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (wanted[i].fd < 0 || !wanted[i].revents)
                continue;
            char buffer[4096];
            const ssize_t got = ::read(wanted[i].fd, buffer, sizeof buffer);
            if (got <= 0)
                wanted[i].fd = -1;
            else
                texts[i]->append(buffer, static_cast<std::size_t>(got));
        }
    }
}

// Reads from fd until end of file, or a line end when one_line, or the
// deadline.
std::string read_until(int fd, Clock::time_point deadline, bool one_line)
{
    std::string text;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return text;
        pollfd wanted {fd, POLLIN, 0};
        if (::poll(&wanted, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, one_line ? 1 : sizeof buffer);
        if (got <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(got));
        if (one_line && text.back() == '\n') {
            text.pop_back();
            return text;
        }
    }
}

bool wait_for_exit(pid_t pid, std::chrono::milliseconds timeout, int* status = nullptr)
{
    const auto deadline = Clock::now() + timeout;
    int ignored = 0;
    while (Clock::now() < deadline) {
        const pid_t done = ::waitpid(pid, status ? status : &ignored, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

void end_process(pid_t pid)
{
    ::kill(pid, SIGTERM);
    if (!wait_for_exit(pid, 3s)) {
        ::kill(pid, SIGKILL);
        wait_for_exit(pid, 3s);
    }
}

std::string proc_file(pid_t pid, const char* name)
{
    return read_file("/proc/" + std::to_string(pid) + "/" + name);
}

std::vector<pid_t> all_pids()
{
    std::vector<pid_t> pids;
    DIR* proc = ::opendir("/proc");
    while (const dirent* entry = proc ? ::readdir(proc) : nullptr)
        if (entry->d_name[0] >= '1' && entry->d_name[0] <= '9')
            pids.push_back(static_cast<pid_t>(std::atoi(entry->d_name)));
    if (proc)
        ::closedir(proc);
    return pids;
}

std::vector<pid_t> children_of(pid_t parent)
{
    std::vector<pid_t> children;
    const std::string wanted = "PPid:\t" + std::to_string(parent) + "\n";
    for (const pid_t pid : all_pids())
        if (proc_file(pid, "status").find(wanted) != std::string::npos)
            children.push_back(pid);
    return children;
}

struct TestUser {
    uid_t uid;
    gid_t gid;
};

std::optional<TestUser> unprivileged_user(std::string& why_not)
{
    if (::getuid() != 0)
        return TestUser{::getuid(), ::getgid()};
    static constexpr const char* name = "muralis-desktop-test";
    if (!::getpwnam(name))
        run_program({"useradd", "--system", "--no-create-home", "--home-dir", "/nonexistent",
                     "--shell", "/usr/sbin/nologin", name});
    const passwd* user = ::getpwnam(name);
    if (!user) {
        why_not = "could not create the user " + std::string(name) + " to run sway";
        return std::nullopt;
    }
    return TestUser{user->pw_uid, user->pw_gid};
}

} // namespace

EnvironmentGuard::~EnvironmentGuard()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
}

EnvironmentGuard& EnvironmentGuard::set(const std::string& name,
                                        const std::optional<std::string>& value)
{
    if (!m_saved.count(name)) {
        const char* old = std::getenv(name.c_str());
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
    return *this;
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "muralis-desktop.XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string read_file(const std::string& path)
{
    // Plain reads: a /proc file whose process ends while it is read fails
    // with ESRCH, and std::filebuf throws on a failed read even from the
    // destructors that look for leftover processes.
    std::string bytes;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0)
            bytes.append(buffer, static_cast<std::size_t>(got));
        else if (got == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    return bytes;
}

void write_file(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

ProgramResult run_program(const std::vector<std::string>& argv, std::chrono::milliseconds timeout)
{
    int output = -1;
    int errors = -1;
    const pid_t pid = spawn(argv, std::nullopt, output, &errors);
    ProgramResult result;
    read_both(output, errors, Clock::now() + timeout, result.output, result.errors);
    ::close(output);
    ::close(errors);
    int status = 0;
    if (!wait_for_exit(pid, 1s, &status)) {
        end_process(pid);
        return result;
    }
    if (WIFEXITED(status))
        result.exit_code = WEXITSTATUS(status);
    return result;
}

Service::Service(const std::vector<std::string>& argv,
                 const std::optional<std::vector<std::string>>& environment)
{
    m_pid = spawn(argv, environment, m_output);
}

std::string Service::first_line(std::chrono::milliseconds timeout)
{
    return read_until(m_output, Clock::now() + timeout, true);
}

bool Service::running()
{
    return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0;
}

void Service::stop()
{
    if (m_pid > 0)
        end_process(m_pid);
    if (m_output >= 0)
        ::close(m_output);
    m_pid = -1;
    m_output = -1;
}

ProcessFamily::ProcessFamily()
{
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

ProcessFamily::~ProcessFamily()
{
    // Whatever is left is a daemon that a service started and that came to
    // this process when its parent ended.
    for (const pid_t pid : children_of(::getpid()))
        end_process(pid);
}

PrivateSession::PrivateSession()
{
    const std::string config = m_home / "config";
    const std::string runtime = m_home / "runtime";
    ::mkdir(config.c_str(), 0700);
    ::mkdir(runtime.c_str(), 0700);
    m_environment.set("XDG_CONFIG_HOME", config)
        .set("XDG_RUNTIME_DIR", runtime)
        .set("GSETTINGS_BACKEND", "dconf")
        .set("DISPLAY", std::nullopt)
        .set("WAYLAND_DISPLAY", std::nullopt)
        .set("SWAYSOCK", std::nullopt)
        .set("XDG_CURRENT_DESKTOP", std::nullopt)
        .set("DESKTOP_SESSION", std::nullopt)
        .set("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    m_bus.emplace(std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile",
                                           "--print-address=1", "--address=unix:path=" + runtime + "/bus"});
    const std::string address = m_bus->first_line();
    if (address.empty())
        throw std::runtime_error("dbus-daemon gave no address");
    m_environment.set("DBUS_SESSION_BUS_ADDRESS", address);
}

PrivateSession::~PrivateSession()
{
    // The connection GLib shares in this process (dconf's, for one) raises
    // SIGTERM when its bus goes away, unless told otherwise.
    if (GDBusConnection* shared = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr)) {
        g_dbus_connection_set_exit_on_close(shared, FALSE);
        g_object_unref(shared);
    }
}

HeadlessSway::HeadlessSway()
{
    const auto user = unprivileged_user(m_skip_reason);
    if (!user)
        return;
    ::chmod(m_runtime.path().c_str(), 0700);
    if (::chown(m_runtime.path().c_str(), user->uid, user->gid) != 0) {
        m_skip_reason = "cannot hand the runtime folder to the sway user";
        return;
    }
    const std::string config = m_runtime / "config";
    write_file(config, "xwayland disable\n");
    const std::string log = m_runtime / "sway.log";

    std::vector<std::string> command;
    if (::getuid() == 0)
        command = {"setpriv", "--reuid=" + std::to_string(user->uid),
                   "--regid=" + std::to_string(user->gid), "--clear-groups", "--"};
    for (const char* word : {"sh", "-c", "exec sway -c \"$1\" 2>\"$2\"", "sway"})
        command.emplace_back(word);
    command.push_back(config);
    command.push_back(log);
    m_sway.emplace(command, std::vector<std::string>{
                                "PATH=/usr/local/bin:/usr/bin:/bin",
                                "HOME=" + m_runtime.path(),
                                "XDG_RUNTIME_DIR=" + m_runtime.path(),
                                "WLR_BACKENDS=headless",
                                "WLR_LIBINPUT_NO_DEVICES=1",
                            });

    const auto deadline = Clock::now() + 15s;
    while (Clock::now() < deadline && m_sway->running()) {
        glob_t found {};
        const std::string pattern = m_runtime / "sway-ipc.*.sock";
        if (::glob(pattern.c_str(), 0, nullptr, &found) == 0 && found.gl_pathc > 0) {
            m_environment.set("SWAYSOCK", found.gl_pathv[0]);
            ::globfree(&found);
            return;
        }
        ::globfree(&found);
        std::this_thread::sleep_for(50ms);
    }
    std::string tail = read_file(log);
    if (tail.size() > 600)
        tail = tail.substr(tail.size() - 600);
    m_skip_reason = "headless sway did not start on this machine: " + tail;
    m_sway->stop();
}

std::vector<std::string> command_lines_of(const std::string& name)
{
    std::vector<std::string> lines;
    for (const pid_t pid : all_pids())
        if (proc_file(pid, "comm") == name + "\n")
            lines.push_back(proc_file(pid, "cmdline"));
    return lines;
}

std::optional<std::uint32_t> wayland_pixel(int x, int y)
{
    const ProgramResult shot = run_program(
        {"grim", "-g", std::to_string(x) + "," + std::to_string(y) + " 1x1", "-t", "ppm", "-"});
    // A binary PPM of one pixel ends with its three bytes.
    if (shot.exit_code != 0 || shot.output.size() < 3)
        return std::nullopt;
    const auto byte = [&](std::size_t from_end) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(shot.output[shot.output.size() - from_end]));
    };
    return byte(3) << 16 | byte(2) << 8 | byte(1);
}

struct XSession::Connection {
    Display* display = nullptr;
};

XSession::XSession() : m_connection(std::make_unique<Connection>())
{
    // -displayfd writes the number of the first free display once it listens.
    m_server.emplace(std::vector<std::string>{
        "sh", "-c", "exec Xvfb -displayfd 1 -screen 0 640x480x24 -noreset -nolisten tcp 2>/dev/null"});
    const std::string number = m_server->first_line(20s);
    if (number.empty())
        throw std::runtime_error("Xvfb did not start");
    m_environment.set("DISPLAY", ":" + number).set("WAYLAND_DISPLAY", std::nullopt);
    m_connection->display = XOpenDisplay(nullptr);
    if (!m_connection->display)
        throw std::runtime_error("cannot open the display of Xvfb");
    m_window_manager.emplace(std::vector<std::string>{"sh", "-c", "exec openbox --sm-disable 2>/dev/null"});
    // openbox announces itself on the root window once it manages it.
    const Atom check = XInternAtom(m_connection->display, "_NET_SUPPORTING_WM_CHECK", False);
    for (int tries = 0; tries < 200; ++tries) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        XGetWindowProperty(m_connection->display, DefaultRootWindow(m_connection->display), check, 0, 1,
                           False, XA_WINDOW, &type, &format, &items, &after, &data);
        if (data)
            XFree(data);
        if (items == 1) {
            // openbox names itself before it handles requests; a window it
            // has shown proves that it does.
            hide_window(show_window(WindowType::Normal, "", 0, 0, 1, 1));
            return;
        }
        std::this_thread::sleep_for(25ms);
    }
    throw std::runtime_error("openbox did not start");
}

XSession::~XSession()
{
    if (m_connection->display)
        XCloseDisplay(m_connection->display);
    m_window_manager.reset();
    m_server.reset();
}

std::uint32_t XSession::pixel(int x, int y)
{
    Display* display = m_connection->display;
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0xffffffff;
    const unsigned long value = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return static_cast<std::uint32_t>(value & 0xffffff);
}

bool XSession::wait_for_pixel(int x, int y, std::uint32_t colour, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (pixel(x, y) != colour) {
        if (Clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool XSession::root_pixmap_set()
{
    Display* display = m_connection->display;
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_XROOTPMAP_ID", False),
                       0, 1, False, XA_PIXMAP, &type, &format, &items, &after, &data);
    if (data)
        XFree(data);
    return items == 1;
}

unsigned long XSession::show_window(WindowType type, const std::string& window_class, int x, int y,
                                    int width, int height)
{
    Display* display = m_connection->display;
    XSetWindowAttributes attributes {};
    attributes.background_pixel = 0x102030;
    const Window window = XCreateWindow(display, DefaultRootWindow(display), x, y,
                                        static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                        CopyFromParent, InputOutput, CopyFromParent,
                                        CWBackPixel, &attributes);
    const Atom kind = XInternAtom(display, type == WindowType::Desktop ? "_NET_WM_WINDOW_TYPE_DESKTOP"
                                                                      : "_NET_WM_WINDOW_TYPE_NORMAL", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&kind), 1);
    std::string name = window_class;
    XClassHint hint {name.data(), name.data()};
    if (!window_class.empty())
        XSetClassHint(display, window, &hint);
    // The window manager keeps the size and place asked for.
    XSizeHints size {};
    size.flags = USPosition | USSize;
    size.x = x, size.y = y, size.width = width, size.height = height;
    XSetWMNormalHints(display, window, &size);
    // A request that reaches openbox while it is still starting is lost:
    // it is made again until the window shows.
    for (int tries = 0; tries < 250; ++tries) {
        if (tries % 25 == 0)
            XMapWindow(display, window);
        XWindowAttributes attributes_now {};
        if (XGetWindowAttributes(display, window, &attributes_now) && attributes_now.map_state == IsViewable)
            break;
        std::this_thread::sleep_for(20ms);
    }
    XSync(display, False);
    return window;
}

void XSession::hide_window(unsigned long window)
{
    XDestroyWindow(m_connection->display, window);
    XSync(m_connection->display, False);
}

HyprpaperRecorder::HyprpaperRecorder(const std::string& path,
                                     std::function<std::string(const std::string&)> answer)
    : m_answer(std::move(answer))
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    m_path = path;
    m_listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 10) != 0)
        throw std::runtime_error("cannot listen on " + path);
    m_thread = std::thread([this] {
        for (;;) {
            const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (client < 0)
                return;
            // hyprpaper takes what one read gives, at most 1024 bytes.
            char request[1024];
            const ssize_t got = ::read(client, request, sizeof request);
            const std::string command(request, got > 0 ? static_cast<std::size_t>(got) : 0);
            const std::string reply = m_answer(command);
            {
                const std::lock_guard lock(m_mutex);
                m_commands.push_back(command);
            }
            (void)!::write(client, reply.data(), reply.size());
            ::close(client);
        }
    });
}

HyprpaperRecorder::~HyprpaperRecorder()
{
    ::shutdown(m_listener, SHUT_RDWR);
    m_thread.join();
    ::close(m_listener);
    ::unlink(m_path.c_str());
}

std::vector<std::string> HyprpaperRecorder::commands()
{
    const std::lock_guard lock(m_mutex);
    return m_commands;
}

struct DBusRecorderState {
    std::string failing;
    GMainContext* context = g_main_context_new();
    GMainLoop* loop = g_main_loop_new(context, FALSE);
    std::mutex mutex;
    std::vector<std::string> calls;
    ~DBusRecorderState()
    {
        g_main_loop_unref(loop);
        g_main_context_unref(context);
    }

    void record(const std::string& call)
    {
        const std::lock_guard lock(mutex);
        calls.push_back(call);
    }
};

namespace {

// Owns name on the session bus that DBUS_SESSION_BUS_ADDRESS names, with the
// interface of xml served by vtable at path, in a thread of its own that
// runs state's loop until stop_serving; returns once the name is owned.
std::thread serve_on_session_bus(DBusRecorderState& state, const char* name, const char* path, const char* xml,
                                 const GDBusInterfaceVTable& vtable)
{
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (!address)
        throw std::runtime_error(std::string("no session bus for the stand-in of ") + name);
    std::promise<bool> ready;
    std::future<bool> owned = ready.get_future();
    std::thread serving([&state, name, path, xml, &vtable, address = std::string(address), &ready] {
        // The connection calls the object's methods in the context that is
        // this thread's default when the object is registered.
        g_main_context_push_thread_default(state.context);
        GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
            address.c_str(),
            static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                              G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
            nullptr, nullptr, nullptr);
        bool ok = false;
        guint object = 0;
        if (bus) {
            GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(xml, nullptr);
            object = g_dbus_connection_register_object(bus, path, node->interfaces[0], &vtable, &state, nullptr,
                                                       nullptr);
            g_dbus_node_info_unref(node);
            // DBUS_NAME_FLAG_DO_NOT_QUEUE; 1 is DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER.
            GVariant* reply = g_dbus_connection_call_sync(
                bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "RequestName",
                g_variant_new("(su)", name, 4u), G_VARIANT_TYPE("(u)"), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr,
                nullptr);
            if (reply) {
                guint32 answer = 0;
                g_variant_get(reply, "(u)", &answer);
                ok = object != 0 && answer == 1;
                g_variant_unref(reply);
            }
        }
        ready.set_value(ok);
        if (ok)
            g_main_loop_run(state.loop);
        if (bus) {
            if (object)
                g_dbus_connection_unregister_object(bus, object);
            g_dbus_connection_close_sync(bus, nullptr, nullptr);
            g_object_unref(bus);
        }
        g_main_context_pop_thread_default(state.context);
    });
    if (!owned.get()) {
        serving.join();
        throw std::runtime_error(std::string("the stand-in could not own ") + name);
    }
    return serving;
}

void stop_serving(DBusRecorderState& state, std::thread& serving)
{
    // Quit from inside the loop: a quit before the loop runs would be lost.
    GSource* quit = g_idle_source_new();
    g_source_set_callback(
        quit,
        [](gpointer loop) -> gboolean {
            g_main_loop_quit(static_cast<GMainLoop*>(loop));
            return G_SOURCE_REMOVE;
        },
        state.loop, nullptr);
    g_source_attach(quit, state.context);
    g_source_unref(quit);
    serving.join();
}

constexpr const char* systemd_manager_interface =
    "<node><interface name='org.freedesktop.systemd1.Manager'>"
    "<method name='Reload'/>"
    "<method name='EnableUnitFiles'><arg type='as' direction='in'/><arg type='b' direction='in'/>"
    "<arg type='b' direction='in'/><arg type='b' direction='out'/><arg type='a(sss)' direction='out'/></method>"
    "<method name='StartUnit'><arg type='s' direction='in'/><arg type='s' direction='in'/>"
    "<arg type='o' direction='out'/></method>"
    "<method name='SetEnvironment'><arg type='as' direction='in'/></method>"
    "</interface></node>";

void on_systemd_manager_call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
                             GVariant* parameters, GDBusMethodInvocation* invocation, gpointer data)
{
    auto& state = *static_cast<DBusRecorderState*>(data);
    gchar* printed = g_variant_print(parameters, FALSE);
    state.record(std::string(method) + " " + printed);
    g_free(printed);
    const std::string name = method;
    if (name == state.failing)
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.systemd1.NoSuchUnit",
                                                   "Unit muralis-day.timer not found.");
    else if (name == "EnableUnitFiles")
        g_dbus_method_invocation_return_value(invocation, g_variant_new_parsed("(true, @a(sss) [])"));
    else if (name == "StartUnit")
        g_dbus_method_invocation_return_value(
            invocation, g_variant_new("(o)", "/org/freedesktop/systemd1/job/1"));
    else
        g_dbus_method_invocation_return_value(invocation, nullptr);
}

const GDBusInterfaceVTable systemd_manager_vtable{on_systemd_manager_call, nullptr, nullptr, {}};

constexpr const char* portal_inhibit_interface =
    "<node><interface name='org.freedesktop.portal.Inhibit'>"
    "<method name='Inhibit'><arg type='s' direction='in'/><arg type='u' direction='in'/>"
    "<arg type='a{sv}' direction='in'/><arg type='o' direction='out'/></method>"
    "</interface></node>";
constexpr const char* portal_request_interface =
    "<node><interface name='org.freedesktop.portal.Request'><method name='Close'/></interface></node>";

void on_portal_request_call(GDBusConnection*, const gchar*, const gchar* path, const gchar*, const gchar* method,
                            GVariant*, GDBusMethodInvocation* invocation, gpointer data)
{
    static_cast<DBusRecorderState*>(data)->record(std::string(method) + " " + path);
    g_dbus_method_invocation_return_value(invocation, nullptr);
}

const GDBusInterfaceVTable portal_request_vtable{on_portal_request_call, nullptr, nullptr, {}};

// As the portal does: the request is an object of its own, named after the
// caller and the handle token it chose, until it is closed.
void on_portal_inhibit_call(GDBusConnection* bus, const gchar* sender, const gchar*, const gchar*,
                            const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                            gpointer data)
{
    auto& state = *static_cast<DBusRecorderState*>(data);
    gchar* printed = g_variant_print(parameters, FALSE);
    state.record(std::string(method) + " " + printed);
    g_free(printed);
    const char* token = "t";
    GVariant* options = g_variant_get_child_value(parameters, 2);
    g_variant_lookup(options, "handle_token", "&s", &token);
    std::string caller = sender + 1;
    std::replace(caller.begin(), caller.end(), '.', '_');
    const std::string request = "/org/freedesktop/portal/desktop/request/" + caller + "/" + token;
    g_variant_unref(options);
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(portal_request_interface, nullptr);
    g_dbus_connection_register_object(bus, request.c_str(), node->interfaces[0], &portal_request_vtable, &state,
                                      nullptr, nullptr);
    g_dbus_node_info_unref(node);
    g_dbus_method_invocation_return_value(invocation, g_variant_new("(o)", request.c_str()));
}

const GDBusInterfaceVTable portal_inhibit_vtable{on_portal_inhibit_call, nullptr, nullptr, {}};

} // namespace

SystemdManagerRecorder::SystemdManagerRecorder(const std::string& failing)
    : m_state(std::make_unique<DBusRecorderState>())
{
    m_state->failing = failing;
    m_thread = serve_on_session_bus(*m_state, "org.freedesktop.systemd1", "/org/freedesktop/systemd1",
                                    systemd_manager_interface, systemd_manager_vtable);
}

SystemdManagerRecorder::~SystemdManagerRecorder()
{
    stop_serving(*m_state, m_thread);
}

std::vector<std::string> SystemdManagerRecorder::calls() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->calls;
}

PortalInhibitRecorder::PortalInhibitRecorder() : m_state(std::make_unique<DBusRecorderState>())
{
    m_thread = serve_on_session_bus(*m_state, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                    portal_inhibit_interface, portal_inhibit_vtable);
}

PortalInhibitRecorder::~PortalInhibitRecorder()
{
    stop_serving(*m_state, m_thread);
}

std::vector<std::string> PortalInhibitRecorder::calls() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->calls;
}

} // namespace muralis::testing
