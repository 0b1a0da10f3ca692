#include "platform/linux/view/control_binder.h"

#include <string>

#include <QApplication>
#include <QPixmap>
#include <QSignalBlocker>
#include <QWidget>

#include "editor/twips.h"
#include "platform/linux/view/artwork.h"

namespace muralis::linux_platform {

ViewContext::ViewContext(QWidget& window, int dpi, std::function<void(const UserAction&)> run_for_user)
    : m_window(window), m_dpi(dpi), m_run_for_user(std::move(run_for_user)), m_system_colours(QApplication::palette())
{
}

QColor ViewContext::colour(const editor::Colour& colour) const
{
    if (colour.kind == editor::Colour::Kind::Rgb)
        return QColor(colour.red, colour.green, colour.blue);
    switch (colour.system_colour) {
    case editor::SystemColour::WindowBackground:
        return m_system_colours.color(QPalette::Base);
    case editor::SystemColour::WindowText:
        return m_system_colours.color(QPalette::Text);
    case editor::SystemColour::ButtonFace:
        return m_system_colours.color(QPalette::Button);
    case editor::SystemColour::ButtonText:
        return m_system_colours.color(QPalette::ButtonText);
    }
    return {};
}

QFont ViewContext::font(const editor::Font& font, const QFont& inherited)
{
    for (const SharedFont& shared : m_fonts) {
        if (shared.font == font && shared.inherited == inherited)
            return shared.shown;
    }
    QFont shown = inherited;
    shown.setFamily(QString::fromStdString(font.face));
    shown.setPointSizeF(font.points);
    shown.setBold(font.bold);
    m_fonts.push_back({font, inherited, shown});
    return shown;
}

const QCursor& ViewContext::globe_cursor()
{
    if (!m_globe_cursor) {
        const QPixmap globe = artwork(QStringLiteral("globe-32.png"));
        m_globe_cursor.emplace(globe, globe.width() / 2, globe.height() / 2);
    }
    return *m_globe_cursor;
}

void WidgetBinder::set_up(QWidget* widget, const ColourRoles& roles)
{
    m_widget = widget;
    const editor::Control& control = m_control;
    widget->setObjectName(QString::fromStdString(
        control.index() < 0 ? control.name() : control.name() + "(" + std::to_string(control.index()) + ")"));
    const editor::PixelRect at = editor::to_pixels(control.rect(), m_context.dpi());
    widget->setGeometry(at.left, at.top, at.width, at.height);
    if (const auto& font = control.font())
        widget->setFont(m_context.font(*font, widget->font()));
    set_colours(roles);
    if (control.mouse_pointer() == editor::MousePointer::Globe)
        widget->setCursor(m_context.globe_cursor());
    show_accessible_name();
}

// A control without a name of its own is read by what it shows (a button's
// caption, a label's text), as Qt does by itself.
void WidgetBinder::show_accessible_name()
{
    m_widget->setAccessibleName(QString::fromStdString(m_control.AccessibleName()));
}

void WidgetBinder::set_colours(const ColourRoles& roles)
{
    // A control without colours of its own keeps the palette it inherits,
    // and its background is not filled: what a widget has from the start.
    const auto& back = m_control.back_colour();
    const auto& fore = m_control.fore_colour();
    if (!back && !fore)
        return;
    QPalette palette = m_widget->palette();
    if (back) {
        const QColor colour = m_context.colour(*back);
        for (const auto role : roles.back)
            palette.setColor(role, colour);
    }
    if (fore) {
        const QColor colour = m_context.colour(*fore);
        for (const auto role : roles.fore)
            palette.setColor(role, colour);
    }
    m_widget->setPalette(palette);
    // Without a colour of its own a label or a picture lets its container
    // show through.
    m_widget->setAutoFillBackground(back && roles.fills_background);
}

void WidgetBinder::show_all()
{
    const QSignalBlocker blocker(m_widget);
    show_caption();
    show_entries();
    m_widget->setEnabled(m_control.Enabled());
    m_widget->setVisible(m_control.Visible());
}

void WidgetBinder::show(editor::Property property)
{
    const QSignalBlocker blocker(m_widget);
    switch (property) {
    case editor::Property::Caption:
        show_caption();
        break;
    case editor::Property::Enabled:
        m_widget->setEnabled(m_control.Enabled());
        break;
    case editor::Property::Visible:
        m_widget->setVisible(m_control.Visible());
        break;
    case editor::Property::Picture:
        m_widget->update();
        break;
    case editor::Property::Interval:
        break;
    case editor::Property::Focus:
        m_widget->setFocus(Qt::OtherFocusReason);
        break;
    case editor::Property::Drive:
    case editor::Property::ListIndex:
        show_choice();
        break;
    case editor::Property::Path:
    case editor::Property::Pattern:
    case editor::Property::List:
        show_entries();
        break;
    case editor::Property::AccessibleName:
        show_accessible_name();
        break;
    }
}

void WidgetBinder::silence()
{
    m_widget->blockSignals(true);
}

} // namespace muralis::linux_platform
