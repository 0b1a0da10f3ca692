// The Qt view of the editor's window on Qt's offscreen platform: that it
// mirrors the model, and that what the user does reaches the model.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QDir>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "editor/arriere_plan.h"
#include "editor/twips.h"
#include "fake/fake_platform.h"
#include "platform/linux/qt/qt_picture.h"
#include "platform/linux/view/arriere_plan_view.h"
#include "platform/linux/view/logout_inhibitor.h"

#include "harness.h"

inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QColor& colour, std::ostream* out)
{
    *out << colour.name().toStdString();
}

namespace muralis::testing {
namespace {

using editor::Control;

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"Autumn leaves.bmp", "beach.bmp", "Harbour at night.BMP", "Snow.bmp",
                                 "Sunrise.bmp", "Muralset.exe", "readme.txt"})
            fake.files[std::string("C:\\PROGRAMS\\MURALIS\\") + name] = "BM";
        fake.folders.insert({"C:\\PROGRAMS\\MURALIS\\Pictures", "C:\\PROGRAMS\\MURALIS\\Samples"});
        window = std::make_unique<editor::Arriere_Plan>(fake.platform());
        view = std::make_unique<linux_platform::ArrierePlanView>(*window);
        view->set_failure_handler([this](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const Failure& failure) {
                failures.push_back(failure.number());
            } catch (...) {
                failures.push_back(-1);
            }
        });
        view->show();
        view->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    }

    QWidget* shown(const Control& control) const { return view->widget_for(control); }
    template <typename Widget>
    Widget* shown_as(const Control& control) const { return qobject_cast<Widget*>(shown(control)); }

    QString text_of(const Control& control) const
    {
        if (auto* button = shown_as<QPushButton>(control))
            return button->text();
        if (auto* label = shown_as<QLabel>(control))
            return label->text();
        return shown_as<QLineEdit>(control)->text();
    }

    // Clicks through the window, as the window system delivers them; a
    // double-click is two clicks in quick succession.
    static void click(QWidget* widget, QPoint at = {}, bool twice = false)
    {
        QWindow* window = widget->window()->windowHandle();
        const QPoint in_window = window->mapFromGlobal(widget->mapToGlobal(at.isNull() ? widget->rect().center() : at));
        if (twice)
            QTest::mouseDClick(window, Qt::LeftButton, {}, in_window);
        else
            QTest::mouseClick(window, Qt::LeftButton, {}, in_window);
    }
    static void click_row(QListWidget* list, int row, bool twice = false)
    {
        click(list->viewport(), list->visualItemRect(list->item(row)).center(), twice);
    }

    static QStringList rows(const QListWidget* list)
    {
        QStringList texts;
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    }

    static bool eventually(const std::function<bool()>& condition)
    {
        for (int waited = 0; !condition(); waited += 5) {
            if (waited > 5000)
                return false;
            QTest::qWait(5);
        }
        return true;
    }

    FakePlatform fake;
    std::unique_ptr<editor::Arriere_Plan> window;
    std::unique_ptr<linux_platform::ArrierePlanView> view;
    std::vector<int> failures;
};

TEST_F(ViewTest, ControlsSitAtTheirTwipsInAFixedWindow)
{
    ASSERT_EQ(qRound(view->screen()->logicalDotsPerInch()), 96);
    EXPECT_EQ(view->size(), QSize(297, 208));
    EXPECT_EQ(view->minimumSize(), view->maximumSize());
    for (const Control* control : window->controls()) {
        SCOPED_TRACE(control->name() + "(" + std::to_string(control->index()) + ")");
        if (control->kind() == editor::ControlKind::Timer) {
            EXPECT_EQ(shown(*control), nullptr);
            continue;
        }
        const editor::PixelRect at = editor::to_pixels(control->rect(), 96);
        EXPECT_EQ(shown(*control)->geometry(), QRect(at.left, at.top, at.width, at.height));
        EXPECT_EQ(shown(*control)->parentWidget(), control->container() ? shown(*control->container()) : view.get());
    }
    // Places worked out by hand, in the container's pixels.
    EXPECT_EQ(shown(window->Label1[3])->geometry(), QRect(0, 43, 81, 17));
    EXPECT_EQ(shown(window->Image1)->geometry(), QRect(200, 2, 97, 73));
    EXPECT_EQ(shown(window->Visite)->geometry(), QRect(49, 178, 248, 24));
}

