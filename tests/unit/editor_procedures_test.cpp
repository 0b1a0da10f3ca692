// The editor's procedures on the scripted platform: the picture browser,
// the walk through the week, and the life cycle from the load to the end.
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

#include "editor/arriere_plan.h"
#include "editor/web_address.h"
#include "fake/fake_platform.h"

namespace muralis::editor {
namespace {

const std::string schedule = "C:\\WINDOWS\\Vantorel.cfg";
const std::string missing_sea = "Can not find the file: SEA.BMP\rYou will need to setup a new .BMP file.";

// 2026-12-09 is a Wednesday (4); the 11th a Friday, the 12th a Saturday.
constexpr LocalDate wednesday{2026, 12, 9};
constexpr LocalDate friday{2026, 12, 11};
constexpr LocalDate saturday{2026, 12, 12};

class Editor : public ::testing::Test {
protected:
    Editor()
    {
        fake.folders.insert({"C:\\IMAGES", "C:\\EMPTY", "D:\\PHOTOS"});
        for (const char* name : {"LAC.BMP", "SEA.BMP", "sky.bmp", "notes.txt"})
            fake.files[std::string("C:\\IMAGES\\") + name] = "BM";
        fake.files["C:\\ROOT.BMP"] = "BM";
        fake.files["D:\\PHOTOS\\SUN.BMP"] = "BM";
        fake.files["C:\\PROGRAMS\\MURALIS\\OWN.BMP"] = "BM";
    }

    // Starts the editor on a schedule of these slot entries (none: a first
    // run) on date.
    Arriere_Plan& start(std::initializer_list<std::string> slots, LocalDate date = wednesday)
    {
        if (slots.size() > 0) {
            // Seven lines, the slots not given empty.
            std::string text;
            for (const auto& slot : slots)
                text += slot.empty() ? "\r\n" : "\"" + slot + "\"\r\n";
            for (std::size_t line = slots.size(); line < 7; ++line)
                text += "\r\n";
            fake.files[schedule] = text;
        }
        fake.dates = {date};
        window = std::make_unique<Arriere_Plan>(fake.platform());
        window->Form_Load();
        return *window;
    }

    // What the user does: opens folder in the folder list, then picks name.
    void pick(const std::string& folder, const std::string& name)
    {
        window->Dir1.user_open(folder);
        const auto& names = window->File1.names();
        const auto found = std::find(names.begin(), names.end(), name);
        ASSERT_NE(found, names.end()) << name;
        window->File1.user_select(static_cast<int>(found - names.begin()));
    }

    std::vector<std::string> slots() const
    {
        return {window->weekday_slot_table.begin() + 1, window->weekday_slot_table.end()};
    }

