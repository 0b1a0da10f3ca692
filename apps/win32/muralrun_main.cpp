// Muralrun for Windows: installs today's picture at log-on. A GUI-subsystem
// program, so that no console window flashes up at every log-on.
#include <windows.h>

#include <cstdio>
#include <exception>

#include "applier/module1.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"

namespace {

// The process's exit codes, for whoever starts it by hand or in a test.
enum ExitCode : int {
    Done = 0,            // wallpaper installed, nothing to install, or editor started
    FailureReported = 1, // the failure message was shown and the editor started
    CouldNotGoOn = 2,    // stopped before the end; see the debugger output
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
    win32::Win32Files files;
    win32::Win32System system;
    win32::Win32Desktop desktop;
    try {
        const auto outcome = Module1::Main({files, system, desktop});
        return outcome == Module1::Outcome::FailureReported ? FailureReported : Done;
    } catch (const std::exception& error) {
        return could_not_go_on(error.what());
    } catch (...) {
        return could_not_go_on("unexpected error");
    }
}
