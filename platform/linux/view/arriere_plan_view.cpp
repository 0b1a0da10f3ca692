#include "platform/linux/view/arriere_plan_view.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <vector>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include "editor/twips.h"
#include "platform/linux/view/control_widgets.h"

// The artwork is compiled into this static library, whose resource
// registration the linker would drop unless something refers to it.
static void register_view_artwork()
{
    Q_INIT_RESOURCE(view_artwork);
}

namespace muralis::linux_platform {

namespace {

using editor::Control;
using editor::ControlKind;
using editor::Property;

QString text_of(const std::string& text)
{
    return QString::fromStdString(text);
}

// The model's fonts name Arial, which few Linux systems have; Liberation
// Sans has the same widths, so the captions fill the controls as designed.
void substitute_missing_fonts()
{
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
        return true;
    }();
    (void)substituted;
}

// A system colour is taken from the application's palette, the user's
// colour scheme.
std::optional<QColor> colour_of(const editor::Colour& colour)
{
    if (colour.kind == editor::Colour::Kind::Rgb)
        return QColor(colour.red, colour.green, colour.blue);
    const QPalette system = QApplication::palette();
    switch (colour.system_colour) {
    case editor::SystemColour::WindowBackground:
        return system.color(QPalette::Base);
    case editor::SystemColour::WindowText:
        return system.color(QPalette::Text);
    case editor::SystemColour::ButtonFace:
        return system.color(QPalette::Button);
    case editor::SystemColour::ButtonText:
        return system.color(QPalette::ButtonText);
    }
    return std::nullopt;
}

// The palette roles that a control's back and fore colours set on its
// widget, and whether the widget must paint its background itself.
struct ColourRoles {
    std::vector<QPalette::ColorRole> back;
    std::vector<QPalette::ColorRole> fore;
    bool fills_background = false;
};

ColourRoles colour_roles(ControlKind kind)
{
    switch (kind) {
    case ControlKind::TextBox:
    case ControlKind::FileListBox:
    case ControlKind::DirListBox:
        return {{QPalette::Base}, {QPalette::Text}};
    case ControlKind::DriveListBox:
        // A closed combo box paints its face with the button roles, its
        // open list with the base roles; the control's colour is both.
        return {{QPalette::Base, QPalette::Button}, {QPalette::Text, QPalette::ButtonText}};
    case ControlKind::CommandButton:
        return {{QPalette::Button}, {QPalette::ButtonText}};
    case ControlKind::Label:
    case ControlKind::Frame:
    case ControlKind::Image:
        return {{QPalette::Window}, {QPalette::WindowText}, true};
    case ControlKind::Timer:
        break;
    }
    return {};
}

Qt::Alignment alignment_of(editor::Alignment alignment)
{
    switch (alignment) {
    case editor::Alignment::Right:
        return Qt::AlignRight | Qt::AlignTop;
    case editor::Alignment::Centre:
        return Qt::AlignHCenter | Qt::AlignTop;
    case editor::Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

QCursor globe_cursor()
{
    const QPixmap globe(QStringLiteral(":/muralis/globe-32.png"));
    return QCursor(globe, globe.width() / 2, globe.height() / 2);
}

QIcon window_icon()
{
    QIcon icon;
    for (const char* size : {"32", "64", "128"})
        icon.addFile(QStringLiteral(":/muralis/muralis-%1.png").arg(QLatin1String(size)));
    return icon;
}

// Labels and pictures have no window of their own: they are painted on
// their container, under every control that has one, whatever the order
// of creation.
bool is_windowless(ControlKind kind)
{
    return kind == ControlKind::Label || kind == ControlKind::Image;
}

} // namespace

ArrierePlanView::ArrierePlanView(editor::Arriere_Plan& window)
    : m_window(window), m_dpi(qRound(screen()->logicalDotsPerInch())),
      m_failure_handler([](std::exception_ptr failure) {
          try {
              std::rethrow_exception(failure);
          } catch (const std::exception& error) {
              std::fprintf(stderr, "Muralis: %s\n", error.what());
          } catch (...) {
              std::fprintf(stderr, "Muralis: unknown error\n");
          }
          QCoreApplication::exit(1);
      })
{
    static const bool registered = (register_view_artwork(), true);
    (void)registered;
    substitute_missing_fonts();
    setFixedSize(editor::twips_to_pixels(editor::client_width, m_dpi),
                 editor::twips_to_pixels(editor::client_height, m_dpi));
    setWindowIcon(window_icon());
    setWindowTitle(text_of(window.Caption()));

    for (Control* control : window.controls()) {
        QWidget* parent = control->container() ? m_widgets.at(control->container()) : this;
        if (QWidget* widget = create_widget(*control, parent))
            m_widgets.emplace(control, widget);
    }
    order_stacking();
    order_tabs();
    m_window.attach_view(this);
}

ArrierePlanView::~ArrierePlanView()
{
    m_window.attach_view(nullptr);
    // The widgets outlive this part of the view (QWidget deletes them);
    // whatever they signal on their way out is not the user's doing.
    for (const auto& [control, widget] : m_widgets)
        widget->blockSignals(true);
    for (const auto& [control, timer] : m_timers)
        timer->blockSignals(true);
}

QWidget* ArrierePlanView::widget_for(const Control& control) const
{
    const auto found = m_widgets.find(&control);
    return found == m_widgets.end() ? nullptr : found->second;
}

QTimer* ArrierePlanView::timer_for(const Control& control) const
{
    const auto found = m_timers.find(&control);
    return found == m_timers.end() ? nullptr : found->second;
}

QWidget* ArrierePlanView::create_widget(Control& control, QWidget* parent)
{
    QWidget* widget = nullptr;
    switch (control.kind()) {
    case ControlKind::Timer:
        connect_timer(static_cast<editor::Timer&>(control));
        return nullptr;
    case ControlKind::TextBox: {
        auto& box = static_cast<editor::TextBox&>(control);
        auto* edit = new TextBoxWidget(parent);
        connect(edit, &QLineEdit::textEdited, this, [this, &box](const QString& text) {
            run_for_user([&box, typed = text.toStdString()] { box.user_type(typed); });
        });
        edit->on_click = [this, &box] { run_for_user([&box] { box.click(); }); };
        edit->on_double_click = [this, &box] { run_for_user([&box] { box.double_click(); }); };
        widget = edit;
        break;
    }
    case ControlKind::CommandButton: {
        auto& command = static_cast<editor::CommandButton&>(control);
        auto* button = new QPushButton(parent);
        // Enter belongs to whichever control has the focus; no button
        // takes it over.
        button->setAutoDefault(false);
        button->setDefault(false);
        connect(button, &QPushButton::clicked, this, [this, &command] { run_for_user([&command] { command.click(); }); });
        widget = button;
        break;
    }
    case ControlKind::Label: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(false);
        label->setAlignment(alignment_of(control.alignment()));
        widget = label;
        break;
    }
    case ControlKind::Frame: {
        // The window's panel: no border and no caption, only its colour.
        auto* frame = new QFrame(parent);
        frame->setFrameShape(QFrame::NoFrame);
        widget = frame;
        break;
    }
    case ControlKind::Image:
        widget = new ImageWidget(static_cast<const editor::Image&>(control), parent);
        break;
    case ControlKind::DriveListBox: {
        auto& drives = static_cast<editor::DriveListBox&>(control);
        auto* combo = new QComboBox(parent);
        combo->setEditable(false);
        connect(combo, &QComboBox::activated, this, [this, &drives, combo](int index) {
            const std::string drive = combo->itemText(index).toStdString();
            // A drive that has gone comes back as a change of the list.
            run_for_user([&] { drives.user_choose(drive); });
        });
        widget = combo;
        break;
    }
    case ControlKind::DirListBox: {
        auto& folders = static_cast<editor::DirListBox&>(control);
        auto* list = new QListWidget(parent);
        list->setItemDelegate(new FolderIndentDelegate(style()->pixelMetric(QStyle::PM_SmallIconSize) / 2, list));
        connect(list, &QListWidget::activated, this, [this, &folders, list](const QModelIndex& index) {
            const auto row = static_cast<std::size_t>(index.row());
            if (row >= folders.entries().size())
                return;
            // Opening the folder reloads the entries: keep the path apart.
            const std::string path = folders.entries()[row].path;
            // A folder that has gone comes back as a change of the list.
            run_for_user([&] { folders.user_open(path); });
        });
        widget = list;
        break;
    }
    case ControlKind::FileListBox: {
        auto& files = static_cast<editor::FileListBox&>(control);
        auto* list = new FileListWidget(parent);
        // Folders of thousands of pictures: one height for every line spares
        // the list measuring each of them.
        list->setUniformItemSizes(true);
        // The chosen file is the selected entry, not the current one: the
        // list makes its first entry current when it gets the focus, which
        // chooses nothing.
        connect(list, &QListWidget::itemSelectionChanged, this, [this, &files, list] {
            const QList<QListWidgetItem*> selected = list->selectedItems();
            if (selected.isEmpty()) {
                // Qt lets Ctrl+click clear the selection; the model's list
                // keeps its choice.
                const QSignalBlocker blocker(list);
                show_choice(files, list);
                return;
            }
            run_for_user([&files, row = list->row(selected.front())] { files.user_select(row); });
        });
        connect(list, &QListWidget::doubleClicked, this, [this, &files](const QModelIndex& index) {
            run_for_user([&files, row = index.row()] { files.user_double_click(row); });
        });
        list->on_key_press = [this, &files](int character) {
            run_for_user([&files, character] { files.user_key_press(character); });
        };
        widget = list;
        break;
    }
    }

    widget->setObjectName(text_of(control.index() < 0 ? control.name()
                                                       : control.name() + "(" + std::to_string(control.index()) + ")"));
    const editor::PixelRect at = editor::to_pixels(control.rect(), m_dpi);
    widget->setGeometry(at.left, at.top, at.width, at.height);
    if (const auto& font = control.font()) {
        QFont shown = widget->font();
        shown.setFamily(text_of(font->face));
        shown.setPointSizeF(font->points);
        shown.setBold(font->bold);
        widget->setFont(shown);
    }
    apply_colours(control, widget);
    if (control.mouse_pointer() == editor::MousePointer::Globe)
        widget->setCursor(globe_cursor());

    const QSignalBlocker blocker(widget);
    show_caption(control, widget);
    show_list(control, widget);
    widget->setEnabled(control.Enabled());
    widget->setVisible(control.Visible());
    return widget;
}

void ArrierePlanView::connect_timer(editor::Timer& timer)
{
    auto* qt_timer = new QTimer(this);
    qt_timer->setObjectName(text_of(timer.name()));
    connect(qt_timer, &QTimer::timeout, this, [this, &timer] { run_for_user([&timer] { timer.tick(); }); });
    m_timers.emplace(&timer, qt_timer);
    show_timer(timer);
}

void ArrierePlanView::apply_colours(const Control& control, QWidget* widget)
{
    const ColourRoles roles = colour_roles(control.kind());
    QPalette palette = widget->palette();
    const std::optional<QColor> back = control.back_colour() ? colour_of(*control.back_colour()) : std::nullopt;
    const std::optional<QColor> fore = control.fore_colour() ? colour_of(*control.fore_colour()) : std::nullopt;
    if (back) {
        for (const auto role : roles.back)
            palette.setColor(role, *back);
    }
    if (fore) {
        for (const auto role : roles.fore)
            palette.setColor(role, *fore);
    }
    widget->setPalette(palette);
    // Without a colour of its own a label or a picture lets its container
    // show through.
    widget->setAutoFillBackground(back && roles.fills_background);
}

void ArrierePlanView::show_caption(const Control& control, QWidget* widget)
{
    const QString caption = text_of(control.Caption());
    switch (control.kind()) {
    case ControlKind::TextBox: {
        // What the user typed comes back from the model as a change: the box
        // shows it already, and setting it again would move the cursor to
        // the end and forget the box's undo history.
        auto* box = static_cast<QLineEdit*>(widget);
        if (box->text() != caption)
            box->setText(caption);
        break;
    }
    case ControlKind::CommandButton:
        // Qt marks access keys with "&" and writes "&&" for "&" as the
        // model does.
        static_cast<QPushButton*>(widget)->setText(caption);
        break;
    case ControlKind::Label:
        static_cast<QLabel*>(widget)->setText(text_of(control.shown_caption()));
        break;
    default:
        // The panel shows no caption; the other controls have none.
        break;
    }
}

void ArrierePlanView::show_list(const Control& control, QWidget* widget)
{
    switch (control.kind()) {
    case ControlKind::DriveListBox: {
        auto* combo = static_cast<QComboBox*>(widget);
        combo->clear();
        for (const auto& drive : static_cast<const editor::DriveListBox&>(control).List())
            combo->addItem(text_of(drive));
        break;
    }
    case ControlKind::DirListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        list->clear();
        if (m_folder_icons.first.isNull())
            m_folder_icons = {folder_glyph(true), folder_glyph(false)};
        for (const auto& entry : static_cast<const editor::DirListBox&>(control).entries()) {
            auto* item = new QListWidgetItem(entry.open ? m_folder_icons.first : m_folder_icons.second,
                                             text_of(entry.name), list);
            item->setData(FolderIndentDelegate::depth_role, entry.depth);
        }
        break;
    }
    case ControlKind::FileListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        list->clear();
        const auto& names = static_cast<const editor::FileListBox&>(control).names();
        QStringList texts;
        texts.reserve(static_cast<qsizetype>(names.size()));
        for (const auto& name : names)
            texts << text_of(name);
        list->addItems(texts);
        break;
    }
    default:
        return;
    }
    show_choice(control, widget);
}

