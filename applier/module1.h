// Muralrun's whole work: one pass from start to end at log-on.
#pragma once

#include "platform/platform.h"

namespace muralis::Module1 {

enum class Outcome {
    WallpaperInstalled, // today's picture copied and installed
    NothingToInstall,   // no item for today and no daily bitmap yet
    EditorStarted,      // no schedule file: the editor was started
    FailureReported,    // the failure message was shown, the editor started
};

// Reads the schedule file, copies the picture assigned to today's weekday
// to the daily bitmap and installs that as the wallpaper. A missing schedule
// file starts the editor; a failure shows the French or English message
// naming the file concerned, then starts the editor.
//
// Throws Failure when it cannot go on at all: before the schedule is looked
// for (the program's folder cannot be entered) or when the editor cannot be
// started after the message.
Outcome Main(const Platform& platform);

// The failure message, as (title, text).
struct Message {
    std::string title;
    std::string text;
};
Message failure_message(bool french, const std::string& reported_path);

} // namespace muralis::Module1