    testing::FakePlatform fake;
    std::unique_ptr<Arriere_Plan> window;
};

// ---- The picture browser --------------------------------------------------------

TEST_F(Editor, AClickedFilePreviewsItAndItsPathIsFolderSeparatorName)
{
    auto& w = start({});
    struct Case {
        std::string folder;
        std::string name;
        std::string path;
    };
    for (const Case& test : {Case{"C:\\IMAGES", "SEA.BMP", "C:\\IMAGES\\SEA.BMP"},
                             Case{"C:\\", "ROOT.BMP", "C:\\\\ROOT.BMP"}}) {
        SCOPED_TRACE(test.path);
        pick(test.folder, test.name);
        EXPECT_EQ(w.current_picture_path, test.path);
        EXPECT_EQ(fake.loaded_pictures.back(), test.path);
        EXPECT_NE(w.Image1.Picture(), nullptr);
        EXPECT_FALSE(w.Frame1.Visible());
        EXPECT_TRUE(w.Bouton_Accepter.Enabled());
    }

    // No file selected: the path names the folder, Accept waits.
    w.File1.set_ListIndex(-1);
    EXPECT_EQ(w.current_picture_path, "C:\\\\");
    EXPECT_FALSE(w.Bouton_Accepter.Enabled());

    // A file that is no picture: an empty preview and no Accept.
    fake.failing_paths.insert("C:\\IMAGES\\LAC.BMP");
    pick("C:\\IMAGES", "LAC.BMP");
    EXPECT_EQ(w.Image1.Picture(), nullptr);
    EXPECT_FALSE(w.Bouton_Accepter.Enabled());

    // In the program's own folder a click changes nothing.
    pick("C:\\IMAGES", "SEA.BMP");
    const std::size_t loads = fake.loaded_pictures.size();
    pick("C:\\PROGRAMS\\MURALIS", "OWN.BMP");
    w.File1.set_ListIndex(0);
    EXPECT_EQ(fake.loaded_pictures.size(), loads);
    EXPECT_EQ(w.current_picture_path, "C:\\IMAGES\\SEA.BMP");
}

TEST_F(Editor, FolderAndDriveChangesRefillTheListsAndEmptyThePreview)
{
    auto& w = start({});
    pick("C:\\IMAGES", "SEA.BMP");
    w.Jour.set_Visible(false);
    w.Dir1.user_open("C:\\EMPTY");
    EXPECT_EQ(w.File1.Path(), "C:\\EMPTY");
    EXPECT_EQ(w.File1.Pattern(), "*.bmp");
    EXPECT_EQ(w.Image1.Picture(), nullptr);
    EXPECT_TRUE(w.Frame1.Visible());
    EXPECT_FALSE(w.Bouton_Accepter.Enabled());
    EXPECT_TRUE(w.Jour.Visible());

    w.Drive1.user_choose("D:");
    EXPECT_EQ(w.Dir1.Path(), "D:\\");
    EXPECT_EQ(w.File1.Path(), "D:\\");
    // A drive with no medium: the list goes back to the drive still shown,
    // with no message.
    w.Drive1.user_choose("A:");
    EXPECT_EQ(w.Drive1.Drive(), "D:");
    EXPECT_EQ(w.Dir1.Path(), "D:\\");
    EXPECT_TRUE(fake.messages.empty());
}

// The file list shows the pictures the platform reads; the day label stays
// for a name that ends as one of them does, whatever the letter case.
TEST_F(Editor, TheListAndTheDayLabelFollowThePicturesThePlatformReads)
{
    fake.picture_patterns = "*.bmp;*.jpg;*.jpeg;*.png;*.webp";
    for (const char* name : {"beach.JPEG", "dune.jpg", "photo.Png", "loop.webp", "scan.tif", "jpg", "xBMP"})
        fake.files[std::string("C:\\IMAGES\\") + name] = "";
    auto& w = start({});
    w.Dir1.user_open("C:\\IMAGES");
    EXPECT_EQ(w.File1.Pattern(), fake.picture_patterns);
    EXPECT_EQ(w.File1.names(), (std::vector<std::string>{"beach.JPEG", "dune.jpg", "LAC.BMP", "loop.webp",
                                                         "photo.Png", "SEA.BMP", "sky.bmp"}));

    const struct {
        const char* name;
        bool shown;
    } labels[] = {
        {"SEA.BMP", true}, {"beach.JPEG", true}, {"dune.jpg", true}, {"photo.Png", true}, {"loop.webp", true},
        {"scan.tif", false}, {"notes.txt", false},
        // The last characters alone are compared, as for "BMP".
        {"jpg", true}, {"xBMP", true},
    };
    w.File1.set_Pattern("*.*");
    for (const auto& label : labels) {
        SCOPED_TRACE(label.name);
        const auto& names = w.File1.names();
        const auto found = std::find(names.begin(), names.end(), label.name);
        ASSERT_NE(found, names.end());
        w.File1.set_ListIndex(static_cast<int>(found - names.begin()));
        w.Jour.set_Visible(!label.shown);
        w.file1_PathChange();
        EXPECT_EQ(w.Jour.Visible(), label.shown);
    }

    // Where the platform reads bitmaps alone, a JPEG's name hides the label.
    testing::FakePlatform bitmaps_only;
    bitmaps_only.files["C:\\IMAGES\\dune.jpg"] = "";
    bitmaps_only.folders.insert("C:\\IMAGES");
    Arriere_Plan only(bitmaps_only.platform());
    only.Form_Load();
    only.Dir1.user_open("C:\\IMAGES");
    only.File1.set_Pattern("*.*");
    only.File1.set_ListIndex(0);
    only.file1_PathChange();
    EXPECT_FALSE(only.Jour.Visible());
}

TEST_F(Editor, NomFichierCutsTheNameAfterTheLastSeparator)
{
    auto& w = start({});
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
             {"C:\\IMAGES\\SEA.BMP", "SEA.BMP"}, {"C:\\\\SEA.BMP", "SEA.BMP"}, {"C:\\IMAGES\\", ""},
             {"SEA.BMP", "SEA.BMP"}, {"", ""}}) {
        w.current_picture_path = path;
        w.Nom_Fichier();
        EXPECT_EQ(w.picture_file_name, name) << path;
    }
}