TEST_F(ViewTest, PictureIsStretchedInsideAThinBorderUnderThePanel)
{
    QImage halves(20, 10, QImage::Format_RGB32);
    halves.fill(Qt::red);
    for (int y = 0; y < 10; ++y)
        std::fill_n(reinterpret_cast<QRgb*>(halves.scanLine(y)) + 10, 10, qRgb(0, 0, 255));
    window->Image1.set_Picture(std::make_shared<linux_platform::QtPicture>(halves));

    const QImage image = shown(window->Image1)->grab().toImage();
    const int right = image.width() - 1, bottom = image.height() - 1;
    const std::pair<QPoint, QColor> pixels[] = {
        {{1, 1}, Qt::red},      {{1, bottom - 1}, Qt::red},   {{right - 1, 1}, Qt::blue},
        {{0, 0}, Qt::black},    {{right, bottom}, Qt::black}, {{0, bottom / 2}, Qt::black},
    };
    for (const auto& [at, expected] : pixels)
        EXPECT_EQ(image.pixelColor(at), expected) << at.x() << "," << at.y();

    // The panel is painted over the picture, whatever the order of creation.
    const QImage whole = view->grab().toImage();
    EXPECT_EQ(whole.pixelColor(201, 3), QColor(Qt::red));
    EXPECT_EQ(whole.pixelColor(210, 12), QApplication::palette().color(QPalette::Base));
    window->Image1.set_Picture(nullptr);
    EXPECT_NE(view->grab().toImage().pixelColor(201, 3), QColor(Qt::red));
}

TEST_F(ViewTest, CaptionsAndStatesFollowTheModel)
{
    const struct {
        const Control& control;
        QString english;
        QString french;
    } captions[] = {
        {window->Bouton_Image, "Picture", "Images"},     {window->Bouton_Accepter, "&Accept", "Accepter"},
        {window->Bouton_Enregistrer, "&Save", "Enregistrer"}, {window->Bouton_Quitter, "&Quit", "Quitter"},
        {window->Aff_Visitez, "Visit:", "Visitez"},      {window->Label1[0], "Choose the", ""},
        {window->Label1[1], ".BMP file", "Choisissez"},  {window->Label1[2], "to add here", "l'image .BMP"},
        {window->Label1[3], "for", "pour"},
    };
    for (const auto& row : captions)
        EXPECT_EQ(text_of(row.control), row.english) << row.control.name();
    EXPECT_EQ(view->windowTitle(), "Orlimo's Muralis");
    window->Traduction();
    for (const auto& row : captions)
        EXPECT_EQ(text_of(row.control), row.french) << row.control.name();
    EXPECT_EQ(view->windowTitle(), "Muralis");
    // A label shows its caption without the access-key marks, a text box
    // its text as it is.
    window->Jour.set_Caption("Mon && Tue");
    EXPECT_EQ(text_of(window->Jour), "Mon & Tue");
    window->Visite.set_Text("https://example.org/&");
    EXPECT_EQ(text_of(window->Visite), "https://example.org/&");

    // A screen reader's names: the model's where it gives one, else what
    // the control shows.
    for (const Control* control : window->controls()) {
        if (QWidget* widget = shown(*control)) {
            EXPECT_EQ(widget->accessibleName(), QString::fromStdString(control->AccessibleName())) << control->name();
        }
    }
    EXPECT_EQ(shown(window->Image1)->accessibleName(), "Preview");
    window->Dir1.set_AccessibleName("Dossiers");
    EXPECT_EQ(shown(window->Dir1)->accessibleName(), "Dossiers");

    EXPECT_FALSE(shown(window->Bouton_Enregistrer)->isEnabled());
    EXPECT_FALSE(shown(window->Bouton_Image)->isEnabled());
    EXPECT_TRUE(shown(window->Bouton_Quitter)->isEnabled());
    window->Bouton_Enregistrer.set_Enabled(true);
    EXPECT_TRUE(shown(window->Bouton_Enregistrer)->isEnabled());
    window->Frame1.set_Visible(false);
    EXPECT_FALSE(shown(window->Label1[2])->isVisible());
}

