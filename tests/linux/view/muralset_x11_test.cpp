// The real Muralset on a private X server, driven from outside as a user
// drives it: its window appears at the size the model gives it, a first run
// registers Muralrun for log-on, a week is chosen, saved and installed by
// the Muralrun that the log-on entry names, and every way out of the editor
// ends it as it should.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPoint>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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
    Window find_window(const std::string& title, std::chrono::milliseconds timeout = 10s)
    {
        Window found = None;
        within(timeout, [&] {
            Window root, parent;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
                return false;
            for (unsigned i = 0; i < count && found == None; ++i) {
                if (viewable(children[i]) && title_of(children[i]) == title)
                    found = children[i];
            }
            if (children)
                XFree(children);
            return found != None;
        });
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
    // Saving fills the empty slots after the first with its picture.
    std::string expected;
    for (int slot = 1; slot <= 7; ++slot)
        expected += "\"" + (pictures_folder / pictures[0].name).string() + std::to_string(todays_weekday()) + "\"\r\n";
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

} // namespace
} // namespace muralis::testing
