// Message boxes on Qt's offscreen platform: what each box shows, who owns it,
// and the answer each way of closing it gives.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <memory>

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QTimer>
#include <QWindow>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/qt/qt_toolkit.h"
#include "scoped_environment.h"
#include "temporary_folder.h"

namespace muralis::testing {
namespace {

using linux_platform::LinuxDesktop;
using linux_platform::qt_toolkit;

// A style that puts icons on dialog buttons, as some desktops' styles do.
class ButtonIconStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* data) const override
    {
        return hint == SH_DialogButtonBox_ButtonsHaveIcons ? 1 : QProxyStyle::styleHint(hint, option, widget, data);
    }
};

class LinuxMessageBox : public ::testing::Test {
protected:
    enum class Act { Ok, Yes, No, Enter, Escape, Close };

    void SetUp() override
    {
        ::chmod(runtime.path().c_str(), 0700);
        environment.set("QT_QPA_PLATFORM", "offscreen").set("XDG_RUNTIME_DIR", runtime.path().string());
        static int argc = 1;
        static char name[] = "muralis_linux_editor_services_tests";
        static char* argv[] = {name, nullptr};
        application = std::make_unique<QApplication>(argc, argv);
        QApplication::setStyle(new ButtonIconStyle);
    }

    // Runs show, which puts up one box and returns its answer; notes what
    // the box shows in box_seen, then does act to it. A box left up is
    // closed.
    MessageAnswer answer(Act act, const std::function<MessageAnswer()>& show)
    {
        seen = false;
        int ticks = 0;
        QTimer timer;
        QObject::connect(&timer, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (++ticks == 200 && box) {
                ADD_FAILURE() << "the box stayed up";
                box->done(0);
            }
            if (!box || seen)
                return;
            seen = true;
            box_seen = {box->windowTitle(), box->text(), box->textFormat(), box->icon(), box->standardButtons(),
                        box->standardButton(box->defaultButton()),
                        box->standardButton(qobject_cast<QAbstractButton*>(box->focusWidget())),
                        false, box->parentWidget(), box->windowModality(),
                        box->windowHandle()->transientParent()};
            for (const QAbstractButton* button : box->buttons())
                box_seen.button_icons |= !button->icon().isNull();
            if (act == Act::Close) {
                box->windowHandle()->close(); // as the window manager's close button does
            } else if (act == Act::Enter || act == Act::Escape) {
                // To the focused widget, as from the keyboard.
                QKeyEvent key(QEvent::KeyPress, act == Act::Enter ? Qt::Key_Return : Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(box->focusWidget() ? box->focusWidget() : box, &key);
            } else {
                box->button(act == Act::Ok ? QMessageBox::Ok : act == Act::Yes ? QMessageBox::Yes : QMessageBox::No)
                    ->click();
            }
        });
        timer.start(10);
        const MessageAnswer given = show();
        EXPECT_TRUE(seen) << "no box showed";
        return given;
    }

    struct BoxSeen {
        QString title;
        QString text;
        Qt::TextFormat format;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton default_button;
        QMessageBox::StandardButton focused_button;
        bool button_icons;
        QWidget* parent;
        Qt::WindowModality modality;
        QWindow* transient_parent;
    };

    TemporaryFolder runtime;
    ScopedEnvironment environment;
    std::unique_ptr<QApplication> application;
    LinuxDesktop desktop{qt_toolkit()};
    bool seen = false;
    BoxSeen box_seen {};
};

