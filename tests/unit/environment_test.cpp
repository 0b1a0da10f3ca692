#include <gtest/gtest.h>

#include "fake/fake_platform.h"
#include "schedule/language.h"
#include "schedule/weekday.h"
#include "schedule/windows_folder.h"

namespace muralis {
namespace {

TEST(Weekday, NumbersSundayOneToSaturdaySeven)
{
    struct {
        LocalDate date;
        int weekday;
    } const cases[] = {
        {{1970, 1, 1}, 5},   // Thursday
        {{2000, 2, 29}, 3},  // Tuesday, leap day of a century leap year
        {{1900, 3, 1}, 5},   // Thursday, after a century year that is not a leap year
        {{2026, 12, 6}, 1},  // Sunday
        {{2026, 12, 12}, 7}, // Saturday
        {{2027, 1, 1}, 6},   // Friday
        {{1969, 12, 31}, 4}, // Wednesday, before the epoch
        {{1601, 1, 1}, 2},   // Monday
        {{9999, 12, 31}, 6}, // Friday
    };
    for (const auto& c : cases)
        EXPECT_EQ(weekday_number(c.date), c.weekday)
            << c.date.year << '-' << c.date.month << '-' << c.date.day;
}

TEST(Language, TextBeforeNul)
{
    EXPECT_EQ(Langage::text_before_nul(std::string("French\0\0\0", 9)), "French");
    EXPECT_EQ(Langage::text_before_nul(std::string("\0French", 7)), "");
    EXPECT_EQ(Langage::text_before_nul("no nul at all"), "");
    EXPECT_EQ(Langage::text_before_nul(""), "");
}

TEST(Language, OnlyTheExactNameFrenchSelectsFrench)
{
    const std::pair<const char*, bool> cases[] = {
        {"French", true}, {"English", false}, {"german", false}, {"french", false},
        {"French ", false}, {"", false},
    };
    for (const auto& [name, french] : cases) {
        testing::FakePlatform fake;
        fake.language = name;
        EXPECT_EQ(Langage::is_french(fake), french) << '"' << name << '"';
    }
}

TEST(WindowsFolder, AppendsOneSeparatorToWhatTheSystemReports)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C:\\WINDOWS", "C:\\WINDOWS\\"},
        {"C:\\WINDOWS\\", "C:\\WINDOWS\\\\"},
        {"", "\\"}, // the query failed
    };
    for (const auto& [reported, folder] : cases) {
        testing::FakePlatform fake;
        fake.m_windows_directory = reported;
        EXPECT_EQ(find_windows_folder(fake, fake), folder);
        EXPECT_TRUE(fake.created_folders.empty());
    }
}

TEST(WindowsFolder, FallsBackToTheUsersDataFolderWhereItMayNotWrite)
{
    testing::FakePlatform fake;
    fake.m_fallback_data_folder = "C:\\Users\\u\\AppData\\Local\\Muralis";
    EXPECT_EQ(find_windows_folder(fake, fake), "C:\\WINDOWS\\") << "writable: no fallback";

    fake.unwritable_folders.insert("C:\\WINDOWS\\");
    EXPECT_EQ(find_windows_folder(fake, fake), "C:\\Users\\u\\AppData\\Local\\Muralis\\");
    EXPECT_EQ(fake.created_folders, std::vector<std::string>{"C:\\Users\\u\\AppData\\Local\\Muralis"});

    testing::FakePlatform without_fallback;
    without_fallback.unwritable_folders.insert("C:\\WINDOWS\\");
    EXPECT_EQ(find_windows_folder(without_fallback, without_fallback), "C:\\WINDOWS\\");
}

// Both programs find the same week whatever their rights: the newest
// schedule of the Windows directory, its VirtualStore copy and the user's
// data folder; a program saves back there when it may write, else into the
// user's data folder.
TEST(WindowsFolder, TheNewestScheduleIsTheWeekAndWritesGoWhereTheyMay)
{
    const std::string windows = "C:\\WINDOWS\\";
    const std::string store = "C:\\Users\\u\\AppData\\Local\\VirtualStore\\WINDOWS\\";
    const std::string own = "C:\\Users\\u\\AppData\\Local\\Muralis\\";
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::int64_t>> schedules; // folder, time written
        bool windows_writable;
        std::string read;  // the week's folder
        std::string write; // where the schedule is saved and the bitmap copied
    };
    const Case cases[] = {
        {"no week, an administrator", {}, true, windows, windows},
        {"no week, a standard user", {}, false, own, own},
        {"saved by an administrator, read by a user", {{windows, 5}}, false, windows, own},
        {"saved again by the user since", {{windows, 5}, {own, 9}}, false, own, own},
        {"saved again by the administrator since", {{windows, 9}, {own, 5}}, true, windows, windows},
        {"left by an older version in the VirtualStore", {{windows, 1}, {store, 7}, {own, 3}}, false, store, store},
        {"times that cannot be told", {{windows, 0}, {own, 0}}, true, windows, windows},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::FakePlatform fake;
        fake.m_fallback_data_folder = own.substr(0, own.size() - 1);
        fake.m_virtual_store_folder = store.substr(0, store.size() - 1);
        if (!c.windows_writable)
            fake.unwritable_folders.insert(windows);
        for (const auto& [folder, time] : c.schedules) {
            fake.files[folder + "Vantorel.cfg"] = "";
            fake.written_times[folder + "Vantorel.cfg"] = time;
        }
        const std::string read = find_windows_folder(fake, fake);
        EXPECT_EQ(read, c.read);
        EXPECT_EQ(writable_folder(fake, fake, read), c.write);
        EXPECT_EQ(schedule_path(read), c.read + "Vantorel.cfg");
        EXPECT_EQ(schedule_save_path(fake, fake, read), c.write + "Vantorel.cfg");
    }
    // A hidden schedule counts as none.
    testing::FakePlatform hidden;
    hidden.m_fallback_data_folder = own.substr(0, own.size() - 1);
    hidden.files[windows + "Vantorel.cfg"] = "";
    hidden.written_times[windows + "Vantorel.cfg"] = 9;
    hidden.abnormal_files.insert(windows + "Vantorel.cfg");
    hidden.files[own + "Vantorel.cfg"] = "";
    EXPECT_EQ(find_windows_folder(hidden, hidden), own);
}

} // namespace
} // namespace muralis
