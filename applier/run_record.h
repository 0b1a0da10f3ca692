// What Muralrun's runs of the day did, kept in a small file beside the daily
// bitmap: a run at a change of day or an unlock that finds today's picture
// already up does nothing, and a failure is reported once a day.
//
// The file is text, each line ending with CR LF:
//
//   Muralrun record 1
//   user <the user's own data folder>
//   installed <YYYYMMDD> <picture size> <picture time> <bitmap size> <bitmap time> <picture>
//   reported <YYYYMMDD> <the path the failure message named>
//
// the last two lines each only when there is something to say. Times are
// as Files::last_written counts; a path has '%', and every control
// character, written as '%' and two hexadecimal digits. Anything else is no
// record.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace muralis {

inline constexpr const char* run_record_name = "Vantorel.dat";

struct RunRecord {
    // The user whose runs these are: the per-user data folder
    // (System::fallback_data_folder), which tells users apart where they
    // share the daily bitmap's folder.
    std::string user;

    // What the last run that installed a wallpaper put up.
    struct Installed {
        int date = 0;         // YYYYMMDD, the day it was today's picture
        std::string picture;  // empty when no item was today's
        FileStamp picture_stamp;       // the picture as it was copied; zeros when none
        FileStamp daily_bitmap_stamp;  // the daily bitmap it installed
        bool operator==(const Installed&) const = default;
    };
    std::optional<Installed> installed;

    // The last failure reported, until a run installs again.
    struct Reported {
        int date = 0;     // YYYYMMDD
        std::string path; // the file the message named
        bool operator==(const Reported&) const = default;
    };
    std::optional<Reported> reported;

    bool operator==(const RunRecord&) const = default;
};

// date as the number YYYYMMDD.
int date_number(const LocalDate& date);

std::string format_run_record(const RunRecord& record);

// The record text holds: none when it is not one format_run_record wrote.
std::optional<RunRecord> parse_run_record(std::string_view text);

// The record at path, when it is one and user's; none when the file is
// missing, unreadable, damaged or another user's.
std::optional<RunRecord> read_run_record(Files& files, const std::string& path, const std::string& user);

// Replaces the record at path. A record that cannot be written costs only
// a full run later: nothing is reported.
void write_run_record(Files& files, const std::string& path, const RunRecord& record);

} // namespace muralis
