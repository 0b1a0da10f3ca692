// The weekly schedule: the weekday slot table in memory and the schedule
// file "Vantorel.cfg" on disk.
//
// The file holds seven lines, one for each of the slots 1 to 7, each ending
// with CR LF: a slot entry between double quotes, or nothing for an empty
// slot. A slot entry is a picture's path followed by one digit, the weekday
// number (1 = Sunday .. 7 = Saturday) that the picture is for.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace muralis {

inline constexpr const char* schedule_file_name = "Vantorel.cfg";
inline constexpr const char* daily_bitmap_name = "Vantorel.bmp";

// Entries 1 to 7 are the slots of the week; entry 0 stays empty and only
// feeds the fill of an empty slot 1. An empty text is an empty slot.
using WeekdaySlotTable = std::array<std::string, 8>;

// The weekday a slot entry is for: the value of its last character when that
// is a digit, 0 otherwise (an empty entry included).
int weekday_digit(std::string_view slot_entry);

// The picture path of a slot entry: every character but the last.
std::string picture_path(std::string_view slot_entry);

// The longest item the readers take, in bytes: longer than any path a
// system allows (32 767 characters on Windows, 4 096 bytes on Linux) with
// its digit. A longer item is a damaged file.
inline constexpr std::size_t longest_item = 32768;

// How much of a schedule file the readers read: seven of the longest items
// with their quotes and line ends. Items after the seventh are never read,
// so a damaged file of any size costs no more than this.
inline constexpr std::size_t schedule_read_limit = 7 * (longest_item + 4);

// Reads the items of a schedule file one at a time.
//
// Items are separated by line ends (CR LF, or a lone LF or CR) and by commas
// outside double quotes. An item that starts with a double quote runs to the
// next double quote, commas included, and the rest of its line up to the
// next comma or line end is skipped. An empty line is one empty item; any
// other item runs to the next comma or line end.
class ItemReader {
public:
    explicit ItemReader(std::string_view text) : m_text(text) {}

    // The next item. Throws Failure: InputPastEndOfFile at the end of the
    // text, BadRecordLength for an item longer than longest_item.
    std::string read_item();

private:
    bool at_line_end() const;
    void skip_delimiter();

    std::string_view m_text;
    std::size_t m_position = 0;
};

// Fills each empty slot i (1..7) with a copy of entry i - 1, in order, so
// that a run of empty slots repeats the last set slot before it. The copies
// stay in the table. Returns the file's bytes.
std::string format_schedule(WeekdaySlotTable& table);

// Writes the table to the schedule file at path (with the fill above). The
// previous file stays intact when this throws Failure.
void write_schedule(Files& files, const std::string& path, WeekdaySlotTable& table);

} // namespace muralis
