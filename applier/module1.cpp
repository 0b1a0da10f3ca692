#include "applier/module1.h"

#include <memory>

#include "applier/daily_bitmap.h"
#include "schedule/language.h"
#include "schedule/schedule_file.h"
#include "schedule/weekday.h"
#include "schedule/windows_folder.h"

namespace muralis::Module1 {

namespace {

void start_editor(System& system)
{
    system.start_program(system.program_folder() + system.path_separator() + "Muralset" +
                         system.program_suffix());
}

// Steps that the failure handler covers. reported_path names the file the
// message will name if anything here fails.
Outcome install_todays_picture(const Platform& platform, const std::string& windows_folder,
                               std::string& reported_path)
{
    Files& files = platform.files;
    System& system = platform.system;

    if (!files.is_normal_file(reported_path)) {
        start_editor(system);
        return Outcome::EditorStarted;
    }

    const std::string daily_bitmap = writable_folder(system, files, windows_folder) + daily_bitmap_name;
    const std::string text = files.read_text(reported_path, schedule_read_limit);
    ItemReader reader(text);
    WeekdaySlotTable table;
    // Without an item for today, the daily bitmap of an earlier run goes up
    // again as it is.
    std::unique_ptr<PreparedWallpaper> wallpaper = std::make_unique<WallpaperAsIs>(platform.desktop);
    for (std::size_t i = 1; i <= 7; ++i) {
        table[i] = reader.read_item();
        // Asked afresh for every item, so a run that straddles midnight
        // still compares each item with the date of that moment.
        const int today = weekday_number(system.local_date());
        if (weekday_digit(table[i]) == today) {
            reported_path = picture_path(table[i]);
            // A file the desktop could not show does not replace the daily
            // bitmap, which keeps the last good picture; the user is told.
            wallpaper = make_daily_bitmap(platform, reported_path, daily_bitmap);
            break;
        }
    }

    // Without any daily bitmap (no item for today on a first week), the
    // wallpaper call would blank the user's desktop: leave it as it is.
    if (!files.is_normal_file(daily_bitmap))
        return Outcome::NothingToInstall;
    try {
        wallpaper->install(daily_bitmap);
    } catch (const Failure&) {
        // The wallpaper call reports nothing, whatever happens to it.
    }
    return Outcome::WallpaperInstalled;
}

} // namespace

Message failure_message(bool french, const std::string& reported_path)
{
    if (french)
        return {"Le Muralis", "Désolé, le fichier: " + reported_path +
                                  ", ne peut être trouvé.\rReconfigurez vos images .BMP."};
    return {"The Muralis",
            "Sorry, the file: " + reported_path + ", can not be found.\rExecute your setup again"};
}

Outcome Main(const Platform& platform)
{
    System& system = platform.system;

    system.change_current_folder(system.program_folder());
    const std::string windows_folder = find_windows_folder(system, platform.files);
    std::string reported_path = schedule_path(windows_folder);

    // Whatever goes wrong from here on (a Failure, or the memory or any
    // other error of the platform) is reported the one way.
    try {
        return install_todays_picture(platform, windows_folder, reported_path);
    } catch (...) {
        const Message message = failure_message(Langage::is_french(system), reported_path);
        platform.desktop.show_message(message.title, message.text);
        start_editor(system);
        return Outcome::FailureReported;
    }
}

} // namespace muralis::Module1
