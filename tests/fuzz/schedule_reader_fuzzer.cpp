// Feeds arbitrary bytes to the schedule file's item reader, and checks that
// a table the writer can represent survives a write and a read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "schedule/schedule_file.h"

using namespace muralis;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Reads items until the end, checking that every read moves forward.
void read_everything(const std::string& text)
{
    ItemReader reader(text);
    std::size_t total = 0;
    for (std::size_t reads = 0;; ++reads) {
        check(reads <= text.size()); // every item consumes at least one byte
        try {
            const std::string item = reader.read_item();
            total += item.size();
            check(total <= text.size());
            weekday_digit(item);
            picture_path(item);
        } catch (const Failure& failure) {
            check(failure.number() == InputPastEndOfFile || failure.number() == BadRecordLength);
            return;
        }
    }
}

// The first seven line-separated pieces of the input, as slot entries the
// writer can hold: no double quote, no line end.
WeekdaySlotTable table_from(const std::string& text)
{
    WeekdaySlotTable table;
    std::size_t slot = 1, start = 0;
    while (slot <= 7 && start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string entry = text.substr(start, end - start);
        for (char& c : entry)
            if (c == '"' || c == '\r')
                c = '_';
        table[slot++] = entry;
        start = end + 1;
    }
    return table;
}

void check_round_trip(const std::string& text)
{
    WeekdaySlotTable table = table_from(text);
    const std::string bytes = format_schedule(table);
    ItemReader reader(bytes);
    WeekdaySlotTable loaded;
    for (std::size_t i = 1; i <= 7; ++i) {
        loaded[i] = reader.read_item();
        check(loaded[i] == table[i]);
    }
    check(format_schedule(loaded) == bytes);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    read_everything(text);
    check_round_trip(text);
    return 0;
}
