#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "applier/module1.h"
#include "applier/run_record.h"
#include "fake/fake_platform.h"
#include "schedule/schedule_file.h"

namespace muralis {
namespace {

using Module1::Outcome;
using Module1::RunKind;

const std::string schedule = "C:\\WINDOWS\\Vantorel.cfg";
const std::string daily = "C:\\WINDOWS\\Vantorel.bmp";
const std::string record = "C:\\WINDOWS\\Vantorel.dat";
const std::string editor = "C:\\PROGRAMS\\MURALIS\\Muralset.exe";
const LocalDate wednesday{2026, 12, 9}; // weekday 4

class Applier : public ::testing::Test {
protected:
    Outcome run(RunKind kind = RunKind::LogOn) { return Module1::Main(fake.platform(), kind); }

    void expect_failure_message_naming(const std::string& path)
    {
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].title, "The Muralis");
        EXPECT_EQ(fake.messages[0].text,
                  "Sorry, the file: " + path + ", can not be found.\rExecute your setup again");
        EXPECT_EQ(fake.started_programs, std::vector<std::string>{editor});
        EXPECT_TRUE(fake.wallpapers.empty());
    }

    // The calls that change a file or reach the desktop.
    std::vector<std::string> effects() const
    {
        std::vector<std::string> found;
        for (const std::string& call : fake.calls)
            for (const char* kind : {"replace_text ", "copy_replacing ", "prepare_wallpaper ", "load_picture ",
                                     "install_", "message_box ", "start_program ", "create_folder "})
                if (call.starts_with(kind))
                    found.push_back(call);
        return found;
    }

    // A week of pictures C:\Dn.BMP for each weekday n.
    void write_week()
    {
        fake.files[schedule].clear();
        for (char day = '1'; day <= '7'; ++day) {
            fake.files[schedule] += std::string("\"C:\\D") + day + ".BMP" + day + "\"\r\n";
            fake.files[std::string("C:\\D") + day + ".BMP"] = std::string("picture ") + day;
        }
    }

    testing::FakePlatform fake;
};

TEST_F(Applier, MissingOrHiddenScheduleStartsTheEditorQuietly)
{
    EXPECT_EQ(run(), Outcome::EditorStarted);
    EXPECT_EQ(fake.current_folders, std::vector<std::string>{"C:\\PROGRAMS\\MURALIS"});
    EXPECT_EQ(fake.started_programs, std::vector<std::string>{editor});
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.wallpapers.empty());

    testing::FakePlatform hidden;
    hidden.files[schedule] = "\"C:\\A.BMP4\"\r\n";
    hidden.files["C:\\A.BMP"] = "A";
    hidden.abnormal_files.insert(schedule);
    EXPECT_EQ(Module1::Main(hidden.platform(), RunKind::LogOn), Outcome::EditorStarted);
    EXPECT_TRUE(hidden.wallpapers.empty());
    EXPECT_EQ(hidden.files.count(daily), 0u);

    // At a change of day nobody is there for the editor: nothing at all.
    fake = testing::FakePlatform();
    EXPECT_EQ(run(RunKind::DayChange), Outcome::NoSchedule);
    EXPECT_EQ(effects(), std::vector<std::string>{});
}

TEST_F(Applier, InstallsTheFirstItemInFileOrderThatCarriesTodaysDigit)
{
    fake.files[schedule] = "\"C:\\MON.BMP2\"\r\n\"C:\\WED-1.BMP4\"\r\n\"C:\\WED-2.BMP4\"\r\n";
    fake.files["C:\\MON.BMP"] = "monday";
    fake.files["C:\\WED-1.BMP"] = "first wednesday";
    fake.files["C:\\WED-2.BMP"] = "second wednesday";
    fake.files[daily] = "yesterday";

    EXPECT_EQ(run(), Outcome::WallpaperInstalled);
    EXPECT_EQ(fake.files[daily], "first wednesday");
    EXPECT_EQ(fake.wallpapers, std::vector<std::string>{daily});
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.started_programs.empty());
    // The file holds three items and the third was never needed: no failure.
}