// Emplacement_Photo from the load, on today's (Wednesday's) slot.
TEST_F(Editor, TheLoadPositionsTheBrowserOnTodaysPicture)
{
    struct Case {
        std::string entry;
        std::string folder;   // where the lists end
        std::string selected; // the file selected there
        bool found;
    };
    const Case cases[] = {
        {"C:\\IMAGES\\SEA.BMP4", "C:\\IMAGES", "SEA.BMP", true},
        {"C:\\IMAGES\\sky.bmp4", "C:\\IMAGES", "sky.bmp", true}, // the last entry
        {"C:\\\\ROOT.BMP4", "C:\\", "ROOT.BMP", true},
        {"D:\\PHOTOS\\SUN.BMP4", "D:\\PHOTOS", "SUN.BMP", true},
        // Missing: the last entry stays selected, the message is shown.
        {"C:\\IMAGES\\GONE.BMP4", "C:\\IMAGES", "sky.bmp", false},
        {"C:\\IMAGES\\sea.bmp4", "C:\\IMAGES", "sky.bmp", false}, // names compare exactly
        {"C:\\EMPTY\\SEA.BMP4", "C:\\EMPTY", "", false},
        // A folder or drive that has gone, or a damaged entry: reported
        // alike, the lists left where they were with nothing selected.
        {"C:\\GONE\\SEA.BMP4", "C:\\PROGRAMS\\MURALIS", "", false},
        {"Q:\\IMAGES\\SEA.BMP4", "C:\\PROGRAMS\\MURALIS", "", false},
        {"A:\\SEA.BMP4", "C:\\PROGRAMS\\MURALIS", "", false},
        {"SEA.BMP4", "C:\\PROGRAMS\\MURALIS", "", false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.entry);
        fake.messages.clear();
        auto& w = start({"C:\\IMAGES\\LAC.BMP3", test.entry, "C:\\IMAGES\\LAC.BMP5"});
        EXPECT_EQ(w.edited_slot, 2);
        EXPECT_EQ(w.Dir1.Path(), test.folder);
        EXPECT_EQ(w.File1.FileName(), test.selected);
        EXPECT_EQ(w.Bouton_Image.Enabled(), test.found);
        EXPECT_EQ(w.missing_picture_flag, test.found ? 0 : 1);
        EXPECT_EQ(w.positioning_flag, 0);
        if (test.found) {
            EXPECT_TRUE(fake.messages.empty());
            EXPECT_TRUE(w.Image1.Visible());
            EXPECT_NE(w.Image1.Picture(), nullptr);
            EXPECT_FALSE(w.Frame1.Visible());
            EXPECT_TRUE(w.Bouton_Accepter.Enabled());
            continue;
        }
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].title, "Muralis");
        EXPECT_EQ(fake.messages[0].style, MessageStyle{});
        EXPECT_EQ(fake.messages[0].text.substr(0, 23), "Can not find the file: ");
        // The load then offers the file the list has selected, if any.
        EXPECT_EQ(w.Image1.Visible(), true);
        EXPECT_FALSE(w.Frame1.Visible());
        EXPECT_EQ(w.Image1.Picture() != nullptr, !test.selected.empty());
        EXPECT_EQ(w.Bouton_Accepter.Enabled(), !test.selected.empty());
    }
    EXPECT_EQ(fake.messages[0].text, missing_sea);
}

TEST_F(Editor, PositioningSelectsEveryEntryInTurnWhileTheClickWaits)
{
    auto& w = start({"C:\\IMAGES\\sky.bmp4"});
    std::vector<std::string> clicks;
    w.File1.Click = [&] {
        clicks.push_back(std::to_string(w.File1.ListIndex()) + (w.positioning_flag ? " ignored" : " run"));
        w.File1_Click();
    };
    w.Dir1.user_open("C:\\");
    fake.loaded_pictures.clear();
    w.Emplacement_Photo();
    EXPECT_EQ(clicks, (std::vector<std::string>{"0 ignored", "1 ignored", "2 ignored"}));
    // Found: the preview reads the picture once, though two steps show it.
    EXPECT_EQ(fake.loaded_pictures, std::vector<std::string>{"C:\\IMAGES\\sky.bmp"});

    // Missing, then a click by the user runs in full.
    fake.files.erase("C:\\IMAGES\\sky.bmp");
    w.Dir1.user_open("C:\\");
    clicks.clear();
    w.Emplacement_Photo();
    EXPECT_EQ(clicks, (std::vector<std::string>{"0 ignored", "1 ignored"}));
    w.File1.user_select(0);
    EXPECT_EQ(clicks.back(), "0 run");
    EXPECT_EQ(w.current_picture_path, "C:\\IMAGES\\LAC.BMP");
}

