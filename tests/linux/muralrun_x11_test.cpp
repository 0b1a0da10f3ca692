// The real Muralrun program on a private X server: what the user's root
// window shows, the daily bitmap it leaves, and its messages.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QColor>
#include <QImage>
#include <QPainter>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

#include "scoped_environment.h"
#include "temporary_folder.h"
#include "xvfb_server.h"
#include "muralrun_copy.h"

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;

int todays_weekday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    ::localtime_r(&now, &local);
    return local.tm_wday + 1;
}

struct RunResult {
    int exit_code;
    std::string errors;
};

// Runs program with the environment of this process plus the changes made
// in scope, and returns its exit code and standard error.
RunResult run(const std::string& program, const TemporaryFolder& scratch, const std::string& arguments = "")
{
    const std::string errors = scratch / "stderr.txt";
    const std::string command = "'" + program + "' " + arguments + " 2>'" + errors + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, file_bytes(errors)};
}

class DisplayConnection {
public:
    explicit DisplayConnection(const std::string& name) : m_display(XOpenDisplay(name.c_str())) {}
    ~DisplayConnection()
    {
        if (m_display)
            XCloseDisplay(m_display);
    }
    Display* get() const { return m_display; }

private:
    Display* m_display;
};

QRgb root_pixel(Display* display, int x, int y)
{
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return qRgb((pixel >> 16) & 0xff, (pixel >> 8) & 0xff, pixel & 0xff);
}

Pixmap root_property(Display* display, const char* name)
{
    const Atom atom = XInternAtom(display, name, False);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    Pixmap pixmap = None;
    if (XGetWindowProperty(display, DefaultRootWindow(display), atom, 0, 1, False, XA_PIXMAP, &type,
                           &format, &items, &after, &data) == Success &&
        data && items == 1)
        pixmap = *reinterpret_cast<Pixmap*>(data);
    if (data)
        XFree(data);
    return pixmap;
}

int error_code = 0;
int record_error(Display*, XErrorEvent* event)
{
    error_code = event->error_code;
    return 0;
}

bool pixmap_exists(Display* display, Pixmap pixmap)
{
    error_code = 0;
    const XErrorHandler previous = XSetErrorHandler(record_error);
    Window root;
    int x, y;
    unsigned width, height, border, depth;
    XGetGeometry(display, pixmap, &root, &x, &y, &width, &height, &border, &depth);
    XSync(display, False);
    XSetErrorHandler(previous);
    return error_code == 0;
}

const QRgb day_colours[8] = {0,        0xff2040, 0xff8000, 0xe0e020, 0x20c040,
                             0x2080ff, 0x8040c0, 0x804020};

// A picture in thirds, red | green | blue, twice as wide as it is high: the
// thirds show where a fill crops and where a stretch would not.
QImage thirds_picture()
{
    QImage picture(300, 150, QImage::Format_RGB32);
    QPainter painter(&picture);
    painter.fillRect(0, 0, 100, 150, QColor(255, 0, 0));
    painter.fillRect(100, 0, 100, 150, QColor(0, 255, 0));
    painter.fillRect(200, 0, 100, 150, QColor(0, 0, 255));
    return picture;
}

class MuralrunOnX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        environment.set("DISPLAY", server.display());
        environment.set("XDG_DATA_HOME", scratch / "data");
        environment.set("LANG", "en_US.UTF-8").unset("LC_ALL").unset("LC_MESSAGES");
        environment.set("XDG_RUNTIME_DIR", scratch.path().string());
        data_folder = scratch / "data/muralis";
        fs::create_directories(scratch / "pictures");
    }

    // Seven pictures, one for each weekday, listed in slots that start on
    // Monday, so that today's slot is rarely the first.
    void write_week(const std::function<QImage(int weekday)>& picture_for)
    {
        fs::create_directories(data_folder);
        std::string schedule;
        for (int slot = 1; slot <= 7; ++slot) {
            const int weekday = slot % 7 + 1;
            const std::string path = scratch / ("pictures/day " + std::to_string(weekday) + picture_extension);
            ASSERT_TRUE(picture_for(weekday).save(QString::fromStdString(path), "BMP"));
            schedule += "\"" + path + std::to_string(weekday) + "\"\r\n";
        }
        write_file(data_folder + "/Vantorel.cfg", schedule);
    }

    std::string todays_picture() const
    {
        return scratch / ("pictures/day " + std::to_string(todays_weekday()) + picture_extension);
    }

    TemporaryFolder scratch;
    XvfbServer server;
    ScopedEnvironment environment;
    std::string data_folder;
    std::string picture_extension = ".bmp"; // of the pictures write_week writes
};

