#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "editor/arriere_plan.h"
#include "editor/twips.h"
#include "fake/fake_platform.h"
#include "schedule/first_run.h"

namespace muralis::editor {
namespace {

const std::string schedule = "C:\\WINDOWS\\Vantorel.cfg";
const std::string visit = "https://muralis.example.org/";

class EditorWindow : public ::testing::Test {
protected:
    testing::FakePlatform fake;
};

TEST_F(EditorWindow, LayoutHoldsTogether)
{
    Arriere_Plan window(fake.platform());

    // Tab indexes are unique, leave no gap, and give the focus order the
    // window is meant to have: visit box, the three editing buttons, the
    // three lists, then Picture.
    std::map<int, const Control*> by_tab_index;
    for (const Control* control : window.controls()) {
        if (const auto index = control->tab_index()) {
            EXPECT_TRUE(by_tab_index.emplace(*index, control).second) << control->name();
        }
    }
    ASSERT_EQ(by_tab_index.size(), 15u);
    EXPECT_EQ(by_tab_index.rbegin()->first, 14);
    std::vector<std::string> focus_order;
    for (const auto& [index, control] : by_tab_index) {
        const auto kind = control->kind();
        if (kind != ControlKind::Label && kind != ControlKind::Frame)
            focus_order.push_back(control->name());
    }
    EXPECT_EQ(focus_order, (std::vector<std::string>{"Visite", "Bouton_Accepter", "Bouton_Enregistrer",
                                                     "Bouton_Quitter", "Drive1", "Dir1", "File1",
                                                     "Bouton_Image"}));

    // A visitor reaches each control through the overload of its own kind.
    struct KindOfVisit final : ControlVisitor {
        ControlKind seen{};
        void visit(TextBox&) override { seen = ControlKind::TextBox; }
        void visit(CommandButton&) override { seen = ControlKind::CommandButton; }
        void visit(Frame&) override { seen = ControlKind::Frame; }
        void visit(Timer&) override { seen = ControlKind::Timer; }
        void visit(Label&) override { seen = ControlKind::Label; }
        void visit(FileListBox&) override { seen = ControlKind::FileListBox; }
        void visit(DirListBox&) override { seen = ControlKind::DirListBox; }
        void visit(DriveListBox&) override { seen = ControlKind::DriveListBox; }
        void visit(Image&) override { seen = ControlKind::Image; }
    } visit_kind;
    for (Control* control : window.controls()) {
        control->accept(visit_kind);
        EXPECT_EQ(visit_kind.seen, control->kind()) << control->name();
    }

    // Every visible control lies inside the client area; the panel lies over
    // the preview, and is created before it so that it covers it.
    for (const Control* control : window.controls()) {
        if (control->kind() == ControlKind::Timer)
            continue;
        const TwipsRect rect = control->window_rect();
        EXPECT_GE(rect.left, 0) << control->name();
        EXPECT_GE(rect.top, 0) << control->name();
        EXPECT_LE(rect.right(), client_width) << control->name();
        EXPECT_LE(rect.bottom(), client_height) << control->name();
    }
    const TwipsRect panel = window.Frame1.window_rect();
    const TwipsRect preview = window.Image1.window_rect();
    EXPECT_TRUE(panel.left >= preview.left && panel.top >= preview.top && panel.right() <= preview.right() &&
                panel.bottom() <= preview.bottom());
    const auto& controls = window.controls();
    EXPECT_LT(std::find(controls.begin(), controls.end(), &window.Frame1),
              std::find(controls.begin(), controls.end(), &window.Image1));

    // Read top to bottom, the panel's labels are the instruction.
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(window.Label1[static_cast<std::size_t>(i)].index(), i);
        EXPECT_EQ(window.Label1[static_cast<std::size_t>(i)].container(), &window.Frame1);
    }
    EXPECT_LT(window.Label1[0].rect().top, window.Label1[1].rect().top);
    EXPECT_LT(window.Label1[2].rect().top, window.Label1[3].rect().top);

