// The real Muralset on a private X server, driven from outside as a user
// drives it: its window appears at the size the model gives it, a first run
// registers Muralrun for log-on, a week is chosen, saved and installed by
// the Muralrun that the log-on entry names, and every way out of the editor
// ends it as it should.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>

#include <X11/ICE/ICElib.h>
#include <X11/SM/SMlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "scoped_environment.h"
#include "temporary_folder.h"
#include "xvfb_server.h"
#include "muralrun_copy.h"

extern char** environ;

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs argv[0], found on the PATH, with no shell between and its output
// dropped, and gives its exit code.
int exit_code_of(std::vector<std::string> argv)
{
    std::vector<char*> pointers;
    for (std::string& word : argv)
        pointers.push_back(word.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t child = -1;
    const int started = ::posix_spawnp(&child, pointers[0], &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (started != 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Polls done every 10 ms until it holds or timeout has passed; gives its
// last answer.
template <typename Condition>
bool within(std::chrono::milliseconds timeout, Condition done)
{
    for (auto waited = 0ms; waited < timeout; waited += 10ms) {
        if (done())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return done();
}

// The exit code of child once it has ended within timeout, -1 after a
// signal; killed and -2 when it is still running.
int wait_for_exit(pid_t child, std::chrono::milliseconds timeout)
{
    int status = 0;
    if (within(timeout, [&] { return ::waitpid(child, &status, WNOHANG) == child; }))
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -2;
}

// The processes whose program is the file at path.
std::vector<pid_t> processes_running(const fs::path& path)
{
    std::vector<pid_t> found;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        std::error_code gone;
        if (std::isdigit(static_cast<unsigned char>(name[0])) && fs::read_symlink(entry.path() / "exe", gone) == path)
            found.push_back(std::stoi(name));
    }
    return found;
}

int todays_weekday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return local.tm_wday + 1;
}

// The schedule a save writes after today's slot was given picture: the
// empty slots after the first are filled with it, each naming today.
std::string week_of(const fs::path& picture)
{
    std::string week;
    for (int slot = 1; slot <= 7; ++slot)
        week += "\"" + picture.string() + std::to_string(todays_weekday()) + "\"\r\n";
    return week;
}

// Xlib reports a window that went between two calls through this handler;
// the calls' own results tell the tests what they need.
int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

// Points of the form in twips, from its control table: inside the top of
// the folder and file lists, the centres of the buttons and of the picture.
constexpr QPoint folder_list_top{1400, 540};
constexpr QPoint first_file{1400, 1620};
constexpr QPoint accept_button{3727, 1717};
constexpr QPoint save_button{3727, 2077};
constexpr QPoint quit_button{3727, 2437};
constexpr QPoint preview{3727, 577};

// At 96 DPI, 15 twips make a pixel.
QPoint pixels(QPoint twips)
{
    return twips / 15;
}

const std::string credits_title = "Muralis (version 1.1) - Credits";
const std::string question_title = "WARNING: Do you want to save your data ...";

// Solid pictures in the order the file list shows them.
struct Picture {
    const char* name;
    QColor colour;
};
const Picture pictures[] = {{"amber.bmp", QColor(0xe0, 0x90, 0x10)},
                            {"blue.bmp", QColor(0x20, 0x60, 0xe0)},
                            {"crimson.bmp", QColor(0xc0, 0x10, 0x30)},
                            {"dark green.bmp", QColor(0x10, 0x70, 0x30)}};

enum class Accept { Button, Enter, DoubleClick };

// A session manager of the X Session Management Protocol, made of libSM's
// own manager side and listening on a local ICE socket, in a thread of its
// own: it registers the client that connects, grants each interaction the
// client asks for, and records the client's answers ("interact_request",
// "interact_done 0" or "1" for a shutdown called off, "save_yourself_done 1"
// or "0", "closed"). On the test's word it asks the client to save itself
// before a shutdown, tells it to die, or calls the shutdown off.
class SessionManager {
public:
    SessionManager()
    {
        char error[256] = "";
        int count = 0;
        if (!SmsInitialize("Muralis tests", "1", new_client, this, accept_host, sizeof error, error) ||
            !IceListenForConnections(&count, &m_listeners, sizeof error, error))
            throw std::runtime_error(std::string("no session manager: ") + error);
        m_listener_count = count;
        for (int i = 0; i < count; ++i) {
            IceSetHostBasedAuthProc(m_listeners[i], accept_host);
            char* id = IceGetListenConnectionString(m_listeners[i]);
            if (m_address.empty() && std::string(id).rfind("local/", 0) == 0)
                m_address = id;
            std::free(id);
        }
        if (::pipe(m_wake) != 0 || m_address.empty())
            throw std::runtime_error("no local socket for the session manager");
        m_thread = std::thread([this] { serve(); });
    }
    SessionManager(const SessionManager&) = delete;
    SessionManager& operator=(const SessionManager&) = delete;
    ~SessionManager()
    {
        post(nullptr);
        m_thread.join();
        IceFreeListenObjs(m_listener_count, m_listeners);
        ::close(m_wake[0]);
        ::close(m_wake[1]);
    }

    // What SESSION_MANAGER names to a client.
    const std::string& address() const { return m_address; }

    void save_yourself_for_shutdown()
    {
        post([](SmsConn client) { SmsSaveYourself(client, SmSaveBoth, True, SmInteractStyleAny, False); });
    }
    void die()
    {
        post([](SmsConn client) { SmsDie(client); });
    }
    void call_shutdown_off()
    {
        post([](SmsConn client) { SmsShutdownCancelled(client); });
    }

    // Waits at most timeout for event; then gives every event so far.
    std::vector<std::string> events_until(const std::string& event, std::chrono::milliseconds timeout = 20s)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, timeout,
                           [&] { return std::find(m_events.begin(), m_events.end(), event) != m_events.end(); });
        return m_events;
    }
    void forget_events()
    {
        const std::lock_guard lock(m_mutex);
        m_events.clear();
    }

private:
    using Command = std::function<void(SmsConn)>;

    static Bool accept_host(char*) { return True; }

    void record(const std::string& event)
    {
        const std::lock_guard lock(m_mutex);
        m_events.push_back(event);
        m_changed.notify_all();
    }

    // A null command ends the thread.
    void post(Command command)
    {
        {
            const std::lock_guard lock(m_mutex);
            m_commands.push_back(std::move(command));
        }
        const char wake = 1;
        (void)!::write(m_wake[1], &wake, 1);
    }

    static Status new_client(SmsConn, SmPointer data, unsigned long* mask, SmsCallbacks* callbacks, char**)
    {
        auto* self = static_cast<SessionManager*>(data);
        *callbacks = {};
        callbacks->register_client = {[](SmsConn client, SmPointer data, char*) -> Status {
                                          auto* self = static_cast<SessionManager*>(data);
                                          char* id = SmsGenerateClientID(client);
                                          SmsRegisterClientReply(client, id);
                                          std::free(id);
                                          self->m_client = client;
                                          self->record("registered");
                                          return 1;
                                      },
                                      self};
        callbacks->interact_request = {[](SmsConn client, SmPointer data, int) {
                                           static_cast<SessionManager*>(data)->record("interact_request");
                                           SmsInteract(client);
                                       },
                                       self};
        callbacks->interact_done = {[](SmsConn, SmPointer data, Bool cancel) {
                                        static_cast<SessionManager*>(data)->record("interact_done " +
                                                                                   std::to_string(cancel ? 1 : 0));
                                    },
                                    self};
        callbacks->save_yourself_request = {[](SmsConn, SmPointer, int, Bool, int, Bool, Bool) {}, self};
        callbacks->save_yourself_phase2_request = {[](SmsConn client, SmPointer) { SmsSaveYourselfPhase2(client); },
                                                   self};
        callbacks->save_yourself_done = {[](SmsConn, SmPointer data, Bool success) {
                                             static_cast<SessionManager*>(data)->record(
                                                 "save_yourself_done " + std::to_string(success ? 1 : 0));
                                         },
                                         self};
        callbacks->close_connection = {[](SmsConn client, SmPointer data, int count, char** reasons) {
                                           auto* self = static_cast<SessionManager*>(data);
                                           SmFreeReasons(count, reasons);
                                           IceConn connection = SmsGetIceConnection(client);
                                           SmsCleanUp(client);
                                           IceSetShutdownNegotiation(connection, False);
                                           IceCloseConnection(connection);
                                           self->m_client = nullptr;
                                           self->m_connection = nullptr;
                                           self->record("closed");
                                       },
                                       self};
        callbacks->set_properties = {[](SmsConn, SmPointer, int count, SmProp** properties) {
                                         for (int i = 0; i < count; ++i)
                                             SmFreeProperty(properties[i]);
                                         std::free(properties);
                                     },
                                     self};
        callbacks->delete_properties = {[](SmsConn, SmPointer, int count, char** names) {
                                            for (int i = 0; i < count; ++i)
                                                std::free(names[i]);
                                            std::free(names);
                                        },
                                        self};
        callbacks->get_properties = {[](SmsConn client, SmPointer) { SmsReturnProperties(client, 0, nullptr); },
                                     self};
        *mask = ~0ul;
        return 1;
    }

    void serve()
    {
        for (;;) {
            std::vector<pollfd> watched{{m_wake[0], POLLIN, 0}};
            for (int i = 0; i < m_listener_count; ++i)
                watched.push_back({IceGetListenConnectionNumber(m_listeners[i]), POLLIN, 0});
            if (m_connection)
                watched.push_back({IceConnectionNumber(m_connection), POLLIN, 0});
            if (::poll(watched.data(), watched.size(), -1) < 0)
                continue;
            if (watched[0].revents) {
                char wake;
                (void)!::read(m_wake[0], &wake, 1);
                std::vector<Command> commands;
                {
                    const std::lock_guard lock(m_mutex);
                    commands.swap(m_commands);
                }
                for (const Command& command : commands) {
                    if (!command) {
                        drop_client();
                        return;
                    }
                    if (m_client)
                        command(m_client);
                }
            }
            for (int i = 0; i < m_listener_count; ++i) {
                IceAcceptStatus status;
                if (watched[static_cast<std::size_t>(i) + 1].revents && !m_connection)
                    m_connection = IceAcceptConnection(m_listeners[i], &status);
            }
            if (m_connection && watched.back().fd == IceConnectionNumber(m_connection) && watched.back().revents &&
                IceProcessMessages(m_connection, nullptr, nullptr) == IceProcessMessagesIOError)
                drop_client();
        }
    }

    // The client went without a word (or the test ends first).
    void drop_client()
    {
        if (m_client)
            SmsCleanUp(m_client);
        if (m_connection) {
            IceSetShutdownNegotiation(m_connection, False);
            IceCloseConnection(m_connection);
        }
        m_connection = nullptr;
        m_client = nullptr;
        record("closed");
    }

    IceListenObj* m_listeners = nullptr;
    int m_listener_count = 0;
    std::string m_address;
    int m_wake[2] = {-1, -1};
    IceConn m_connection = nullptr;
    SmsConn m_client = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Command> m_commands;
    std::vector<std::string> m_events;
    std::thread m_thread;
};

// A private X server at 96 DPI, and the XDG folders of a user who has
// never run the programs.
class MuralsetOnX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(scratch / "runtime");
        fs::permissions(scratch / "runtime", fs::perms::owner_all);
        environment.set("DISPLAY", server.display())
            .set("QT_QPA_PLATFORM", "xcb")
            .set("XDG_CONFIG_HOME", scratch / "config")
            .set("XDG_DATA_HOME", scratch / "data")
            .set("XDG_RUNTIME_DIR", scratch / "runtime")
            .set("LANG", "en_US.UTF-8")
            .unset("LC_ALL")
            .unset("LC_MESSAGES")
            // gio launches without a session bus to tell.
            .unset("DBUS_SESSION_BUS_ADDRESS");
        // Whatever desktop runs the tests: Qt's own look and behaviour, and
        // Muralrun paints the root window.
        for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_QPA_PLATFORMTHEME",
                                 "QT_STYLE_OVERRIDE", "QT_IM_MODULE", "XMODIFIERS", "WAYLAND_DISPLAY",
                                 "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "SWAYSOCK"})
            environment.unset(name);
        // Nor the desktop's session manager or accessibility bus: a test
        // that wants one brings its own.
        for (const char* name : {"SESSION_MANAGER", "AT_SPI_BUS_ADDRESS", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON",
                                 "QT_ACCESSIBILITY", "NO_AT_BRIDGE"})
            environment.unset(name);
        environment.set("ICEAUTHORITY", scratch / "ICEauthority");

        display = XOpenDisplay(server.display().c_str());
        ASSERT_NE(display, nullptr);
        previous_error_handler = XSetErrorHandler(ignore_x_error);
        // The logical DPI a desktop session gives its X clients: Qt reads it
        // here, not from the server's physical size.
        const std::string resources = "Xft.dpi:\t96\n";
        XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(resources.data()),
                        static_cast<int>(resources.size()));
        XSync(display, False);
    }

    void TearDown() override
    {
        if (editor > 0)
            wait_for_exit(editor, 0ms);
        if (display) {
            XSetErrorHandler(previous_error_handler);
            XCloseDisplay(display);
        }
    }

    // Copies Muralset and Muralrun into folder, with the pictures in its
    // sub-folder "pictures"; gives that sub-folder.
    fs::path install(const fs::path& folder)
    {
        const fs::path pictures_folder = folder / "pictures";
        fs::create_directories(pictures_folder);
        fs::copy_file(MURALSET_PATH, folder / "Muralset", fs::copy_options::overwrite_existing);
        copy_muralrun(folder);
        for (const Picture& picture : pictures) {
            EXPECT_EQ(exit_code_of({"convert", "-size", "64x48", "xc:" + picture.colour.name().toStdString(),
                                    "BMP3:" + (pictures_folder / picture.name).string()}),
                      0);
        }
        return fs::canonical(pictures_folder);
    }

    bool viewable(Window window)
    {
        XWindowAttributes attributes;
        return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
    }

    std::string title_of(Window window)
    {
        Atom type;
        int format;
        unsigned long length, after;
        unsigned char* data = nullptr;
        std::string title;
        if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024, False,
                               XInternAtom(display, "UTF8_STRING", False), &type, &format, &length, &after,
                               &data) == Success &&
            data)
            title.assign(reinterpret_cast<const char*>(data), length);
        if (data)
            XFree(data);
        return title;
    }

    // The top-level window on the screen titled exactly title, waited for
    // up to timeout; None when none came.
    // Under a window manager, the window inside its frame.
    Window find_window(const std::string& title, std::chrono::milliseconds timeout = 10s)
    {
        Window found = None;
        within(timeout, [&] {
            found = window_titled(DefaultRootWindow(display), title, 2);
            return found != None;
        });
        return found;
    }

    // The shown window titled title among the children of parent, looked
    // for depth levels down.
    Window window_titled(Window parent, const std::string& title, int depth)
    {
        Window root, grandparent;
        Window* children = nullptr;
        unsigned count = 0;
        if (depth == 0 || !XQueryTree(display, parent, &root, &grandparent, &children, &count))
            return None;
        Window found = None;
        for (unsigned i = 0; i < count && found == None; ++i) {
            if (viewable(children[i]))
                found = title_of(children[i]) == title ? children[i] : window_titled(children[i], title, depth - 1);
        }
        if (children)
            XFree(children);
        return found;
    }

    // Starts the editor at path and waits for its window, titled title.
    Window start(const std::string& path, const std::string& title)
    {
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        EXPECT_EQ(::posix_spawn(&editor, path.c_str(), nullptr, nullptr, argv, environ), 0);
        const Window window = find_window(title, 20s);
        if (window == None)
            exit_code();
        return window;
    }

    bool editor_running() { return editor > 0 && ::waitpid(editor, nullptr, WNOHANG) == 0; }

    // The editor's exit code once it has ended; killed and -2 when it has
    // not within 10 s.
    int exit_code()
    {
        const int code = wait_for_exit(editor, 10s);
        editor = -1;
        return code;
    }

    // Asks the window to close, as a window manager's close button does.
    void ask_to_close(Window window)
    {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        XSendEvent(display, window, False, NoEventMask, &close);
        XFlush(display);
    }

    // Presses keys (xdotool's names, separated by spaces) in window; with no
    // window manager the keyboard goes where the focus is put.
    void press(Window window, const std::string& keys)
    {
        std::vector<std::string> argv{"xdotool", "windowfocus", std::to_string(window), "key", "--delay", "20"};
        for (std::size_t at = 0, end; at < keys.size(); at = end + 1) {
            end = std::min(keys.find(' ', at), keys.size());
            argv.push_back(keys.substr(at, end - at));
        }
        EXPECT_EQ(exit_code_of(argv), 0) << keys;
    }

    // Answers the box titled title with key; false when no such box came
    // up, or it stayed.
    bool answer(const std::string& title, const std::string& key = "Return")
    {
        const Window box = find_window(title);
        if (box == None)
            return false;
        press(box, key);
        return within(5s, [&] { return !viewable(box); });
    }

    // Clicks count times at the point of window given in twips.
    void click(Window window, QPoint twips, int count = 1)
    {
        const QPoint inside = pixels(twips);
        int x = 0, y = 0;
        Window child;
        ASSERT_TRUE(XTranslateCoordinates(display, window, DefaultRootWindow(display), inside.x(), inside.y(), &x,
                                          &y, &child));
        EXPECT_EQ(exit_code_of({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "click", "--repeat",
                                std::to_string(count), "--delay", "80", "1"}),
                  0);
    }

    QColor pixel(Window window, QPoint at)
    {
        XImage* image = XGetImage(display, window, at.x(), at.y(), 1, 1, AllPlanes, ZPixmap);
        if (!image)
            return {};
        const unsigned long value = XGetPixel(image, 0, 0);
        XDestroyImage(image);
        return QColor::fromRgb(static_cast<QRgb>(value));
    }

    // The colour at a pixel of window once it is expected, or what it
    // shows after a while.
    QColor colour_at(Window window, QPoint at, const QColor& expected)
    {
        within(5s, [&] { return pixel(window, at) == expected; });
        return pixel(window, at);
    }

    // Opens the pictures folder, the one sub-folder of the program's own
    // folder and so the folder list's last row.
    void open_pictures(Window window)
    {
        click(window, folder_list_top);
        press(window, "End Return");
    }

    // Selects the file at row from the top of the list and accepts it. A
    // double-click goes to the first row, the only one whose place the
    // style does not decide.
    void accept(Window window, int row, Accept way)
    {
        // Two clicks at one place within the double-click time are a
        // double-click, which accepts: each lands 40 pixels from the last.
        m_file_click_moved = !m_file_click_moved;
        const QPoint at = first_file + QPoint(m_file_click_moved ? 600 : 0, 0);
        if (way == Accept::DoubleClick) {
            ASSERT_EQ(row, 0);
            click(window, at, 2);
            return;
        }
        click(window, at);
        std::string keys = "Home";
        for (int i = 0; i < row; ++i)
            keys += " Down";
        press(window, way == Accept::Enter ? keys + " Return" : keys);
        if (way == Accept::Button)
            click(window, accept_button);
    }

    TemporaryFolder scratch;
    XvfbServer server{"1024x768x24"};
    ScopedEnvironment environment;
    Display* display = nullptr;
    XErrorHandler previous_error_handler = nullptr;
    pid_t editor = -1;
    bool m_file_click_moved = false;
};

