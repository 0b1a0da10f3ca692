#include "schedule/first_run.h"

#include <utility>

#include "schedule/language.h"

namespace muralis {

StartupShortcut startup_shortcut(System& system)
{
    StartupShortcut shortcut;
    // The group's name starts with a backslash on every platform: it names
    // a group among the Start menu's program groups, not a path.
    if (Langage::is_french(system)) {
        shortcut.group_name = "\\Démarrage";
        shortcut.shortcut_name = "Papier-peint du jour";
    } else {
        shortcut.group_name = "\\Startup";
        shortcut.shortcut_name = "Today's Wallpaper";
    }
    shortcut.target =
        system.program_folder() + system.path_separator() + "Muralrun" + system.program_suffix();
    return shortcut;
}

void register_applier_at_log_on(System& system, Desktop& desktop)
{
    const StartupShortcut shortcut = startup_shortcut(system);
    desktop.create_shortcut(shortcut.group_name, shortcut.shortcut_name, shortcut.target,
                            shortcut.arguments);
}

DayChangeRun day_change_run(System& system)
{
    StartupShortcut shortcut = startup_shortcut(system);
    return {std::move(shortcut.shortcut_name), std::move(shortcut.target), day_change_argument};
}

void register_applier_at_day_change(System& system, Desktop& desktop)
{
    const DayChangeRun run = day_change_run(system);
    desktop.register_day_change(run.name, run.target, run.argument);
}

} // namespace muralis
