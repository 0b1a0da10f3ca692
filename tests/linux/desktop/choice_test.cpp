// The decisions behind the desktop backends, without any desktop: which
// backend a session gets and what the user is told when none can show the
// picture, the dated copies' names and lifetime, the reading of the
// compositor's replies, and what pcmanfm and COSMIC are sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "harness.h"
#include "platform/linux/wallpaper/dated_copy.h"
#include "platform/linux/wallpaper/desktops/cosmic_wallpaper.h"
#include "platform/linux/wallpaper/desktops/pcmanfm_wallpaper.h"
#include "platform/linux/wallpaper/desktops/sway_wallpaper.h"
#include "platform/linux/wallpaper/session.h"

namespace muralis::linux_platform {
namespace {

using testing::read_file;
using testing::ScratchFolder;
using testing::write_file;

TEST(BackendChoice, FollowsTheSessionAndWhatItOffers)
{
    SessionDescription everything;
    everything.sway_socket = everything.plasma_shell = everything.xfconf = true;
    everything.gnome_schema = everything.cinnamon_schema = everything.mate_schema = true;
    everything.pcmanfm_qt_desktop = everything.pcmanfm_socket = everything.hyprpaper_socket = true;
    SessionDescription nothing;
    // A Wayland compositor with the background layer and swaybg installed.
    SessionDescription wayland;
    wayland.wayland = wayland.layer_shell = wayland.swaybg = true;

    struct Case {
        const char* current_desktop;
        const char* desktop_session;
        SessionDescription offered;
        BackendKind expected;
    };
    const auto without = [](SessionDescription session,
                            std::initializer_list<bool SessionDescription::*> members) {
        for (const auto member : members)
            session.*member = false;
        return session;
    };
    const auto with = [](SessionDescription session, bool SessionDescription::*member) {
        session.*member = true;
        return session;
    };
    // An X desktop window drawn by the program of this class.
    const auto window = [](SessionDescription session, const char* window_class) {
        session.desktop_window = true;
        session.desktop_window_class = window_class;
        return session;
    };
    const Case cases[] = {
        {"GNOME", "", everything, BackendKind::GnomeSettings},
        {"ubuntu:GNOME", "", everything, BackendKind::GnomeSettings},
        {"Budgie:GNOME", "", everything, BackendKind::GnomeSettings},
        {"Pantheon", "", everything, BackendKind::GnomeSettings},
        {"X-Cinnamon", "", everything, BackendKind::CinnamonSettings},
        {"MATE", "", everything, BackendKind::MateSettings},
        {"KDE", "", everything, BackendKind::Plasma},
        {"kde", "", everything, BackendKind::Plasma},
        {"XFCE", "", everything, BackendKind::Xfconf},
        {"sway", "", everything, BackendKind::Sway},
        {"LXQt", "", everything, BackendKind::PcmanfmQt},
        {"LXDE", "", window(everything, "Pcmanfm"), BackendKind::Pcmanfm},
        {"Hyprland", "", everything, BackendKind::Hyprpaper},
        {"COSMIC", "", with(nothing, &SessionDescription::wayland), BackendKind::Cosmic},
        // A desktop whose mechanism is missing gives way to the next name,
        // then to the sway socket, then to the root window.
        {"KDE", "", without(everything, {&SessionDescription::plasma_shell}), BackendKind::Sway},
        {"X-Cinnamon:GNOME", "", without(everything, {&SessionDescription::cinnamon_schema}),
         BackendKind::GnomeSettings},
        {"GNOME", "",
         without(everything, {&SessionDescription::gnome_schema, &SessionDescription::sway_socket,
                              &SessionDescription::hyprpaper_socket}),
         BackendKind::X11Root},
        {"XFCE", "", nothing, BackendKind::X11Root},
        {"sway", "", nothing, BackendKind::X11Root},
        // pcmanfm-qt running file manager windows only, pcmanfm listening
        // without drawing the desktop: the root window shows.
        {"LXQt", "", nothing, BackendKind::X11Root},
        {"LXDE", "", with(nothing, &SessionDescription::pcmanfm_socket), BackendKind::X11Root},
        // wlroots compositors that name themselves otherwise, or not at all.
        {"Hyprland", "", without(everything, {&SessionDescription::hyprpaper_socket}), BackendKind::Sway},
        {"", "", everything, BackendKind::Sway},
        {"i3", "", nothing, BackendKind::X11Root},
        {"", "", nothing, BackendKind::X11Root},
        // DESKTOP_SESSION counts only without XDG_CURRENT_DESKTOP.
        {"", "plasma", everything, BackendKind::Plasma},
        {"", "/usr/share/xsessions/xfce", everything, BackendKind::Xfconf},
        {"", "budgie-desktop", everything, BackendKind::GnomeSettings},
        {"", "LXDE", window(everything, "Pcmanfm"), BackendKind::Pcmanfm},
        {"MATE", "plasma", everything, BackendKind::MateSettings},
        // Not a prefix match: a name is the whole text between colons.
        {"GNOMEISH:KDE", "", everything, BackendKind::Plasma},
        // A session that does not name its desktop: the program drawing the
        // desktop window names it.
        {"", "openbox", window(with(nothing, &SessionDescription::pcmanfm_qt_desktop), "pcmanfm-qt"),
         BackendKind::PcmanfmQt},
        {"", "", window(with(nothing, &SessionDescription::pcmanfm_socket), "Pcmanfm"), BackendKind::Pcmanfm},
        {"", "", window(with(nothing, &SessionDescription::mate_schema), "Caja"), BackendKind::MateSettings},
        {"", "", window(with(nothing, &SessionDescription::xfconf), "Xfdesktop"), BackendKind::Xfconf},
        {"", "", window(with(nothing, &SessionDescription::cinnamon_schema), "Nemo-desktop"),
         BackendKind::CinnamonSettings},
        {"i3", "", window(with(nothing, &SessionDescription::gnome_schema), "Nautilus"),
         BackendKind::GnomeSettings},
        // A desktop window whose program has no mechanism here hides the root.
        {"", "", window(nothing, "Pcmanfm"), BackendKind::Unseen},
        {"", "", window(nothing, "Spacefm"), BackendKind::Unseen},
        {"", "", window(nothing, ""), BackendKind::Unseen},
        {"LXQt", "", window(nothing, "pcmanfm-qt"), BackendKind::Unseen},
        {"i3", "",
         window(without(everything, {&SessionDescription::sway_socket, &SessionDescription::hyprpaper_socket}),
                "Spacefm"),
         BackendKind::Unseen},
        {"", "", window(everything, "Spacefm"), BackendKind::Sway},
        // Wayland compositors with no wallpaper mechanism of their own get
        // swaybg on their background layer, if they have one.
        {"wayfire", "", wayland, BackendKind::Swaybg},
        {"river", "", wayland, BackendKind::Swaybg},
        {"labwc:wlroots", "", wayland, BackendKind::Swaybg},
        {"", "", wayland, BackendKind::Swaybg},
        {"Hyprland", "", wayland, BackendKind::Swaybg},
        {"Hyprland", "", with(wayland, &SessionDescription::hyprpaper_socket), BackendKind::Hyprpaper},
        {"sway", "", with(wayland, &SessionDescription::sway_socket), BackendKind::Sway},
        {"GNOME", "", with(wayland, &SessionDescription::gnome_schema), BackendKind::GnomeSettings},
        {"COSMIC", "", wayland, BackendKind::Cosmic},
        {"wayfire", "", without(wayland, {&SessionDescription::swaybg}), BackendKind::Unseen},
        {"weston", "", without(wayland, {&SessionDescription::layer_shell}), BackendKind::Unseen},
        {"GNOME", "", without(wayland, {&SessionDescription::layer_shell}), BackendKind::Unseen},
        {"LXQt", "", wayland, BackendKind::Swaybg},
    };
    for (const Case& test : cases) {
        SessionDescription session = test.offered;
        session.current_desktop = test.current_desktop;
        session.desktop_session = test.desktop_session;
        EXPECT_EQ(backend_kind_name(choose_backend_kind(session)), backend_kind_name(test.expected))
            << "XDG_CURRENT_DESKTOP=" << test.current_desktop
            << " DESKTOP_SESSION=" << test.desktop_session << " window=" << session.desktop_window_class
            << (session.wayland ? " (Wayland)" : "");
    }
}

TEST(BackendChoice, TellsWhatKeptThePictureOffTheScreen)
{
    struct Case {
        const char* current_desktop;
        const char* desktop_session;
        bool wayland;
        bool layer_shell;
        const char* window_class; // X: null for no desktop window
        const char* refused_by;
        const char* named;        // the session, as the line names it
        const char* why;
    };
    const Case cases[] = {
        {"niri", "", true, true, nullptr, nullptr, "niri",
         "swaybg, which would show it on the background layer, is not installed"},
        {"", "", true, false, nullptr, nullptr, "this Wayland session",
         "the compositor offers no background layer that Muralrun can use"},
        {"Hyprland", "", true, true, nullptr, "hyprpaper", "Hyprland", "hyprpaper refused the picture"},
        {"", "/usr/share/xsessions/openbox", false, false, "Spacefm", nullptr, "openbox",
         "the desktop window of Spacefm covers the root window Muralrun paints"},
        {"LXDE", "", false, false, "Pcmanfm", "pcmanfm", "LXDE",
         "pcmanfm refused the picture, and the desktop window of Pcmanfm covers the root window Muralrun paints"},
        {"", "", false, false, "", nullptr, "this X session",
         "the desktop window of a desktop program covers the root window Muralrun paints"},
    };
    for (const Case& test : cases) {
        SessionDescription session;
        session.current_desktop = test.current_desktop;
        session.desktop_session = test.desktop_session;
        session.wayland = test.wayland;
        session.layer_shell = test.layer_shell;
        session.desktop_window = test.window_class != nullptr;
        session.desktop_window_class = test.window_class ? test.window_class : "";
        EXPECT_EQ(unseen_notice(session, test.refused_by, "/home/u/.local/share/muralis/Vantorel.bmp"),
                  std::string("Muralrun: the wallpaper of ") + test.named + " was not changed: " + test.why +
                      ". Have the desktop show /home/u/.local/share/muralis/Vantorel.bmp at log-on"
                      " (see \"Linux: the wallpaper\" in Muralis's README).");
    }
}

TEST(DatedCopyName, ReadsOnlyTheNamesItWrites)
{
    struct Case {
        const char* name;
        int date;    // 0: not a copy
        int counter;
    };
    const Case cases[] = {
        {"Vantorel-20240105.bmp", 20240105, 1},
        {"Vantorel-20240105-2.bmp", 20240105, 2},
        {"Vantorel-20241231-137.bmp", 20241231, 137},
        {"Vantorel.bmp", 0, 0},
        {"Vantorel-.bmp", 0, 0},
        {"Vantorel-2024015.bmp", 0, 0},
        {"Vantorel-202401050.bmp", 0, 0},
        {"Vantorel-20240105-1.bmp", 0, 0},
        {"Vantorel-20240105-02.bmp", 0, 0},
        {"Vantorel-20240105-.bmp", 0, 0},
        {"Vantorel-20240105_2.bmp", 0, 0},
        {"Vantorel-2024O105.bmp", 0, 0},
        {"Vantorel-20240105.bmp.tmp", 0, 0},
        {".Vantorel-20240105.bmp.Ab12Cd", 0, 0},
        {"Vantorel-20240105.BMP", 0, 0},
        {"Other-20240105.bmp", 0, 0},
        {"Vantorel-backup.bmp", 0, 0},
    };
    for (const Case& test : cases) {
        const auto parsed = parse_dated_copy_name("Vantorel.bmp", test.name);
        EXPECT_EQ(parsed ? parsed->date : 0, test.date) << test.name;
        EXPECT_EQ(parsed ? parsed->counter : 0, test.counter) << test.name;
        if (parsed) {
            EXPECT_EQ(dated_copy_name("Vantorel.bmp", *parsed), test.name);
        }
    }
}

TEST(DatedCopyName, NextNameDiffersFromEveryCopyOfTheDay)
{
    struct Case {
        std::vector<std::string> names;
        const char* expected;
    };
    const Case cases[] = {
        {{}, "Vantorel-20240105.bmp"},
        {{"Vantorel.bmp", "Vantorel.cfg"}, "Vantorel-20240105.bmp"},
        {{"Vantorel-20240104.bmp", "Vantorel-20240104-3.bmp"}, "Vantorel-20240105.bmp"},
        {{"Vantorel-20240105.bmp"}, "Vantorel-20240105-2.bmp"},
        {{"Vantorel-20240105-2.bmp"}, "Vantorel-20240105-3.bmp"},
        {{"Vantorel-20240105-9.bmp", "Vantorel-20240105-10.bmp", "Vantorel-20240105.bmp"},
         "Vantorel-20240105-11.bmp"},
        // A clock put back: today's name is free, and differs from the newest.
        {{"Vantorel-20250101.bmp"}, "Vantorel-20240105.bmp"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(next_dated_copy_name("Vantorel.bmp", {2024, 1, 5}, test.names), test.expected)
            << ::testing::PrintToString(test.names);
}

// Records what the desktop was handed and what that file held then.
class RecordingDesktop final : public WallpaperBackend {
public:
    struct Record {
        std::string path;
        std::string contents;
    };
    RecordingDesktop(std::vector<Record>& records, bool answer) : m_records(records), m_answer(answer) {}
    const char* name() const override { return "recording"; }
    bool install(const std::string& path) override
    {
        m_records.push_back({path, read_file(path)});
        return m_answer;
    }

private:
    std::vector<Record>& m_records;
    bool m_answer;
};

std::vector<std::string> folder_listing(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DatedCopyWallpaper, HandsANewNameForEachNewPictureAndKeepsOnlyTheShownOne)
{
    const ScratchFolder folder;
    const std::string daily = folder / "Vantorel.bmp";
    write_file(folder / "Vantorel.cfg", "schedule");
    write_file(folder / "Vantorel-notes.bmp", "not a copy");

    struct Step {
        const char* picture;
        LocalDate today;
        bool desktop_answer;
        const char* handed;
        std::vector<std::string> copies_after; // the dated copies left
    };
    const Step steps[] = {
        {"monday", {2024, 1, 1}, true, "Vantorel-20240101.bmp", {"Vantorel-20240101.bmp"}},
        // Another log-on with the same picture: the same name again, no copy.
        {"monday", {2024, 1, 1}, true, "Vantorel-20240101.bmp", {"Vantorel-20240101.bmp"}},
        // The picture changes the same day.
        {"monday, changed", {2024, 1, 1}, true, "Vantorel-20240101-2.bmp", {"Vantorel-20240101-2.bmp"}},
        // The desktop refuses: what it may still show stays.
        {"tuesday", {2024, 1, 2}, false, "Vantorel-20240102.bmp",
         {"Vantorel-20240101-2.bmp", "Vantorel-20240102.bmp"}},
        // Retried with the same picture: the newest copy is handed again.
        {"tuesday", {2024, 1, 2}, true, "Vantorel-20240102.bmp", {"Vantorel-20240102.bmp"}},
        // Equal size, other bytes: still a new picture.
        {"tuesdaX", {2024, 1, 2}, true, "Vantorel-20240102-2.bmp", {"Vantorel-20240102-2.bmp"}},
        {"wednesday", {2024, 1, 3}, true, "Vantorel-20240103.bmp", {"Vantorel-20240103.bmp"}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.picture) + " -> " + step.handed);
        write_file(daily, step.picture);
        std::vector<RecordingDesktop::Record> records;
        DatedCopyWallpaper wallpaper(std::make_unique<RecordingDesktop>(records, step.desktop_answer),
                                     step.today);
        EXPECT_EQ(wallpaper.install(daily), step.desktop_answer);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].path, folder / step.handed);
        EXPECT_EQ(records[0].contents, step.picture);

        std::vector<std::string> expected = step.copies_after;
        for (const char* kept : {"Vantorel-notes.bmp", "Vantorel.bmp", "Vantorel.cfg"})
            expected.emplace_back(kept);
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(folder_listing(folder.path()), expected);
    }
}

TEST(DatedCopyWallpaper, APictureItCannotCopyLeavesTheDesktopAlone)
{
    const ScratchFolder folder;
    std::vector<RecordingDesktop::Record> records;
    DatedCopyWallpaper wallpaper(std::make_unique<RecordingDesktop>(records, true), {2024, 1, 1});
    EXPECT_FALSE(wallpaper.install(folder / "missing/Vantorel.bmp"));
    EXPECT_FALSE(wallpaper.install(folder / "Vantorel.bmp"));
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST(SwayIpc, ReadsTheCommandReplies)
{
    struct Case {
        const char* reply;
        bool succeeded;
    };
    const Case cases[] = {
        {R"([ { "success": true } ])", true},
        {R"([{"success":true},{"success":true}])", true},
        {"[ {\n\t\"success\" :\n true } ]", true},
        {R"([ { "success": false, "parse_error": true, "error": "Invalid syntax" } ])", false},
        {R"([{"success":true},{"success":false,"error":"x"}])", false},
        {R"([ { "success": true, "error": "\"success\": false" } ])", true},
        {R"([ ])", false},
        {"", false},
        {R"([ { "success": tru)", false},
        {R"([ { "success" )", false},
    };
    for (const Case& test : cases)
        EXPECT_EQ(sway_reply_succeeded(test.reply), test.succeeded) << test.reply;
}