TEST_F(Editor, FirstRunAndDaysWithoutASlotPositionNothingOrSlotOne)
{
    // A first run: the first positioning is skipped, the next one is not.
    auto& first = start({});
    EXPECT_EQ(first.first_run_flag, 0);
    EXPECT_EQ(first.Dir1.Path(), "C:\\PROGRAMS\\MURALIS");
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_FALSE(first.Bouton_Accepter.Enabled());

    // No slot for Wednesday: slot 1's picture stands in.
    auto& w = start({"C:\\IMAGES\\SEA.BMP2", "C:\\IMAGES\\SEA.BMP2"});
    EXPECT_EQ(w.edited_slot, 1);
    EXPECT_EQ(w.edited_weekday, 4);
    EXPECT_EQ(w.Dir1.Path(), "C:\\IMAGES");
    EXPECT_EQ(w.File1.FileName(), "SEA.BMP");
    EXPECT_TRUE(fake.messages.empty());

    // Slot 1 empty too: nothing is positioned, nothing reported.
    auto& empty = start({"", "C:\\IMAGES\\SEA.BMP2"});
    EXPECT_EQ(empty.Dir1.Path(), "C:\\PROGRAMS\\MURALIS");
    EXPECT_EQ(empty.Image1.Picture(), nullptr);
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(Editor, EnterAndDoubleClickAcceptOtherKeysDoNot)
{
    auto& w = start({});
    pick("C:\\IMAGES", "SEA.BMP");
    w.File1.user_key_press('a');
    EXPECT_EQ(slots()[0], "");
    w.File1.user_key_press(13);
    EXPECT_EQ(slots()[0], "C:\\IMAGES\\SEA.BMP4");
    // Double-click runs Accept though the button is disabled.
    ASSERT_FALSE(w.Bouton_Accepter.Enabled());
    w.File1.user_double_click(0);
    EXPECT_EQ(slots()[1], "C:\\IMAGES\\LAC.BMP5");
    // With nothing selected, neither stores nor moves.
    w.File1.user_key_press(13);
    w.File1_Click();
    w.file1_DblClick();
    EXPECT_EQ(slots()[2], "");
    EXPECT_EQ(w.edited_slot, 3);
}

// ---- The walk through the week ---------------------------------------------------

TEST_F(Editor, AFirstRunWalksTheWeekFromToday)
{
    struct Case {
        LocalDate date;
        std::string digits;
    };
    for (const Case& test : {Case{wednesday, "4567123"}, Case{friday, "6712345"}, Case{saturday, "7123456"}}) {
        SCOPED_TRACE(test.digits);
        fake.beeps = 0;
        auto& w = start({}, test.date);
        for (int slot = 1; slot <= 7; ++slot) {
            pick("C:\\IMAGES", slot % 2 ? "SEA.BMP" : "LAC.BMP");
            w.Bouton_Accepter.click();
            EXPECT_TRUE(w.Bouton_Enregistrer.Enabled());
            EXPECT_FALSE(w.Bouton_Quitter.Enabled());
            EXPECT_FALSE(w.Bouton_Accepter.Enabled());
            if (slot < 7) {
                // The next day waits for a file, named in the day label.
                EXPECT_TRUE(w.Frame1.Visible());
                EXPECT_EQ(w.File1.ListIndex(), -1);
                EXPECT_EQ(w.Jour.Caption(), fake.upper_case(fake.day_names[static_cast<std::size_t>(
                                                test.digits[static_cast<std::size_t>(slot)] - '1')]));
                EXPECT_FALSE(w.Bouton_Image.Enabled());
                EXPECT_EQ(fake.beeps, 0);
            }
        }
        std::string digits;
        for (const auto& entry : slots())
            digits += entry.back();
        EXPECT_EQ(digits, test.digits);
        EXPECT_EQ(slots()[0], "C:\\IMAGES\\SEA.BMP" + test.digits.substr(0, 1));

        // The seventh Accept: the beep, Save focused, back to today.
        EXPECT_EQ(fake.beeps, 1);
        EXPECT_FALSE(w.Frame1.Visible());
        EXPECT_TRUE(w.Bouton_Image.Enabled());
        EXPECT_EQ(w.edited_slot, 1);
        EXPECT_EQ(w.Jour.Caption(), fake.upper_case(fake.day_names[static_cast<std::size_t>(test.digits[0] - '1')]));
        EXPECT_EQ(w.File1.FileName(), "SEA.BMP");
        EXPECT_TRUE(w.Image1.Visible());
    }
}

TEST_F(Editor, TheSeventhAcceptFocusesSave)
{
    struct Focus : ControlObserver {
        std::vector<std::string> focused;
        void control_changed(Control& control, Property property) override
        {
            if (property == Property::Focus)
                focused.push_back(control.name() + (control.Enabled() ? "" : " (disabled)"));
        }
        void window_caption_changed(const std::string&) override {}
        void window_moved() override {}
        void window_ended() override {}
    } focus;
    auto& w = start({"C:\\IMAGES\\SEA.BMP1", "C:\\IMAGES\\SEA.BMP2", "C:\\IMAGES\\SEA.BMP3", "C:\\IMAGES\\SEA.BMP4",
                     "C:\\IMAGES\\SEA.BMP5", "C:\\IMAGES\\SEA.BMP6", "C:\\IMAGES\\SEA.BMP7"});
    w.attach_view(&focus);
    for (int slot = 4; slot <= 7; ++slot)
        w.Bouton_Accepter.click();
    EXPECT_EQ(focus.focused, std::vector<std::string>{"Bouton_Enregistrer"});
    EXPECT_EQ(w.edited_slot, 4);
}

TEST_F(Editor, RevisingAWeekShowsEachNextPictureSelected)
{
    auto& w = start({"C:\\IMAGES\\LAC.BMP3", "C:\\IMAGES\\SEA.BMP4", "D:\\PHOTOS\\SUN.BMP5", "C:\\IMAGES\\GONE.BMP6",
                     "C:\\IMAGES\\LAC.BMP7", "C:\\IMAGES\\LAC.BMP1", "C:\\IMAGES\\LAC.BMP2"});
    EXPECT_TRUE(w.Bouton_Accepter.Enabled());
    pick("C:\\IMAGES", "sky.bmp");
    w.Bouton_Accepter.click();
    EXPECT_EQ(slots()[1], "C:\\IMAGES\\sky.bmp4");
    EXPECT_EQ(w.edited_slot, 3);
    EXPECT_EQ(w.Dir1.Path(), "D:\\PHOTOS");
    EXPECT_EQ(w.File1.FileName(), "SUN.BMP");
    EXPECT_TRUE(w.Bouton_Accepter.Enabled());
    EXPECT_TRUE(w.Bouton_Enregistrer.Enabled());
    EXPECT_FALSE(w.Bouton_Quitter.Enabled());
    EXPECT_EQ(w.Jour.Caption(), "THURSDAY");

    // Accepted unchanged, then onto a picture that has gone: an empty
    // preview and the browser's report.
    w.Bouton_Accepter.click();
    EXPECT_EQ(slots()[2], "D:\\PHOTOS\\SUN.BMP5");
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text.substr(0, 32), "Can not find the file: GONE.BMP\r");
    EXPECT_EQ(w.Image1.Picture(), nullptr);
    EXPECT_FALSE(w.Image1.Visible());
}

