// The desktop backends against the real services, each on a private session
// bus, X server or compositor that the test starts and stops: dconf with the
// desktops' own schemas, xfconfd, pcmanfm-qt and pcmanfm drawing the desktop
// under openbox, a headless sway (its IPC, and swaybg on its background
// layer), and stand-ins for what cannot run here: Plasma's shell, whose
// recorded script is run under node, and hyprpaper's socket. COSMIC's
// background service is represented by the files it reads. The user's
// service manager, which cannot run here, by a stand-in that records what
// it is asked to do with the day-change timer and the session's variables.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <thread>

#include "harness.h"
#include "platform/linux/wallpaper/desktops/gsettings_wallpaper.h"
#include "platform/linux/wallpaper/desktops/hyprpaper_wallpaper.h"
#include "platform/linux/wallpaper/desktops/plasma_wallpaper.h"
#include "platform/linux/wallpaper/desktops/sway_wallpaper.h"
#include "platform/linux/wallpaper/desktops/xfconf_wallpaper.h"
#include "platform/linux/wallpaper/session.h"
#include "platform/linux/wallpaper/x_desktop_window.h"
#include "platform/linux/linux_desktop.h"

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

// A program started with its chatter on standard error dropped.
std::vector<std::string> quietly(std::vector<std::string> argv)
{
    argv.insert(argv.begin(), {"sh", "-c", "exec \"$0\" \"$@\" 2>/dev/null"});
    return argv;
}

std::string dated_copy(const MuralrunData& data, const char* counter = "")
{
    return data.folder + "/Vantorel-" + today_stamp() + counter + ".bmp";
}

