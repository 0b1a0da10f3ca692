// The Linux platform layer against the real system: locales, XDG folders,
// the file operations, process start, and the bell and screen of a private
// X server.
#include <gtest/gtest.h>

#include <poll.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <clocale>
#include <filesystem>
#include <memory>
#include <thread>

#include <QApplication>

#include "platform/linux/linux_files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/qt/qt_toolkit.h"
#include "platform/linux/unique_fd.h"
#include "schedule/language.h"
#include "schedule/windows_folder.h"
#include "scoped_environment.h"
#include "temporary_folder.h"
#include "xvfb_server.h"

// Last: Xlib's macros (None, Status) would take the names above.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxFiles;
using linux_platform::LinuxSystem;
using linux_platform::qt_toolkit;

bool locale_installed(const char* name)
{
    const locale_t locale = newlocale(LC_MESSAGES_MASK, name, nullptr);
    if (!locale)
        return false;
    freelocale(locale);
    return true;
}

TEST(LinuxLanguage, NamesTheLanguageOfTheMessagesLocale)
{
    struct {
        const char* lc_all;
        const char* lc_messages;
        const char* lang;
        const char* expected;
    } const cases[] = {
        {nullptr, nullptr, "fr_FR.UTF-8", "French"},
        {nullptr, nullptr, "fr_CA.UTF-8", "French"},
        {nullptr, nullptr, "fr_CH.UTF-8", "French"},
        {nullptr, nullptr, "en_US.UTF-8", "English"},
        {nullptr, nullptr, "de_DE.UTF-8", "German"},
        {nullptr, "fr_FR.UTF-8", "en_US.UTF-8", "French"},
        {"en_US.UTF-8", "fr_FR.UTF-8", "fr_FR.UTF-8", "English"},
        {"fr_CA.UTF-8", nullptr, "en_US.UTF-8", "French"},
        {nullptr, nullptr, "C", ""},
        {nullptr, nullptr, "C.UTF-8", ""},
        {nullptr, nullptr, "POSIX", ""},
        {nullptr, nullptr, nullptr, ""},
        {nullptr, nullptr, "xx_NOWHERE.UTF-8", ""}, // not installed: the C locale
    };
    for (const char* needed : {"fr_FR.UTF-8", "fr_CA.UTF-8", "fr_CH.UTF-8", "en_US.UTF-8", "de_DE.UTF-8"})
        ASSERT_TRUE(locale_installed(needed)) << needed << " is not generated (scripts/install-deps)";

    for (const auto& c : cases) {
        ScopedEnvironment environment;
        const std::pair<const char*, const char*> variables[] = {
            {"LC_ALL", c.lc_all}, {"LC_MESSAGES", c.lc_messages}, {"LANG", c.lang}};
        for (const auto& [name, value] : variables)
            value ? environment.set(name, value) : environment.unset(name);
        SCOPED_TRACE(std::string("LC_ALL=") + (c.lc_all ? c.lc_all : "") +
                     " LC_MESSAGES=" + (c.lc_messages ? c.lc_messages : "") +
                     " LANG=" + (c.lang ? c.lang : ""));
        EXPECT_EQ(linux_platform::messages_language_name(qt_toolkit()), c.expected);

        LinuxSystem system(qt_toolkit());
        const std::string buffer = system.language_name_buffer();
        EXPECT_EQ(buffer.size(), 100u);
        EXPECT_EQ(Langage::system_language_name(system), c.expected);
        EXPECT_EQ(Langage::is_french(system), std::string(c.expected) == "French");
    }
}

// Sets LC_ALL, the variable of category and LANG for the environment's
// scope; nullptr unsets.
void set_locale(ScopedEnvironment& environment, const char* category, const char* lc_all, const char* own,
                const char* lang)
{
    const std::pair<const char*, const char*> variables[] = {{"LC_ALL", lc_all}, {category, own}, {"LANG", lang}};
    for (const auto& [name, value] : variables)
        value ? environment.set(name, value) : environment.unset(name);
}