// Accept onto a filled slot offers that slot's picture; where the lists
// can select none (its folder gone or empty), Accept has nothing to take.
TEST_F(Editor, AcceptOntoAFilledSlotStaysUsableOnlyWithAFileSelected)
{
    struct Case {
        std::string next_entry;
        std::string folder; // where the lists end
        std::string selected;
        bool accept_enabled;
    };
    const Case cases[] = {
        {"D:\\PHOTOS\\SUN.BMP5", "D:\\PHOTOS", "SUN.BMP", true},
        {"C:\\GONE\\SUN.BMP5", "C:\\IMAGES", "", false},
        {"C:\\EMPTY\\SUN.BMP5", "C:\\EMPTY", "", false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.next_entry);
        auto& w = start({"C:\\IMAGES\\SEA.BMP4", test.next_entry});
        w.Bouton_Accepter.click();
        EXPECT_EQ(w.edited_slot, 2);
        EXPECT_EQ(w.Dir1.Path(), test.folder);
        EXPECT_EQ(w.File1.FileName(), test.selected);
        EXPECT_EQ(w.Bouton_Accepter.Enabled(), test.accept_enabled);
        // A click keeps the selected picture and moves on, or does nothing.
        w.Bouton_Accepter.click();
        EXPECT_EQ(slots()[1], test.next_entry);
        EXPECT_EQ(w.edited_slot, test.accept_enabled ? 3 : 2);
    }
}

TEST_F(Editor, ThePictureButtonStepsOneWeekdayAndFindsItsLowestSlot)
{
    auto& w = start({"C:\\IMAGES\\LAC.BMP1", "C:\\IMAGES\\SEA.BMP7", "C:\\IMAGES\\sky.bmp1", "C:\\IMAGES\\SEA.BMP2",
                     "C:\\IMAGES\\SEA.BMP3", "C:\\IMAGES\\SEA.BMP4", "C:\\IMAGES\\SEA.BMP5"},
                    friday);
    // Friday (6) has no slot: slot 1 stands in.
    EXPECT_EQ(w.edited_slot, 1);
    w.Bouton_Image.click(); // Saturday, found below
    EXPECT_EQ(w.edited_weekday, 7);
    EXPECT_EQ(w.edited_slot, 2);
    EXPECT_EQ(w.Jour.Caption(), "SATURDAY");
    w.Bouton_Image.click(); // Sunday: two slots carry it, the lower wins
    EXPECT_EQ(w.edited_weekday, 1);
    EXPECT_EQ(w.edited_slot, 1);
    EXPECT_EQ(w.File1.FileName(), "LAC.BMP");
    EXPECT_TRUE(fake.messages.empty());
    // Every step leaves the button states as they were.
    EXPECT_FALSE(w.Bouton_Enregistrer.Enabled());
    EXPECT_TRUE(w.Bouton_Quitter.Enabled());

    // No slot carries the next weekday: the slot References reached is
    // positioned with the name of the path as it was.
    w.weekday_slot_table[4] = "D:\\PHOTOS\\SUN.BMP9";
    w.edited_slot = 3;
    w.edited_weekday = 1;
    w.Bouton_Image_Click();
    EXPECT_EQ(w.edited_slot, 4);
    EXPECT_EQ(w.current_picture_path, "C:\\IMAGES\\LAC.BMP");
    EXPECT_EQ(w.Dir1.Path(), "D:\\PHOTOS");
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].text.substr(0, 31), "Can not find the file: LAC.BMP\r");

    w.edited_slot = 7;
    w.edited_weekday = 7;
    w.References();
    EXPECT_EQ(w.edited_slot, 1);
    EXPECT_EQ(w.edited_weekday, 1);
}