// Whether pid is a process that has not ended (a zombie has).
bool running(pid_t pid)
{
    const std::string stat = read_file("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t state = stat.rfind(')');
    return state != std::string::npos && state + 2 < stat.size() && stat[state + 2] != 'Z';
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
    environment.set("XDG_DATA_HOME", session.home() / "data")
        .set("XDG_CURRENT_DESKTOP", "ubuntu:GNOME")
        .set("XDG_SESSION_TYPE", "");
    const testing::SystemdManagerRecorder manager;

    ASSERT_EQ(run_muralrun(), 0);
    // The log-on run hands the user's manager what a run it starts at a
    // change of day needs to reach this session; an empty variable is no
    // value worth handing on.
    const std::vector<std::string> imported{"SetEnvironment (['XDG_CURRENT_DESKTOP=ubuntu:GNOME', "
                                            "'DBUS_SESSION_BUS_ADDRESS=" +
                                            std::string(std::getenv("DBUS_SESSION_BUS_ADDRESS")) + "'],)"};
    EXPECT_EQ(manager.calls(), imported);
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

    // A run with an argument is no log-on run: it imports nothing.
    ASSERT_EQ(run_program({MURALRUN_PATH, "--day-change"}, 30s).exit_code, 0);
    EXPECT_EQ(manager.calls().size(), 2u);
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

TEST(PcmanfmDesktops, ShowThePictureThroughTheDesktopProgramsOwnCall)
{
    const PrivateSession session;
    const ScratchFolder no_system_settings;
    EnvironmentGuard environment;
    environment.set("HOME", session.home().path())
        .set("XDG_CONFIG_DIRS", no_system_settings.path())
        .set("XDG_CACHE_HOME", session.home() / "cache")
        .set("XDG_DATA_HOME", session.home() / "data")
        .set("QT_QPA_PLATFORM", "xcb")
        .set("QT_QPA_PLATFORMTHEME", std::nullopt);
    testing::XSession x;
    const MuralrunData data(session.home() / "data", session.home().path());

    struct Desktop {
        std::vector<std::string> program;
        const char* window_class;
        const char* session_name;
        const char* settings;    // where it keeps the picture, in XDG_CONFIG_HOME
        const char* picture_key;
    };
    const Desktop desktops[] = {
        {{"pcmanfm-qt", "--desktop"}, "pcmanfm-qt", "LXQt", "pcmanfm-qt/default/settings.conf", "Wallpaper="},
        {{"pcmanfm", "--desktop"}, "Pcmanfm", "LXDE", "pcmanfm/default/desktop-items-0.conf", "wallpaper="},
    };
    const std::uint32_t colours[] = {0xff0000, 0x00ff00, 0x0000ff, 0xffff00};
    std::size_t step = 0;
    for (const Desktop& desktop : desktops) {
        testing::Service program(quietly(desktop.program));
        std::optional<std::string> shown;
        for (int tries = 0; tries < 500 && shown != desktop.window_class; ++tries) {
            std::this_thread::sleep_for(20ms);
            shown = find_x_desktop_window();
        }
        ASSERT_EQ(shown, desktop.window_class);
        // Named by the session, then found by its desktop window alone.
        for (const char* name : {desktop.session_name, ""}) {
            const std::uint32_t colour = colours[step++];
            SCOPED_TRACE(std::string(desktop.window_class) + ", XDG_CURRENT_DESKTOP=" + name);
            write_file(data.picture, bitmap(colour & 0xff, (colour >> 8) & 0xff, colour >> 16));
            EXPECT_NE(x.pixel(320, 240), colour);
            environment.set("XDG_CURRENT_DESKTOP", *name ? std::optional<std::string>(name) : std::nullopt);
            const auto result = run_program({MURALRUN_PATH}, 30s);
            EXPECT_EQ(result.exit_code, 0);
            EXPECT_EQ(result.errors, "");
            EXPECT_TRUE(x.wait_for_pixel(320, 240, colour)) << std::hex << x.pixel(320, 240);
            // It keeps the copy it was handed as the user's setting.
            const std::string kept = std::string("\n") + desktop.picture_key +
                                     dated_copy(data, step == 1 ? "" : ("-" + std::to_string(step)).c_str()) + "\n";
            std::string settings;
            for (int tries = 0; tries < 100 && settings.find(kept) == std::string::npos; ++tries) {
                std::this_thread::sleep_for(20ms);
                settings = read_file(session.home() / "config/" + desktop.settings);
            }
            EXPECT_NE(settings.find(kept), std::string::npos) << settings;
        }
    }
}

TEST(SessionProbe, FindsTheDesktopWindowThatHidesTheRootWindow)
{
    const ScratchFolder home;
    EnvironmentGuard environment;
    environment.set("XDG_RUNTIME_DIR", home.path())
        .set("DBUS_SESSION_BUS_ADDRESS", std::nullopt)
        .set("XDG_CURRENT_DESKTOP", std::nullopt)
        .set("DESKTOP_SESSION", std::nullopt)
        .set("SWAYSOCK", std::nullopt)
        .set("HYPRLAND_INSTANCE_SIGNATURE", std::nullopt);
    testing::XSession x;
    using Type = testing::XSession::WindowType;
    struct Case {
        Type type;
        const char* window_class;
        int left, top, width, height;
        bool found;
    };
    const Case cases[] = {
        {Type::Normal, "Firefox", 0, 0, 640, 480, false},
        {Type::Desktop, "Spacefm", 0, 0, 320, 480, false},
        {Type::Desktop, "Spacefm", 0, 0, 640, 480, true},
        {Type::Desktop, "Idesk", -10, -10, 700, 500, true},
        {Type::Desktop, "", 0, 0, 640, 480, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(std::string(test.window_class) + " " + std::to_string(test.width) + "x" +
                     std::to_string(test.height));
        const auto window = x.show_window(test.type, test.window_class, test.left, test.top, test.width,
                                          test.height);
        const SessionDescription probed = probe_session();
        EXPECT_EQ(probed.desktop_window, test.found);
        EXPECT_EQ(probed.desktop_window_class, test.found ? test.window_class : "");
        EXPECT_FALSE(probed.wayland);
        x.hide_window(window);
    }

    // Muralrun paints the root window all the same, and says it is hidden.
    const auto window = x.show_window(Type::Desktop, "Spacefm", 0, 0, 640, 480);
    const MuralrunData data(home / "data", home.path());
    environment.set("XDG_DATA_HOME", home / "data").set("DESKTOP_SESSION", "openbox");
    const auto result = run_program({MURALRUN_PATH}, 30s);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.errors, unseen_notice(probe_session(), nullptr, data.folder + "/Vantorel.bmp") + "\n");
    EXPECT_NE(result.errors.find("openbox was not changed: the desktop window of Spacefm covers"),
              std::string::npos);
    EXPECT_TRUE(x.root_pixmap_set());
    x.hide_window(window);
}

TEST(Hyprpaper, ShowsThePictureOnEveryMonitorAndLetsTheOldOneGo)
{
    const ScratchFolder home;
    const std::string runtime = home / "runtime";
    ::mkdir(runtime.c_str(), 0700);
    EnvironmentGuard environment;
    environment.set("XDG_RUNTIME_DIR", runtime)
        .set("HYPRLAND_INSTANCE_SIGNATURE", "0f1e2d_1700000000_123456789")
        .set("XDG_CURRENT_DESKTOP", "Hyprland")
        .set("XDG_DATA_HOME", home / "data")
        .set("DBUS_SESSION_BUS_ADDRESS", std::nullopt)
        .set("DISPLAY", std::nullopt)
        .set("WAYLAND_DISPLAY", std::nullopt)
        .set("SWAYSOCK", std::nullopt);
    const std::string socket_path = runtime + "/hypr/0f1e2d_1700000000_123456789/.hyprpaper.sock";
    const MuralrunData data(home / "data", home.path());
    const std::string copy = dated_copy(data);
    {
        testing::HyprpaperRecorder hyprpaper(socket_path, [](const std::string& command) {
            // The fallback's line names no monitor.
            return command == "listactive" ? "DP-1 = /old.png\n = /old.png\nHDMI-A-1 = /old.png" : "ok";
        });
        ASSERT_EQ(run_muralrun(), 0);
        EXPECT_EQ(hyprpaper.commands(), (std::vector<std::string>{
                                            "preload " + copy,
                                            "listactive",
                                            "wallpaper ," + copy,
                                            "wallpaper DP-1," + copy,
                                            "wallpaper HDMI-A-1," + copy,
                                            "unload unused",
                                        }));
    }
    // A refusal is a failure; a refused preload (the picture is loaded
    // already) is not.
    for (const auto& [refused, shown] : {std::pair{"preload", true}, {"wallpaper", false}}) {
        testing::HyprpaperRecorder hyprpaper(socket_path, [refused = std::string(refused)](const std::string& command) {
            return command.rfind(refused, 0) == 0 ? "error: refused" : "ok";
        });
        EXPECT_EQ(HyprpaperWallpaper().install(copy), shown) << refused;
    }
    EXPECT_FALSE(HyprpaperWallpaper().install(copy)); // nobody listens
}

TEST(Cosmic, WritesTheBackgroundOfEveryOutputThatTheServiceReads)
{
    const ScratchFolder home;
    EnvironmentGuard environment;
    environment.set("XDG_CONFIG_HOME", home / "config")
        .set("XDG_RUNTIME_DIR", home.path())
        .set("XDG_CURRENT_DESKTOP", "COSMIC")
        .set("XDG_DATA_HOME", home / "data")
        .set("DBUS_SESSION_BUS_ADDRESS", std::nullopt)
        .set("DISPLAY", std::nullopt)
        .set("WAYLAND_DISPLAY", std::nullopt)
        .set("SWAYSOCK", std::nullopt)
        .set("HYPRLAND_INSTANCE_SIGNATURE", std::nullopt);
    // The user had a picture of their own on one output.
    const std::string folder = home / "config/cosmic/com.system76.CosmicBackground/v1";
    std::filesystem::create_directories(folder);
    const std::string own_output = R"((output: "HDMI-A-1", source: Path("/usr/share/backgrounds/a.png"), )"
                                   R"(filter_by_theme: true, rotation_frequency: 300))";
    write_file(folder + "/all", R"((output: "all", source: Color(Single((0.1, 0.2, 0.3))), )"
                                R"(filter_by_theme: false, rotation_frequency: 900))");
    write_file(folder + "/same-on-all", "false");
    write_file(folder + "/backgrounds", R"(["HDMI-A-1"])");
    write_file(folder + "/output.HDMI-A-1", own_output);

    const MuralrunData data(home / "data", home.path());
    ASSERT_EQ(run_muralrun(), 0);
    // cosmic-bg's Entry, fields and variants by their serde names: it
    // refuses any other field and needs every one without a default.
    EXPECT_EQ(read_file(folder + "/all"), "(\n"
                                          "    output: \"all\",\n"
                                          "    source: Path(\"" + dated_copy(data) + "\"),\n"
                                          "    filter_by_theme: false,\n"
                                          "    rotation_frequency: 900,\n"
                                          "    filter_method: Lanczos,\n"
                                          "    scaling_mode: Zoom,\n"
                                          "    sampling_method: Alphanumeric,\n"
                                          ")");
    EXPECT_EQ(read_file(folder + "/same-on-all"), "true");
    EXPECT_EQ(read_file(folder + "/output.HDMI-A-1"), own_output);
    EXPECT_EQ(read_file(folder + "/backgrounds"), R"(["HDMI-A-1"])");
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"all", "backgrounds", "output.HDMI-A-1", "same-on-all"}));
}

