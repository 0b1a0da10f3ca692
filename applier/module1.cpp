#include "applier/module1.h"

#include <memory>

#include "applier/daily_bitmap.h"
#include "applier/run_record.h"
#include "schedule/first_run.h"
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

// What one run knows of the runs before it.
struct Run {
    RunKind kind;
    std::string user;                // RunRecord::user for this run's user
    std::string record_path;         // empty until the daily bitmap's folder is known
    std::optional<RunRecord> record; // this user's, when a good one was found
};

// Whether a day-change run finds what it would install, today, up already:
// the same picture, unchanged since, and the daily bitmap that was made of
// it. Another run's later copy changes the daily bitmap's stamp, so a
// record of a run that lost a race to another is no proof.
bool installed_already(const Run& run, Files& files, const std::string& daily_bitmap,
                       const RunRecord::Installed& today)
{
    if (run.kind != RunKind::DayChange || !run.record || !run.record->installed)
        return false;
    const RunRecord::Installed& recorded = *run.record->installed;
    return recorded.date == today.date && recorded.picture == today.picture &&
           recorded.picture_stamp == today.picture_stamp &&
           files.file_stamp(daily_bitmap) == recorded.daily_bitmap_stamp;
}

// Steps that the failure handler covers. reported_path names the file the
// message will name if anything here fails.
Outcome install_todays_picture(const Platform& platform, const std::string& windows_folder,
                               std::string& reported_path, Run& run)
{
    Files& files = platform.files;
    System& system = platform.system;

    if (!files.is_normal_file(reported_path)) {
        // The editor is for a user who has just logged on, not for midnight.
        if (run.kind == RunKind::DayChange)
            return Outcome::NoSchedule;
        start_editor(system);
        return Outcome::EditorStarted;
    }

    const std::string folder = writable_folder(system, files, windows_folder);
    const std::string daily_bitmap = folder + daily_bitmap_name;
    run.record_path = folder + run_record_name;
    run.record = read_run_record(files, run.record_path, run.user);
    RunRecord::Installed installing; // what this run puts up
    bool matched = false;

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
        const LocalDate now = system.local_date();
        installing.date = date_number(now);
        if (weekday_digit(table[i]) == weekday_number(now)) {
            reported_path = picture_path(table[i]);
            matched = true;
            installing.picture = reported_path;
            // Taken before the copy: a picture changed while it is copied
            // then looks changed to the next run, which copies it again.
            if (const std::optional<FileStamp> stamp = files.file_stamp(reported_path)) {
                installing.picture_stamp = *stamp;
                if (installed_already(run, files, daily_bitmap, installing))
                    return Outcome::AlreadyInstalled;
            }
            // A file the desktop could not show does not replace the daily
            // bitmap, which keeps the last good picture; the user is told.
            wallpaper = make_daily_bitmap(platform, reported_path, daily_bitmap);
            break;
        }
    }
    if (!matched && installed_already(run, files, daily_bitmap, installing))
        return Outcome::AlreadyInstalled;

    // Without any daily bitmap (no item for today on a first week), the
    // wallpaper call would blank the user's desktop: leave it as it is.
    if (!files.is_normal_file(daily_bitmap))
        return Outcome::NothingToInstall;
    const std::optional<FileStamp> installed_bitmap = files.file_stamp(daily_bitmap);
    try {
        wallpaper->install(daily_bitmap);
    } catch (const Failure&) {
        // The wallpaper call reports nothing, whatever happens to it.
    }
    // Written once the desktop has the picture, so that a run stopped before
    // leaves the record of an earlier one, and the next run does it all again.
    // A success ends the silence about a failure of earlier today.
    if (installed_bitmap) {
        installing.daily_bitmap_stamp = *installed_bitmap;
        write_run_record(files, run.record_path, RunRecord{run.user, installing, std::nullopt});
    }
    return Outcome::WallpaperInstalled;
}

Outcome report_failure(const Platform& platform, const Run& run, const std::string& reported_path)
{
    System& system = platform.system;
    const RunRecord::Reported failure{date_number(system.local_date()), reported_path};
    if (run.kind == RunKind::DayChange && run.record && run.record->reported == failure)
        return Outcome::FailureAlreadyReported;
    // Recorded before the message, which may wait hours for a user who is
    // away at midnight: the unlock runs meanwhile keep quiet.
    if (!run.record_path.empty()) {
        RunRecord record = run.record.value_or(RunRecord{run.user, std::nullopt, std::nullopt});
        record.reported = failure;
        write_run_record(platform.files, run.record_path, record);
    }
    const Message message = failure_message(Langage::is_french(system), reported_path);
    platform.desktop.show_message(message.title, message.text);
    start_editor(system);
    return Outcome::FailureReported;
}

} // namespace

std::optional<RunKind> run_kind(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        return RunKind::LogOn;
    if (arguments.size() == 1 && arguments[0] == day_change_argument)
        return RunKind::DayChange;
    return std::nullopt;
}

Message failure_message(bool french, const std::string& reported_path)
{
    if (french)
        return {"Le Muralis", "Désolé, le fichier: " + reported_path +
                                  ", ne peut être trouvé.\rReconfigurez vos images .BMP."};
    return {"The Muralis",
            "Sorry, the file: " + reported_path + ", can not be found.\rExecute your setup again"};
}

Outcome Main(const Platform& platform, RunKind kind)
{
    System& system = platform.system;

    system.change_current_folder(system.program_folder());
    const std::string windows_folder = find_windows_folder(system, platform.files);
    std::string reported_path = schedule_path(windows_folder);
    Run run{kind, system.fallback_data_folder(), {}, std::nullopt};

    // Whatever goes wrong from here on (a Failure, or the memory or any
    // other error of the platform) is reported the one way.
    try {
        return install_todays_picture(platform, windows_folder, reported_path, run);
    } catch (...) {
        return report_failure(platform, run, reported_path);
    }
}

} // namespace muralis::Module1