TEST_F(MuralrunOnX11, InstallsTodaysPictureOnTheRootWindow)
{
    write_week([](int weekday) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(day_colours[weekday]);
        return picture;
    });

    const RunResult result = run(MURALRUN_PATH, scratch);
    EXPECT_EQ(result.exit_code, 0) << result.errors;
    EXPECT_EQ(file_bytes(data_folder + "/Vantorel.bmp"), file_bytes(todays_picture()));

    DisplayConnection connection(server.display());
    ASSERT_TRUE(connection.get());
    const QRgb expected = day_colours[todays_weekday()] | 0xff000000;
    for (const auto& [x, y] : {std::pair{0, 0}, {320, 240}, {639, 479}})
        EXPECT_EQ(root_pixel(connection.get(), x, y), expected) << "at " << x << ',' << y;

    const Pixmap first = root_property(connection.get(), "_XROOTPMAP_ID");
    EXPECT_NE(first, None);
    EXPECT_EQ(root_property(connection.get(), "ESETROOT_PMAP_ID"), first);

    // The next run frees the pixmap of this one.
    ASSERT_EQ(run(MURALRUN_PATH, scratch).exit_code, 0);
    const Pixmap second = root_property(connection.get(), "_XROOTPMAP_ID");
    EXPECT_NE(second, first);
    EXPECT_TRUE(pixmap_exists(connection.get(), second));
    EXPECT_FALSE(pixmap_exists(connection.get(), first)) << "the previous wallpaper was not freed";

    // A bitmap that is no plain one (256 colours) goes to Qt's reader,
    // which Muralrun loads for it. (PNG bytes under this name no longer
    // do: a name that says another format than the bytes is refused.)
    QImage palette(64, 48, QImage::Format_Indexed8);
    palette.setColorTable({qRgb(12, 34, 56)});
    palette.fill(0);
    ASSERT_TRUE(palette.save(QString::fromStdString(todays_picture()), "BMP"));
    const RunResult third = run(MURALRUN_PATH, scratch);
    EXPECT_EQ(third.exit_code, 0) << third.errors;
    EXPECT_EQ(root_pixel(connection.get(), 320, 240), qRgb(12, 34, 56));
}

// JPEG, PNG and WebP become a daily bitmap of 24 bits, rows bottom up, of
// the picture's pixels as shown: turned as its EXIF orientation says,
// transparency on black.
TEST_F(MuralrunOnX11, InstallsJpegPngAndWebpAsA24BitDailyBitmap)
{
    struct {
        const char* seed;
        int width, height;
        QRgb centre_left; // the middle of the left half (the top half, turned)
        int tolerance;
    } const rows[] = {
        {"rgb-16x8.jpg", 16, 8, qRgb(255, 0, 0), 8},
        {"exif-right-top-16x8.jpg", 8, 16, qRgb(255, 0, 0), 8},
        {"palette-16x8.png", 16, 8, qRgb(255, 0, 0), 0},
        {"white-half-transparent-16x8.png", 16, 8, qRgb(128, 128, 128), 1},
        {"lossless-16x8.webp", 16, 8, qRgb(255, 0, 0), 0},
        {"animated-red-then-green-16x8.webp", 16, 8, qRgb(255, 0, 0), 0},
    };
    fs::create_directories(data_folder);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.seed);
        // Every day names the picture, under its own name.
        const std::string picture = scratch / ("pictures/" + std::string(row.seed));
        fs::copy_file(std::string(PICTURE_SEEDS) + "/" + row.seed, picture, fs::copy_options::overwrite_existing);
        std::string schedule;
        for (int weekday = 1; weekday <= 7; ++weekday)
            schedule += "\"" + picture + std::to_string(weekday) + "\"\r\n";
        write_file(data_folder + "/Vantorel.cfg", schedule);

        const RunResult result = run(MURALRUN_PATH, scratch);
        ASSERT_EQ(result.exit_code, 0) << result.errors;
        const std::string daily = file_bytes(data_folder + "/Vantorel.bmp");
        const std::size_t row_bytes = (static_cast<std::size_t>(row.width) * 3 + 3) / 4 * 4;
        ASSERT_EQ(daily.size(), 54 + row_bytes * static_cast<std::size_t>(row.height));
        const auto u32 = [&](std::size_t at) {
            return static_cast<std::uint32_t>(static_cast<unsigned char>(daily[at]) |
                                              static_cast<unsigned char>(daily[at + 1]) << 8 |
                                              static_cast<unsigned char>(daily[at + 2]) << 16 |
                                              static_cast<unsigned char>(daily[at + 3]) << 24);
        };
        EXPECT_EQ(daily.substr(0, 2), "BM");
        EXPECT_EQ(u32(10), 54u);
        EXPECT_EQ(u32(18), static_cast<std::uint32_t>(row.width));
        EXPECT_EQ(u32(22), static_cast<std::uint32_t>(row.height)); // positive: bottom up
        EXPECT_EQ(u32(28) & 0xffff, 24u);
        EXPECT_EQ(u32(30), 0u);
        // The left (or top) half's middle pixel: rows are stored bottom up.
        const bool turned = row.height > row.width;
        const int x = turned ? row.width / 2 : row.width / 4, y = turned ? row.height / 4 : row.height / 2;
        const std::size_t at = 54 + row_bytes * static_cast<std::size_t>(row.height - 1 - y) + 3 * static_cast<std::size_t>(x);
        const QRgb stored = qRgb(static_cast<unsigned char>(daily[at + 2]), static_cast<unsigned char>(daily[at + 1]),
                                 static_cast<unsigned char>(daily[at]));
        for (const int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>(stored >> shift & 0xff), static_cast<int>(row.centre_left >> shift & 0xff),
                        row.tolerance);

        DisplayConnection connection(server.display());
        // Filled onto 640 x 480: the 16 x 8 picture's left quarter, the 8 x 16
        // one's rows 5 to 8 show at the top.
        const QRgb shown = root_pixel(connection.get(), turned ? 320 : 80, turned ? 100 : 240);
        for (const int shift : {0, 8, 16})
            EXPECT_NEAR(static_cast<int>(shown >> shift & 0xff), static_cast<int>(row.centre_left >> shift & 0xff),
                        row.tolerance + 2);
    }
}

