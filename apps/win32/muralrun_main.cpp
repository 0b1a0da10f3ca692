// Muralrun for Windows: installs today's picture at log-on (no argument)
// and at each change of day or unlock (--day-change). A GUI-subsystem
// program, so that no console window flashes up at every log-on.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "applier/module1.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"

namespace {

// The process's exit codes, for whoever starts it by hand or in a test.
enum ExitCode : int {
    Done = 0,            // wallpaper installed or up already, nothing to install, or editor started
    FailureReported = 1, // a failure: the message shown and the editor started, by this run or earlier today
    CouldNotGoOn = 2,    // stopped before the end, or unknown arguments; see the debugger output
};

// No window is shown for this: at log-on nobody would know what to make of
// it. The text goes to an attached debugger and to standard error when the
// starter gave one.
int could_not_go_on(const char* description)
{
    ::OutputDebugStringA("Muralrun: ");
    ::OutputDebugStringA(description);
    ::OutputDebugStringA("\n");
    std::fprintf(stderr, "Muralrun: %s\n", description);
    return CouldNotGoOn;
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    using namespace muralis;
    // The C runtime has split the command line as a console program's is.
    const auto kind = Module1::run_kind({__argv + 1, __argv + __argc});
    if (!kind)
        return could_not_go_on("unknown arguments; it takes none at log-on, or --day-change");
    win32::Win32Files files;
    win32::Win32System system;
    win32::Win32Desktop desktop;
    try {
        const auto outcome = Module1::Main({files, system, desktop}, *kind);
        return outcome == Module1::Outcome::FailureReported ||
                       outcome == Module1::Outcome::FailureAlreadyReported
                   ? FailureReported
                   : Done;
    } catch (const std::exception& error) {
        return could_not_go_on(error.what());
    } catch (...) {
        return could_not_go_on("unexpected error");
    }
}
