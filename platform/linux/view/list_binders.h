// The three lists: the drive box, the folder list and the file list. Each
// shows the model's entries and its choice, and passes on what the user
// chooses; the model decides what becomes of it.
#pragma once

#include <QIcon>

#include "platform/linux/view/control_binder.h"

class QComboBox;
class QLabel;
class QListWidget;

namespace muralis::linux_platform {

class DriveBoxBinder final : public WidgetBinder {
public:
    DriveBoxBinder(editor::DriveListBox& drives, QWidget* parent, ViewContext& context);

private:
    void show_entries() override;
    void show_choice() override;
    void show_accessible_name() override;

    editor::DriveListBox& m_drives;
    QComboBox* m_combo;
    QLabel* m_name; // never shown: names the box to a screen reader
};

class FolderListBinder final : public WidgetBinder {
public:
    FolderListBinder(editor::DirListBox& folders, QWidget* parent, ViewContext& context);

private:
    void show_entries() override;
    void show_choice() override;

    editor::DirListBox& m_folders;
    QListWidget* m_list;
    QIcon m_open_icon;
    QIcon m_closed_icon;
};

class FileListBinder final : public WidgetBinder {
public:
    FileListBinder(editor::FileListBox& files, QWidget* parent, ViewContext& context);

private:
    void show_entries() override;
    void show_choice() override;

    editor::FileListBox& m_files;
    QListWidget* m_list;
    bool m_scroll_pending = false;
};

} // namespace muralis::linux_platform