TEST_F(Applier, WithoutAMatchReinstallsTheDailyBitmapOfAnEarlierRun)
{
    fake.files[schedule] = "\"C:\\A.BMP1\"\r\n\"C:\\B.BMP2\"\r\n\"C:\\B.BMP2\"\r\n\"C:\\B.BMP2\"\r\n"
                           "\"C:\\B.BMP2\"\r\n\"C:\\B.BMP2\"\r\n\"C:\\B.BMP2\"\r\n";
    fake.files[daily] = "last week's wednesday";

    EXPECT_EQ(run(), Outcome::WallpaperInstalled);
    EXPECT_EQ(fake.files[daily], "last week's wednesday");
    EXPECT_EQ(fake.wallpapers, std::vector<std::string>{daily});
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(Applier, TodaysPictureIsCheckedBeforeItReplacesTheDailyBitmapAndInstallsAsPrepared)
{
    const std::string picture = "C:\\A.BMP";
    const std::string copy = "copy_replacing " + picture + " -> " + daily;
    std::string no_match; // seven items, none for a Wednesday
    for (int i = 0; i < 7; ++i)
        no_match += "\"C:\\A.BMP1\"\r\n";
    struct {
        const char* name;
        bool prepares;
        std::string schedule_text;
        std::vector<std::string> steps; // the wallpaper's calls, in order
        bool decoded = false;           // a picture of a format the daily bitmap is written from
    } const cases[] = {
        {"checked at once", false, "\"C:\\A.BMP4\"\r\n",
         {"load_picture " + picture, copy, "install_wallpaper " + daily}},
        {"prepared", true, "\"C:\\A.BMP4\"\r\n",
         {"prepare_wallpaper " + picture, "finish " + picture, "load_picture " + picture, copy,
          "install_prepared " + daily}},
        // The daily bitmap of an earlier run goes up again unchecked.
        {"no match, nothing prepared", false, no_match, {"install_wallpaper " + daily}},
        {"no match, a platform that prepares", true, no_match, {"install_wallpaper " + daily}},
        // Decoded completely before the daily bitmap is written, never copied.
        {"another format, prepared", true, "\"C:\\A.BMP4\"\r\n",
         {"prepare_wallpaper " + picture, "finish " + picture, "load_picture " + picture, "replace_with_bitmap " + daily,
          "install_prepared " + daily},
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake = testing::FakePlatform();
        fake.prepares_wallpapers = c.prepares;
        fake.files[schedule] = c.schedule_text;
        fake.files[picture] = "A";
        fake.files[daily] = "yesterday";
        if (c.decoded)
            fake.decoded_pictures.insert(picture);
        EXPECT_EQ(run(), Outcome::WallpaperInstalled);
        std::vector<std::string> steps;
        for (const std::string& call : fake.calls) {
            for (const char* kind :
                 {"load_picture ", "prepare_wallpaper ", "finish ", "copy_replacing ", "replace_with_bitmap ", "install_"})
                if (call.starts_with(kind))
                    steps.push_back(call);
        }
        EXPECT_EQ(steps, c.steps);
        EXPECT_EQ(fake.wallpapers, std::vector<std::string>{daily});
    }
}

TEST_F(Applier, WithoutAMatchOrADailyBitmapLeavesTheWallpaperAlone)
{
    fake.files[schedule] = "\"C:\\A.BMP1\"\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    EXPECT_EQ(run(), Outcome::NothingToInstall);
    EXPECT_TRUE(fake.wallpapers.empty());
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_TRUE(fake.started_programs.empty());
}

TEST_F(Applier, FailuresNameTheFileConcernedThenStartTheEditor)
{
    struct {
        const char* name;
        std::string schedule_text;
        std::string failing_path;
        std::string named;
        bool other_error = false; // the path fails with an error that is no Failure
        bool prepares = false;    // the platform prepares the wallpaper, and checks the picture late
        bool decoded = false;     // the picture is decoded and written, not copied
    } const cases[] = {
        {"short file, no match", "\"C:\\A.BMP1\"\r\n\"C:\\B.BMP2\"\r\n", "", schedule},
        {"empty file", "", "", schedule},
        {"unreadable schedule", "\"C:\\A.BMP4\"\r\n", schedule, schedule},
        {"today's picture deleted", "\"C:\\GONE.BMP4\"\r\n", "", "C:\\GONE.BMP"},
        {"bare digit item", "4\r\n", "", ""},
        {"daily bitmap not writable", "\"C:\\A.BMP4\"\r\n", daily, "C:\\A.BMP"},
        {"copy out of memory", "\"C:\\A.BMP4\"\r\n", daily, "C:\\A.BMP", true},
        {"today's picture is no picture", "\"C:\\NOISE.BMP4\"\r\n", "", "C:\\NOISE.BMP"},
        {"today's picture found no picture late", "\"C:\\NOISE.BMP4\"\r\n", "", "C:\\NOISE.BMP", false, true},
        {"a picture to decode found no picture", "\"C:\\NOISE.BMP4\"\r\n", "", "C:\\NOISE.BMP", false, true, true},
        {"a decoded picture the daily bitmap cannot take", "\"C:\\A.BMP4\"\r\n", daily, "C:\\A.BMP", false, true,
         true},
        // Damaged files of any size are read no further than seven items.
        {"megabytes of zero bytes", std::string(8 << 20, '\0'), "", schedule},
        {"an item longer than any path", "\"C:\\" + std::string(longest_item, 'A') + ".BMP4\"\r\n", "", schedule},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake = testing::FakePlatform();
        fake.prepares_wallpapers = c.prepares;
        fake.files[schedule] = c.schedule_text;
        fake.files["C:\\A.BMP"] = "A";
        fake.files["C:\\NOISE.BMP"] = "noise";
        fake.unreadable_pictures.insert("C:\\NOISE.BMP");
        if (c.decoded)
            fake.decoded_pictures = {"C:\\A.BMP", "C:\\NOISE.BMP"};
        fake.files[daily] = "last good picture";
        if (!c.failing_path.empty())
            (c.other_error ? fake.out_of_memory_paths : fake.failing_paths).insert(c.failing_path);
        EXPECT_EQ(run(), Outcome::FailureReported);
        expect_failure_message_naming(c.named);
        EXPECT_LE(fake.largest_read, schedule_read_limit);
        EXPECT_EQ(fake.files[daily], "last good picture");
    }
}

TEST_F(Applier, SpeaksFrenchOnAFrenchSystem)
{
    fake.language = "French";
    fake.files[schedule] = "\"C:\\GONE.BMP4\"\r\n";
    EXPECT_EQ(run(), Outcome::FailureReported);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].title, "Le Muralis");
    EXPECT_EQ(fake.messages[0].text, "D\xc3\xa9sol\xc3\xa9, le fichier: C:\\GONE.BMP, ne peut "
                                     "\xc3\xaatre trouv\xc3\xa9.\rReconfigurez vos images .BMP.");
}