TEST(SwayIpc, RefusesPathsNoCommandCanCarry)
{
    EXPECT_FALSE(sway_background_command("/tmp/line\nbreak.bmp"));
    EXPECT_FALSE(sway_background_command(std::string("/tmp/nul\0x.bmp", 14)));
    EXPECT_TRUE(sway_background_command("/tmp/it's \"quoted\" $HOME `x`; y, z.bmp"));
}

TEST(PcmanfmIpc, FindsTheInstanceOfTheDisplayAndEscapesEveryLine)
{
    struct Case {
        const char* display;
        const char* socket;
    };
    const Case cases[] = {
        {":0", "/run/user/1000/pcmanfm-socket--0"},
        {":77.0", "/run/user/1000/pcmanfm-socket--77"},
        {"localhost:10.0", "/run/user/1000/pcmanfm-socket-localhost-10"},
        {"", "/run/user/1000/pcmanfm-socket--0"},
    };
    for (const Case& test : cases)
        EXPECT_EQ(pcmanfm_socket_path("/run/user/1000", test.display), test.socket) << test.display;

    // The reader stops at a control character and takes a byte past ASCII
    // for one: both go as octal escapes, read back by g_strcompress().
    EXPECT_EQ(pcmanfm_set_wallpaper_message("/home/\xc3\xa9t\xc3\xa9 \"x\"\\\n.bmp"),
              "/\n0\n--set-wallpaper\n/home/\\303\\251t\\303\\251 \\\"x\\\"\\\\\\n.bmp\n");
}

