// Times a program's start-up from outside, on the X server of DISPLAY: from
// just before the program is started to its top-level window mapped, and to
// the window's pixels showing what it paints. Ends the program then (SIGKILL:
// nothing of it is timed any more) and waits for it.
//
//   window_stopwatch [--size WxH] [--timeout S] [--linger MS] --pixel X,Y,RRGGBB ... -- COMMAND [ARG...]
//
// With no window manager, a top-level window is a child of the root window,
// so the root's SubstructureNotify events report its MapNotify. --size keeps
// only windows of that size (others a program maps are skipped); each
// --pixel is a point in the window that must show that colour (within 8 in
// each channel), read back with XGetImage about every half millisecond.
//
// The program finds the time it was started at (steady clock, in ns) in
// WINDOW_STOPWATCH_START_NS. Prints "mapped_ms painted_ms" on one line; exits 2 on a time-out, with the
// colours last seen on standard error.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Pixel {
    int x = 0;
    int y = 0;
    unsigned long rgb = 0;
};

[[noreturn]] void usage()
{
    std::fprintf(stderr, "usage: window_stopwatch [--size WxH] [--timeout S] [--linger MS] --pixel X,Y,RRGGBB ... -- COMMAND [ARG...]\n");
    std::exit(64);
}

// A window that goes away between the event and the request is no error.
int ignore_errors(Display*, XErrorEvent*)
{
    return 0;
}

bool close_enough(unsigned long seen, unsigned long wanted)
{
    for (int shift : {16, 8, 0}) {
        const int a = static_cast<int>((seen >> shift) & 0xff);
        const int b = static_cast<int>((wanted >> shift) & 0xff);
        if (std::abs(a - b) > 8)
            return false;
    }
    return true;
}

// The colour at x, y of window as 0xRRGGBB, or -1 when it cannot be read.
long colour_at(Display* display, Window window, int x, int y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return -1;
    const unsigned long value = XGetPixel(image, 0, 0);
    const auto channel = [&](unsigned long mask) {
        if (mask == 0)
            return 0UL;
        int shift = 0;
        while (!((mask >> shift) & 1))
            ++shift;
        const unsigned long bits = mask >> shift;
        return ((value & mask) >> shift) * 255 / bits;
    };
    const long rgb = static_cast<long>((channel(image->red_mask) << 16) | (channel(image->green_mask) << 8) |
                                       channel(image->blue_mask));
    XDestroyImage(image);
    return rgb;
}

double ms_between(Clock::time_point from, Clock::time_point to)
{
    return std::chrono::duration<double, std::milli>(to - from).count();
}

} // namespace

int main(int argc, char* argv[])
{
    int want_width = 0, want_height = 0;
    double timeout_s = 60;
    int linger_ms = 0;
    std::vector<Pixel> pixels;
    int command_at = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--" && i + 1 < argc) {
            command_at = i + 1;
            break;
        }
        if (i + 1 >= argc)
            usage();
        if (arg == "--size") {
            if (std::sscanf(argv[++i], "%dx%d", &want_width, &want_height) != 2)
                usage();
        } else if (arg == "--linger") {
            linger_ms = std::atoi(argv[++i]);
        } else if (arg == "--timeout") {
            timeout_s = std::atof(argv[++i]);
        } else if (arg == "--pixel") {
            Pixel pixel;
            if (std::sscanf(argv[++i], "%d,%d,%lx", &pixel.x, &pixel.y, &pixel.rgb) != 3)
                usage();
            pixels.push_back(pixel);
        } else {
            usage();
        }
    }
    if (command_at < 0 || pixels.empty())
        usage();

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "window_stopwatch: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignore_errors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    // A bench program started here can tell its own loading time from it.
    const auto start = Clock::now();
    const std::string start_ns = std::to_string(
        std::chrono::duration_cast<std::chrono::nanoseconds>(start.time_since_epoch()).count());
    setenv("WINDOW_STOPWATCH_START_NS", start_ns.c_str(), 1);
    pid_t child = -1;
    if (posix_spawnp(&child, argv[command_at], nullptr, nullptr, argv + command_at, environ) != 0) {
        std::fprintf(stderr, "window_stopwatch: cannot start %s\n", argv[command_at]);
        return 1;
    }
    const auto deadline = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_s));
    const auto give_up = [&](const std::string& why) {
        std::fprintf(stderr, "window_stopwatch: %s\n", why.c_str());
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        std::exit(2);
    };

    // The map of the program's top-level window.
    Window window = 0;
    Clock::time_point mapped;
    while (!window) {
        while (XPending(display) == 0) {
            if (Clock::now() > deadline)
                give_up("no window was mapped");
            if (waitpid(child, nullptr, WNOHANG) == child)
                give_up("the program ended before its window was mapped");
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        XEvent event;
        XNextEvent(display, &event);
        if (event.type != MapNotify || event.xmap.event != root || event.xmap.override_redirect)
            continue;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, event.xmap.window, &attributes))
            continue;
        if (want_width && (attributes.width != want_width || attributes.height != want_height)) {
            std::fprintf(stderr, "window_stopwatch: skipped a %dx%d window\n", attributes.width, attributes.height);
            continue;
        }
        window = event.xmap.window;
        mapped = Clock::now();
    }

    // Its pixels, until every point shows its colour.
    std::vector<long> seen(pixels.size(), -1);
    for (;;) {
        bool all = true;
        for (std::size_t i = 0; i < pixels.size() && all; ++i) {
            seen[i] = colour_at(display, window, pixels[i].x, pixels[i].y);
            all = seen[i] >= 0 && close_enough(static_cast<unsigned long>(seen[i]), pixels[i].rgb);
        }
        if (all)
            break;
        if (Clock::now() > deadline) {
            std::string last = "the window did not show its colours; last seen:";
            for (std::size_t i = 0; i < pixels.size(); ++i) {
                char text[64];
                std::snprintf(text, sizeof text, " %d,%d=%06lx (want %06lx)", pixels[i].x, pixels[i].y,
                              static_cast<unsigned long>(seen[i]), pixels[i].rgb);
                last += text;
            }
            give_up(last);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    const auto painted = Clock::now();

    std::printf("%.3f %.3f\n", ms_between(start, mapped), ms_between(start, painted));
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(linger_ms));
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    return 0;
}
