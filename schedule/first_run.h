// The start-up shortcut that makes the system start Muralrun at every
// log-on. The editor asks for it on every run that finds no schedule file.
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

} // namespace muralis
