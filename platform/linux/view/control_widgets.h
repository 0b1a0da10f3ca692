// The Qt widgets that stand for the editor's controls where a stock widget
// does not pass on what the user does, or does not draw what the control
// shows. Each reports the user's action through a callback and decides
// nothing itself.
#pragma once

#include <functional>

#include <QFrame>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QStyledItemDelegate>

#include "editor/controls.h"

namespace muralis::linux_platform {

// A text box: the program and the user write its text, the user clicks it.
class TextBoxWidget final : public QLineEdit {
public:
    explicit TextBoxWidget(QWidget* parent);

    std::function<void()> on_click;
    std::function<void()> on_double_click;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // The release that ends a double-click is no click of its own.
    bool m_releasing_double_click = false;
};

// The picture control: the model's picture stretched over the whole control,
// inside a thin border.
class ImageWidget final : public QFrame {
public:
    ImageWidget(const editor::Image& image, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const editor::Image& m_image;
};

// The file list: every typed character goes to the model before the list
// moves to the entry it starts.
class FileListWidget final : public QListWidget {
public:
    explicit FileListWidget(QWidget* parent) : QListWidget(parent) {}

    std::function<void(int character)> on_key_press;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The folder list's glyph, as the Windows view draws it: a manila folder,
// open for the folders of the path and closed for the sub-folders. Drawn
// here rather than taken from the icon theme, whose lookup costs more than
// the rest of the window's making.
QIcon folder_glyph(bool open);

// Draws each folder of the folder list indented by its depth, which an item
// of the list keeps under depth_role.
class FolderIndentDelegate final : public QStyledItemDelegate {
public:
    static constexpr int depth_role = Qt::UserRole + 1;

    FolderIndentDelegate(int indent, QObject* parent) : QStyledItemDelegate(parent), m_indent(indent) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int indent_of(const QModelIndex& index) const;

    int m_indent;
};

} // namespace muralis::linux_platform