TEST_F(MuralsetOnX11, ShowsItsFixedWindowThenClosesWhenAsked)
{
    const Window window = start(MURALSET_PATH, "Orlimo's Muralis");
    ASSERT_NE(window, None) << "no window appeared";

    // 4455 x 3120 twips at 96 DPI, and the window manager told that it
    // cannot be resized.
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display, window, &attributes));
    EXPECT_EQ(QSize(attributes.width, attributes.height), QSize(297, 208));
    XSizeHints hints{};
    long supplied = 0;
    ASSERT_TRUE(XGetWMNormalHints(display, window, &hints, &supplied));
    EXPECT_EQ(QSize(hints.min_width, hints.min_height), QSize(297, 208));
    EXPECT_EQ(QSize(hints.max_width, hints.max_height), QSize(297, 208));

    // What the window shows, as another X client sees it.
    fs::create_directories(SCREENSHOT_DIR);
    const std::string screenshot = std::string(SCREENSHOT_DIR) + "/muralset-linux-xvfb.png";
    EXPECT_EQ(std::system(("import -window " + std::to_string(window) + " '" + screenshot + "'").c_str()), 0);
    const QImage shot(QString::fromStdString(screenshot));
    EXPECT_EQ(shot.size(), QSize(297, 208));
    EXPECT_EQ(shot.pixelColor(280, 190), QColor(255, 255, 0)) << "the text box's yellow";

    ask_to_close(window);
    EXPECT_TRUE(answer(credits_title));
    EXPECT_EQ(exit_code(), 0);
}

