// Muralset.exe's start step by step: the steps of apps/win32/muralset_main.cpp
// timed with the performance counter, written to the file named on the
// command line once the first messages (the paints among them) have been
// handled; then the message loop runs until the program is ended from
// outside. Built with Muralset.exe's resources (icon, pointer, manifest), so
// that it loads what the editor loads. Run by bench/startup/run under Wine.
//
//   muralset_steps.exe STEPS_FILE
#include <windows.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "editor/arriere_plan.h"
#include "platform/win32/view/arriere_plan_window.h"
#include "platform/win32/win32_desktop.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_system.h"

namespace {

double now_ms()
{
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER value;
        ::QueryPerformanceFrequency(&value);
        return value;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command)
{
    using namespace muralis;
    if (__argc < 2)
        return 64;
    const std::string steps_file = __argv[1];
    // Wall time only: Wine counts a thread's processor time in 10 ms steps.
    std::vector<std::pair<std::string, double>> steps;
    double last = now_ms();
    const auto step = [&](const char* name) {
        const double now = now_ms();
        steps.emplace_back(name, now - last);
        last = now;
    };

    try {
        win32::Win32Files files;
        win32::Win32System system;
        win32::Win32Desktop desktop;
        editor::Arriere_Plan window({files, system, desktop});
        step("window_model");
        // Wine starts its display driver at a program's first call that
        // needs the screen, here the view's first; every window pays it,
        // the floor's included.
        ::ReleaseDC(nullptr, ::GetDC(nullptr));
        step("display");
        win32::ArrierePlanWindow view(window, instance);
        step("view");
        window.Form_Load();
        step("form_load");
        view.show(show_command);
        step("show");
        // Every message already queued, the paints among them (a paint is
        // handed out only once nothing else is waiting).
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        step("first_messages");
        if (FILE* out = std::fopen(steps_file.c_str(), "w")) {
            for (const auto& [name, ms] : steps)
                std::fprintf(out, "%s %.3f\n", name.c_str(), ms);
            std::fclose(out);
        }
        return view.run();
    } catch (const std::exception& error) {
        if (FILE* out = std::fopen(steps_file.c_str(), "w")) {
            std::fprintf(out, "failed %s\n", error.what());
            std::fclose(out);
        }
        return 1;
    }
}