TEST_F(Applier, AnEditorThatWillNotStartIsReportedAndTriedOnceMore)
{
    fake.failing_starts = 1;
    EXPECT_EQ(run(), Outcome::FailureReported);
    expect_failure_message_naming(schedule);
    EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "start_program " + editor), 2);

    testing::FakePlatform never;
    never.failing_starts = 2;
    EXPECT_THROW(Module1::Main(never.platform(), RunKind::LogOn), Failure);
    EXPECT_EQ(never.messages.size(), 1u);
}

TEST_F(Applier, AsksTheDateAfreshForEveryItem)
{
    // Midnight passes between the two items: Saturday, then Sunday.
    fake.dates = {{2026, 12, 12}, {2026, 12, 13}};
    fake.files[schedule] = "\"C:\\SUN-1.BMP1\"\r\n\"C:\\SUN-2.BMP1\"\r\n";
    fake.files["C:\\SUN-1.BMP"] = "one";
    fake.files["C:\\SUN-2.BMP"] = "two";
    EXPECT_EQ(run(), Outcome::WallpaperInstalled);
    EXPECT_EQ(fake.files[daily], "two");
}

TEST_F(Applier, AFolderItCannotEnterEndsTheRunBeforeAnythingElse)
{
    fake.failing_paths.insert("C:\\PROGRAMS\\MURALIS");
    EXPECT_THROW(run(), Failure);
    EXPECT_TRUE(fake.started_programs.empty());
    EXPECT_TRUE(fake.messages.empty());
}