    // Quit is usable exactly while Save is not; Picture waits for a picture.
    EXPECT_NE(window.Bouton_Quitter.Enabled(), window.Bouton_Enregistrer.Enabled());
    EXPECT_TRUE(window.Bouton_Quitter.Enabled());
    EXPECT_FALSE(window.Bouton_Image.Enabled());
    EXPECT_TRUE(window.Bouton_Accepter.Enabled());

    EXPECT_EQ(window.Bouton_Accepter.access_key(), 'A');
    EXPECT_EQ(window.Bouton_Enregistrer.access_key(), 'S');
    EXPECT_EQ(window.Bouton_Quitter.access_key(), 'Q');
    EXPECT_EQ(window.Bouton_Quitter.shown_caption(), "Quit");
    EXPECT_EQ(window.Bouton_Image.access_key(), 0);
    EXPECT_EQ(window.Visite.mouse_pointer(), MousePointer::Globe);
    EXPECT_EQ(window.Timer1.Interval(), 3000);
    EXPECT_EQ(window.Caption(), "Orlimo's Muralis");
}

TEST_F(EditorWindow, ListsStartOnTheProgramFolderWithEveryFile)
{
    fake.files["C:\\PROGRAMS\\MURALIS\\Muralset.exe"] = "";
    fake.files["C:\\PROGRAMS\\MURALIS\\SEA.BMP"] = "";
    Arriere_Plan window(fake.platform());
    EXPECT_EQ(window.Drive1.Drive(), "C:");
    EXPECT_EQ(window.Dir1.Path(), "C:\\PROGRAMS\\MURALIS");
    EXPECT_EQ(window.File1.names(), (std::vector<std::string>{"Muralset.exe", "SEA.BMP"}));

    window.Form_Load();
    EXPECT_EQ(window.File1.names(), std::vector<std::string>{"SEA.BMP"});
    EXPECT_EQ(window.Timer1.Interval(), 0);
    EXPECT_FALSE(window.Timer1.ticking());
    EXPECT_FALSE(window.Timer2.ticking());
    EXPECT_EQ(fake.current_folders, std::vector<std::string>{"C:\\PROGRAMS\\MURALIS"});
}

TEST_F(EditorWindow, CaptionsFollowTheLanguageTest)
{
    struct Case {
        std::string language;
        bool french;
    };
    for (const Case& test : {Case{"French", true}, Case{"English", false}, Case{"German", false},
                             Case{"", false}, Case{"french", false}, Case{"French (Canada)", false}}) {
        SCOPED_TRACE(test.language);
        testing::FakePlatform platform;
        platform.language = test.language;
        platform.files[schedule] = "\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
        Arriere_Plan window(platform.platform());
        window.Form_Load();

        std::vector<std::string> captions{window.Caption()};
        for (const Control* control : window.controls()) {
            if (control->kind() != ControlKind::Timer && control->kind() != ControlKind::FileListBox &&
                control->kind() != ControlKind::DirListBox && control->kind() != ControlKind::DriveListBox)
                captions.push_back(control->Caption());
        }
        // In creation order: window, Visite, Bouton_Image, Frame1, Label1
        // (3, 0, 1, 2), Quit, Save, Accept, Aff_Visitez, Jour, Image1.
        const std::vector<std::string> expected =
            test.french ? std::vector<std::string>{"Muralis", visit, "Images", "Frame1", "pour", "", "Choisissez",
                                                   "l'image .BMP", "Quitter", "Enregistrer", "Accepter",
                                                   "Visitez", "WEDNESDAY", ""}
                        : std::vector<std::string>{"Orlimo's Muralis", visit, "Picture", "Frame1", "for",
                                                   "Choose the", ".BMP file", "to add here", "&Quit",
                                                   "&Save", "&Accept", "Visit:", "WEDNESDAY", ""};
        EXPECT_EQ(captions, expected);
        EXPECT_EQ(window.Bouton_Accepter.access_key(), test.french ? 0 : 'A');

        // What a screen reader calls the controls that take the focus, and
        // the preview; the buttons and labels are read by their captions.
        std::vector<std::string> names;
        for (const Control* control : window.controls()) {
            if (!control->AccessibleName().empty())
                names.push_back(control->name() + "=" + control->AccessibleName());
        }
        const std::vector<std::string> expected_names =
            test.french ? std::vector<std::string>{"Visite=Visitez", "File1=Images", "Dir1=Dossiers", "Drive1=Lecteur",
                                                   "Image1=Aperçu"}
                        : std::vector<std::string>{"Visite=Visit", "File1=Pictures", "Dir1=Folders", "Drive1=Drive",
                                                   "Image1=Preview"};
        EXPECT_EQ(names, expected_names);
    }
}

TEST_F(EditorWindow, RecupererFillsTheSlotsFromThePresentFile)
{
    fake.files[schedule] = "\"C:\\A,B.BMP2\"\r\n\r\n\"C:\\C.BMP4\"\r\n\"D:\\D.BMP5\"\r\n\"E6\"\r\n\"F7\"\r\n"
                           "\"G1\"\r\n\"H1\"\r\n\"I1\"\r\n";
    Arriere_Plan window(fake.platform());
    window.Dossier_Windows();
    window.Recuperer();

    EXPECT_EQ(window.windows_folder, "C:\\WINDOWS\\");
    const WeekdaySlotTable expected{"", "C:\\A,B.BMP2", "", "C:\\C.BMP4", "D:\\D.BMP5", "E6", "F7", "G1"};
    EXPECT_EQ(window.weekday_slot_table, expected);
    EXPECT_EQ(window.first_run_flag, 0);
    EXPECT_TRUE(fake.shortcuts.empty());
    EXPECT_TRUE(fake.messages.empty());
}

TEST_F(EditorWindow, RecupererReportsAShortFileAndKeepsTheSlotsItDidNotReach)
{
    fake.files[schedule] = "\"A1\"\r\n\"B2\"\r\n\"C3\"\r\n\"D4\"\r\n\"E5\"\r\n";
    Arriere_Plan window(fake.platform());
    window.weekday_slot_table[5] = "old5";
    window.weekday_slot_table[6] = "old6";
    window.weekday_slot_table[7] = "old7";
    window.Dossier_Windows();
    window.Recuperer();

    const WeekdaySlotTable expected{"", "A1", "B2", "C3", "D4", "E5", "old6", "old7"};
    EXPECT_EQ(window.weekday_slot_table, expected);
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].title, "Muralis");
    EXPECT_EQ(fake.messages[0].text, "Input past end of file");
    EXPECT_EQ(fake.messages[0].style, MessageStyle{});

    testing::FakePlatform unreadable;
    unreadable.files[schedule] = "\"A1\"\r\n";
    unreadable.failing_paths.insert(schedule);
    Arriere_Plan other(unreadable.platform());
    other.Dossier_Windows();
    other.Recuperer();
    ASSERT_EQ(unreadable.messages.size(), 1u);
    EXPECT_EQ(unreadable.messages[0].text, "Path/File access error: " + schedule);
    EXPECT_EQ(other.first_run_flag, 0);
}