TEST_F(ViewTest, ColoursFontsIconAndPointerComeFromTheModelAndTheArtwork)
{
    const QColor yellow(255, 255, 0), blue(0, 0, 255), cyan(0, 255, 255);
    const QPalette system = QApplication::palette();
    const struct {
        const Control& control;
        QPalette::ColorRole role;
        QColor expected;
    } colours[] = {
        {window->Visite, QPalette::Base, yellow},  {window->Visite, QPalette::Text, blue},
        {window->Jour, QPalette::WindowText, blue}, {window->File1, QPalette::Base, cyan},
        {window->Dir1, QPalette::Base, cyan},       {window->Drive1, QPalette::Button, cyan},
        {window->Frame1, QPalette::Window, system.color(QPalette::Base)},
        {window->Bouton_Quitter, QPalette::Button, system.color(QPalette::Button)},
    };
    for (const auto& row : colours)
        EXPECT_EQ(shown(row.control)->palette().color(row.role), row.expected) << row.control.name() << " " << row.role;
    // The panel paints its colour; the labels on it let it show through.
    EXPECT_TRUE(shown(window->Frame1)->autoFillBackground());
    EXPECT_FALSE(shown(window->Label1[1])->autoFillBackground());

    for (const auto& [control, points] : {std::pair<const Control*, double>{&window->Visite, 9.75},
                                          {&window->Jour, 9.75}, {&window->Aff_Visitez, 8.25}}) {
        const QFontInfo font(shown(*control)->font());
        EXPECT_TRUE(font.family() == "Arial" || font.family() == "Liberation Sans") << font.family().toStdString();
        EXPECT_DOUBLE_EQ(shown(*control)->font().pointSizeF(), points);
        EXPECT_TRUE(font.bold());
    }
    EXPECT_EQ(QFontInfo(shown(window->Visite)->font()).pixelSize(), 13); // 9.75 pt at 96 DPI

    const auto artwork = [](const char* name) {
        return QImage(QDir(ARTWORK_DIR).filePath(name)).convertToFormat(QImage::Format_ARGB32);
    };
    // Given once the window has painted. Read as PNG, neither the icon nor
    // the pointer loaded any of Qt's image plugins (each a dlopen at start).
    EXPECT_TRUE(QTest::qWaitFor([this] { return !view->windowIcon().isNull(); }));
    (void)shown(window->Visite)->cursor();
    std::ifstream maps("/proc/self/maps");
    const std::string mapped{std::istreambuf_iterator<char>(maps), std::istreambuf_iterator<char>()};
    EXPECT_EQ(mapped.find("/imageformats/"), std::string::npos);
    EXPECT_EQ(view->windowIcon().pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32),
              artwork("muralis-32.png"));
    const QCursor pointer = shown(window->Visite)->cursor();
    EXPECT_EQ(pointer.shape(), Qt::BitmapCursor);
    EXPECT_EQ(pointer.hotSpot(), QPoint(16, 16));
    EXPECT_EQ(pointer.pixmap().toImage().convertToFormat(QImage::Format_ARGB32), artwork("globe-32.png"));
}

TEST_F(ViewTest, ClicksReachTheModelWhileTheControlIsEnabled)
{
    int accepted = 0, saved = 0, box_clicks = 0, box_double_clicks = 0;
    window->Bouton_Accepter.Click = [&] { ++accepted; };
    window->Bouton_Enregistrer.Click = [&] { ++saved; };
    window->Visite.Click = [&] { ++box_clicks; };
    window->Visite.DblClick = [&] { ++box_double_clicks; };
    click(shown(window->Bouton_Accepter));
    click(shown(window->Bouton_Enregistrer));
    EXPECT_EQ(accepted, 1);
    EXPECT_EQ(saved, 0);
    window->Bouton_Enregistrer.set_Enabled(true);
    QTest::keyClick(view->windowHandle(), Qt::Key_S, Qt::AltModifier); // the caption's access key
    EXPECT_TRUE(eventually([&] { return saved == 1; }));

    // The second click of a double-click is the double-click only.
    click(shown(window->Visite));
    click(shown(window->Visite), {}, true);
    EXPECT_EQ(box_clicks, 2);
    EXPECT_EQ(box_double_clicks, 1);

    // Whatever the procedure leaves unhandled goes to the handler, not
    // through Qt's event loop.
    window->Bouton_Accepter.Click = [] { throw Failure(53, "File not found"); };
    click(shown(window->Bouton_Accepter));
    window->Bouton_Accepter.Click = [] { throw std::length_error("basic_string::_M_create"); };
    click(shown(window->Bouton_Accepter));
    EXPECT_EQ(failures, (std::vector<int>{53, -1}));
}

