// The real Muralset on a private X server: its window appears at the size
// the model gives it and closes when asked to.
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

TEST(MuralsetOnX11, ShowsItsFixedWindowThenClosesWhenAsked)
{
    TemporaryFolder scratch;
    XvfbServer server("1024x768x24");
    ScopedEnvironment environment;
    fs::create_directories(scratch / "runtime");
    fs::permissions(scratch / "runtime", fs::perms::owner_all);
    environment.set("DISPLAY", server.display())
        .set("XDG_CONFIG_HOME", scratch / "config")
        .set("XDG_DATA_HOME", scratch / "data")
        .set("XDG_RUNTIME_DIR", scratch / "runtime")
        .set("LANG", "en_US.UTF-8")
        .unset("LC_ALL")
        .unset("LC_MESSAGES");
    for (const char* name : {"QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "QT_FONT_DPI", "WAYLAND_DISPLAY"})
        environment.unset(name);

    const std::unique_ptr<Display, int (*)(Display*)> connection(XOpenDisplay(server.display().c_str()),
                                                                 XCloseDisplay);
    Display* display = connection.get();
    ASSERT_NE(display, nullptr);
    // The logical DPI a desktop session gives its X clients: Qt reads it
    // here, not from the server's physical size.
    const std::string resources = "Xft.dpi:\t96\n";
    XChangeProperty(display, DefaultRootWindow(display), XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(resources.data()), static_cast<int>(resources.size()));
    XSync(display, False);

    pid_t editor = -1;
    char* argv[] = {const_cast<char*>(MURALSET_PATH), nullptr};
    ASSERT_EQ(::posix_spawn(&editor, MURALSET_PATH, nullptr, nullptr, argv, environ), 0);
    const Window window = std::strtoul(
        output_of("timeout 20 xdotool search --sync --onlyvisible --name \"^Orlimo's Muralis$\" 2>/dev/null").c_str(),
        nullptr, 10);
    if (window == None)
        wait_for_exit(editor, 0ms);
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

    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = window;
    close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    XSendEvent(display, window, False, NoEventMask, &close);
    XFlush(display);
    EXPECT_EQ(wait_for_exit(editor, 10s), 0);
}

} // namespace
} // namespace muralis::testing
