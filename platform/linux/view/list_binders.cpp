#include "platform/linux/view/list_binders.h"

#include <functional>

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>

namespace muralis::linux_platform {

namespace {

// The folder list's glyph, as the Windows view draws it: a manila folder,
// open for the folders of the path and closed for the sub-folders. Drawn
// here rather than taken from the icon theme, whose lookup costs more than
// the rest of the window's making.
QIcon folder_glyph(bool open)
{
    // A 16 x 12 folder in a 16 x 16 square: a tab on a body, and a front
    // flap, tilted down towards the viewer when the folder is open.
    QPixmap glyph(16, 16);
    glyph.fill(Qt::transparent);
    QPainter painter(&glyph);
    painter.translate(0, 2);
    painter.setPen(QColor(96, 72, 0));
    painter.setBrush(QColor(240, 200, 80));
    const QPoint back[] = {{0, 1}, {5, 1}, {6, 2}, {13, 2}, {13, 11}, {0, 11}};
    painter.drawPolygon(back, 6);
    painter.setBrush(QColor(255, 230, 140));
    if (open) {
        const QPoint flap[] = {{0, 11}, {3, 5}, {15, 5}, {13, 11}};
        painter.drawPolygon(flap, 4);
    } else {
        const QPoint front[] = {{0, 4}, {13, 4}, {13, 11}, {0, 11}};
        painter.drawPolygon(front, 4);
    }
    return QIcon(glyph);
}

// Draws each folder of the folder list indented by its depth, which an item
// of the list keeps under depth_role.
class FolderIndentDelegate final : public QStyledItemDelegate {
public:
    static constexpr int depth_role = Qt::UserRole + 1;

    FolderIndentDelegate(int indent, QObject* parent) : QStyledItemDelegate(parent), m_indent(indent) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem indented = option;
        indented.rect.setLeft(option.rect.left() + indent_of(index));
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(indent_of(index), 0);
    }

private:
    int indent_of(const QModelIndex& index) const { return index.data(depth_role).toInt() * m_indent; }

    int m_indent;
};

// The file list: every typed character goes to the model before the list
// moves to the entry it starts.
class FileListWidget final : public QListWidget {
public:
    explicit FileListWidget(QWidget* parent) : QListWidget(parent) {}

    std::function<void(int character)> on_key_press;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QList<uint> characters = event->text().toUcs4();
        if (!characters.isEmpty() && on_key_press)
            on_key_press(static_cast<int>(characters.front()));
        QListWidget::keyPressEvent(event);
    }
};

} // namespace

DriveBoxBinder::DriveBoxBinder(editor::DriveListBox& drives, QWidget* parent, ViewContext& context)
    : WidgetBinder(drives, context), m_drives(drives), m_combo(new QComboBox(parent)), m_name(new QLabel(parent))
{
    // On Linux Qt reads a drop-down list by its current entry, and takes
    // its name from the label whose buddy it is (AT-SPI's labelled-by), as
    // Orca reads it: a label of its own, never shown, gives the model's.
    m_name->setTextFormat(Qt::PlainText);
    m_name->setBuddy(m_combo);
    m_name->hide();
    m_combo->setEditable(false);
    QObject::connect(m_combo, &QComboBox::activated, m_combo, [this](int index) {
        const std::string drive = m_combo->itemText(index).toStdString();
        // A drive that has gone comes back as a change of the list.
        run_for_user([&] { m_drives.user_choose(drive); });
    });
    // A closed combo box paints its face with the button roles, its open
    // list with the base roles; the control's colour is both.
    set_up(m_combo, {{QPalette::Base, QPalette::Button}, {QPalette::Text, QPalette::ButtonText}});
}

void DriveBoxBinder::show_entries()
{
    m_combo->clear();
    for (const auto& drive : m_drives.List())
        m_combo->addItem(QString::fromStdString(drive));
    show_choice();
}

void DriveBoxBinder::show_choice()
{
    m_combo->setCurrentIndex(m_drives.ListIndex());
}

void DriveBoxBinder::show_accessible_name()
{
    WidgetBinder::show_accessible_name();
    m_name->setText(QString::fromStdString(m_drives.AccessibleName()));
}