TEST_F(LinuxMessageBox, IconsButtonsDefaultsAndAnswers)
{
    const MessageStyle ok{};
    const MessageStyle stop{MessageIcon::Stop, MessageButtons::Ok, MessageAnswer::Ok};
    const MessageStyle ask_yes{MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes};
    const MessageStyle stop_no{MessageIcon::Stop, MessageButtons::YesNo, MessageAnswer::No};
    const auto yes_no = QMessageBox::Yes | QMessageBox::No;
    struct {
        MessageStyle style;
        Act act;
        MessageAnswer answer;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
        QMessageBox::StandardButton default_button;
    } const cases[] = {
        {ok, Act::Ok, MessageAnswer::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
        {ok, Act::Escape, MessageAnswer::Ok, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok},
        {stop, Act::Close, MessageAnswer::Ok, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok},
        {ask_yes, Act::Yes, MessageAnswer::Yes, QMessageBox::Question, yes_no, QMessageBox::Yes},
        {ask_yes, Act::No, MessageAnswer::No, QMessageBox::Question, yes_no, QMessageBox::Yes},
        {ask_yes, Act::Enter, MessageAnswer::Yes, QMessageBox::Question, yes_no, QMessageBox::Yes},
        {ask_yes, Act::Escape, MessageAnswer::No, QMessageBox::Question, yes_no, QMessageBox::Yes},
        {ask_yes, Act::Close, MessageAnswer::No, QMessageBox::Question, yes_no, QMessageBox::Yes},
        {stop_no, Act::Enter, MessageAnswer::No, QMessageBox::Critical, yes_no, QMessageBox::No},
        {stop_no, Act::Yes, MessageAnswer::Yes, QMessageBox::Critical, yes_no, QMessageBox::No},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        SCOPED_TRACE("case " + std::to_string(i));
        EXPECT_EQ(answer(c.act, [&] { return desktop.message_box("Muralis", "Save?", c.style); }), c.answer);
        EXPECT_EQ(box_seen.icon, c.icon);
        EXPECT_EQ(box_seen.buttons, c.buttons);
        EXPECT_EQ(box_seen.default_button, c.default_button);
        EXPECT_EQ(box_seen.focused_button, c.default_button);
        EXPECT_FALSE(box_seen.button_icons);
    }

    // Lines break at a lone carriage return or at "\r\n"; angle brackets
    // are no markup.
    const std::pair<std::string, QString> texts[] = {
        {"one\rtwo\r\nthree\r\rfour\nfive", "one\ntwo\nthree\n\nfour\nfive"},
        {"<b>Lundi</b> & <i>Été</i>.bmp", "<b>Lundi</b> & <i>Été</i>.bmp"},
    };
    for (const auto& [text, shown] : texts) {
        answer(Act::Ok, [&] {
            desktop.show_message("Été", text);
            return MessageAnswer::Ok;
        });
        EXPECT_EQ(box_seen.title, "Été");
        EXPECT_EQ(box_seen.text, shown);
        EXPECT_EQ(box_seen.format, Qt::PlainText);
        EXPECT_EQ(box_seen.buttons, QMessageBox::Ok);
    }
}

TEST_F(LinuxMessageBox, OwnedByTheWindowShownOrNotElseStandingAlone)
{
    const auto ask = [&] {
        return desktop.message_box("Muralis", "Replace?", {MessageIcon::Question, MessageButtons::YesNo,
                                                           MessageAnswer::Yes});
    };
    // The window's load sequence runs before the window is shown.
    QWidget window;
    qt_toolkit().set_message_owner(&window);
    for (const bool shown : {false, true}) {
        SCOPED_TRACE(shown ? "shown" : "not shown yet");
        window.setVisible(shown);
        EXPECT_EQ(answer(Act::No, ask), MessageAnswer::No);
        EXPECT_EQ(box_seen.parent, &window);
        EXPECT_EQ(box_seen.modality, Qt::WindowModal);
        ASSERT_NE(window.windowHandle(), nullptr);
        EXPECT_EQ(box_seen.transient_parent, window.windowHandle());
        EXPECT_EQ(window.isVisible(), shown);
    }

    // Without an owner, or once the owner is gone, the box stands alone.
    auto doomed = std::make_unique<QWidget>();
    for (QWidget* owner : {static_cast<QWidget*>(nullptr), doomed.get()}) {
        qt_toolkit().set_message_owner(owner);
        if (owner)
            doomed.reset();
        EXPECT_EQ(answer(Act::Enter, ask), MessageAnswer::Yes);
        EXPECT_EQ(box_seen.parent, nullptr);
        EXPECT_EQ(box_seen.modality, Qt::ApplicationModal);
    }
}

TEST(LinuxMessageBoxWithoutDisplay, TheTextGoesToStandardError)
{
    ScopedEnvironment environment;
    environment.unset("QT_QPA_PLATFORM").unset("DISPLAY").unset("WAYLAND_DISPLAY");
    ASSERT_EQ(QCoreApplication::instance(), nullptr);
    ::testing::internal::CaptureStderr();
    const MessageAnswer answer = LinuxDesktop(qt_toolkit()).message_box(
        "Muralrun", "No picture.\rLundi.bmp", {MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::No});
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Muralrun: No picture.\nLundi.bmp\n");
    EXPECT_EQ(answer, MessageAnswer::No);
}

} // namespace
} // namespace muralis::testing