TEST_F(Editor, ANameTheScheduleCannotKeepIsRefused)
{
    for (const bool french : {false, true}) {
        fake.language = french ? "French" : "English";
        fake.files["C:\\IMAGES\\say \"hi\".bmp"] = "BM";
        fake.files["C:\\IMAGES\\two\nlines.bmp"] = "BM";
        auto& w = start({});
        for (const char* name : {"say \"hi\".bmp", "two\nlines.bmp"}) {
            fake.messages.clear();
            pick("C:\\IMAGES", name);
            w.Bouton_Accepter.click();
            EXPECT_EQ(slots()[0], "") << name;
            EXPECT_EQ(w.edited_slot, 0);
            EXPECT_TRUE(w.Bouton_Accepter.Enabled());
            ASSERT_EQ(fake.messages.size(), 1u);
            EXPECT_EQ(fake.messages[0].title, "Muralis");
            EXPECT_EQ(fake.messages[0].text,
                      (french ? "Le nom de ce fichier ne peut pas être conservé dans la configuration: "
                              : "The name of this file cannot be kept in the schedule: ") +
                          std::string("C:\\IMAGES\\") + name +
                          (french ? "\rRenommez le fichier ou choisissez-en un autre."
                                  : "\rRename the file, or choose another one."));
        }
    }
}

// ---- Load, save and the ways out -------------------------------------------------

TEST_F(Editor, TheLoadCentresTheWindowAndNamesTodayInCapitals)
{
    struct Case {
        TwipsSize screen;
        TwipsSize window;
        float left;
        float top;
    };
    for (const Case& test : {Case{{15360, 11520}, {4575, 3540}, 5392.5f, 3990.f},
                             Case{{3600, 2400}, {4575, 3540}, -487.5f, -570.f}}) {
        fake.screen = test.screen;
        fake.dates = {wednesday};
        Arriere_Plan w(fake.platform());
        w.set_outer_size(test.window);
        w.Form_Load();
        EXPECT_EQ(w.Left(), test.left);
        EXPECT_EQ(w.Top(), test.top);
        EXPECT_EQ(w.Jour.Caption(), "WEDNESDAY");
    }
    fake.day_names[3] = "mercredi";
    EXPECT_EQ(start({}).Jour.Caption(), "MERCREDI");
}

TEST_F(Editor, SavingWritesTheWeekAndTurnsQuitBackOn)
{
    auto& w = start({});
    // A first run makes the log-on shortcut only: nothing runs at midnight
    // before a week is saved.
    EXPECT_TRUE(fake.day_change_runs.empty());
    pick("C:\\IMAGES", "SEA.BMP");
    w.Bouton_Accepter.click();
    w.Bouton_Enregistrer.click();
    // The empty slots after the first repeat it.
    std::string week;
    for (int line = 0; line < 7; ++line)
        week += "\"C:\\IMAGES\\SEA.BMP4\"\r\n";
    EXPECT_EQ(fake.files[schedule], week);
    EXPECT_FALSE(w.Bouton_Enregistrer.Enabled());
    EXPECT_TRUE(w.Bouton_Quitter.Enabled());
    // Saved, then registered to run at each change of day.
    using DayChangeRun = testing::FakePlatform::DayChangeRun;
    EXPECT_EQ(fake.day_change_runs, (std::vector<DayChangeRun>{
                                        {"Today's Wallpaper", "C:\\PROGRAMS\\MURALIS\\Muralrun.exe", "--day-change"}}));
    EXPECT_EQ(fake.calls.back(), "register_day_change Today's Wallpaper");

    // A save that fails keeps the old file and says why; Save stays on.
    for (const bool french : {false, true}) {
        fake.language = french ? "French" : "English";
        pick("C:\\IMAGES", "LAC.BMP");
        w.Bouton_Accepter.click();
        fake.failing_paths.insert(schedule);
        fake.messages.clear();
        w.Bouton_Enregistrer.click();
        EXPECT_EQ(fake.files[schedule].substr(0, 22), "\"C:\\IMAGES\\SEA.BMP4\"\r\n");
        ASSERT_EQ(fake.messages.size(), 1u);
        EXPECT_EQ(fake.messages[0].text, std::string(french ? "Impossible d'enregistrer le fichier: "
                                                            : "Could not save the file: ") +
                                             schedule + "\rPath/File access error: " + schedule);
        EXPECT_TRUE(w.Bouton_Enregistrer.Enabled());
        EXPECT_FALSE(w.Bouton_Quitter.Enabled());
        EXPECT_EQ(fake.day_change_runs.size(), 1u); // nothing registered for a week not saved
        fake.failing_paths.clear();
    }

    // Every good save registers again, by the language's name.
    w.Bouton_Enregistrer.click();
    ASSERT_EQ(fake.day_change_runs.size(), 2u);
    EXPECT_EQ(fake.day_change_runs[1],
              (DayChangeRun{"Papier-peint du jour", "C:\\PROGRAMS\\MURALIS\\Muralrun.exe", "--day-change"}));

    // A registration that fails after a good save shows nothing: the week
    // is saved and Save is done.
    pick("C:\\IMAGES", "SEA.BMP");
    w.Bouton_Accepter.click();
    fake.failing_day_change = "The Task Scheduler service is not available.";
    fake.messages.clear();
    fake.files.erase(schedule);
    w.Bouton_Enregistrer.click();
    EXPECT_EQ(fake.files.count(schedule), 1u);
    EXPECT_TRUE(fake.messages.empty());
    EXPECT_FALSE(w.Bouton_Enregistrer.Enabled());
    EXPECT_TRUE(w.Bouton_Quitter.Enabled());
}