void ArrierePlanView::show_choice(const Control& control, QWidget* widget)
{
    switch (control.kind()) {
    case ControlKind::DriveListBox:
        static_cast<QComboBox*>(widget)->setCurrentIndex(static_cast<const editor::DriveListBox&>(control).ListIndex());
        break;
    case ControlKind::DirListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        list->setCurrentRow(static_cast<const editor::DirListBox&>(control).current_row());
        if (list->currentItem())
            list->scrollToItem(list->currentItem());
        break;
    }
    case ControlKind::FileListBox: {
        // Positioning selects every entry in turn: each scroll to the
        // selection would ask the X server where the pointer is. The list
        // scrolls once, to the entry selected when the procedures are done.
        auto* list = static_cast<QListWidget*>(widget);
        const bool auto_scroll = list->hasAutoScroll();
        list->setAutoScroll(false);
        list->setCurrentRow(static_cast<const editor::FileListBox&>(control).ListIndex());
        list->setAutoScroll(auto_scroll);
        if (!list->currentItem()) {
            list->clearSelection();
        } else if (!m_file_scroll_pending) {
            m_file_scroll_pending = true;
            QTimer::singleShot(0, list, [this, list] {
                m_file_scroll_pending = false;
                if (list->currentItem())
                    list->scrollToItem(list->currentItem());
            });
        }
        break;
    }
    default:
        break;
    }
}