TEST_F(ViewTest, FileListChoicesReachTheModelAndModelWritesDoNotComeBack)
{
    window->Form_Load();
    auto* list = shown_as<QListWidget>(window->File1);
    ASSERT_EQ(rows(list), (QStringList{"Autumn leaves.bmp", "beach.bmp", "Harbour at night.BMP", "Snow.bmp",
                                       "Sunrise.bmp"}));
    int clicks = 0, double_clicks = 0;
    std::vector<int> typed;
    window->File1.Click = [&] { ++clicks; };
    window->File1.DblClick = [&] { ++double_clicks; };
    window->File1.KeyPress = [&](int character) { typed.push_back(character); };

    // Taking the focus makes an entry current but chooses nothing.
    list->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(window->File1.ListIndex(), -1);
    click_row(list, 2);
    EXPECT_EQ(window->File1.ListIndex(), 2);
    click_row(list, 1, true);
    EXPECT_EQ(window->File1.ListIndex(), 1);
    EXPECT_EQ(double_clicks, 1);
    // Ctrl+click cannot take the choice away.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, list->visualItemRect(list->item(1)).center());
    EXPECT_TRUE(list->item(1)->isSelected());
    // A typed character goes to the model, then moves the list as usual.
    QTest::keyClick(list, Qt::Key_S);
    EXPECT_EQ(typed, std::vector<int>{'s'});
    EXPECT_EQ(window->File1.FileName(), "Snow.bmp");
    EXPECT_EQ(clicks, 3);

    window->File1.set_ListIndex(4);
    EXPECT_TRUE(list->item(4)->isSelected());
    window->File1.set_Pattern("*.txt");
    EXPECT_EQ(rows(list), QStringList{"readme.txt"});
    EXPECT_TRUE(list->selectedItems().isEmpty());
    EXPECT_EQ(clicks, 4);
}

TEST_F(ViewTest, OpeningAFolderOrChoosingADriveWritesTheModel)
{
    auto* folders = shown_as<QListWidget>(window->Dir1);
    EXPECT_EQ(rows(folders), (QStringList{"C:\\", "PROGRAMS", "MURALIS", "Pictures", "Samples"}));
    EXPECT_EQ(folders->currentRow(), 2);
    const auto icon = [folders](int row) { return folders->item(row)->icon().pixmap(16).toImage(); };
    EXPECT_EQ(icon(0), icon(2));
    EXPECT_NE(icon(3), icon(2));

    int folder_changes = 0, drive_changes = 0;
    window->Dir1.Change = [&] { ++folder_changes; };
    window->Drive1.Change = [&] { ++drive_changes; };
    click_row(folders, 0, true);
    EXPECT_EQ(window->Dir1.Path(), "C:\\");
    EXPECT_EQ(rows(folders), (QStringList{"C:\\", "PROGRAMS", "WINDOWS"}));
    folders->setCurrentRow(2);
    QTest::keyClick(folders, Qt::Key_Return);
    EXPECT_EQ(window->Dir1.Path(), "C:\\WINDOWS");
    EXPECT_EQ(folder_changes, 2);
    // A folder gone since it was listed: the list shows the model's again.
    window->Dir1.set_Path("C:\\");
    fake.folders.erase("C:\\WINDOWS");
    click_row(folders, 2, true);
    EXPECT_EQ(window->Dir1.Path(), "C:\\");
    EXPECT_EQ(folders->currentRow(), 0);
    EXPECT_EQ(rows(folders), (QStringList{"C:\\", "PROGRAMS"})); // read anew

    auto* drives = shown_as<QComboBox>(window->Drive1);
    EXPECT_EQ(drives->currentText(), "C:");
    QTest::keyClick(drives, Qt::Key_Down);
    EXPECT_EQ(window->Drive1.Drive(), "D:");
    fake.drive_list = {"A:", "C:"};
    QTest::keyClick(drives, Qt::Key_Up);
    QTest::keyClick(drives, Qt::Key_Down); // D: has gone
    EXPECT_EQ(window->Drive1.Drive(), "C:");
    EXPECT_EQ(drives->currentText(), "C:");
    EXPECT_EQ(drive_changes, 2);
    window->Drive1.set_Drive("A:");
    EXPECT_EQ(drives->currentText(), "A:");
    EXPECT_TRUE(failures.empty());
}