TEST_F(Editor, EveryWayOutEndsWithTheCreditsBox)
{
    struct Case {
        std::string name;
        bool accept;         // an unsaved change
        bool quit_button;    // Quit rather than closing the window
        std::vector<MessageAnswer> answers;
        bool save_fails;
        bool writes;
        bool ends;
        int boxes;
        bool registration_fails = false; // the day-change run
    };
    const Case cases[] = {
        {"quit at once", false, true, {}, false, false, true, 1},
        {"close with nothing to save", false, false, {}, false, false, true, 1},
        {"close, Yes", true, false, {MessageAnswer::Yes}, false, true, true, 2},
        {"close, No", true, false, {MessageAnswer::No}, false, false, true, 2},
        {"close, Yes, the save fails", true, false, {MessageAnswer::Yes}, true, false, false, 2},
        {"close, Yes, the day-change run cannot be registered", true, false, {MessageAnswer::Yes}, false, true, true, 2,
         true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        fake.files.erase(schedule);
        fake.messages.clear();
        fake.day_change_runs.clear();
        auto& w = start({"C:\\IMAGES\\SEA.BMP4"});
        fake.files.erase(schedule);
        if (test.accept)
            w.Bouton_Accepter.click();
        fake.answers = test.answers;
        if (test.save_fails)
            fake.failing_paths.insert(schedule);
        fake.failing_day_change = test.registration_fails ? "Access is denied." : "";
        if (test.quit_button)
            w.Bouton_Quitter.click();
        else
            w.Form_Unload();
        fake.failing_paths.clear();
        EXPECT_EQ(fake.files.count(schedule), test.writes ? 1u : 0u);
        // Registered exactly when the week was saved, and never on the way
        // out otherwise.
        EXPECT_EQ(fake.day_change_runs.size(), test.writes && !test.registration_fails ? 1u : 0u);
        EXPECT_EQ(w.ended(), test.ends);
        ASSERT_EQ(fake.messages.size(), static_cast<std::size_t>(test.boxes));
        if (test.accept) {
            EXPECT_EQ(fake.messages[0].title, "WARNING: Do you want to save your data ...");
            EXPECT_EQ(fake.messages[0].text, "Before QUITTING the Muralis?");
            EXPECT_EQ(fake.messages[0].style,
                      (MessageStyle{MessageIcon::Stop, MessageButtons::YesNo, MessageAnswer::Yes}));
        }
        if (test.ends) {
            EXPECT_EQ(fake.messages.back().title, "Muralis (version 1.1) - Credits");
            EXPECT_EQ(fake.messages.back().text,
                      "Created by:\rThe Muralis team\r\rA wallpaper for each day of the week.");
            EXPECT_EQ(fake.messages.back().style, (MessageStyle{MessageIcon::Question}));
        } else {
            EXPECT_EQ(fake.messages.back().text.substr(0, 25), "Could not save the file: ");
            EXPECT_TRUE(w.Bouton_Enregistrer.Enabled());
        }
    }

    fake.language = "French";
    auto& w = start({"C:\\IMAGES\\SEA.BMP4"});
    w.Bouton_Accepter.click();
    fake.messages.clear();
    fake.answers = {MessageAnswer::No};
    w.Form_Unload();
    ASSERT_EQ(fake.messages.size(), 2u);
    EXPECT_EQ(fake.messages[0].title, "ATTENTION, AVANT DE QUITTER ...");
    EXPECT_EQ(fake.messages[0].text, "Voulez-vous conserver votre configuration?");
    EXPECT_EQ(fake.messages[1].title, "Muralis (version 1.1)");
    EXPECT_EQ(fake.messages[1].text.substr(0, 33), "Conception par:\rThe Muralis team\r");
}

// The end of the session asks what closing asks, shows no credits, and
// leaves the editor as the answer left it until the session really ends.
TEST_F(Editor, TheEndOfTheSessionAsksTheClosingQuestionWithoutCredits)
{
    struct Case {
        std::string name;
        bool accept;
        std::vector<MessageAnswer> answers;
        bool save_fails;
        SessionInteraction interaction;
        SessionAnswer expected;
        bool writes;
        std::size_t boxes;
        bool unsaved_after; // Save enabled, Quit not
    };
    using enum SessionAnswer;
    const auto ask = SessionInteraction::MayAsk;
    const Case cases[] = {
        {"nothing unsaved", false, {}, false, ask, MayEnd, false, 0, false},
        {"Yes", true, {MessageAnswer::Yes}, false, ask, MayEnd, true, 1, false},
        {"No", true, {MessageAnswer::No}, false, ask, MayEnd, false, 1, true},
        {"Yes, the save fails", true, {MessageAnswer::Yes}, true, ask, DontEnd, false, 2, true},
        {"no leave to ask", true, {}, false, SessionInteraction::MayNotAsk, DontEnd, false, 0, true},
    };
    for (const Case& test : cases) {
        for (const bool ends : {false, true}) {
            SCOPED_TRACE(test.name + (ends ? ", then the session ends" : ", then its end is called off"));
            auto& w = start({"C:\\IMAGES\\SEA.BMP4"});
            fake.files.erase(schedule);
            fake.messages.clear();
            if (test.accept)
                w.Bouton_Accepter.click();
            fake.answers = test.answers;
            if (test.save_fails)
                fake.failing_paths.insert(schedule);
            EXPECT_EQ(w.Form_QueryEndSession(test.interaction), test.expected);
            fake.failing_paths.clear();
            EXPECT_EQ(fake.files.count(schedule), test.writes ? 1u : 0u);
            ASSERT_EQ(fake.messages.size(), test.boxes);
            if (test.accept && test.boxes > 0) {
                EXPECT_EQ(fake.messages[0].title, "WARNING: Do you want to save your data ...");
                EXPECT_EQ(fake.messages[0].style,
                          (MessageStyle{MessageIcon::Stop, MessageButtons::YesNo, MessageAnswer::Yes}));
            }
            if (test.save_fails) {
                EXPECT_EQ(fake.messages[1].text.substr(0, 25), "Could not save the file: ");
            }
            EXPECT_FALSE(w.ended());
            EXPECT_EQ(w.unsaved_change(), test.unsaved_after);
            EXPECT_EQ(w.Bouton_Quitter.Enabled(), !test.unsaved_after);
            if (ends)
                w.Form_EndSession();
            EXPECT_EQ(w.ended(), ends);
            EXPECT_EQ(fake.messages.size(), test.boxes) << "nothing more is shown";
        }
    }
    fake.language = "French";
    EXPECT_EQ(start({}).unsaved_week_reason(),
              "Les changements de la semaine ne sont pas encore enregistrés dans Muralis.");
}

TEST_F(Editor, TheVisitBoxOpensOnlyWebAddresses)
{
    auto& w = start({});
    EXPECT_EQ(w.Visite.Text(), "https://muralis.example.org/");
    // A click opens the box's text; a double-click is a click and a double
    // click, so twice.
    w.Visite.click();
    w.Visite.double_click();
    EXPECT_EQ(fake.opened_addresses, std::vector<std::string>(2, "https://muralis.example.org/"));

    fake.opened_addresses.clear();
    for (const char* typed : {"  www.example.org/page  ", "", "   ", "C:\\WINDOWS\\notepad.exe", "-e"}) {
        w.Visite.user_type(typed);
        w.Visite.click();
    }
    EXPECT_EQ(fake.opened_addresses, std::vector<std::string>{"https://www.example.org/page"});
    EXPECT_FALSE(w.Timer1.ticking());
    EXPECT_FALSE(w.Timer2.ticking());
}

TEST(WebAddress, OnlyWebAddressesGetThrough)
{
    for (const char* valid : {"https://muralis.example.org/", "http://example.org", "HTTPS://Example.ORG/a?b=1&c=%20#top",
                              "http://localhost:8080/x", "https://192.168.1.10/", "http://[::1]:80/", "https://été.example/"})
        EXPECT_EQ(web_address_to_open(valid), std::optional<std::string>(valid)) << valid;
    for (const auto& [bare, opened] : std::vector<std::pair<std::string, std::string>>{
             {"www.example.org", "https://www.example.org"},
             {"www.example.org/page", "https://www.example.org/page"},
             {"example.org:8443/a", "https://example.org:8443/a"}})
        EXPECT_EQ(web_address_to_open(bare), std::optional<std::string>(opened)) << bare;
    for (const char* hostile :
         {"", "file:///etc/passwd", "FILE://C:/x", "smb://server/share", "\\\\server\\share", "C:\\WINDOWS\\calc.exe",
          "/usr/bin/xterm", "./run", "-e", "--new-window=x", "javascript:alert(1)", "mailto:a@example.org",
          "ms-settings:", "http://", "https:///etc", "http://user@example.org/", "http://exa mple.org",
          "http://example.org/a b", "http://example.org/\"x", "http://example.org/\x01", "http://example.org/%zz",
          "https://-bad.example/", "http://example.org:99999/", "http://example.org\\evil", "localhost",
          "http://example.org/\r\nx", "www.example.org/\x7f"})
        EXPECT_EQ(web_address_to_open(hostile), std::nullopt) << hostile;
}

} // namespace
} // namespace muralis::editor