TEST_F(EditorWindow, AMissingOrHiddenScheduleRegistersMuralrunAtLogOn)
{
    struct Case {
        std::string language;
        bool hidden;
        std::string group;
        std::string name;
    };
    for (const Case& test : {Case{"English", false, "\\Startup", "Today's Wallpaper"},
                             Case{"German", true, "\\Startup", "Today's Wallpaper"},
                             Case{"French", false, "\\Démarrage", "Papier-peint du jour"}}) {
        SCOPED_TRACE(test.language);
        testing::FakePlatform platform;
        platform.language = test.language;
        if (test.hidden) {
            platform.files[schedule] = "\"A1\"\r\n";
            platform.abnormal_files.insert(schedule);
        }
        Arriere_Plan window(platform.platform());
        window.Dossier_Windows();
        window.Recuperer();
        EXPECT_EQ(window.first_run_flag, 1);
        ASSERT_EQ(platform.shortcuts.size(), 1u);
        EXPECT_EQ(platform.shortcuts[0].group, test.group);
        EXPECT_EQ(platform.shortcuts[0].name, test.name);
        EXPECT_EQ(platform.shortcuts[0].target, "C:\\PROGRAMS\\MURALIS\\Muralrun.exe");
        EXPECT_EQ(platform.shortcuts[0].arguments, "");
        EXPECT_TRUE(platform.day_change_runs.empty()); // only a save registers that
        EXPECT_EQ(window.weekday_slot_table, WeekdaySlotTable{});
        EXPECT_TRUE(platform.messages.empty());
    }

    // Linux names its programs without a suffix, under "/".
    testing::FakePlatform linux_like;
    linux_like.m_separator = '/';
    linux_like.m_program_suffix = "";
    linux_like.m_program_folder = "C:\\opt/Muralis $HOME";
    linux_like.folders.insert("C:\\opt/Muralis $HOME");
    Arriere_Plan window(linux_like.platform());
    window.Recuperer();
    ASSERT_EQ(linux_like.shortcuts.size(), 1u);
    EXPECT_EQ(linux_like.shortcuts[0].target, "C:\\opt/Muralis $HOME/Muralrun");
    EXPECT_EQ(day_change_run(linux_like).target, "C:\\opt/Muralis $HOME/Muralrun");
}

