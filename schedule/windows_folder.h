#pragma once

#include <string>

#include "platform/platform.h"

namespace muralis {

// Where both programs find the user's week, followed by the path
// separator; the same answer whatever rights each program runs with.
//
// Of the schedule files that exist in the system's Windows directory (as
// reported, a separator appended even when the report already ends with
// one), in its per-user VirtualStore copy and in the per-user data folder,
// the one written last holds the user's week. With none, the Windows
// directory when this process may create files there, else the per-user
// data folder (created when missing).
std::string find_windows_folder(System& system, Files& files);

// Where this process writes a file that belongs in folder (the schedule
// when saved, the daily bitmap beside it): folder itself when it may create
// files there, else the per-user data folder (created when missing). On a
// platform without one, folder.
std::string writable_folder(System& system, Files& files, const std::string& folder);

// The schedule path the week is read from: the schedule file in
// windows_folder (a find_windows_folder() result).
std::string schedule_path(const std::string& windows_folder);

// The schedule path the week is saved to: the schedule file in
// writable_folder() of windows_folder.
std::string schedule_save_path(System& system, Files& files, const std::string& windows_folder);

} // namespace muralis
