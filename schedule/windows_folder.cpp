#include "schedule/windows_folder.h"

namespace muralis {

std::string find_windows_folder(System& system, Files& files)
{
    const char separator = system.path_separator();
    const std::string reported = system.windows_directory() + separator;
    if (files.can_create_files_in(reported))
        return reported;

    const std::string fallback = system.fallback_data_folder();
    if (fallback.empty())
        return reported;
    try {
        files.create_folder(fallback);
    } catch (const Failure&) {
        // Nothing better is at hand: the first save or copy into the
        // folder reports the failure to the user.
    }
    return fallback + separator;
}

} // namespace muralis