TEST(RunKind, IsTheLogOnWithoutArgumentsAndTheDayChangeWithItsOneArgument)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Module1::run_kind(V{}), RunKind::LogOn);
    EXPECT_EQ(Module1::run_kind(V{"--day-change"}), RunKind::DayChange);
    for (const V& other : {V{""}, V{"--Day-Change"}, V{"-day-change"}, V{"--day-change", "--day-change"},
                           V{"--day-change="}, V{"--help"}})
        EXPECT_EQ(Module1::run_kind(other), std::nullopt) << other[0];
}

TEST(RunRecord, ReadsBackAsWrittenAndAnythingElseIsNoRecord)
{
    const RunRecord records[] = {
        {"", std::nullopt, std::nullopt},
        {"C:\\Users\\Zoé\\AppData\\Local\\Muralis",
         RunRecord::Installed{20261209, "C:\\My pictures\\100% blue .bmp", {6220854, 134098765432109876}, {54, -7}},
         RunRecord::Reported{20261210, "/pictures/line\nbreak\r and % and \x7f and  two spaces "}},
        {"", RunRecord::Installed{20261209, "", {0, 0}, {1, 2}}, std::nullopt}, // no item for today
    };
    for (const RunRecord& written : records) {
        const std::string text = format_run_record(written);
        EXPECT_EQ(parse_run_record(text), written) << text;
        EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), std::count(text.begin(), text.end(), '\r')) << text;
    }

    const std::string good = format_run_record(records[1]);
    const std::string head = "Muralrun record 1\r\nuser \r\ninstalled 20261209 1 2 3 ";
    const std::string damaged[] = {
        "", good.substr(0, good.size() - 1), "Muralrun record 2\r\nuser \r\n", "Muralrun record 1\nuser \n",
        head + "4\r\n", head + "x4 C:\\A.BMP\r\n", head + "99999999999999999999 C:\\A.BMP\r\n",
        head + "4 C:\\100%.BMP\r\n", head + "4 C:\\A\tB.BMP\r\n", good + good,
        "Muralrun record 1\r\nuser \r\ninstalled 2026129 1 2 3 4 C:\\A.BMP\r\n",
    };
    for (const std::string& text : damaged)
        EXPECT_EQ(parse_run_record(text), std::nullopt) << text;
}