TEST_F(EditorWindow, AShortcutThatCannotBeMadeIsReportedAndTheLoadGoesOn)
{
    fake.failing_shortcut = "Access is denied.";
    Arriere_Plan window(fake.platform());
    window.Form_Load();
    ASSERT_EQ(fake.messages.size(), 1u);
    EXPECT_EQ(fake.messages[0].title, "Muralis");
    EXPECT_EQ(fake.messages[0].text, "Access is denied.");
    EXPECT_EQ(window.first_run_flag, 0); // the first positioning took it
    EXPECT_EQ(window.weekday_slot_table, WeekdaySlotTable{});
    EXPECT_EQ(window.File1.Pattern(), "*.bmp");

    // The next start asks again, under the same name.
    fake.failing_shortcut.clear();
    Arriere_Plan again(fake.platform());
    again.Form_Load();
    ASSERT_EQ(fake.shortcuts.size(), 1u);
    EXPECT_EQ(fake.shortcuts[0].name, "Today's Wallpaper");
}

// Records every event procedure the lists run, with what the lists hold at
// that moment.
class ListEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake.folders.insert({"C:\\IMAGES", "C:\\IMAGES\\2024", "D:\\PHOTOS"});
        fake.files["C:\\IMAGES\\lac.bmp"] = "";
        fake.files["C:\\IMAGES\\SEA.BMP"] = "";
        fake.files["C:\\IMAGES\\notes.txt"] = "";
        fake.files["C:\\IMAGES\\Hidden.bmp"] = "";
        fake.abnormal_files.insert("C:\\IMAGES\\Hidden.bmp");
        window = std::make_unique<Arriere_Plan>(fake.platform());
        auto& w = *window;
        w.Drive1.Change = [this, &w] { events.push_back("Drive1_Change " + w.Drive1.Drive()); };
        w.Dir1.Change = [this, &w] { events.push_back("Dir1_Change " + w.Dir1.Path()); };
        w.File1.PathChange = [this, &w] { events.push_back("file1_PathChange " + w.File1.Path()); };
        w.File1.Click = [this, &w] { events.push_back("File1_Click " + std::to_string(w.File1.ListIndex())); };
        w.File1.DblClick = [this] { events.push_back("file1_DblClick"); };
        w.File1.KeyPress = [this](int c) { events.push_back("file1_KeyPress " + std::to_string(c)); };
    }

    testing::FakePlatform fake;
    std::unique_ptr<Arriere_Plan> window;
    std::vector<std::string> events;
};