FolderListBinder::FolderListBinder(editor::DirListBox& folders, QWidget* parent, ViewContext& context)
    : WidgetBinder(folders, context), m_folders(folders), m_list(new QListWidget(parent))
{
    m_list->setItemDelegate(
        new FolderIndentDelegate(context.window().style()->pixelMetric(QStyle::PM_SmallIconSize) / 2, m_list));
    QObject::connect(m_list, &QListWidget::activated, m_list, [this](const QModelIndex& index) {
        const auto row = static_cast<std::size_t>(index.row());
        if (row >= m_folders.entries().size())
            return;
        // Opening the folder reloads the entries: keep the path apart.
        const std::string path = m_folders.entries()[row].path;
        // A folder that has gone comes back as a change of the list.
        run_for_user([&] { m_folders.user_open(path); });
    });
    set_up(m_list, ColourRoles::window_content());
}

void FolderListBinder::show_entries()
{
    m_list->clear();
    if (m_open_icon.isNull()) {
        m_open_icon = folder_glyph(true);
        m_closed_icon = folder_glyph(false);
    }
    for (const auto& entry : m_folders.entries()) {
        auto* item = new QListWidgetItem(entry.open ? m_open_icon : m_closed_icon, QString::fromStdString(entry.name),
                                         m_list);
        item->setData(FolderIndentDelegate::depth_role, entry.depth);
    }
    show_choice();
}

void FolderListBinder::show_choice()
{
    m_list->setCurrentRow(m_folders.current_row());
    if (m_list->currentItem())
        m_list->scrollToItem(m_list->currentItem());
}

FileListBinder::FileListBinder(editor::FileListBox& files, QWidget* parent, ViewContext& context)
    : WidgetBinder(files, context), m_files(files)
{
    auto* list = new FileListWidget(parent);
    m_list = list;
    // Folders of thousands of pictures: one height for every line spares
    // the list measuring each of them.
    list->setUniformItemSizes(true);
    // The chosen file is the selected entry, not the current one: the list
    // makes its first entry current when it gets the focus, which chooses
    // nothing.
    QObject::connect(list, &QListWidget::itemSelectionChanged, list, [this] {
        const QList<QListWidgetItem*> selected = m_list->selectedItems();
        if (selected.isEmpty()) {
            // Qt lets Ctrl+click clear the selection; the model's list keeps
            // its choice.
            const QSignalBlocker blocker(m_list);
            show_choice();
            return;
        }
        run_for_user([this, row = m_list->row(selected.front())] { m_files.user_select(row); });
    });
    QObject::connect(list, &QListWidget::doubleClicked, list, [this](const QModelIndex& index) {
        run_for_user([this, row = index.row()] { m_files.user_double_click(row); });
    });
    list->on_key_press = [this](int character) {
        run_for_user([this, character] { m_files.user_key_press(character); });
    };
    set_up(list, ColourRoles::window_content());
}

void FileListBinder::show_entries()
{
    m_list->clear();
    const auto& names = m_files.names();
    QStringList texts;
    texts.reserve(static_cast<qsizetype>(names.size()));
    for (const auto& name : names)
        texts << QString::fromStdString(name);
    m_list->addItems(texts);
    show_choice();
}

void FileListBinder::show_choice()
{
    // Positioning selects every entry in turn: each scroll to the selection
    // would ask the X server where the pointer is. The list scrolls once,
    // to the entry selected when the procedures are done.
    const bool auto_scroll = m_list->hasAutoScroll();
    m_list->setAutoScroll(false);
    m_list->setCurrentRow(m_files.ListIndex());
    m_list->setAutoScroll(auto_scroll);
    if (!m_list->currentItem()) {
        m_list->clearSelection();
    } else if (!m_scroll_pending) {
        m_scroll_pending = true;
        QTimer::singleShot(0, m_list, [this] {
            m_scroll_pending = false;
            if (m_list->currentItem())
                m_list->scrollToItem(m_list->currentItem());
        });
    }
}

} // namespace muralis::linux_platform