// Whether every widget shows its control's state: enabled, visible within
// its container, and its caption.
::testing::AssertionResult mirrors(const editor::Arriere_Plan& window, const linux_platform::ArrierePlanView& view)
{
    for (const Control* control : window.controls()) {
        const QWidget* widget = view.widget_for(*control);
        if (!widget)
            continue;
        bool visible = control->Visible();
        for (const Control* outer = control->container(); outer; outer = outer->container())
            visible = visible && outer->Visible();
        if (widget->isEnabled() != control->Enabled() || widget->isVisibleTo(&view) != visible)
            return ::testing::AssertionFailure() << control->name() << " enabled/visible differ";
        if (const auto* label = qobject_cast<const QLabel*>(widget);
            label && label->text().toStdString() != control->shown_caption())
            return ::testing::AssertionFailure() << control->name() << " shows " << label->text().toStdString();
    }
    return ::testing::AssertionSuccess();
}

// The window's own procedures behind the widgets, as a user meets them.
TEST_F(ViewTest, TheUsersWalkReachesTheProceduresAndTheWidgetsFollow)
{
    fake.folders.insert("C:\\IMAGES");
    for (const char* name : {"lake.bmp", "sea.bmp"})
        fake.files[std::string("C:\\IMAGES\\") + name] = "BM";
    window->Form_Load(); // a first run, on Wednesday
    ASSERT_TRUE(mirrors(*window, *view));
    EXPECT_FALSE(shown(window->Bouton_Accepter)->isEnabled());

    auto* folders = shown_as<QListWidget>(window->Dir1);
    click_row(folders, 0, true);
    click_row(folders, 1, true);
    ASSERT_EQ(window->Dir1.Path(), "C:\\IMAGES");
    EXPECT_EQ(folders->currentRow(), 1);
    auto* files = shown_as<QListWidget>(window->File1);
    click_row(files, 1);
    EXPECT_EQ(window->current_picture_path, "C:\\IMAGES\\sea.bmp");
    EXPECT_TRUE(mirrors(*window, *view));
    EXPECT_TRUE(shown(window->Bouton_Accepter)->isEnabled());
    EXPECT_FALSE(shown(window->Frame1)->isVisible());

    // Enter accepts; so does a double-click.
    QTest::keyClick(files, Qt::Key_Return);
    EXPECT_EQ(window->weekday_slot_table[1], "C:\\IMAGES\\sea.bmp4");
    EXPECT_TRUE(mirrors(*window, *view));
    EXPECT_TRUE(shown(window->Frame1)->isVisible());
    EXPECT_EQ(text_of(window->Jour), "THURSDAY");
    click_row(files, 0, true);
    EXPECT_EQ(window->weekday_slot_table[2], "C:\\IMAGES\\lake.bmp5");
    EXPECT_TRUE(mirrors(*window, *view));
    EXPECT_TRUE(shown(window->Bouton_Enregistrer)->isEnabled());
    EXPECT_FALSE(shown(window->Bouton_Quitter)->isEnabled());

    QTest::keyClick(shown_as<QComboBox>(window->Drive1), Qt::Key_Down);
    EXPECT_EQ(window->Dir1.Path(), "D:\\");
    EXPECT_TRUE(mirrors(*window, *view));

    // The visit box takes typing; a click opens what it holds.
    auto* box = shown_as<QLineEdit>(window->Visite);
    box->selectAll();
    QTest::keyClicks(box, "www.example.org");
    EXPECT_EQ(window->Visite.Text(), "www.example.org");
    // The model's echo of each key leaves the cursor where the user typed.
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClicks(box, "ab");
    EXPECT_EQ(window->Visite.Text(), "abwww.example.org");
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(window->Visite.Text(), "www.example.org");
    click(box);
    EXPECT_EQ(fake.opened_addresses, std::vector<std::string>{"https://www.example.org"});

    // Closing asks the model, which asks the user; No ends without saving.
    fake.answers = {MessageAnswer::No};
    view->close();
    EXPECT_TRUE(window->ended());
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(fake.messages.size(), 2u);
    EXPECT_FALSE(fake.files.count("C:\\WINDOWS\\Vantorel.cfg"));
    EXPECT_TRUE(failures.empty());
}