TEST_F(MuralrunOnX11, FillsTheScreenKeepingTheAspectAndCroppingTheSides)
{
    write_week([](int) { return thirds_picture(); });
    ASSERT_EQ(run(MURALRUN_PATH, scratch).exit_code, 0);

    // 300x150 on 640x480 is scaled by 3.2 to 960x480 and cropped by 160
    // pixels on each side: red to x=160, green to 480, blue beyond. A
    // stretch would turn red to green at 213 and green to blue at 427.
    DisplayConnection connection(server.display());
    const std::pair<int, QRgb> expected[] = {
        {10, qRgb(255, 0, 0)}, {150, qRgb(255, 0, 0)}, {190, qRgb(0, 255, 0)},
        {450, qRgb(0, 255, 0)}, {500, qRgb(0, 0, 255)}, {630, qRgb(0, 0, 255)},
    };
    for (const auto& [x, colour] : expected)
        EXPECT_EQ(root_pixel(connection.get(), x, 240), colour) << "at x=" << x;
}

TEST_F(MuralrunOnX11, WithoutAScheduleOrAnEditorReportsAndEndsWithoutACrash)
{
    environment.unset("DISPLAY");
    // A copy of the program alone in a folder: the build folder holds the
    // real editor beside it.
    const std::string folder = scratch / "alone";
    fs::create_directories(folder);
    copy_muralrun(folder);
    // At a change of day a missing schedule is no news, and starts nothing.
    const RunResult day_change = run(folder + "/Muralrun", scratch, "--day-change");
    EXPECT_EQ(day_change.exit_code, 0);
    EXPECT_EQ(day_change.errors, "");
    const RunResult result = run(folder + "/Muralrun", scratch);
    EXPECT_EQ(result.exit_code, 2);
    EXPECT_NE(result.errors.find("The Muralis: Sorry, the file: " + data_folder +
                                 "/Vantorel.cfg, can not be found.\nExecute your setup again"),
              std::string::npos)
        << result.errors;
    EXPECT_FALSE(fs::exists(data_folder + "/Vantorel.bmp"));
}

// Finds a top-level window by its title.
Window find_window(Display* display, const std::string& title)
{
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window found = None;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && found == None; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) && name) {
                if (title == name)
                    found = children[i];
                XFree(name);
            }
        }
        XFree(children);
    }
    return found;
}

// A copy of the program in a folder of its own, with a stand-in editor
// that records its start in the file editor_record names.
std::string install_beside_a_stand_in_editor(const TemporaryFolder& scratch, const std::string& editor_record)
{
    const std::string folder = scratch / "install dir";
    fs::create_directories(folder);
    copy_muralrun(folder);
    write_file(folder + "/Muralset", "#!/bin/sh\ntouch '" + editor_record + "'\n");
    fs::permissions(folder + "/Muralset", fs::perms::owner_all);
    return folder + "/Muralrun";
}

