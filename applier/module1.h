// Muralrun's whole work: one pass from start to end, at log-on and at each
// change of day.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace muralis::Module1 {

enum class RunKind {
    LogOn,     // no argument: installs today's picture whatever was done before
    DayChange, // day_change_argument: at a change of day or an unlock
};

// The run that the program's arguments (its own name left out) ask for;
// none for any other arguments.
std::optional<RunKind> run_kind(const std::vector<std::string>& arguments);

enum class Outcome {
    WallpaperInstalled,     // today's picture copied and installed
    NothingToInstall,       // no item for today and no daily bitmap yet
    EditorStarted,          // no schedule file: the editor was started
    FailureReported,        // the failure message was shown, the editor started
    AlreadyInstalled,       // a day-change run: today's picture was up already, nothing done
    NoSchedule,             // a day-change run without a schedule file: nothing done
    FailureAlreadyReported, // a day-change run: the same failure was reported today already
};

// Reads the schedule file, copies the picture assigned to today's weekday
// to the daily bitmap and installs that as the wallpaper. A missing schedule
// file starts the editor; a failure shows the French or English message
// naming the file concerned, then starts the editor. Each run that installs
// or reports leaves a record of it beside the daily bitmap (run_record.h).
//
// A day-change run does nothing when the record says that today's picture,
// as it is now, is up already (a wallpaper the user chose since then stays
// until the next day), or when there is no schedule file (no editor at
// midnight); it reports a failure only when today's record has not reported
// it already.
//
// Throws Failure when it cannot go on at all: before the schedule is looked
// for (the program's folder cannot be entered) or when the editor cannot be
// started after the message.
Outcome Main(const Platform& platform, RunKind kind);

// The failure message, as (title, text).
struct Message {
    std::string title;
    std::string text;
};
Message failure_message(bool french, const std::string& reported_path);

} // namespace muralis::Module1
