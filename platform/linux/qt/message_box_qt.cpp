// Message boxes: a QMessageBox owned by the editor's window, or one standing
// alone for a program without a window of its own (Muralrun).
#include "platform/linux/qt/qt_toolkit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QPointer>
#include <QString>

#include <X11/Xlib.h>
// Xlib's None, a macro, would stand for MessageIcon::None below.
#undef None

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace muralis::linux_platform {

namespace {

bool x_display_reachable()
{
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return false;
    XCloseDisplay(display);
    return true;
}

bool wayland_plugin_installed()
{
    const QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms");
    return !platforms.entryList({"libqwayland*.so"}, QDir::Files).isEmpty();
}

// The Qt platform plugin that can reach the user's display, or empty. Asked
// beforehand because QApplication aborts the program when its platform
// cannot start.
QByteArray reachable_platform()
{
    if (const char* forced = std::getenv("QT_QPA_PLATFORM"); forced && *forced)
        return forced;
    if (x_display_reachable())
        return "xcb";
    if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland && wayland_plugin_installed())
        return "wayland";
    return {};
}

QMessageBox::Icon qt_icon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton qt_button(MessageAnswer answer)
{
    switch (answer) {
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

// Shows the box, owned by owner when there is one, and gives the answer;
// nothing, having shown nothing, when a box without an owner has no display
// to go to or no widget application to show it in.
std::optional<MessageAnswer> show_qt_message_box(const std::string& title, const std::string& text,
                                                 const MessageStyle& style, QWidget* owner)
{
    static int argc = 1;
    static char program_name[] = "Muralis";
    static char* argv[] = {program_name, nullptr};
    std::unique_ptr<QApplication> owned;
    if (!owner && !QCoreApplication::instance()) {
        const QByteArray platform = reachable_platform();
        if (platform.isEmpty())
            return std::nullopt;
        qputenv("QT_QPA_PLATFORM", platform);
        owned = std::make_unique<QApplication>(argc, argv);
    }
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return std::nullopt;

    const bool yes_no = style.buttons == MessageButtons::YesNo;
    const QMessageBox::StandardButtons buttons = yes_no ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
    // The last button answers every way of closing the box but its buttons:
    // Escape, the window's close button.
    const QMessageBox::StandardButton last = yes_no ? QMessageBox::No : QMessageBox::Ok;

    QMessageBox box(qt_icon(style.icon), QString::fromStdString(title),
                    QString::fromStdString(with_newlines(text)), buttons, owner);
    // A file name is no markup, whatever angle brackets it holds.
    box.setTextFormat(Qt::PlainText);
    const QMessageBox::StandardButton wanted = qt_button(style.default_answer);
    box.setDefaultButton(buttons.testFlag(wanted) ? wanted : last);
    box.setEscapeButton(last);
    // Some styles decorate the buttons with icons; the boxes have none.
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());
    // Owned, the box is transient for the owner's window (shown or not yet)
    // and blocks that window alone; exec() would make it application-modal.
    if (owner)
        box.setWindowModality(Qt::WindowModal);
    box.exec();

    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    default:
        return yes_no ? MessageAnswer::No : MessageAnswer::Ok;
    }
}

} // namespace

struct QtToolkit::MessageOwner {
    QPointer<QWidget> widget;
};

void QtToolkit::set_message_owner(QWidget* owner)
{
    m_message_owner = owner ? std::make_shared<MessageOwner>(MessageOwner{owner}) : nullptr;
}

std::optional<MessageAnswer> QtToolkit::message_box(const std::string& title, const std::string& text,
                                                    const MessageStyle& style)
{
    return show_qt_message_box(title, text, style, m_message_owner ? m_message_owner->widget.data() : nullptr);
}

} // namespace muralis::linux_platform
