#include "schedule/windows_folder.h"

#include <optional>
#include <vector>

#include "schedule/schedule_file.h"

namespace muralis {

std::string writable_folder(System& system, Files& files, const std::string& folder)
{
    // Without a folder to fall back on the answer is folder either way, and
    // a probe would only touch it: Muralrun asks at every run.
    const std::string fallback = system.fallback_data_folder();
    if (fallback.empty() || files.can_create_files_in(folder))
        return folder;
    try {
        files.create_folder(fallback);
    } catch (const Failure&) {
        // Nothing better is at hand: the first save or copy into the
        // folder reports the failure to the user.
    }
    return fallback + system.path_separator();
}

std::string schedule_path(const std::string& windows_folder)
{
    return windows_folder + schedule_file_name;
}

std::string schedule_save_path(System& system, Files& files, const std::string& windows_folder)
{
    return schedule_path(writable_folder(system, files, windows_folder));
}

std::string find_windows_folder(System& system, Files& files)
{
    const char separator = system.path_separator();
    const std::string windows = system.windows_directory() + separator;
    std::vector<std::string> candidates{windows};
    for (const std::string& folder : {system.virtual_store_folder(), system.fallback_data_folder()}) {
        if (!folder.empty())
            candidates.push_back(folder + separator);
    }
    // A program saves where it read when it may write there, else into the
    // per-user folder: the week the user saved last is the newest file.
    std::optional<std::int64_t> newest;
    std::string chosen;
    for (const std::string& folder : candidates) {
        const std::string schedule = schedule_path(folder);
        if (!files.is_normal_file(schedule))
            continue;
        const std::int64_t written = files.last_written(schedule);
        if (!newest || written > *newest) {
            newest = written;
            chosen = folder;
        }
    }
    return newest ? chosen : writable_folder(system, files, windows);
}

} // namespace muralis