TEST_F(ViewTest, TimersTickWhileTheModelSaysSoAndTabsFollowTheTabIndexes)
{
    const QTimer* timer1 = view->timer_for(window->Timer1);
    EXPECT_TRUE(timer1->isActive());
    window->Form_Load();
    EXPECT_FALSE(timer1->isActive());
    int ticks = 0;
    window->Timer2.Tick = [&] { ++ticks; };
    window->Timer2.set_Interval(5);
    EXPECT_TRUE(eventually([&] { return ticks >= 2; }));
    window->Timer2.set_Enabled(false);
    EXPECT_FALSE(view->timer_for(window->Timer2)->isActive());

    std::vector<std::string> order;
    for (QWidget* next = view->nextInFocusChain(); next != view.get(); next = next->nextInFocusChain()) {
        for (const Control* control : window->controls())
            if (shown(*control) == next && (next->focusPolicy() & Qt::TabFocus))
                order.push_back(control->name());
    }
    EXPECT_EQ(order, (std::vector<std::string>{"Visite", "Bouton_Accepter", "Bouton_Enregistrer", "Bouton_Quitter",
                                                "Drive1", "Dir1", "File1", "Bouton_Image"}));
}

// Where no session manager asks the editor first, the desktop portal holds
// the log-off exactly while a change is unsaved, saying why.
TEST_F(ViewTest, TheLogOffIsHeldThroughThePortalWhileAChangeIsUnsaved)
{
    const PrivateSession session;
    const PortalInhibitRecorder portal;
    const QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromLocal8Bit(qgetenv("DBUS_SESSION_BUS_ADDRESS")), "portal-test");
    ASSERT_TRUE(bus.isConnected());
    view->set_logout_inhibitor(std::make_unique<linux_platform::LogoutInhibitor>(bus));
    fake.files["C:\\PROGRAMS\\MURALIS\\Pictures\\a.bmp"] = "BM";
    window->Form_Load();
    window->Dir1.user_open("C:\\PROGRAMS\\MURALIS\\Pictures");
    window->File1.user_select(0);
    window->Bouton_Accepter.click();
    ASSERT_TRUE(eventually([&] { return portal.calls().size() == 1; }));
    const std::string request = "/org/freedesktop/portal/desktop/request/" +
                                bus.baseService().mid(1).replace('.', '_').toStdString() + "/muralis1";
    EXPECT_EQ(portal.calls()[0], "Inhibit ('', 1, {'handle_token': <'muralis1'>, 'reason': <'The changes to the "
                                 "week are not saved in Muralis yet.'>})");
    // Held once, however many changes follow.
    window->File1.user_select(0);
    window->Bouton_Accepter.click();
    window->windows_folder = "C:\\WINDOWS\\";
    window->Bouton_Enregistrer.click();
    ASSERT_TRUE(eventually([&] { return portal.calls().size() == 2; }));
    EXPECT_EQ(portal.calls()[1], "Close " + request);
    // Held again at the next change, and let go when the program ends.
    window->File1.user_select(0);
    window->Bouton_Accepter.click();
    ASSERT_TRUE(eventually([&] { return portal.calls().size() == 3; }));
    window->Form_EndSession();
    EXPECT_TRUE(eventually([&] { return portal.calls().size() == 4; }));
    EXPECT_EQ(portal.calls().back().substr(0, 6), "Close ");
    EXPECT_EQ(portal.calls().size(), 4u);
}