// After a log-on run, a day-change run that finds today's picture up, as it
// is now, makes no desktop call and changes no file; anything else is a
// full run, which leaves a record the next day-change run takes.
TEST_F(Applier, ADayChangeRunDoesNothingWhileTodaysPictureIsUpAsItIs)
{
    const std::string no_match = "\"C:\\D1.BMP1\"\r\n\"C:\\D2.BMP2\"\r\n\r\n\r\n\r\n\r\n\r\n";
    std::string one_picture; // the same picture every day
    for (char day = '1'; day <= '7'; ++day)
        one_picture += std::string("\"C:\\D4.BMP") + day + "\"\r\n";
    struct {
        const char* name;
        std::function<void(testing::FakePlatform&)> change;
        Outcome outcome;
        RunKind kind = RunKind::DayChange;
        std::string week = {}; // empty for the whole week
    } const cases[] = {
        {"the same day", [](auto&) {}, Outcome::AlreadyInstalled},
        {"a day with no item of its own, the same day", [](auto&) {}, Outcome::AlreadyInstalled,
         RunKind::DayChange, no_match},
        {"a log-on run", [](auto&) {}, Outcome::WallpaperInstalled, RunKind::LogOn},
        {"the next day", [](auto& f) { f.dates = {{2026, 12, 10}}; }, Outcome::WallpaperInstalled},
        {"the next day, with the same picture", [](auto& f) { f.dates = {{2026, 12, 10}}; },
         Outcome::WallpaperInstalled, RunKind::DayChange, one_picture},
        {"the picture written again", [](auto& f) { f.written_times["C:\\D4.BMP"] = 7; },
         Outcome::WallpaperInstalled},
        {"the picture grown", [](auto& f) { f.files["C:\\D4.BMP"] += "!"; }, Outcome::WallpaperInstalled},
        {"another picture for today", [](auto& f) { f.files[schedule] = "\"C:\\D2.BMP4\"\r\n"; },
         Outcome::WallpaperInstalled},
        {"the daily bitmap replaced since", [](auto& f) { f.written_times[daily] = 9; },
         Outcome::WallpaperInstalled},
        {"the daily bitmap gone", [](auto& f) { f.files.erase(daily); }, Outcome::WallpaperInstalled},
        {"no record", [](auto& f) { f.files.erase(record); }, Outcome::WallpaperInstalled},
        {"a damaged record", [](auto& f) { f.files[record].pop_back(); }, Outcome::WallpaperInstalled},
        {"another user's record, in a shared folder",
         [](auto& f) { f.m_fallback_data_folder = "C:\\Users\\other\\AppData\\Local\\Muralis"; },
         Outcome::WallpaperInstalled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake = testing::FakePlatform();
        write_week();
        if (!c.week.empty())
            fake.files[schedule] = c.week;
        fake.files[daily] = "an earlier day";
        ASSERT_EQ(run(), Outcome::WallpaperInstalled);
        c.change(fake);
        fake.calls.clear();
        fake.wallpapers.clear();
        EXPECT_EQ(run(c.kind), c.outcome);
        if (c.outcome == Outcome::AlreadyInstalled) {
            EXPECT_EQ(effects(), std::vector<std::string>{});
            continue;
        }
        EXPECT_EQ(fake.wallpapers, std::vector<std::string>{daily});
        EXPECT_EQ(fake.calls.back(), "replace_text " + record);
        fake.calls.clear();
        EXPECT_EQ(run(RunKind::DayChange), Outcome::AlreadyInstalled);
        EXPECT_EQ(effects(), std::vector<std::string>{});
    }
}

// A failure reported today, by a log-on run or a day-change run, is not
// reported again by a day-change run the same day.
TEST_F(Applier, ADayChangeRunReportsAFailureOnceADay)
{
    struct {
        const char* name;
        std::function<void(testing::FakePlatform&)> change;
        bool reported;
        RunKind kind = RunKind::DayChange;
        bool unwritable = false; // the record cannot be written from the start
    } const cases[] = {
        {"the same day", [](auto&) {}, false},
        {"the same day, at log-on", [](auto&) {}, true, RunKind::LogOn},
        {"the next day", [](auto& f) { f.dates = {{2026, 12, 10}}; }, true},
        {"another file the same day", [](auto& f) { f.files[schedule] = "\"C:\\LOST.BMP4\"\r\n"; }, true},
        {"the record unwritable", [](auto&) {}, true, RunKind::DayChange, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake = testing::FakePlatform();
        fake.files[schedule] = "\"C:\\GONE.BMP4\"\r\n\"C:\\GONE.BMP5\"\r\n";
        if (c.unwritable)
            fake.failing_paths.insert(record);
        ASSERT_EQ(run(), Outcome::FailureReported);
        // Recorded before the message, which may wait for hours.
        const auto recorded = std::find(fake.calls.begin(), fake.calls.end(), "replace_text " + record);
        EXPECT_LT(recorded, std::find(fake.calls.begin(), fake.calls.end(), "message_box The Muralis"));
        c.change(fake);
        fake.calls.clear();
        fake.messages.clear();
        fake.started_programs.clear();
        EXPECT_EQ(run(c.kind), c.reported ? Outcome::FailureReported : Outcome::FailureAlreadyReported);
        EXPECT_EQ(fake.messages.size(), c.reported ? 1u : 0u);
        EXPECT_EQ(fake.started_programs.size(), c.reported ? 1u : 0u);
    }

    // A success ends the silence: the same file gone again is news.
    fake = testing::FakePlatform();
    fake.files[schedule] = "\"C:\\GONE.BMP4\"\r\n";
    ASSERT_EQ(run(), Outcome::FailureReported);
    fake.files["C:\\GONE.BMP"] = "back";
    EXPECT_EQ(run(RunKind::DayChange), Outcome::WallpaperInstalled);
    fake.files.erase("C:\\GONE.BMP");
    EXPECT_EQ(run(RunKind::DayChange), Outcome::FailureReported);
}

} // namespace
} // namespace muralis
