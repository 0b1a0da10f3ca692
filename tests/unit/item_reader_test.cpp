#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "schedule/schedule_file.h"

namespace muralis {
namespace {

// Every item that the text yields, until the reader reports the end.
std::vector<std::string> all_items(const std::string& text)
{
    ItemReader reader(text);
    std::vector<std::string> items;
    for (;;) {
        try {
            items.push_back(reader.read_item());
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), InputPastEndOfFile);
            return items;
        }
    }
}

struct ReaderCase {
    const char* name;
    std::string text;
    std::vector<std::string> items;
};

TEST(ItemReader, SplitsItemsAsTheFileRulesSay)
{
    const std::vector<ReaderCase> cases = {
        {"quoted lines", "\"C:\\A.BMP3\"\r\n\"C:\\B.BMP4\"\r\n", {"C:\\A.BMP3", "C:\\B.BMP4"}},
        {"comma inside quotes", "\"C:\\X,Y\\LAC.BMP3\"\r\n", {"C:\\X,Y\\LAC.BMP3"}},
        {"unquoted item", "C:\\A.BMP3\r\n", {"C:\\A.BMP3"}},
        {"unquoted items split at commas", "a,b,c\r\n", {"a", "b", "c"}},
        {"several quoted items on a line", "\"a,1\",\"b\"\r\n", {"a,1", "b"}},
        {"empty lines are empty items", "\r\n\r\n\"x5\"\r\n", {"", "", "x5"}},
        {"text after a closing quote is skipped", "\"a1\"junk\r\n\"b2\" , rest\r\n", {"a1", "b2", " rest"}},
        {"text after a closing quote up to a comma", "\"a1\"junk,\"b2\"\r\n", {"a1", "b2"}},
        {"lone LF ends a line", "\"a1\"\n\nb2\n", {"a1", "", "b2"}},
        {"lone CR ends a line", "\"a1\"\r\rb2\r", {"a1", "", "b2"}},
        {"no line end at the end", "\"a1\"\r\nb2", {"a1", "b2"}},
        {"unterminated quote runs to the end", "\"a1\r\nb2", {"a1\r\nb2"}},
        {"trailing comma gives an empty item", "a,\r\n", {"a", ""}},
        {"empty quotes", "\"\"\r\n", {""}},
        {"empty file", "", {}},
        {"bytes above 127 pass unchanged", "\"C:\\\xc3\xa9t\xc3\xa9.bmp2\"\r\n", {"C:\\\xc3\xa9t\xc3\xa9.bmp2"}},
        {"NUL bytes are ordinary", std::string("\"a\0b1\"\r\n", 8), {std::string("a\0b1", 4)}},
    };
    for (const ReaderCase& c : cases)
        EXPECT_EQ(all_items(c.text), c.items) << c.name;
}

TEST(ItemReader, ReportsTheEndOfTheFileBeforeAnItem)
{
    ItemReader reader("\"a1\"\r\n");
    EXPECT_EQ(reader.read_item(), "a1");
    try {
        reader.read_item();
        FAIL() << "read past the end";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), InputPastEndOfFile);
    }

    // An item longer than any path is a damaged file; the longest allowed
    // one still reads.
    for (const bool quoted : {false, true}) {
        const std::string longest(longest_item, 'a');
        const auto quote = [&](const std::string& item) { return quoted ? "\"" + item + "\"\r\n" : item + "\r\n"; };
        const std::string text = quote(longest) + quote(longest + "b");
        ItemReader limits(text);
        EXPECT_EQ(limits.read_item(), longest);
        try {
            limits.read_item();
            FAIL() << "an item past the longest path";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), BadRecordLength);
        }
    }
}

TEST(SlotEntry, TakesTheWeekdayFromTheLastCharacterOnly)
{
    struct {
        std::string entry;
        int digit;
        std::string path;
    } const cases[] = {
        {"C:\\IMAGES\\LAC.BMP3", 3, "C:\\IMAGES\\LAC.BMP"},
        {"C:\\\\SEA.BMP7", 7, "C:\\\\SEA.BMP"},
        {"C:\\IMAGES\\LAC.BMP", 0, "C:\\IMAGES\\LAC.BM"},
        {"5", 5, ""},
        {"", 0, ""},
        {"/home/u/7.bmp0", 0, "/home/u/7.bmp"},
        {"\xc3\xa9", 0, "\xc3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(weekday_digit(c.entry), c.digit) << c.entry;
        EXPECT_EQ(picture_path(c.entry), c.path) << c.entry;
    }
}

} // namespace
} // namespace muralis