TEST(Swaybg, ShowsThePictureOnTheBackgroundLayerAndReplacesOnlyItsOwn)
{
    const testing::HeadlessSway sway;
    ASSERT_EQ(sway.skip_reason(), "");
    const ScratchFolder home;
    EnvironmentGuard environment;
    // A compositor with no wallpaper mechanism of its own.
    environment.set("SWAYSOCK", std::nullopt)
        .set("WAYLAND_DISPLAY", "wayland-1")
        .set("XDG_RUNTIME_DIR", sway.runtime_folder())
        .set("XDG_CURRENT_DESKTOP", "river")
        .set("XDG_DATA_HOME", home / "data")
        .set("DBUS_SESSION_BUS_ADDRESS", std::nullopt)
        .set("DISPLAY", std::nullopt)
        .set("HYPRLAND_INSTANCE_SIGNATURE", std::nullopt);
    const SessionDescription probed = probe_session();
    EXPECT_TRUE(probed.wayland && probed.layer_shell && probed.swaybg);
    EXPECT_FALSE(probed.desktop_window);

    const auto pixel = [] { return testing::wayland_pixel(640, 360).value_or(0xffffffff); };
    const auto shows = [&](std::uint32_t colour) {
        for (int tries = 0; tries < 250 && pixel() != colour; ++tries)
            std::this_thread::sleep_for(20ms);
        return pixel() == colour;
    };
    // A swaybg of the user's own, for an output that is not there.
    testing::Service users_own(quietly({"swaybg", "-o", "HDMI-A-2", "-c", "#0000ff"}));

    const MuralrunData data(home / "data", home.path());
    const std::string record = sway.runtime_folder() + "/muralis-swaybg.wayland-1";
    pid_t previous = 0;
    for (const std::uint32_t colour : {0xff0000u, 0x00ff00u}) {
        write_file(data.picture, bitmap(colour & 0xff, (colour >> 8) & 0xff, colour >> 16));
        const auto result = run_program({MURALRUN_PATH}, 30s);
        EXPECT_EQ(result.exit_code, 0);
        EXPECT_EQ(result.errors, "");
        EXPECT_TRUE(shows(colour)) << std::hex << pixel();
        const pid_t started = std::atoi(read_file(record).c_str());
        EXPECT_EQ(read_file("/proc/" + std::to_string(started) + "/cmdline"),
                  std::string("swaybg\0-i\0", 10) + data.folder + "/Vantorel.bmp" + std::string("\0-m\0fill\0", 9));
        EXPECT_TRUE(running(started));
        if (previous != 0) {
            EXPECT_FALSE(running(previous));
        }
        previous = started;
    }
    EXPECT_TRUE(users_own.running());

    // Without swaybg nothing can show it, and the user is told.
    environment.set("PATH", home.path());
    const auto result = run_program({MURALRUN_PATH}, 30s);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.errors.find("Muralrun: the wallpaper of river was not changed: swaybg, which would "
                                 "show it on the background layer, is not installed. Have the desktop show " +
                                 data.folder + "/Vantorel.bmp"),
              std::string::npos)
        << result.errors;
    EXPECT_TRUE(running(previous));
}