// The first run for real: the editor, installed in an awkward folder,
// leaves an autostart entry that desktop-file-validate accepts and that GLib
// launches as exactly the Muralrun beside it; a run that finds a schedule
// leaves none.
TEST_F(MuralsetOnX11, FirstRunRegistersTheMuralrunBesideItForLogOn)
{
    struct Case {
        std::string locale;
        std::string title;
        std::string credits;
        std::string folder;
        std::string entry; // empty: no entry expected
        bool schedule;
    };
    const Case cases[] = {
        {"en_US.UTF-8", "Orlimo's Muralis", credits_title, "My Programs/it's \"Été\" 100% $HOME",
         "Today's Wallpaper.desktop", false},
        {"fr_FR.UTF-8", "Muralis", "Muralis (version 1.1)", "Mes programmes/l'éditeur (1) \\ `x`",
         "Papier-peint du jour.desktop", false},
        {"en_US.UTF-8", "Orlimo's Muralis", credits_title, "plain", "", true},
    };
    const fs::path mark = scratch.path() / "muralrun-ran";
    environment.set("MURALIS_TEST_MARK", mark.string());
    for (const Case& test : cases) {
        SCOPED_TRACE(test.folder);
        environment.set("LANG", test.locale);
        fs::remove_all(scratch.path() / "config");
        fs::remove_all(scratch.path() / "data");
        if (test.schedule) {
            fs::create_directories(scratch.path() / "data" / "muralis");
            write_file(scratch.path() / "data" / "muralis" / "Vantorel.cfg", "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
        }
        const fs::path install = scratch.path() / "install" / test.folder;
        fs::create_directories(install);
        fs::copy_file(MURALSET_PATH, install / "Muralset", fs::copy_options::overwrite_existing);
        const std::string muralrun = (install / "Muralrun").string();
        write_file(muralrun, "#!/bin/sh\nprintf '%s' \"$0\" > \"$MURALIS_TEST_MARK\"\n");
        fs::permissions(muralrun, fs::perms::owner_all);

        const Window window = start((install / "Muralset").string(), test.title);
        ASSERT_NE(window, None) << "no window appeared";
        ask_to_close(window);
        EXPECT_TRUE(answer(test.credits));
        EXPECT_EQ(exit_code(), 0);

        const fs::path autostart = scratch.path() / "config" / "autostart";
        if (test.entry.empty()) {
            EXPECT_FALSE(fs::exists(autostart));
            continue;
        }
        const fs::path entry = autostart / test.entry;
        ASSERT_TRUE(fs::is_regular_file(entry));
        EXPECT_EQ(exit_code_of({"desktop-file-validate", entry.string()}), 0) << file_bytes(entry);
        fs::remove(mark);
        EXPECT_EQ(exit_code_of({"gio", "launch", entry.string()}), 0) << file_bytes(entry);
        within(2s, [&] { return !file_bytes(mark).empty(); });
        EXPECT_EQ(file_bytes(mark), muralrun) << file_bytes(entry);
    }
}

// A whole week chosen in the real editor with the mouse and the keyboard,
// saved, and installed at the next log-on by the Muralrun its first run
// registered; the next start of the editor opens on today's picture.
TEST_F(MuralsetOnX11, ChoosesAWeekThatTheMuralrunItRegisteredInstalls)
{
    const fs::path folder = scratch.path() / "My Muralis";
    const fs::path pictures_folder = install(folder);
    const std::string schedule = scratch / "data/muralis/Vantorel.cfg";
    const int today = todays_weekday();

    // Every way of accepting, and rows reached by the arrow keys; the
    // double-clicks come before the last row scrolls the list.
    const struct {
        int row;
        Accept way;
    } week[7] = {{2, Accept::Button}, {0, Accept::DoubleClick}, {1, Accept::Enter}, {3, Accept::Enter},
                 {0, Accept::Button}, {2, Accept::Enter},       {1, Accept::Button}};
    const QColor todays_colour = pictures[week[0].row].colour;

    const Window window = start((folder / "Muralset").string(), "Orlimo's Muralis");
    ASSERT_NE(window, None) << "no window appeared";
    open_pictures(window);
    std::string expected;
    for (int slot = 0; slot < 7; ++slot) {
        SCOPED_TRACE(slot + 1);
        accept(window, week[slot].row, week[slot].way);
        expected += "\"" + (pictures_folder / pictures[week[slot].row].name).string() +
                    std::to_string((today - 1 + slot) % 7 + 1) + "\"\r\n";
    }
    click(window, save_button);
    EXPECT_TRUE(within(5s, [&] { return file_bytes(schedule) == expected; })) << file_bytes(schedule);

    // The seventh Accept went back to today.
    EXPECT_EQ(colour_at(window, pixels(preview), todays_colour), todays_colour);
    fs::create_directories(SCREENSHOT_DIR);
    EXPECT_EQ(exit_code_of({"import", "-window", std::to_string(window),
                            std::string(SCREENSHOT_DIR) + "/muralset-linux-week.png"}),
              0);
    click(window, quit_button);
    EXPECT_TRUE(answer(credits_title));
    EXPECT_EQ(exit_code(), 0);

    // The next log-on.
    const fs::path entry = scratch.path() / "config/autostart/Today's Wallpaper.desktop";
    ASSERT_TRUE(fs::is_regular_file(entry));
    EXPECT_EQ(exit_code_of({"gio", "launch", entry.string()}), 0) << file_bytes(entry);
    const QPoint middle(512, 384);
    EXPECT_EQ(colour_at(DefaultRootWindow(display), middle, todays_colour), todays_colour);
    if (!within(10s, [&] { return processes_running(folder / "Muralrun").empty(); })) {
        for (pid_t left : processes_running(folder / "Muralrun"))
            ::kill(left, SIGKILL);
        ADD_FAILURE() << "Muralrun did not end";
    }

    const Window again = start((folder / "Muralset").string(), "Orlimo's Muralis");
    ASSERT_NE(again, None) << "no window appeared";
    EXPECT_EQ(colour_at(again, pixels(preview), todays_colour), todays_colour);
    ask_to_close(again);
    EXPECT_TRUE(answer(credits_title));
    EXPECT_EQ(exit_code(), 0);
}

// What a screen reader reads of the real Muralset through AT-SPI, the stack
// Orca uses, in both languages: a name for each control that takes the
// focus and for the preview, the buttons and labels by their captions, and
// the focus going round in the Tab order. The drive list is named by its
// label, as Qt names a drop-down list on Linux.
TEST_F(MuralsetOnX11, AScreenReaderReadsEachControlByNameInTheTabOrder)
{
    struct Case {
        std::string locale;
        std::vector<std::string> objects; // among those read
        std::vector<std::string> focus;   // from the start, then at each Tab
    };
    const Case cases[] = {
        {"en_US.UTF-8",
         {"text|Visit", "label|Visit:", "frame|Preview", "push button|Picture", "list|Pictures", "list|Folders",
          "combo box|labelled by Drive", "push button|Quit", "push button|Save", "push button|Accept"},
         {"text|Visit", "push button|Accept", "push button|Quit", "combo box|labelled by Drive", "list|Folders",
          "list|Pictures", "push button|Picture", "text|Visit"}},
        {"fr_FR.UTF-8",
         {"text|Visitez", "label|Visitez", "frame|Aperçu", "push button|Images", "list|Images", "list|Dossiers",
          "combo box|labelled by Lecteur", "push button|Quitter", "push button|Enregistrer", "push button|Accepter"},
         {"text|Visitez", "push button|Accepter", "push button|Quitter", "combo box|labelled by Lecteur",
          "list|Dossiers", "list|Images", "push button|Images", "text|Visitez"}},
    };
    const fs::path pictures_folder = install(scratch.path() / "reader");
    // Today's picture in the week: Accept and Picture take the focus too.
    fs::create_directories(scratch.path() / "data/muralis");
    write_file(scratch.path() / "data/muralis/Vantorel.cfg",
               "\"" + (pictures_folder / pictures[0].name).string() + std::to_string(todays_weekday()) +
                   "\"\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    const fs::path read = scratch.path() / "read.txt";
    for (const Case& test : cases) {
        SCOPED_TRACE(test.locale);
        environment.set("LANG", test.locale);
        EXPECT_EQ(exit_code_of({"timeout", "60", "dbus-run-session", "--", "/usr/bin/python3",
                                ACCESSIBILITY_TREE_SCRIPT, (scratch.path() / "reader/Muralset").string(),
                                read.string(), "7"}),
                  0);
        // A drop-down list reads as its current entry too: the drive's.
        std::vector<std::string> objects;
        std::vector<std::string> focus;
        std::istringstream lines(file_bytes(read));
        for (std::string line; std::getline(lines, line);) {
            const bool focused = line.rfind("focus ", 0) == 0;
            if (focused)
                line.erase(0, 6);
            if (line.rfind("combo box|", 0) == 0)
                line = "combo box" + line.substr(line.rfind('|'));
            (focused ? focus : objects).push_back(line);
        }
        for (const std::string& object : test.objects)
            EXPECT_NE(std::find(objects.begin(), objects.end(), object), objects.end()) << object;
        EXPECT_EQ(focus, test.focus);
    }
}

// Under a window manager the window is centred by its outer size, frame
// included, as on Windows: the frame's top-left corner lies at half the
// room the frame leaves on the screen.
TEST_F(MuralsetOnX11, IsCentredWithItsFrameUnderAWindowManager)
{
    pid_t manager = -1;
    char* argv[] = {const_cast<char*>("openbox"), const_cast<char*>("--sm-disable"), nullptr};
    ASSERT_EQ(::posix_spawnp(&manager, "openbox", nullptr, nullptr, argv, environ), 0);
    const Atom supporting = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False);
    EXPECT_TRUE(within(10s, [&] {
        Atom type;
        int format;
        unsigned long length, after;
        unsigned char* data = nullptr;
        const bool there = XGetWindowProperty(display, DefaultRootWindow(display), supporting, 0, 1, False,
                                              AnyPropertyType, &type, &format, &length, &after, &data) == Success &&
                           length == 1;
        if (data)
            XFree(data);
        return there;
    })) << "openbox did not start";

    const Window window = start(MURALSET_PATH, "Orlimo's Muralis");
    ASSERT_NE(window, None) << "no window appeared";
    // Left, right, top and bottom, once the window manager has framed it.
    long sides[4] = {0, 0, 0, 0};
    within(5s, [&] {
        Atom type;
        int format;
        unsigned long length, after;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0, 4, False,
                               XA_CARDINAL, &type, &format, &length, &after, &data) == Success &&
            length == 4)
            std::copy_n(reinterpret_cast<const long*>(data), 4, sides);
        if (data)
            XFree(data);
        return sides[2] > 0;
    });
    EXPECT_GT(sides[2], 0) << "the window has no frame";
    int x = 0, y = 0;
    Window child;
    // The frame settles at the place asked once the window is mapped.
    const QSize outer(297 + static_cast<int>(sides[0] + sides[1]), 208 + static_cast<int>(sides[2] + sides[3]));
    const QPoint centred((1024 - outer.width()) / 2, (768 - outer.height()) / 2);
    QPoint corner;
    within(5s, [&] {
        XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
        corner = QPoint(x - static_cast<int>(sides[0]), y - static_cast<int>(sides[2]));
        return (corner - centred).manhattanLength() <= 2;
    });
    EXPECT_LE(std::abs(corner.x() - centred.x()), 1) << corner.x() << "," << corner.y();
    EXPECT_LE(std::abs(corner.y() - centred.y()), 1) << corner.x() << "," << corner.y();

    ask_to_close(window);
    EXPECT_TRUE(answer(credits_title));
    EXPECT_EQ(exit_code(), 0);
    ::kill(manager, SIGTERM);
    wait_for_exit(manager, 5s);
}