void ArrierePlanView::show_timer(const editor::Timer& timer)
{
    QTimer* qt_timer = timer_for(timer);
    if (!timer.ticking())
        qt_timer->stop();
    else if (!qt_timer->isActive() || qt_timer->interval() != timer.Interval())
        qt_timer->start(timer.Interval());
}

void ArrierePlanView::order_stacking()
{
    // Lowering from the last created to the first keeps the windowless
    // controls in their order of creation among themselves.
    const auto& controls = m_window.controls();
    for (auto control = controls.rbegin(); control != controls.rend(); ++control) {
        if (is_windowless((*control)->kind()))
            m_widgets.at(*control)->lower();
    }
}

void ArrierePlanView::order_tabs()
{
    std::vector<const Control*> order;
    for (const Control* control : m_window.controls()) {
        const QWidget* widget = widget_for(*control);
        if (widget && control->tab_index() && widget->focusPolicy() & Qt::TabFocus)
            order.push_back(control);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Control* a, const Control* b) { return *a->tab_index() < *b->tab_index(); });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(widget_for(*order[i - 1]), widget_for(*order[i]));
}

void ArrierePlanView::run_for_user(const std::function<void()>& action)
{
    if (m_ended)
        return;
    // Nothing may cross Qt's event loop: whatever a procedure throws is
    // handed on as it is.
    try {
        action();
    } catch (...) {
        m_failure_handler(std::current_exception());
    }
}

