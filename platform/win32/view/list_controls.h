// The three lists: the file list, the folder list (drawn here, with a
// glyph and an indent for each folder) and the drive box (a drop-down list).
// Each shows the model's lines with its current one selected, and turns the
// user's choice into the model's own write.
#pragma once

#include <string>

#include "platform/win32/view/native_control.h"

namespace muralis::win32 {

// What the lists share: the lines filled from the model, one current line.
class ListControl : public FieldControl {
public:
    void show(editor::Property property) override;

protected:
    // The messages of the list's class that empty it, add a line, select
    // one and tell the selected one.
    struct Messages {
        UINT reset;
        UINT add;
        UINT select;
        UINT selected;
    };
    static constexpr Messages list_box_messages{LB_RESETCONTENT, LB_ADDSTRING, LB_SETCURSEL, LB_GETCURSEL};
    static constexpr Messages combo_box_messages{CB_RESETCONTENT, CB_ADDSTRING, CB_SETCURSEL, CB_GETCURSEL};

    ListControl(editor::Control& model, ControlHost& host, Messages messages)
        : FieldControl(model, host), m_messages(messages)
    {
    }

    void created() override { fill(); }
    // Adds the model's lines, in order, with add().
    virtual void add_lines() = 0;
    // The line to show as current; -1 for none.
    virtual int current_line() const = 0;

    void add(const std::string& line);
    // The line the user chose in the window, or -1.
    int chosen_line() const;

private:
    void fill();
    void select();

    Messages m_messages;
};

class FileListControl final : public ListControl {
public:
    FileListControl(editor::FileListBox& model, ControlHost& host);

    void notified(int code) override;

protected:
    Creation creation() const override;
    void created() override;
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;
    void add_lines() override;
    int current_line() const override { return m_files.ListIndex(); }

private:
    editor::FileListBox& m_files;
};

class FolderListControl final : public ListControl {
public:
    FolderListControl(editor::DirListBox& model, ControlHost& host);

    void notified(int code) override;
    bool measure_item(MEASUREITEMSTRUCT& item) override;
    bool draw_item(const DRAWITEMSTRUCT& item) override;

protected:
    Creation creation() const override;
    void created() override;
    LRESULT message(UINT message, WPARAM wparam, LPARAM lparam) override;
    void add_lines() override;
    int current_line() const override { return m_folders.current_row(); }

private:
    // Opens the folder of the list's selected line, as a double-click does.
    void open_chosen();
    int line_height();
    void draw_glyph(HDC dc, int left, int top, bool open);

    editor::DirListBox& m_folders;
};

class DriveBoxControl final : public ListControl {
public:
    DriveBoxControl(editor::DriveListBox& model, ControlHost& host);

    bool owns(HWND window) const override { return ListControl::owns(window) || (window && window == m_drop_list); }
    void notified(int code) override;

protected:
    Creation creation() const override;
    void created() override;
    void add_lines() override;
    int current_line() const override { return m_drives.ListIndex(); }

private:
    void fit_height(int height);

    editor::DriveListBox& m_drives;
    HWND m_drop_list = nullptr; // the list the box drops down
};

} // namespace muralis::win32
