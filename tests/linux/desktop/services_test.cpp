// The desktop backends against the real services, each on a private session
// bus or compositor that the test starts and stops: dconf with the desktops'
// own schemas, xfconfd, a headless sway, and a stand-in for Plasma's shell
// (which cannot run here) whose recorded script is run under node.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <cstring>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <thread>

#include "harness.h"
#include "platform/linux/desktop/gsettings_wallpaper.h"
#include "platform/linux/desktop/plasma_wallpaper.h"
#include "platform/linux/desktop/session.h"
#include "platform/linux/desktop/sway_wallpaper.h"
#include "platform/linux/desktop/xfconf_wallpaper.h"

namespace muralis::linux_platform {
namespace {

using namespace std::chrono_literals;
using testing::EnvironmentGuard;
using testing::PrivateSession;
using testing::read_file;
using testing::run_program;
using testing::ScratchFolder;
using testing::write_file;

std::string output_of(const std::vector<std::string>& argv)
{
    const auto result = run_program(argv);
    EXPECT_EQ(result.exit_code, 0) << argv[0] << " " << (argv.size() > 1 ? argv[1] : "");
    std::string text = result.output;
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::string gsettings_get(const char* schema, const char* key)
{
    return output_of({"gsettings", "get", schema, key});
}

std::string today_stamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%Y%m%d", &local);
    return stamp;
}

// A 1x1 24-bit bitmap of one colour.
std::string bitmap(unsigned char blue, unsigned char green, unsigned char red)
{
    std::string file("BM", 2);
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    const auto u16 = [&](std::uint16_t v) {
        file += static_cast<char>(v & 0xff);
        file += static_cast<char>(v >> 8);
    };
    u32(58), u32(0), u32(54), u32(40), u32(1), u32(1), u16(1), u16(24), u32(0), u32(4);
    u32(2835), u32(2835), u32(0), u32(0);
    file += static_cast<char>(blue), file += static_cast<char>(green), file += static_cast<char>(red);
    file += '\0';
    return file;
}

// A data folder for Muralrun holding a schedule that names the same
// picture (kept in picture_folder, whose name a schedule entry can hold) for
// every weekday.
struct MuralrunData {
    MuralrunData(const std::string& data_home, const std::string& picture_folder)
        : folder(data_home + "/muralis")
    {
        std::filesystem::create_directories(folder);
        picture = picture_folder + "/picture.bmp";
        write_file(picture, bitmap(255, 0, 0));
        std::string schedule;
        for (int day = 1; day <= 7; ++day)
            schedule += "\"" + picture + std::to_string(day) + "\"\r\n";
        write_file(folder + "/Vantorel.cfg", schedule);
    }
    std::string folder;
    std::string picture;
};

int run_muralrun()
{
    return run_program({MURALRUN_PATH}, 30s).exit_code;
}

TEST(GSettingsDesktops, StoreThePictureInDconfAndLeaveTheFitAlone)
{
    const PrivateSession session;
    const std::string path = session.home() / "My Pictures/Vantorel-20240105 été.bmp";
    const std::string uri = "'file://" + session.home().path() +
                            "/My%20Pictures/Vantorel-20240105%20%C3%A9t%C3%A9.bmp'";
    struct Case {
        GSettingsWallpaper::Desktop desktop;
        const char* schema;
        std::vector<const char*> keys;
        std::string stored;
        const char* fit_key;
    };
    const Case cases[] = {
        {GSettingsWallpaper::Desktop::Gnome, "org.gnome.desktop.background",
         {"picture-uri", "picture-uri-dark"}, uri, "picture-options"},
        {GSettingsWallpaper::Desktop::Cinnamon, "org.cinnamon.desktop.background",
         {"picture-uri"}, uri, "picture-options"},
        {GSettingsWallpaper::Desktop::Mate, "org.mate.background", {"picture-filename"},
         "'" + path + "'", "picture-options"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.schema);
        output_of({"gsettings", "set", test.schema, test.fit_key, "centered"});
        GSettingsWallpaper wallpaper(test.desktop);
        EXPECT_TRUE(wallpaper.install(path));
        for (const char* key : test.keys)
            EXPECT_EQ(gsettings_get(test.schema, key), test.stored) << key;
        EXPECT_EQ(gsettings_get(test.schema, test.fit_key), "'centered'");
    }
    // The values are in the user's dconf database, not only in memory.
    EXPECT_TRUE(std::filesystem::exists(session.home() / "config/dconf/user"));
}

TEST(GSettingsDesktops, AMissingSchemaIsAFailureNotAnAbort)
{
    const ScratchFolder empty;
    EnvironmentGuard environment;
    environment.set("XDG_DATA_DIRS", empty.path()).set("GSETTINGS_SCHEMA_DIR", std::nullopt);
    GSettingsWallpaper wallpaper(GSettingsWallpaper::Desktop::Gnome);
    EXPECT_FALSE(wallpaper.install("/tmp/Vantorel-20240105.bmp"));
}

TEST(GSettingsDesktops, SettingsThatWouldNotBeStoredAreAFailure)
{
    EnvironmentGuard environment;
    environment.set("GSETTINGS_BACKEND", "memory");
    GSettingsWallpaper wallpaper(GSettingsWallpaper::Desktop::Gnome);
    EXPECT_FALSE(wallpaper.install("/tmp/Vantorel-20240105.bmp"));
}

TEST(GSettingsDesktops, MuralrunOnGnomeHandsADatedCopyToDconf)
{
    const PrivateSession session;
    const MuralrunData data(session.home() / "data", session.home().path());
    EnvironmentGuard environment;
    environment.set("XDG_DATA_HOME", session.home() / "data").set("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");

    ASSERT_EQ(run_muralrun(), 0);
    const std::string first = data.folder + "/Vantorel-" + today_stamp() + ".bmp";
    EXPECT_EQ(gsettings_get("org.gnome.desktop.background", "picture-uri"), "'file://" + first + "'");
    EXPECT_EQ(read_file(first), read_file(data.picture));

    // Another picture the same day: a new name, and the old copy goes.
    write_file(data.picture, bitmap(0, 0, 255));
    ASSERT_EQ(run_muralrun(), 0);
    const std::string second = data.folder + "/Vantorel-" + today_stamp() + "-2.bmp";
    EXPECT_EQ(gsettings_get("org.gnome.desktop.background", "picture-uri-dark"), "'file://" + second + "'");
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_EQ(read_file(data.folder + "/Vantorel.bmp"), read_file(second));
}

TEST(Xfconf, SetsEveryBackdropImageThatExists)
{
    const PrivateSession session;
    const std::vector<std::string> images = {
        "/backdrop/screen0/monitorVirtual1/workspace0/last-image",
        "/backdrop/screen0/monitorVirtual1/workspace1/last-image",
        "/backdrop/screen0/monitorHDMI-1/workspace0/last-image",
    };
    const std::string others[][2] = {
        {"/backdrop/screen0/monitorVirtual1/workspace0/image-style", "5"},
        {"/backdrop/screen0/monitorVirtual1/workspace0/last-image-backup", "/old.png"},
    };
    for (const std::string& property : images)
        output_of({"xfconf-query", "-c", "xfce4-desktop", "-p", property, "-n", "-t", "string",
                   "-s", "/usr/share/backgrounds/old.png"});
    output_of({"xfconf-query", "-c", "xfce4-desktop", "-p", others[0][0], "-n", "-t", "int", "-s", others[0][1]});
    output_of({"xfconf-query", "-c", "xfce4-desktop", "-p", others[1][0], "-n", "-t", "string", "-s", others[1][1]});

    const MuralrunData data(session.home() / "data", session.home().path());
    EnvironmentGuard environment;
    environment.set("XDG_DATA_HOME", session.home() / "data").set("XDG_CURRENT_DESKTOP", "XFCE");
    ASSERT_EQ(run_muralrun(), 0);

    const std::string copy = data.folder + "/Vantorel-" + today_stamp() + ".bmp";
    for (const std::string& property : images)
        EXPECT_EQ(output_of({"xfconf-query", "-c", "xfce4-desktop", "-p", property}), copy) << property;
    for (const auto& [property, value] : others)
        EXPECT_EQ(output_of({"xfconf-query", "-c", "xfce4-desktop", "-p", property}), value) << property;
}

TEST(Xfconf, AChannelWithoutBackdropsIsAFailure)
{
    const PrivateSession session;
    XfconfWallpaper wallpaper;
    EXPECT_FALSE(wallpaper.install("/tmp/Vantorel-20240105.bmp"));
}

TEST(Sway, ShowsThePictureThroughTheCompositorsBackgroundClient)
{
    const testing::HeadlessSway sway;
    if (!sway.skip_reason().empty())
        GTEST_SKIP() << sway.skip_reason();
    // The data folder's name has everything the command must carry intact.
    const ScratchFolder home;
    ::chmod(home.path().c_str(), 0755);
    const std::string data_home = home / "it's \"my\" $HOME `data`; a,b  [c]\\d";
    const MuralrunData data(data_home, home.path());
    EnvironmentGuard environment;
    environment.set("XDG_DATA_HOME", data_home)
        .set("XDG_CURRENT_DESKTOP", std::nullopt)
        .set("DBUS_SESSION_BUS_ADDRESS", std::nullopt)
        .set("DISPLAY", std::nullopt);
    for (const std::string& folder : {data_home, data.folder})
        ::chmod(folder.c_str(), 0755);

    ASSERT_EQ(run_muralrun(), 0);
    const std::string copy = data.folder + "/Vantorel-" + today_stamp() + ".bmp";
    ASSERT_TRUE(std::filesystem::exists(copy));
    // The compositor starts its background client with the picture.
    const std::string expected_argument = std::string("-i\0", 3) + copy + '\0';
    bool shown = false;
    for (int tries = 0; tries < 100 && !shown; ++tries) {
        for (const std::string& line : testing::command_lines_of("swaybg"))
            shown = shown || line.find(expected_argument) != std::string::npos;
        if (!shown)
            std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(shown) << "no swaybg shows " << copy;

    // A refused command is reported: no output matches this name.
    EXPECT_FALSE(SwayWallpaper().install("/nonexistent\n.bmp"));
}

TEST(Plasma, SendsTheShellAScriptThatSetsEveryDesktop)
{
    const PrivateSession session;
    const std::string record = session.home() / "scripts";
    testing::Service shell({PLASMA_SHELL_RECORDER, record});
    ASSERT_EQ(shell.first_line(), "ready");

    const std::string path = "/home/a \"b\" \\c/é'd/Vantorel-20240105.bmp";
    EXPECT_TRUE(PlasmaWallpaper().install(path));
    std::string script = read_file(record);
    ASSERT_FALSE(script.empty());
    script.pop_back(); // the recorder's NUL
    EXPECT_EQ(script, plasma_wallpaper_script(
                          "file:///home/a%20%22b%22%20%5Cc/%C3%A9'd/Vantorel-20240105.bmp"));

    // Run under a model of the shell's scripting API with two desktops.
    const std::string model = R"(
        const fs = require('fs');
        const made = [0, 1].map(() => ({ groups: {}, currentConfigGroup: [],
            writeConfig(key, value) { this.groups[this.currentConfigGroup.join('/') + '/' + key] = value; } }));
        global.desktops = () => made;
        eval(fs.readFileSync(process.argv[1], 'utf8').split('\0')[0]);
        console.log(JSON.stringify(made.map(d => [d.wallpaperPlugin, d.groups])));
    )";
    const std::string one = R"(["org.kde.image",{"Wallpaper/org.kde.image/General/Image":)"
                            R"("file:///home/a%20%22b%22%20%5Cc/%C3%A9'd/Vantorel-20240105.bmp"}])";
    EXPECT_EQ(output_of({"node", "-e", model, record}), "[" + one + "," + one + "]");
}

TEST(Plasma, AScriptTheShellRejectsIsAFailure)
{
    const PrivateSession session;
    testing::Service shell({PLASMA_SHELL_RECORDER, session.home() / "scripts", "--fail"});
    ASSERT_EQ(shell.first_line(), "ready");
    EXPECT_FALSE(PlasmaWallpaper().install("/tmp/Vantorel-20240105.bmp"));
}

TEST(SessionProbe, SeesTheServicesOnTheBusAndTheSocket)
{
    const PrivateSession session;
    testing::Service shell({PLASMA_SHELL_RECORDER, session.home() / "scripts"});
    ASSERT_EQ(shell.first_line(), "ready");

    const std::string socket_path = session.home() / "sway-ipc.sock";
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socket_path.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    write_file(session.home() / "not-a-socket", "");

    EnvironmentGuard environment;
    environment.set("XDG_CURRENT_DESKTOP", "KDE").set("DESKTOP_SESSION", "plasma");
    for (const auto& [sway_socket, expected] :
         {std::pair{socket_path, true}, {session.home() / "not-a-socket", false}, {std::string(), false}}) {
        environment.set("SWAYSOCK", sway_socket);
        const SessionDescription probed = probe_session();
        EXPECT_EQ(probed.sway_socket, expected) << sway_socket;
        EXPECT_EQ(probed.current_desktop, "KDE");
        EXPECT_EQ(probed.desktop_session, "plasma");
        EXPECT_TRUE(probed.plasma_shell);
        EXPECT_TRUE(probed.xfconf); // activatable: xfconfd is not running yet
        EXPECT_TRUE(probed.gnome_schema && probed.cinnamon_schema && probed.mate_schema);
    }
    ::close(listener);

    shell.stop();
    EXPECT_FALSE(probe_session().plasma_shell);
}

TEST(SessionProbe, FindsTheUserBusInTheRuntimeFolderOnly)
{
    const PrivateSession session;
    testing::Service shell({PLASMA_SHELL_RECORDER, session.home() / "scripts"});
    ASSERT_EQ(shell.first_line(), "ready");
    EnvironmentGuard environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    EXPECT_TRUE(probe_session().plasma_shell);

    // Without either, no bus is looked for elsewhere.
    const ScratchFolder elsewhere;
    environment.set("XDG_RUNTIME_DIR", elsewhere.path());
    const SessionDescription probed = probe_session();
    EXPECT_FALSE(probed.plasma_shell);
    EXPECT_FALSE(probed.xfconf);
}

} // namespace
} // namespace muralis::linux_platform