TEST_F(ListEvents, FoldersChangeOnlyWhenAnotherFolderIsWritten)
{
    auto& w = *window;
    struct Case {
        std::string text;
        std::string path;
        bool changes;
    };
    for (const Case& test : {Case{"C:\\IMAGES", "C:\\IMAGES", true}, Case{"C:\\IMAGES\\", "C:\\IMAGES", false},
                             Case{"c:\\IMAGES\\\\", "C:\\IMAGES", false}, Case{"C:\\", "C:\\", true},
                             Case{"C:\\\\", "C:\\", false}, Case{"C:", "C:\\", false},
                             Case{"D:", "D:\\", true}, Case{"C:\\IMAGES\\2024", "C:\\IMAGES\\2024", true}}) {
        SCOPED_TRACE(test.text);
        events.clear();
        w.Dir1.set_Path(test.text);
        EXPECT_EQ(w.Dir1.Path(), test.path);
        EXPECT_EQ(events, test.changes ? std::vector<std::string>{"Dir1_Change " + test.path}
                                       : std::vector<std::string>{});
    }
    // The list shows the path from the root down, then the sub-folders.
    w.Dir1.set_Path("C:\\IMAGES");
    std::vector<std::string> shown;
    for (const auto& entry : w.Dir1.entries())
        shown.push_back(std::to_string(entry.depth) + (entry.open ? "+" : "-") + entry.name + "=" + entry.path);
    EXPECT_EQ(shown, (std::vector<std::string>{"0+C:\\=C:\\", "1+IMAGES=C:\\IMAGES", "2-2024=C:\\IMAGES\\2024"}));
    EXPECT_EQ(w.Dir1.ListCount(), 1);

    // A drive that is not ready, or a missing folder, fails and changes
    // nothing.
    events.clear();
    for (const std::string text : {"A:", "A:\\", "C:\\NOWHERE", "Q:\\"}) {
        EXPECT_THROW(w.Dir1.set_Path(text), Failure) << text;
        EXPECT_EQ(w.Dir1.Path(), "C:\\IMAGES");
    }
    try {
        w.Dir1.set_Path("A:");
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), 68);
    }
    EXPECT_TRUE(events.empty());
}

TEST_F(ListEvents, ChangeProceduresNestInsideTheWrite)
{
    auto& w = *window;
    // Dir1_Change moves the file list, whose folder change runs inside it;
    // both have run by the time the folder write returns.
    w.Dir1.Change = [this, &w] {
        events.push_back("Dir1_Change begins");
        w.File1.set_Path(w.Dir1.Path());
        w.File1.set_Pattern("*.bmp");
        events.push_back("Dir1_Change ends with " + std::to_string(w.File1.ListCount()) + " files");
    };
    w.Drive1.Change = [this, &w] {
        events.push_back("Drive1_Change " + w.Drive1.Drive());
        w.Dir1.set_Path(w.Drive1.Drive());
    };
    w.Drive1.set_Drive("C:\\IMAGES\\SEA.BMP");
    EXPECT_TRUE(events.empty()); // already on C:
    w.Dir1.set_Path("C:\\IMAGES");
    events.push_back("returned");
    EXPECT_EQ(events, (std::vector<std::string>{"Dir1_Change begins", "file1_PathChange C:\\IMAGES",
                                                "Dir1_Change ends with 2 files", "returned"}));
    EXPECT_EQ(w.File1.names(), (std::vector<std::string>{"lac.bmp", "SEA.BMP"}));

    events.clear();
    w.Drive1.set_Drive("d:");
    EXPECT_EQ(events, (std::vector<std::string>{"Drive1_Change D:", "Dir1_Change begins",
                                                "file1_PathChange D:\\", "Dir1_Change ends with 0 files"}));
    EXPECT_THROW(w.Drive1.set_Drive("Q:"), Failure);
    EXPECT_EQ(w.Drive1.Drive(), "D:");
}