// The day-change run registered with a stand-in for the user's manager:
// the units read again, the timer enabled and started, in that order, at
// every registration.
TEST(DayChangeTimer, TheUserManagerReadsTheUnitsAgainThenEnablesAndStartsTheTimer)
{
    const PrivateSession session;
    const testing::SystemdManagerRecorder manager;
    const std::vector<std::string> registration{
        "Reload ()",
        "EnableUnitFiles (['muralis-day.timer'], false, true)",
        "StartUnit ('muralis-day.timer', 'replace')",
    };
    LoadedToolkit toolkit;
    LinuxDesktop desktop(toolkit);
    desktop.register_day_change("Today's Wallpaper", "/opt/Muralis/Muralrun", "--day-change");
    EXPECT_EQ(manager.calls(), registration);
    const std::string units = session.home() / "config/systemd/user";
    EXPECT_NE(read_file(units + "/muralis-day.service").find("\nExecStart=/opt/Muralis/Muralrun --day-change\n"),
              std::string::npos);
    EXPECT_NE(read_file(units + "/muralis-day.timer").find("\nOnCalendar=*-*-* 00:00:00\n"), std::string::npos);
    // Enabling is the manager's: no link of this program's own.
    EXPECT_FALSE(std::filesystem::exists(units + "/timers.target.wants"));

    // The next save asks for all of it again, the units being new.
    desktop.register_day_change("Today's Wallpaper", "/opt/Muralis 2/Muralrun", "--day-change");
    std::vector<std::string> twice = registration;
    twice.insert(twice.end(), registration.begin(), registration.end());
    EXPECT_EQ(manager.calls(), twice);
    EXPECT_NE(read_file(units + "/muralis-day.service").find("\nExecStart=\"/opt/Muralis 2/Muralrun\" --day-change\n"),
              std::string::npos);
}

