// Pictures for the editor's preview, loaded from real files.
#include <gtest/gtest.h>

#include <filesystem>

#include <QColor>
#include <QImage>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/qt_picture.h"
#include "temporary_folder.h"

namespace muralis::testing {
namespace {

namespace fs = std::filesystem;
using linux_platform::LinuxDesktop;
using linux_platform::QtPicture;

TEST(LinuxPicture, LoadsABitmapWhateverItsName)
{
    TemporaryFolder folder;
    QImage written(5, 3, QImage::Format_RGB32);
    written.fill(QColor(10, 200, 30));
    written.setPixelColor(4, 2, QColor(250, 0, 5));
    ASSERT_TRUE(written.save(QString::fromStdString(folder / "monday.bmp"), "BMP"));
    fs::copy_file(folder / "monday.bmp", folder / "Été, lundi.txt");

    LinuxDesktop desktop;
    for (const std::string name : {"monday.bmp", "Été, lundi.txt"}) {
        SCOPED_TRACE(name);
        const auto picture = desktop.load_picture(folder / name);
        ASSERT_TRUE(picture);
        EXPECT_EQ(picture->width(), 5);
        EXPECT_EQ(picture->height(), 3);
        const auto* qt_picture = dynamic_cast<const QtPicture*>(picture.get());
        ASSERT_TRUE(qt_picture);
        EXPECT_EQ(qt_picture->image().pixelColor(0, 0), QColor(10, 200, 30));
        EXPECT_EQ(qt_picture->image().pixelColor(4, 2), QColor(250, 0, 5));
    }
}

TEST(LinuxPicture, MissingFilesAndNonPictures)
{
    TemporaryFolder folder;
    write_file(folder / "notes.bmp", "not a picture at all\n");
    write_file(folder / "empty.bmp", "");
    QImage written(64, 64, QImage::Format_RGB32);
    written.fill(Qt::blue);
    ASSERT_TRUE(written.save(QString::fromStdString(folder / "whole.bmp"), "BMP"));
    write_file(folder / "cut.bmp", file_bytes(folder / "whole.bmp").substr(0, 40));
    fs::create_directory(folder / "folder.bmp");

    struct {
        std::string path;
        int number;
    } const cases[] = {
        {folder / "missing.bmp", 53},
        {folder / "notes.bmp/inside.bmp", 53},
        {folder / "notes.bmp", 481},
        {folder / "empty.bmp", 481},
        {folder / "cut.bmp", 481},
        {folder / "folder.bmp", 481},
    };
    LinuxDesktop desktop;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        try {
            desktop.load_picture(c.path);
            ADD_FAILURE() << "loaded";
        } catch (const Failure& failure) {
            EXPECT_EQ(failure.number(), c.number) << failure.what();
        }
    }
}

} // namespace
} // namespace muralis::testing
