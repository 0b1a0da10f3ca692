#include <gtest/gtest.h>

#include <algorithm>

#include "applier/module1.h"
#include "fake/fake_platform.h"
#include "schedule/schedule_file.h"

namespace muralis {
namespace {

using Module1::Outcome;

const std::string schedule = "C:\\WINDOWS\\Vantorel.cfg";
const std::string daily = "C:\\WINDOWS\\Vantorel.bmp";
const std::string editor = "C:\\PROGRAMS\\MURALIS\\Muralset.exe";
const LocalDate wednesday{2026, 12, 9}; // weekday 4

class Applier : public ::testing::Test {
protected:
    Outcome run() { return Module1::Main(fake.platform()); }

    void expect_failure_message_naming(const std::string& path)
    {
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].title, "The Muralis");
        EXPECT_EQ(fake.messages[0].text,
                  "Sorry, the file: " + path + ", can not be found.\rExecute your setup again");
        EXPECT_EQ(fake.started_programs, std::vector<std::string>{editor});
        EXPECT_TRUE(fake.wallpapers.empty());
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
    EXPECT_EQ(Module1::Main(hidden.platform()), Outcome::EditorStarted);
    EXPECT_TRUE(hidden.wallpapers.empty());
    EXPECT_EQ(hidden.files.count(daily), 0u);
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
    EXPECT_THROW(Module1::Main(never.platform()), Failure);
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

} // namespace
} // namespace muralis
