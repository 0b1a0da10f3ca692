// The start-up shortcut that makes the system start Muralrun at every
// log-on, asked for on every run of the editor that finds no schedule file,
// and the day-change run that starts it again when the day changes, asked
// for at every save.
#pragma once

#include <string>

#include "platform/platform.h"

namespace muralis {

// What the editor asks the shell for, in the user's language.
struct StartupShortcut {
    std::string group_name;    // "\Startup", "\Démarrage"
    std::string shortcut_name; // "Today's Wallpaper", "Papier-peint du jour"
    std::string target;        // the editor's folder, then Muralrun
    std::string arguments;     // always empty
};

StartupShortcut startup_shortcut(System& system);

// Places the start-up shortcut to the Muralrun beside the running program,
// replacing one of the same name. Throws Failure when it cannot be made.
void register_applier_at_log_on(System& system, Desktop& desktop);

// The argument Muralrun is started with at a change of day.
inline constexpr const char* day_change_argument = "--day-change";

// What the editor asks the system to start at each change of day: the
// shortcut's program under the shortcut's name, with day_change_argument.
struct DayChangeRun {
    std::string name;     // "Today's Wallpaper", "Papier-peint du jour"
    std::string target;   // the editor's folder, then Muralrun
    std::string argument; // day_change_argument
};

DayChangeRun day_change_run(System& system);

// Has the system start the Muralrun beside the running program at every
// change of day, replacing an earlier registration of the same name.
// Throws Failure when it cannot be made.
void register_applier_at_day_change(System& system, Desktop& desktop);

} // namespace muralis
