#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "schedule/schedule_file.h"

namespace muralis {
namespace {

WeekdaySlotTable read_back(const std::string& bytes)
{
    ItemReader reader(bytes);
    WeekdaySlotTable table;
    for (std::size_t i = 1; i <= 7; ++i)
        table[i] = reader.read_item();
    return table;
}

TEST(ScheduleWriter, WritesSevenEmptyLinesForAnEmptyWeek)
{
    WeekdaySlotTable table;
    EXPECT_EQ(format_schedule(table), "\r\n\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_EQ(format_schedule(table).size(), 14u);
}

TEST(ScheduleWriter, FillsEmptySlotsWithThePreviousEntryAndKeepsTheCopies)
{
    WeekdaySlotTable table;
    table[4] = "C:\\P\\D.BMP5";
    EXPECT_EQ(format_schedule(table),
              "\r\n\r\n\r\n\"C:\\P\\D.BMP5\"\r\n\"C:\\P\\D.BMP5\"\r\n\"C:\\P\\D.BMP5\"\r\n\"C:\\P\\D.BMP5\"\r\n");
    for (std::size_t i = 5; i <= 7; ++i)
        EXPECT_EQ(table[i], "C:\\P\\D.BMP5") << "slot " << i;
    EXPECT_TRUE(table[0].empty());
    EXPECT_TRUE(table[1].empty());
}

TEST(ScheduleWriter, RepeatsTheLastSetSlotOverARunAndLeavesSlotOneEmpty)
{
    WeekdaySlotTable table;
    table[2] = "a2";
    table[3] = "b3";
    table[6] = "c6";
    EXPECT_EQ(format_schedule(table), "\r\n\"a2\"\r\n\"b3\"\r\n\"b3\"\r\n\"b3\"\r\n\"c6\"\r\n\"c6\"\r\n");
}

TEST(ScheduleWriter, RoundTripsByteForByte)
{
    WeekdaySlotTable table = {"", "C:\\X,Y\\A.BMP6", "C:\\\\SEA.BMP7", "/home/u/\xc3\xa9t\xc3\xa9.bmp1",
                              "D:\\B.BMP2", "", "E:\\C.BMP4", "F:\\D.BMP5"};
    const std::string first = format_schedule(table);
    WeekdaySlotTable loaded = read_back(first);
    EXPECT_EQ(loaded[1], "C:\\X,Y\\A.BMP6");
    EXPECT_EQ(loaded[5], "D:\\B.BMP2"); // the fill's copy
    EXPECT_EQ(format_schedule(loaded), first);
}

TEST(ScheduleWriter, WritesThroughTheAtomicReplace)
{
    testing::FakePlatform fake;
    WeekdaySlotTable table;
    table[1] = "a1";
    write_schedule(fake, "C:\\WINDOWS\\Vantorel.cfg", table);
    EXPECT_EQ(fake.files.at("C:\\WINDOWS\\Vantorel.cfg").substr(0, 6), "\"a1\"\r\n");
    EXPECT_EQ(fake.calls, std::vector<std::string>{"replace_text C:\\WINDOWS\\Vantorel.cfg"});
}

} // namespace
} // namespace muralis