TEST_F(ListEvents, TheFileListSelectsAndFiltersLikeTheSystemList)
{
    auto& w = *window;
    w.File1.set_Path("C:\\IMAGES\\");
    EXPECT_EQ(w.File1.names(), (std::vector<std::string>{"lac.bmp", "notes.txt", "SEA.BMP"}));
    w.File1.set_Pattern("*.BMP");
    EXPECT_EQ(w.File1.names(), (std::vector<std::string>{"lac.bmp", "SEA.BMP"}));
    EXPECT_EQ(w.File1.ListIndex(), -1);
    EXPECT_EQ(w.File1.FileName(), "");

    events.clear();
    w.File1.set_ListIndex(1);
    w.File1.set_ListIndex(1);
    w.File1.set_ListIndex(-1);
    EXPECT_EQ(events, (std::vector<std::string>{"File1_Click 1", "File1_Click 1", "File1_Click -1"}));
    for (int index : {2, -2, 32767}) {
        try {
            w.File1.set_ListIndex(index);
            ADD_FAILURE() << index;
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), 381);
        }
    }
    EXPECT_EQ(w.File1.ListIndex(), -1);

    // The user's choices: a click on the selected entry runs nothing, a
    // double-click selects first, typed characters pass through.
    events.clear();
    w.File1.user_select(0);
    w.File1.user_select(0);
    w.File1.user_double_click(1);
    w.File1.user_double_click(1);
    w.File1.user_key_press(13);
    EXPECT_EQ(events, (std::vector<std::string>{"File1_Click 0", "File1_Click 1", "file1_DblClick",
                                                "file1_DblClick", "file1_KeyPress 13"}));
    EXPECT_EQ(w.File1.FileName(), "SEA.BMP");

    // Writing the same folder keeps the list and its selection.
    events.clear();
    w.File1.set_Path("C:\\IMAGES");
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(w.File1.ListIndex(), 1);
}

TEST_F(ListEvents, UserChoicesOfVanishedFoldersAndDrivesPutTheListsBack)
{
    auto& w = *window;
    w.Dir1.set_Path("C:\\IMAGES");
    fake.folders.erase("C:\\IMAGES\\2024");
    events.clear();
    EXPECT_FALSE(w.Dir1.user_open("C:\\IMAGES\\2024"));
    EXPECT_EQ(w.Dir1.Path(), "C:\\IMAGES");
    EXPECT_EQ(w.Dir1.ListCount(), 0); // read again: the folder has gone
    EXPECT_TRUE(w.Dir1.user_open("C:\\"));
    EXPECT_EQ(events, std::vector<std::string>{"Dir1_Change C:\\"});

    fake.drive_list = {"C:"};
    events.clear();
    EXPECT_FALSE(w.Drive1.user_choose("D:"));
    EXPECT_EQ(w.Drive1.Drive(), "C:");
    EXPECT_EQ(w.Drive1.List(), std::vector<std::string>{"C:"});
    EXPECT_TRUE(events.empty());

    // A failure inside the change procedure is not the list's to hide.
    fake.drive_list = {"C:", "D:"};
    w.Drive1.Change = [] { throw Failure(76, "Path not found"); };
    EXPECT_THROW(w.Drive1.user_choose("D:"), Failure);
    w.Dir1.Change = [] { throw Failure(5, "Invalid procedure call"); };
    EXPECT_THROW(w.Dir1.user_open("C:\\IMAGES"), Failure);
}

TEST(EditorControls, ButtonsRunTheirClickOnlyWhileEnabled)
{
    testing::FakePlatform fake;
    Arriere_Plan window(fake.platform());
    int clicks = 0;
    window.Bouton_Enregistrer.Click = [&] { ++clicks; };
    window.Bouton_Enregistrer.click();
    EXPECT_EQ(clicks, 0);
    window.Bouton_Enregistrer.set_Enabled(true);
    window.Bouton_Enregistrer.click();
    EXPECT_EQ(clicks, 1);
}