TEST(LinuxLocale, WeekdayNamesOfTheTimeLocaleInUtf8)
{
    struct {
        const char* lc_all;
        const char* lc_time;
        const char* lang;
        int weekday;
        const char* name;
    } const cases[] = {
        {nullptr, nullptr, "en_US.UTF-8", 2, "Monday"},
        {nullptr, nullptr, "fr_FR.UTF-8", 2, "lundi"},
        {nullptr, nullptr, "fr_FR.UTF-8", 1, "dimanche"},
        {nullptr, nullptr, "fr_FR.UTF-8", 7, "samedi"},
        {nullptr, nullptr, "de_DE.UTF-8", 2, "Montag"},
        {nullptr, nullptr, "es_ES.ISO-8859-1", 4, "miércoles"}, // Latin-1 in the locale
        {nullptr, nullptr, "C", 1, "Sunday"},
        {nullptr, nullptr, nullptr, 7, "Saturday"},
        {nullptr, nullptr, "xx_NOWHERE.UTF-8", 2, "Monday"}, // not installed: the C locale
        {nullptr, "de_DE.UTF-8", "fr_FR.UTF-8", 2, "Montag"},
        {"en_US.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", 2, "Monday"},
        {nullptr, nullptr, "fr_FR.UTF-8", 0, ""},
        {nullptr, nullptr, "fr_FR.UTF-8", 8, ""},
    };
    for (const char* needed : {"fr_FR.UTF-8", "en_US.UTF-8", "de_DE.UTF-8", "es_ES.ISO-8859-1"})
        ASSERT_TRUE(locale_installed(needed)) << needed << " is not generated (scripts/install-deps)";
    const std::string global_locale = std::setlocale(LC_ALL, nullptr);
    for (const auto& c : cases) {
        ScopedEnvironment environment;
        set_locale(environment, "LC_TIME", c.lc_all, c.lc_time, c.lang);
        EXPECT_EQ(LinuxSystem(qt_toolkit()).weekday_name(c.weekday), c.name) << (c.lang ? c.lang : "") << " " << c.weekday;
    }
    EXPECT_EQ(std::setlocale(LC_ALL, nullptr), global_locale);
}

TEST(LinuxLocale, CapitalsByTheCaseRulesOfTheCtypeLocale)
{
    struct {
        const char* lc_ctype;
        const char* lang;
        const char* text;
        const char* capitals;
    } const cases[] = {
        {nullptr, "fr_FR.UTF-8", "mercredi", "MERCREDI"},
        {nullptr, "fr_FR.UTF-8", "été à Noël", "ÉTÉ À NOËL"},
        {nullptr, "de_DE.UTF-8", "Straße", "STRASSE"},
        {nullptr, "en_US.UTF-8", "ǆemal ﬁn, 12!", "ǄEMAL FIN, 12!"},
        {nullptr, "C", "sábado", "SÁBADO"},
        // Turkish capitalises i as İ.
        {nullptr, "tr_TR.UTF-8", "Cumartesi", "CUMARTESİ"},
        {"tr_TR.UTF-8", "en_US.UTF-8", "istanbul", "İSTANBUL"},
        {nullptr, "en_US.UTF-8", "Cumartesi", "CUMARTESI"},
        {"xx_NOWHERE.UTF-8", "tr_TR.UTF-8", "istanbul", "ISTANBUL"},
    };
    ASSERT_TRUE(locale_installed("tr_TR.UTF-8")) << "tr_TR.UTF-8 is not generated (scripts/install-deps)";
    for (const auto& c : cases) {
        ScopedEnvironment environment;
        set_locale(environment, "LC_CTYPE", nullptr, c.lc_ctype, c.lang);
        EXPECT_EQ(LinuxSystem(qt_toolkit()).upper_case(c.text), c.capitals) << c.lang << " " << c.text;
    }
}

