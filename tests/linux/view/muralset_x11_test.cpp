// The real Muralset on a private X server: its window appears at the size
// the model gives it and closes when asked to, and a first run registers
// Muralrun for log-on.
#include <gtest/gtest.h>

#include <QColor>
#include <QImage>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
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

extern char** environ;

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string output_of(const std::string& command)
{
    std::string output;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            output += buffer;
        ::pclose(pipe);
    }
    return output;
}

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

// The exit code of child once it has ended within timeout, -1 after a
// signal; killed and -2 when it is still running.
int wait_for_exit(pid_t child, std::chrono::milliseconds timeout)
{
    for (auto waited = 0ms; waited < timeout; waited += 10ms) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::this_thread::sleep_for(10ms);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return -2;
}

// A private X server at 96 DPI, and the XDG folders of a user who has
// never run the programs.
class MuralsetOnX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(scratch / "runtime");
        fs::permissions(scratch / "runtime", fs::perms::owner_all);
        environment.set("DISPLAY", server.display())
            .set("XDG_CONFIG_HOME", scratch / "config")
            .set("XDG_DATA_HOME", scratch / "data")
            .set("XDG_RUNTIME_DIR", scratch / "runtime")
            .set("LANG", "en_US.UTF-8")
            .unset("LC_ALL")
            .unset("LC_MESSAGES")
            // gio launches without a session bus to tell.
            .unset("DBUS_SESSION_BUS_ADDRESS");
        for (const char* name : {"QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_FONT_DPI", "WAYLAND_DISPLAY"})
            environment.unset(name);

        display = XOpenDisplay(server.display().c_str());
        ASSERT_NE(display, nullptr);
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
        if (display)
            XCloseDisplay(display);
    }

    // Starts the editor at path and waits for its window, titled title.
    Window start(const std::string& path, const std::string& title)
    {
        char* argv[] = {const_cast<char*>(path.c_str()), nullptr};
        EXPECT_EQ(::posix_spawn(&editor, path.c_str(), nullptr, nullptr, argv, environ), 0);
        const Window window = std::strtoul(
            output_of("timeout 20 xdotool search --sync --onlyvisible --name \"^" + title + "$\" 2>/dev/null")
                .c_str(),
            nullptr, 10);
        if (window == None)
            wait_for_exit(editor, 0ms);
        return window;
    }

    // Asks the window to close, as a window manager's close button does,
    // and gives the editor's exit code.
    int close(Window window)
    {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
        XSendEvent(display, window, False, NoEventMask, &close);
        XFlush(display);
        return wait_for_exit(editor, 10s);
    }

    TemporaryFolder scratch;
    XvfbServer server{"1024x768x24"};
    ScopedEnvironment environment;
    Display* display = nullptr;
    pid_t editor = -1;
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

    EXPECT_EQ(close(window), 0);
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
        std::string folder;
        std::string entry; // empty: no entry expected
        bool schedule;
    };
    const Case cases[] = {
        {"en_US.UTF-8", "Orlimo's Muralis", "My Programs/it's \"Été\" 100% $HOME", "Today's Wallpaper.desktop", false},
        {"fr_FR.UTF-8", "Muralis", "Mes programmes/l'éditeur (1) \\ `x`", "Papier-peint du jour.desktop", false},
        {"en_US.UTF-8", "Orlimo's Muralis", "plain", "", true},
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
        EXPECT_EQ(close(window), 0);

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
        for (int i = 0; i < 100 && file_bytes(mark).empty(); ++i)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(file_bytes(mark), muralrun) << file_bytes(entry);
    }
}

} // namespace
} // namespace muralis::testing
