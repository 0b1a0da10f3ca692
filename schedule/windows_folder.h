#pragma once

#include <string>

#include "platform/platform.h"

namespace muralis {

// The folder where both programs keep the schedule file and the daily
// bitmap, followed by the path separator.
//
// It is the system's Windows directory as reported, separator appended even
// when the report already ends with one. Where this process may not create
// files there (a standard user on current Windows) and the platform offers a
// per-user data folder, that folder is used instead and created when missing,
// so that both programs always agree on one writable place.
std::string find_windows_folder(System& system, Files& files);

} // namespace muralis