// A whole week with the keyboard alone: Tab from the visit box past the
// buttons not usable yet to the folder list, the pictures folder opened
// with Return, each picture reached with the arrow keys and accepted with
// Return, then the access keys: Alt+S saves and Alt+Q quits.
TEST_F(MuralsetOnX11, ChoosesAWeekWithTheKeyboardAlone)
{
    const fs::path pictures_folder = install(scratch.path() / "keys");
    const std::string schedule = scratch / "data/muralis/Vantorel.cfg";
    const Window window = start((scratch.path() / "keys/Muralset").string(), "Orlimo's Muralis");
    ASSERT_NE(window, None) << "no window appeared";
    press(window, "Tab Tab Tab End Return Tab");
    std::string expected;
    const int rows[7] = {2, 0, 1, 3, 0, 2, 1};
    for (int slot = 0; slot < 7; ++slot) {
        // End, then Home: the first row, whatever the list had selected.
        std::string keys = "End Home";
        for (int i = 0; i < rows[slot]; ++i)
            keys += " Down";
        press(window, keys + " Return");
        expected += "\"" + (pictures_folder / pictures[rows[slot]].name).string() +
                    std::to_string((todays_weekday() - 1 + slot) % 7 + 1) + "\"\r\n";
    }
    press(window, "alt+s");
    EXPECT_TRUE(within(5s, [&] { return file_bytes(schedule) == expected; })) << file_bytes(schedule);
    press(window, "alt+q");
    EXPECT_TRUE(answer(credits_title));
    EXPECT_EQ(exit_code(), 0);
}