// A view made over a model that has already run shows it as it is, and a
// view that goes leaves the model and its procedures working.
TEST_F(ViewTest, AViewMadeLateShowsTheModelAsItIsAndOneThatGoesLeavesIt)
{
    window->Form_Load();
    view.reset();
    // No view hears of these.
    window->Drive1.set_Drive("D:");
    window->Dir1.set_Path("C:\\PROGRAMS\\MURALIS");
    window->File1.set_ListIndex(3);
    window->Bouton_Enregistrer.set_Enabled(true);
    window->Frame1.set_Visible(false);
    ASSERT_EQ(window->File1.FileName(), "Snow.bmp");

    view = std::make_unique<linux_platform::ArrierePlanView>(*window);
    view->show();
    EXPECT_TRUE(mirrors(*window, *view));
    auto* files = shown_as<QListWidget>(window->File1);
    EXPECT_EQ(rows(files).size(), window->File1.ListCount());
    EXPECT_TRUE(files->item(3)->isSelected());
    EXPECT_EQ(shown_as<QListWidget>(window->Dir1)->currentRow(), 2);
    EXPECT_EQ(shown_as<QComboBox>(window->Drive1)->currentText(), "D:");
    EXPECT_TRUE(shown(window->Bouton_Enregistrer)->isEnabled());
    EXPECT_EQ(text_of(window->Jour), "WEDNESDAY");
    EXPECT_EQ(QFontInfo(shown(window->Jour)->font()).pixelSize(), 13);
}

// Restores the application's palette and font when the test ends.
struct SchemeGuard {
    QPalette palette = QApplication::palette();
    QFont font = QApplication::font();
    ~SchemeGuard()
    {
        QApplication::setPalette(palette);
        QApplication::setFont(font);
    }
};

// The user's colour scheme and font, changed while the editor runs, reach
// what the model leaves to them; what the model sets stays.
TEST_F(ViewTest, TheUsersSchemeReachesWhatTheModelLeavesToIt)
{
    const SchemeGuard guard;
    QPalette scheme = guard.palette;
    const QColor window_colour(10, 20, 30), button_colour(40, 50, 60), text_colour(70, 80, 90);
    scheme.setColor(QPalette::Window, window_colour);
    scheme.setColor(QPalette::Button, button_colour);
    scheme.setColor(QPalette::Text, text_colour);
    QApplication::setPalette(scheme);
    QFont font = guard.font;
    font.setPointSizeF(15);
    QApplication::setFont(font);
    QCoreApplication::processEvents();

    const struct {
        const Control& control;
        QPalette::ColorRole role;
        QColor expected;
    } colours[] = {
        {window->Bouton_Quitter, QPalette::Button, button_colour},
        {window->Aff_Visitez, QPalette::Window, window_colour},
        {window->File1, QPalette::Text, text_colour},
        {window->File1, QPalette::Base, QColor(0, 255, 255)},
        {window->Visite, QPalette::Text, QColor(0, 0, 255)},
        {window->Jour, QPalette::WindowText, QColor(0, 0, 255)},
    };
    for (const auto& row : colours)
        EXPECT_EQ(shown(row.control)->palette().color(row.role), row.expected) << row.control.name() << " " << row.role;
    EXPECT_DOUBLE_EQ(shown(window->Bouton_Quitter)->font().pointSizeF(), 15);
    EXPECT_DOUBLE_EQ(shown(window->File1)->font().pointSizeF(), 15);
    EXPECT_DOUBLE_EQ(shown(window->Visite)->font().pointSizeF(), 9.75);
    EXPECT_DOUBLE_EQ(shown(window->Aff_Visitez)->font().pointSizeF(), 8.25);
}

TEST_F(ViewTest, ScreenshotAfterLoad)
{
    window->Form_Load();
    const QImage shot = view->grab().toImage();
    ASSERT_TRUE(QDir().mkpath(SCREENSHOT_DIR));
    EXPECT_TRUE(shot.save(QDir(SCREENSHOT_DIR).filePath("muralset-linux.png")));
    EXPECT_EQ(shot.pixelColor(280, 190), QColor(255, 255, 0)); // the text box
}

} // namespace
} // namespace muralis::testing

int main(int argc, char** argv)
{
    // No display needed; Qt wants a private runtime folder of its own.
    char runtime[] = "/tmp/muralis-view-test.XXXXXX";
    if (!::mkdtemp(runtime))
        return 2;
    ::setenv("XDG_RUNTIME_DIR", runtime, 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    QDir(runtime).removeRecursively();
    return result;
}
