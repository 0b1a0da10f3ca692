// Muralset for Windows: the schedule editor's window over the Win32 layer.
#include <windows.h>

#include <exception>
#include <string>

#include "editor/arriere_plan.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/view/arriere_plan_window.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"

namespace {

// The process's exit codes, for whoever starts it by hand or in a test.
enum ExitCode : int {
    Closed = 0,         // the user closed the window
    FailureShown = 1,   // a failure reached the top; its message was shown
    UnexpectedError = 2 // something other than a failure; its text was shown
};

// The report of an error that ends the program. The window is gone by now,
// so the box stands on its own.
void report(const std::string& description)
{
    std::string text;
    try {
        text = muralis::win32::ansi_from_utf8(description);
    } catch (...) {
        text = description;
    }
    ::MessageBoxA(nullptr, text.c_str(), "Muralis", MB_OK);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    using namespace muralis;
    win32::Win32Files files;
    win32::Win32System system;
    win32::Win32Desktop desktop;
    try {
        editor::Arriere_Plan window({files, system, desktop});
        // Declared after the model, so that it is destroyed (and detached)
        // first.
        win32::ArrierePlanWindow view(window, instance);
        // The boxes belong to the window from the load on, before it shows;
        // the owner is let go before the window is destroyed.
        desktop.set_message_owner(view.handle());
        struct OwnerRelease {
            win32::Win32Desktop& desktop;
            ~OwnerRelease() { desktop.set_message_owner(nullptr); }
        } release{desktop};
        // The load runs before the window is first shown: the user sees the
        // window as the load left it.
        window.Form_Load();
        view.show(show_command);
        return view.run();
    } catch (const Failure& failure) {
        report(failure.description());
        return FailureShown;
    } catch (const std::exception& error) {
        report(error.what());
        return UnexpectedError;
    } catch (...) {
        report("Unexpected error");
        return UnexpectedError;
    }
}