TEST(CosmicBackground, WritesTheEntryTheServiceReads)
{
    const auto entry = [](const char* source) {
        return std::string("(\n    output: \"all\",\n    source: Path(") + source +
               "),\n    filter_by_theme: false,\n    rotation_frequency: 900,\n"
               "    filter_method: Lanczos,\n    scaling_mode: Zoom,\n    sampling_method: Alphanumeric,\n)";
    };
    struct Case {
        std::string path;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"/home/u/.local/share/muralis/Vantorel-20240105.bmp",
         entry(R"("/home/u/.local/share/muralis/Vantorel-20240105.bmp")")},
        {"/home/a \"b\" \\c/été/V.bmp", entry(R"("/home/a \"b\" \\c/été/V.bmp")")},
        {"/tmp/line\nbreak\ttab\x01.bmp", entry(R"("/tmp/line\nbreak\ttab\u{1}.bmp")")},
        // A path the service could not hold as text.
        {"/tmp/\xe9t\xe9.bmp", std::nullopt},
        {"/tmp/\xed\xa0\x80.bmp", std::nullopt},
        {std::string("/tmp/nul\0x.bmp", 14), std::nullopt},
    };
    for (const Case& test : cases)
        EXPECT_EQ(cosmic_background_entry(test.path), test.expected) << test.path;
}

} // namespace
} // namespace muralis::linux_platform