// A step the manager refuses ends the registration with a failure that
// gives the manager's reason.
TEST(DayChangeTimer, AStepTheManagerRefusesIsAFailureWithItsReason)
{
    const PrivateSession session;
    const char* const steps[] = {"Reload", "EnableUnitFiles", "StartUnit"};
    for (std::size_t step = 0; step < std::size(steps); ++step) {
        SCOPED_TRACE(steps[step]);
        const testing::SystemdManagerRecorder manager(steps[step]);
        try {
            LoadedToolkit toolkit;
            LinuxDesktop(toolkit).register_day_change("Today's Wallpaper", "/opt/Muralis/Muralrun", "--day-change");
            ADD_FAILURE() << "no failure";
        } catch (const Failure& failure) {
            EXPECT_NE(failure.description().find(steps[step]), std::string::npos) << failure.description();
            EXPECT_NE(failure.description().find("Unit muralis-day.timer not found."), std::string::npos)
                << failure.description();
        }
        const auto calls = manager.calls();
        ASSERT_EQ(calls.size(), step + 1);
        EXPECT_EQ(calls.back().substr(0, std::strlen(steps[step]) + 1), std::string(steps[step]) + " ");
    }
}

// A session bus without a manager, then no bus at all: the units are
// written and enabled as "systemctl --user enable" leaves them, for the
// user's next manager to start, and nothing is reported.
TEST(DayChangeTimer, WithoutAManagerTheUnitsWaitEnabledForOne)
{
    const PrivateSession session;
    const std::string units = session.home() / "config/systemd/user";
    const std::string link = units + "/timers.target.wants/muralis-day.timer";
    LoadedToolkit toolkit;
    LinuxDesktop desktop(toolkit);
    desktop.register_day_change("Today's Wallpaper", "/opt/Muralis/Muralrun", "--day-change");
    EXPECT_EQ(std::filesystem::read_symlink(link), units + "/muralis-day.timer");

    EnvironmentGuard environment;
    environment.set("DBUS_SESSION_BUS_ADDRESS", std::nullopt).set("XDG_RUNTIME_DIR", session.home() / "none");
    std::filesystem::remove(link);
    std::filesystem::create_symlink("/elsewhere/muralis-day.timer", link);
    desktop.register_day_change("Papier-peint du jour", "/opt/Muralis/Muralrun", "--day-change");
    EXPECT_EQ(std::filesystem::read_symlink(link), units + "/muralis-day.timer");
    EXPECT_NE(read_file(units + "/muralis-day.timer").find("\nDescription=Papier-peint du jour\n"),
              std::string::npos);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(units + "/timers.target.wants"),
                            std::filesystem::directory_iterator()),
              1);
}

} // namespace
} // namespace muralis::linux_platform