bool appears(const std::string& path)
{
    for (int i = 0; i < 50 && !fs::exists(path); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    return fs::exists(path);
}

// Runs program, waits for its message box titled "The Muralis", checks
// that the editor has not started yet, answers the box as a user would and
// waits for the program's end.
void run_answering_the_message(const std::string& program, const TemporaryFolder& scratch,
                               const XvfbServer& server, const std::string& editor_record)
{
    std::thread applier([&] { run(program, scratch); });
    DisplayConnection connection(server.display());
    Window box = None;
    for (int i = 0; i < 200 && box == None; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        box = find_window(connection.get(), "The Muralis");
    }
    EXPECT_NE(box, None) << "no message box titled \"The Muralis\"";
    EXPECT_FALSE(fs::exists(editor_record)) << "the editor started before the message was closed";
    // Answer the box as a user would: focus it and press Enter.
    const std::string answer = "DISPLAY=" + server.display() + " xdotool windowfocus --sync " +
                               std::to_string(box) + " key Return >/dev/null 2>&1";
    for (int i = 0; i < 50 && find_window(connection.get(), "The Muralis") != None; ++i) {
        std::system(answer.c_str());
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    applier.join();
}

TEST_F(MuralrunOnX11, ShowsTheMessageThenStartsTheEditorBesideIt)
{
    const std::string marker = scratch / "editor-started";
    const std::string program = install_beside_a_stand_in_editor(scratch, marker);
    write_week([](int weekday) {
        QImage picture(8, 8, QImage::Format_RGB32);
        picture.fill(day_colours[weekday]);
        return picture;
    });
    fs::remove(todays_picture());

    run_answering_the_message(program, scratch, server, marker);
    EXPECT_TRUE(appears(marker)) << "the editor was not started after the message";
    EXPECT_FALSE(fs::exists(data_folder + "/Vantorel.bmp"));
}

// A valid 64 x 48 bitmap of one colour, as Qt writes it.
std::string bitmap_bytes(QRgb colour)
{
    QImage picture(64, 48, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "BMP");
    return bytes.toStdString();
}

// Today's picture turned into something no decoder reads, after a good
// day: the message names it, the editor starts once the message is
// answered, and the daily bitmap and the screen keep the good day.
TEST_F(MuralrunOnX11, AnUnreadableTodaysPictureIsReportedAndChangesNothing)
{
    const std::string bitmap = bitmap_bytes(qRgb(10, 200, 30));
    std::string huge = bitmap;
    huge[18] = huge[22] = '\x7f'; // 32639 pixels each way
    huge[19] = huge[23] = '\x7f';
    const std::string seeds = PICTURE_SEEDS;
    const std::string jpeg = file_bytes(seeds + "/rgb-16x8.jpg");
    const struct {
        const char* name;
        std::string bytes;
        const char* extension = ".bmp"; // of every day's picture
    } pictures[] = {
        {"garbage", std::string(4096, '\xa5') + "not a picture"},
        {"a bitmap cut after its header and a few rows", bitmap.substr(0, 54 + 64 * 4 * 5)},
        {"a bitmap header alone", bitmap.substr(0, 54)},
        {"an empty file", ""},
        {"a bitmap claiming 32639 x 32639 pixels", huge},
        {"a PNG under a bitmap's name", file_bytes(seeds + "/rgb-16x8.png")},
        {"a JPEG cut short", jpeg.substr(0, jpeg.size() / 2), ".jpg"},
        {"a PNG claiming 100000 x 100000 pixels", file_bytes(seeds + "/claims-100000x100000.png"), ".png"},
        {"a WebP claiming 16385 pixels a side", file_bytes(seeds + "/claims-16385-wide.webp"), ".webp"},
    };

    const std::string marker = scratch / "editor-started";
    const std::string program = install_beside_a_stand_in_editor(scratch, marker);
    const auto colour = [](int weekday) { return day_colours[weekday] | 0xff000000; };
    for (const auto& picture : pictures) {
        SCOPED_TRACE(picture.name);
        // A good day first: bitmaps, under the names of the format tried.
        picture_extension = picture.extension;
        write_week([&](int weekday) {
            QImage good(64, 48, QImage::Format_RGB32);
            good.fill(colour(weekday));
            return good;
        });
        ASSERT_EQ(run(program, scratch).exit_code, 0);
        const std::string daily_bitmap = file_bytes(data_folder + "/Vantorel.bmp");
        DisplayConnection connection(server.display());
        const Pixmap wallpaper = root_property(connection.get(), "_XROOTPMAP_ID");
        ASSERT_EQ(root_pixel(connection.get(), 320, 240), colour(todays_weekday()));

        write_file(todays_picture(), picture.bytes);
        fs::remove(marker);
        run_answering_the_message(program, scratch, server, marker);
        EXPECT_TRUE(appears(marker)) << "the editor was not started after the message";
        EXPECT_TRUE(file_bytes(data_folder + "/Vantorel.bmp") == daily_bitmap) << "the daily bitmap changed";
        EXPECT_EQ(root_property(connection.get(), "_XROOTPMAP_ID"), wallpaper) << "another wallpaper was set";
        for (const auto& [x, y] : {std::pair{0, 0}, {320, 240}, {639, 479}})
            EXPECT_EQ(root_pixel(connection.get(), x, y), colour(todays_weekday())) << "at " << x << ',' << y;

        // The message's text, on standard error where no display is reached.
        fs::remove(marker);
        environment.unset("DISPLAY");
        const RunResult result = run(program, scratch);
        environment.set("DISPLAY", server.display());
        EXPECT_EQ(result.exit_code, 1);
        EXPECT_NE(result.errors.find("The Muralis: Sorry, the file: " + todays_picture() +
                                     ", can not be found.\nExecute your setup again"),
                  std::string::npos)
            << result.errors;
        EXPECT_TRUE(appears(marker)) << "the editor was not started after the message";
        EXPECT_TRUE(file_bytes(data_folder + "/Vantorel.bmp") == daily_bitmap) << "the daily bitmap changed";

        // Reported today already: the unlock's and the timer's runs keep quiet.
        fs::remove(marker);
        const RunResult again = run(program, scratch, "--day-change");
        EXPECT_EQ(again.exit_code, 1);
        EXPECT_EQ(again.errors, "");
        EXPECT_FALSE(appears(marker)) << "the editor was started again";
    }
}

// A day-change run on the day of the log-on run changes no file and leaves
// the root window alone, with the wallpaper the user set since; on the next
// day it installs the day's picture again.
TEST_F(MuralrunOnX11, ADayChangeRunInstallsTodaysPictureOnceADay)
{
    write_week([](int weekday) {
        QImage picture(64, 48, QImage::Format_RGB32);
        picture.fill(day_colours[weekday]);
        return picture;
    });
    ASSERT_EQ(run(MURALRUN_PATH, scratch).exit_code, 0);
    DisplayConnection connection(server.display());
    Display* display = connection.get();
    const Pixmap installed = root_property(display, "_XROOTPMAP_ID");
    XSetWindowBackground(display, DefaultRootWindow(display), 0x123456);
    XClearWindow(display, DefaultRootWindow(display));
    XSync(display, False);
    struct stat bitmap_before {}, bitmap_after {}, folder_before {}, folder_after {};
    ::stat((data_folder + "/Vantorel.bmp").c_str(), &bitmap_before);
    ::stat(data_folder.c_str(), &folder_before);

    const RunResult same_day = run(MURALRUN_PATH, scratch, "--day-change");
    EXPECT_EQ(same_day.exit_code, 0) << same_day.errors;
    ::stat((data_folder + "/Vantorel.bmp").c_str(), &bitmap_after);
    ::stat(data_folder.c_str(), &folder_after);
    EXPECT_EQ(bitmap_after.st_ino, bitmap_before.st_ino);
    const auto time = [](const struct stat& info) { return std::pair(info.st_mtim.tv_sec, info.st_mtim.tv_nsec); };
    EXPECT_EQ(time(bitmap_after), time(bitmap_before));
    EXPECT_EQ(time(folder_after), time(folder_before)) << "a file was made or renamed";
    EXPECT_EQ(root_property(display, "_XROOTPMAP_ID"), installed);
    EXPECT_EQ(root_pixel(display, 320, 240), qRgb(0x12, 0x34, 0x56)) << "the user's wallpaper was replaced";

    // The record a run left yesterday.
    const std::string record = data_folder + "/Vantorel.dat";
    write_file(record, std::regex_replace(file_bytes(record), std::regex("installed [0-9]{8}"), "installed 20000101"));
    const RunResult next_day = run(MURALRUN_PATH, scratch, "--day-change");
    EXPECT_EQ(next_day.exit_code, 0) << next_day.errors;
    EXPECT_NE(root_property(display, "_XROOTPMAP_ID"), installed);
    EXPECT_EQ(root_pixel(display, 320, 240), day_colours[todays_weekday()] | 0xff000000);
}

} // namespace
} // namespace muralis::testing