void ArrierePlanView::control_changed(Control& control, Property property)
{
    if (control.kind() == ControlKind::Timer) {
        show_timer(static_cast<const editor::Timer&>(control));
        return;
    }
    QWidget* widget = widget_for(control);
    if (!widget)
        return;
    // The model changed the widget, not the user: nothing goes back.
    const QSignalBlocker blocker(widget);
    switch (property) {
    case Property::Caption:
        show_caption(control, widget);
        break;
    case Property::Enabled:
        widget->setEnabled(control.Enabled());
        break;
    case Property::Visible:
        widget->setVisible(control.Visible());
        break;
    case Property::Picture:
        widget->update();
        break;
    case Property::Interval:
        break;
    case Property::Focus:
        widget->setFocus(Qt::OtherFocusReason);
        break;
    case Property::Drive:
    case Property::ListIndex:
        show_choice(control, widget);
        break;
    case Property::Path:
    case Property::Pattern:
    case Property::List:
        show_list(control, widget);
        break;
    }
}

void ArrierePlanView::window_caption_changed(const std::string& caption)
{
    setWindowTitle(text_of(caption));
}

void ArrierePlanView::window_moved()
{
    move(editor::position_to_pixels(m_window.Left(), m_dpi), editor::position_to_pixels(m_window.Top(), m_dpi));
}

// The program ends from inside a procedure: the window goes from the
// screen at once and the event loop ends; nothing the window still receives
// reaches the model.
void ArrierePlanView::window_ended()
{
    m_ended = true;
    hide();
    QCoreApplication::exit(0);
}

// The model's closing procedure decides: it ends the program through
// window_ended(), or keeps the window.
void ArrierePlanView::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!m_ended)
        run_for_user([this] { m_window.Form_Unload(); });
}

} // namespace muralis::linux_platform