// Every way out of the editor once a change is made or not: the question,
// its answers, and a save that fails on the way.
TEST_F(MuralsetOnX11, ClosingAsksAboutAnUnsavedChange)
{
    struct Case {
        const char* name;
        bool accept;
        std::string key_for_question; // empty: no question expected
        bool save_fails_first;
        bool written;
    };
    const Case cases[] = {
        {"nothing to save", false, "", false, false},
        {"Yes saves", true, "Return", false, true},
        {"Escape says No", true, "Escape", false, false},
        {"a failed save keeps the editor open", true, "Return", true, true},
    };
    const fs::path folder = scratch.path() / "install";
    const fs::path pictures_folder = install(folder);
    const fs::path data_folder = scratch.path() / "data/muralis";
    const fs::path schedule = data_folder / "Vantorel.cfg";
    const std::string expected = week_of(pictures_folder / pictures[0].name);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        fs::remove_all(scratch.path() / "config");
        fs::remove_all(scratch.path() / "data");
        const Window window = start((folder / "Muralset").string(), "Orlimo's Muralis");
        ASSERT_NE(window, None) << "no window appeared";
        if (test.save_fails_first) {
            fs::remove_all(data_folder);
            write_file(data_folder, "");
        }
        if (test.accept) {
            open_pictures(window);
            accept(window, 0, Accept::Button);
        }
        if (test.save_fails_first) {
            click(window, save_button);
            EXPECT_TRUE(answer("Muralis")) << "no box told that the save failed";
            EXPECT_TRUE(viewable(window));
            EXPECT_TRUE(editor_running());
            fs::remove(data_folder);
            fs::create_directory(data_folder);
        }
        ask_to_close(window);
        if (!test.key_for_question.empty()) {
            EXPECT_TRUE(answer(question_title, test.key_for_question));
        }
        EXPECT_TRUE(answer(credits_title));
        EXPECT_EQ(exit_code(), 0);
        EXPECT_EQ(fs::exists(schedule), test.written);
        if (test.written) {
            EXPECT_EQ(file_bytes(schedule), expected);
        }
    }
}