TEST(EditorControls, ViewsHearOfEveryChange)
{
    struct Recorder : ControlObserver {
        std::vector<std::string> seen;
        void control_changed(Control& control, Property property) override
        {
            seen.push_back(control.name() + (control.index() >= 0 ? std::to_string(control.index()) : "") + " " +
                           std::to_string(static_cast<int>(property)));
        }
        void window_caption_changed(const std::string& caption) override { seen.push_back("window " + caption); }
        void window_moved() override { seen.push_back("window moved"); }
        void window_ended() override { seen.push_back("window ended"); }
    } recorder;
    testing::FakePlatform fake;
    fake.language = "French";
    fake.files[schedule] = "\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
    Arriere_Plan window(fake.platform());
    window.attach_view(&recorder);
    window.Form_Load();
    const auto caption = std::to_string(static_cast<int>(Property::Caption));
    EXPECT_EQ(recorder.seen,
              (std::vector<std::string>{"window Muralis", "Bouton_Image " + caption, "Bouton_Accepter " + caption,
                                        "Bouton_Enregistrer " + caption, "Bouton_Quitter " + caption,
                                        "Aff_Visitez " + caption, "Label10 " + caption, "Label11 " + caption,
                                        "Label12 " + caption, "Label13 " + caption,
                                        "Timer1 " + std::to_string(static_cast<int>(Property::Interval)),
                                        "window moved",
                                        "File1 " + std::to_string(static_cast<int>(Property::Pattern)),
                                        "Jour " + caption,
                                        "Bouton_Accepter " + std::to_string(static_cast<int>(Property::Enabled)),
                                        "Visite " + caption}));
}

TEST(EditorControls, PatternsMatchAsTheFileSystemDoes)
{
    struct Case {
        std::string name;
        std::string pattern;
        bool matches;
    };
    for (const Case& test : {Case{"SEA.BMP", "*.bmp", true}, Case{"sea.bmp", "*.BMP", true},
                             Case{"sea.bmp.txt", "*.bmp", false}, Case{"bmp", "*.bmp", false},
                             Case{".bmp", "*.bmp", true}, Case{"a.b.bmp", "*.bmp", true},
                             Case{"README", "*.*", true}, Case{"x.png", "*.bmp;*.png", true},
                             Case{"x.png", "*.bmp; *.png", true}, Case{"Été.BMP", "*.bmp", true},
                             Case{"ab.bmp", "?.bmp", false}, Case{"a.bmp", "?.bmp", true},
                             Case{"anything", "*", true}, Case{"x.bmp", "", false}}) {
        EXPECT_EQ(matches_pattern(test.name, test.pattern), test.matches) << test.name << " " << test.pattern;
    }
}

TEST(EditorControls, TwipsBecomePixelsEdgeByEdge)
{
    EXPECT_EQ(to_pixels({0, 640, 1215, 255}, 96), (PixelRect{0, 43, 81, 17}));
    EXPECT_EQ(to_pixels({0, 0, client_width, client_height}, 96), (PixelRect{0, 0, 297, 208}));
    EXPECT_EQ(to_pixels({735, 2670, 3720, 360}, 96), (PixelRect{49, 178, 248, 24}));
    // At 120 DPI twelve twips make a pixel; halves round up.
    EXPECT_EQ(to_pixels({6, 18, 12, 6}, 120), (PixelRect{1, 2, 1, 0}));
    EXPECT_EQ(to_pixels({0, 0, client_width, client_height}, 144), (PixelRect{0, 0, 446, 312}));
    EXPECT_EQ(twips_to_pixels(-7, 96), 0);
    EXPECT_EQ(twips_to_pixels(-8, 96), -1);
}

} // namespace
} // namespace muralis::editor