TEST(LinuxFolders, DataFolderFollowsTheXdgRules)
{
    TemporaryFolder temporary;
    const std::string home = temporary / "home";
    const std::string data = temporary / "data";
    fs::create_directories(home);
    ScopedEnvironment environment;
    environment.set("HOME", home);

    environment.set("XDG_DATA_HOME", data);
    EXPECT_EQ(linux_platform::xdg_data_home(), data);
    EXPECT_EQ(linux_platform::muralis_data_folder(), data + "/muralis");
    struct stat info {};
    ASSERT_EQ(::stat((data + "/muralis").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);

    environment.set("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(linux_platform::xdg_data_home(), home + "/.local/share");
    environment.set("XDG_DATA_HOME", "");
    EXPECT_EQ(linux_platform::xdg_data_home(), home + "/.local/share");
    EXPECT_EQ(linux_platform::muralis_data_folder(), home + "/.local/share/muralis");
    EXPECT_TRUE(fs::is_directory(home + "/.local/share/muralis"));

    environment.unset("XDG_DATA_HOME").unset("HOME");
    const passwd* user = ::getpwuid(::getuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(linux_platform::xdg_data_home(), std::string(user->pw_dir) + "/.local/share");
}

TEST(LinuxFolders, WindowsFolderIsTheDataFolderWithOneSlash)
{
    TemporaryFolder temporary;
    ScopedEnvironment environment;
    environment.set("XDG_DATA_HOME", temporary / "data");
    LinuxSystem system(qt_toolkit());
    LinuxFiles files;
    EXPECT_EQ(find_windows_folder(system, files), temporary / "data" + "/muralis/");
    EXPECT_EQ(fs::directory_iterator(temporary / "data/muralis"), fs::directory_iterator())
        << "the write probe left something behind";

    // A data folder that cannot be made is named all the same: nothing is
    // found there, and a save there fails with the reason.
    environment.set("XDG_DATA_HOME", "/proc/no-such-place");
    EXPECT_EQ(find_windows_folder(system, files), "/proc/no-such-place/muralis/");
}

TEST(LinuxFiles, NormalFilesOnly)
{
    TemporaryFolder folder;
    write_file(folder / "file", "x");
    fs::create_directory(folder / "folder");
    fs::create_symlink(folder / "file", folder / "link");
    fs::create_symlink(folder / "nothing", folder / "dangling");
    LinuxFiles files;
    EXPECT_TRUE(files.is_normal_file(folder / "file"));
    EXPECT_TRUE(files.is_normal_file(folder / "link"));
    EXPECT_FALSE(files.is_normal_file(folder / "folder"));
    EXPECT_FALSE(files.is_normal_file(folder / "dangling"));
    EXPECT_FALSE(files.is_normal_file(folder / "missing"));
}

// The names in folder, other than those listed.
std::vector<std::string> other_names(const TemporaryFolder& folder, std::set<std::string> listed)
{
    std::vector<std::string> others;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        if (!listed.count(entry.path().filename().string()))
            others.push_back(entry.path().filename().string());
    return others;
}

TEST(LinuxFiles, ReplaceTextIsAllOrNothing)
{
    TemporaryFolder folder;
    LinuxFiles files;
    const std::string path = folder / "Vantorel.cfg";
    write_file(path, "old week");
    files.replace_text(path, "new week\r\n");
    EXPECT_EQ(file_bytes(path), "new week\r\n");
    EXPECT_EQ(files.read_text(path), "new week\r\n");

    // A target that cannot be replaced: the old content stays, no temporary
    // file is left.
    fs::create_directory(folder / "taken");
    write_file(folder / "taken/inside", "keep");
    EXPECT_THROW(files.replace_text(folder / "taken", "x"), Failure);
    EXPECT_EQ(file_bytes(folder / "taken/inside"), "keep");
    EXPECT_THROW(files.replace_text(folder / "missing/Vantorel.cfg", "x"), Failure);
    EXPECT_EQ(other_names(folder, {"Vantorel.cfg", "taken"}), std::vector<std::string>{});
}

TEST(LinuxFiles, CopyReplacesAndReportsTheFileConcerned)
{
    TemporaryFolder folder;
    LinuxFiles files;
    std::string picture(3 * 1024 * 1024 + 17, '\0');
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 31 + 7);
    write_file(folder / "today.bmp", picture);
    write_file(folder / "Vantorel.bmp", "yesterday");

    files.copy_replacing(folder / "today.bmp", folder / "Vantorel.bmp");
    EXPECT_EQ(file_bytes(folder / "Vantorel.bmp"), picture);

    try {
        files.copy_replacing(folder / "gone.bmp", folder / "Vantorel.bmp");
        FAIL() << "copied a missing file";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ENOENT);
        EXPECT_NE(failure.description().find(folder / "gone.bmp"), std::string::npos);
    }
    fs::create_directory(folder / "a folder.bmp");
    EXPECT_THROW(files.copy_replacing(folder / "a folder.bmp", folder / "Vantorel.bmp"), Failure);
    EXPECT_EQ(file_bytes(folder / "Vantorel.bmp"), picture);
    EXPECT_EQ(other_names(folder, {"today.bmp", "Vantorel.bmp", "a folder.bmp"}), std::vector<std::string>{});

    // What a run killed while it copied left behind goes at the next copy;
    // the file another run is writing (it holds it locked) stays.
    write_file(folder / ".Vantorel.bmp.k1lled", "torn");
    write_file(folder / ".Vantorel.bmp.wr1tng", "being written");
    linux_platform::UniqueFd writer(::open((folder / ".Vantorel.bmp.wr1tng").c_str(), O_RDONLY));
    ASSERT_EQ(::flock(writer.get(), LOCK_EX), 0);
    files.copy_replacing(folder / "today.bmp", folder / "Vantorel.bmp");
    EXPECT_EQ(other_names(folder, {"today.bmp", "Vantorel.bmp", "a folder.bmp"}),
              std::vector<std::string>{".Vantorel.bmp.wr1tng"});
    writer.reset();

    // Checked: the file is replaced only when the check passes, and a failed
    // copy is reported without a check.
    write_file(folder / "Vantorel.bmp", "yesterday");
    EXPECT_THROW(files.copy_replacing_checked(folder / "today.bmp", folder / "Vantorel.bmp",
                                              [] { throw Failure(481, "Invalid picture"); }),
                 Failure);
    EXPECT_EQ(file_bytes(folder / "Vantorel.bmp"), "yesterday");
    bool checked = false;
    EXPECT_THROW(files.copy_replacing_checked(folder / "a folder.bmp", folder / "Vantorel.bmp",
                                              [&] { checked = true; }),
                 Failure);
    EXPECT_FALSE(checked);
    files.copy_replacing_checked(folder / "today.bmp", folder / "Vantorel.bmp", [&] { checked = true; });
    EXPECT_TRUE(checked);
    EXPECT_EQ(file_bytes(folder / "Vantorel.bmp"), picture);
    EXPECT_EQ(other_names(folder, {"today.bmp", "Vantorel.bmp", "a folder.bmp"}), std::vector<std::string>{});
}

TEST(LinuxSystem, StartsAProgramDetachedAndReportsOneThatCannotStart)
{
    TemporaryFolder folder;
    const std::string program = folder / "Muralset";
    const std::string marker = folder / "started";
    write_file(program, "#!/bin/sh\nsleep 0.2\necho $PPID > '" + marker + "'\n");
    fs::permissions(program, fs::perms::owner_all);

    LinuxSystem system(qt_toolkit());
    system.start_program(program);
    // Nothing of ours to reap: the program was handed to init at once.
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    for (int i = 0; i < 100 && file_bytes(marker).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(file_bytes(marker).empty()) << "the program did not run";
    EXPECT_NE(std::stoi(file_bytes(marker)), ::getpid());

    try {
        system.start_program(folder / "missing");
        FAIL() << "started a missing program";
    } catch (const Failure& failure) {
        EXPECT_EQ(failure.number(), ENOENT);
    }
    write_file(folder / "not-executable", "#!/bin/sh\n");
    fs::permissions(folder / "not-executable", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_THROW(system.start_program(folder / "not-executable"), Failure);
}

TEST(LinuxSystem, ProgramFolderAndCurrentFolder)
{
    LinuxSystem system(qt_toolkit());
    EXPECT_EQ(system.program_folder(), fs::canonical("/proc/self/exe").parent_path().string());
    const fs::path before = fs::current_path();
    TemporaryFolder folder;
    system.change_current_folder(folder.path().string());
    EXPECT_EQ(fs::current_path(), fs::canonical(folder.path()));
    fs::current_path(before);
    EXPECT_THROW(system.change_current_folder(folder / "missing"), Failure);
}

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
using UniqueDisplay = std::unique_ptr<Display, DisplayCloser>;

// A QApplication on the xcb platform, on the X server at display, with
// nothing in the environment that would scale its screen.
class XApplication {
public:
    explicit XApplication(const std::string& display)
    {
        ::chmod(m_runtime.path().c_str(), 0700);
        m_environment.set("DISPLAY", display).set("QT_QPA_PLATFORM", "xcb");
        m_environment.set("XDG_RUNTIME_DIR", m_runtime.path().string()).unset("DBUS_SESSION_BUS_ADDRESS");
        for (const char* name : {"QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS", "QT_FONT_DPI", "QT_ENABLE_HIGHDPI_SCALING"})
            m_environment.unset(name);
        static int argc = 1;
        static char name[] = "muralis_linux_platform_tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
    }

private:
    TemporaryFolder m_runtime;
    ScopedEnvironment m_environment;
    std::unique_ptr<QApplication> m_application;
};

// How many XKB bell notifications reach display within two seconds, stopping
// at expected.
int bells_heard(Display* display, int xkb_event_base, int expected)
{
    int heard = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (heard < expected && std::chrono::steady_clock::now() < deadline) {
        pollfd connection{ConnectionNumber(display), POLLIN, 0};
        ::poll(&connection, 1, 20);
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            heard += event.type == xkb_event_base &&
                     reinterpret_cast<const XkbAnyEvent&>(event).xkb_type == XkbBellNotify;
        }
    }
    return heard;
}

TEST(LinuxSystemOnX, BeepRingsTheBellOfTheApplicationsServer)
{
    LinuxSystem system(qt_toolkit());
    system.beep(); // no application, no bell: nothing happens

    XvfbServer server;
    UniqueDisplay listener(XOpenDisplay(server.display().c_str()));
    ASSERT_TRUE(listener);
    int opcode = 0, event_base = 0, error_base = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    ASSERT_TRUE(XkbQueryExtension(listener.get(), &opcode, &event_base, &error_base, &major, &minor));
    ASSERT_TRUE(XkbSelectEvents(listener.get(), XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask));
    XSync(listener.get(), False);

    XApplication application(server.display());
    system.beep();
    system.beep();
    EXPECT_EQ(bells_heard(listener.get(), event_base, 3), 2);
}

TEST(LinuxSystemOnX, ScreenSizeInTwipsOfLogicalPixels)
{
    struct {
        const char* screen;
        int xft_dpi; // 0: no Xft.dpi resource
        TwipsSize expected;
    } const cases[] = {
        {"1024x768x24", 0, {15360, 11520}},
        {"1366x768x24", 0, {20490, 11520}},
        // Qt scales by 2: 512 x 384 logical pixels at 96 logical dots per
        // inch.
        {"1024x768x24", 192, {7680, 5760}},
        // By 1.25: Qt gives the logical size in whole pixels, 819 x 614.
        {"1024x768x24", 120, {12285, 9210}},
    };
    EXPECT_EQ(LinuxSystem(qt_toolkit()).screen_size(), (TwipsSize{0, 0})) << "without an application";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.screen) + " Xft.dpi " + std::to_string(c.xft_dpi));
        XvfbServer server(c.screen);
        if (c.xft_dpi != 0) {
            UniqueDisplay display(XOpenDisplay(server.display().c_str()));
            ASSERT_TRUE(display);
            const std::string resources = "Xft.dpi:\t" + std::to_string(c.xft_dpi) + "\n";
            XChangeProperty(display.get(), DefaultRootWindow(display.get()), XA_RESOURCE_MANAGER, XA_STRING, 8,
                            PropModeReplace, reinterpret_cast<const unsigned char*>(resources.data()),
                            static_cast<int>(resources.size()));
            XSync(display.get(), False);
        }
        XApplication application(server.display());
        EXPECT_EQ(LinuxSystem(qt_toolkit()).screen_size(), c.expected);
    }
}

} // namespace
} // namespace muralis::testing