// The end of an X session as a session manager brings it: the real
// Muralset, asked to save itself before the shutdown, asks the closing
// question with nothing more; Yes writes the week, No keeps the file as it
// was, a save that fails calls the shutdown off; once the manager says the
// program dies, it ends without the credits, and a shutdown called off
// leaves the editor as the answer left it.
TEST_F(MuralsetOnX11, TheSessionManagerGetsTheClosingQuestionsAnswer)
{
    struct Case {
        const char* name;
        bool accept;
        std::string key; // answers the question; empty: no question expected
        bool save_fails;
        bool dies; // else the shutdown is called off
        bool written;
        std::vector<std::string> events;
    };
    const std::vector<std::string> went_on{"registered", "interact_request", "interact_done 0", "save_yourself_done 1"};
    const Case cases[] = {
        {"nothing unsaved", false, "", false, true, false, {"registered", "save_yourself_done 1"}},
        {"Yes saves", true, "Return", false, true, true, went_on},
        {"Escape says No", true, "Escape", false, true, false, went_on},
        {"a failed save", true, "Return", true, false, false,
         {"registered", "interact_request", "interact_done 1", "save_yourself_done 0"}},
        {"called off after Yes", true, "Return", false, false, true, went_on},
        {"called off after No", true, "Escape", false, false, false, went_on},
    };
    const fs::path pictures_folder = install(scratch.path() / "install");
    const fs::path data_folder = scratch.path() / "data/muralis";
    const fs::path schedule = data_folder / "Vantorel.cfg";
    const std::string expected = week_of(pictures_folder / pictures[0].name);
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        fs::remove_all(scratch.path() / "data");
        SessionManager manager;
        environment.set("SESSION_MANAGER", manager.address());
        const Window window = start((scratch.path() / "install/Muralset").string(), "Orlimo's Muralis");
        ASSERT_NE(window, None) << "no window appeared";
        EXPECT_EQ(manager.events_until("registered").size(), 1u) << "the editor did not register";
        if (test.accept) {
            open_pictures(window);
            accept(window, 0, Accept::Button);
        }
        if (test.save_fails) {
            fs::remove_all(data_folder);
            write_file(data_folder, "");
        }
        manager.save_yourself_for_shutdown();
        if (!test.key.empty()) {
            EXPECT_TRUE(answer(question_title, test.key));
        }
        if (test.save_fails) {
            EXPECT_TRUE(answer("Muralis")) << "no box told that the save failed";
            fs::remove(data_folder);
        }
        EXPECT_EQ(manager.events_until(test.events.back()), test.events);
        EXPECT_EQ(fs::exists(schedule), test.written);
        if (test.written) {
            EXPECT_EQ(file_bytes(schedule), expected);
        }
        if (test.dies) {
            manager.die();
            // Nothing more is shown: a box would keep the editor running.
            EXPECT_EQ(exit_code(), 0);
            continue;
        }
        manager.call_shutdown_off();
        EXPECT_TRUE(viewable(window));
        EXPECT_TRUE(editor_running());
        // As the answer left it: a week still unsaved asks again.
        ask_to_close(window);
        if (!test.written) {
            EXPECT_TRUE(answer(question_title, "Escape"));
        }
        EXPECT_TRUE(answer(credits_title));
        EXPECT_EQ(exit_code(), 0);
    }
}

} // namespace
} // namespace muralis::testing
