// The controls of the editor's window, as a model that the window's
// procedures read and write and that a view draws.
//
// A property write that the control reports raises its event procedure
// synchronously: the procedure runs to its end before the write returns, so
// procedures nest. Every change is also passed to the window's view (when
// one is attached) so that the screen follows the model.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace muralis::editor {

enum class ControlKind {
    TextBox,
    CommandButton,
    Frame,
    Timer,
    Label,
    FileListBox,
    DirListBox,
    DriveListBox,
    Image,
};

// The colours the user chose for the system's windows and buttons, which
// each view looks up in its own system's colour scheme.
enum class SystemColour {
    WindowBackground, // an ordinary window's background (text boxes, lists)
    WindowText,       // the text on it
    ButtonFace,       // buttons and dialogs
    ButtonText,
};

// A colour as red, green and blue, or as one of the system's colours.
struct Colour {
    enum class Kind { Rgb, System };
    Kind kind = Kind::Rgb;
    int red = 0;
    int green = 0;
    int blue = 0;
    SystemColour system_colour = SystemColour::WindowBackground;

    static constexpr Colour rgb(int red, int green, int blue)
    {
        return {Kind::Rgb, red, green, blue, SystemColour::WindowBackground};
    }
    static constexpr Colour system(SystemColour colour) { return {Kind::System, 0, 0, 0, colour}; }
    bool operator==(const Colour&) const = default;
};

struct Font {
    std::string face;
    double points = 0;
    bool bold = false;
    bool operator==(const Font&) const = default;
};

enum class Alignment { Left, Right, Centre };
enum class MousePointer { Default, Globe };

// Position and size in twips (1/1440 inch), relative to the container's
// client area.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int right() const { return left + width; }
    int bottom() const { return top + height; }
};

// Which property a change notification is about. Path, Pattern and List
// all mean that a list's entries may have changed; Focus asks the view to
// give the control the keyboard focus.
enum class Property {
    Caption,
    Enabled,
    Visible,
    Picture,
    Interval,
    Drive,
    Path,
    Pattern,
    List,
    ListIndex,
    Focus,
    AccessibleName,
};

class Control;
class TextBox;
class CommandButton;
class Frame;
class Timer;
class Label;
class FileListBox;
class DirListBox;
class DriveListBox;
class Image;

// One call for each kind of control, for the code that treats each kind in
// its own way (a view's factory making its native controls): the control
// calls the overload of its own class, so nobody tests a kind and casts.
class ControlVisitor {
public:
    virtual ~ControlVisitor() = default;
    virtual void visit(TextBox& control) = 0;
    virtual void visit(CommandButton& control) = 0;
    virtual void visit(Frame& control) = 0;
    virtual void visit(Timer& control) = 0;
    virtual void visit(Label& control) = 0;
    virtual void visit(FileListBox& control) = 0;
    virtual void visit(DirListBox& control) = 0;
    virtual void visit(DriveListBox& control) = 0;
    virtual void visit(Image& control) = 0;
};

// What a view implements to follow the model.
class ControlObserver {
public:
    virtual ~ControlObserver() = default;
    virtual void control_changed(Control& control, Property property) = 0;
    virtual void window_caption_changed(const std::string& caption) = 0;
    // The window's outer top-left corner moved (ArrierePlanForm::Left/Top).
    virtual void window_moved() = 0;
    // The program ended: the view closes the window and leaves its event
    // loop, raising no further event of the model.
    virtual void window_ended() = 0;
};

// The window's link from its controls to its view.
class ChangeSink {
public:
    void attach(ControlObserver* observer) { m_observer = observer; }
    void notify(Control& control, Property property)
    {
        if (m_observer)
            m_observer->control_changed(control, property);
    }
    void notify_caption(const std::string& caption)
    {
        if (m_observer)
            m_observer->window_caption_changed(caption);
    }
    void notify_moved()
    {
        if (m_observer)
            m_observer->window_moved();
    }
    void notify_ended()
    {
        if (m_observer)
            m_observer->window_ended();
    }

private:
    ControlObserver* m_observer = nullptr;
};

// What every control has. The static settings (kind, container, geometry,
// tab index, colours, font) are fixed when the window creates the control;
// caption, enabled and visible state change while the editor runs.
struct ControlSettings {
    std::string name{};
    int index = -1;               // place in a control array, -1 for none
    const Control* container = nullptr; // nullptr: the window itself
    TwipsRect rect{};
    std::optional<int> tab_index{}; // none: the control takes no place in the order
    std::string caption{};
    std::optional<Font> font{};   // none: the window's default font
    std::optional<Colour> back_colour{}; // none: the kind's usual colour
    std::optional<Colour> fore_colour{};
    Alignment alignment = Alignment::Left;
    bool enabled = true;
    bool visible = true;
    MousePointer mouse_pointer = MousePointer::Default;
    // What a screen reader calls the control; empty: its caption, as the
    // system reads it (a button, a label).
    std::string accessible_name{};
};

class Control {
public:
    Control(ChangeSink& sink, ControlKind kind, ControlSettings settings);
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    ControlKind kind() const { return m_kind; }
    const std::string& name() const { return m_settings.name; }
    int index() const { return m_settings.index; }
    const Control* container() const { return m_settings.container; }
    const TwipsRect& rect() const { return m_settings.rect; }
    // The rectangle in the window's client area.
    TwipsRect window_rect() const;
    std::optional<int> tab_index() const { return m_settings.tab_index; }
    const std::optional<Font>& font() const { return m_settings.font; }
    const std::optional<Colour>& back_colour() const { return m_settings.back_colour; }
    const std::optional<Colour>& fore_colour() const { return m_settings.fore_colour; }
    Alignment alignment() const { return m_settings.alignment; }
    MousePointer mouse_pointer() const { return m_settings.mouse_pointer; }

    // The caption, or a text box's text. In a caption "&" marks the next
    // letter as the access key and "&&" stands for one "&".
    const std::string& Caption() const { return m_settings.caption; }
    void set_Caption(const std::string& caption);
    // The caption as shown, without its access key mark.
    std::string shown_caption() const;
    // The access key's letter in upper case, or 0 when there is none.
    char access_key() const;

    bool Enabled() const { return m_settings.enabled; }
    void set_Enabled(bool enabled);
    bool Visible() const { return m_settings.visible; }
    void set_Visible(bool visible);

    // The name a screen reader gives the control, in the window's language;
    // empty where the caption names it.
    const std::string& AccessibleName() const { return m_settings.accessible_name; }
    void set_AccessibleName(const std::string& name);

    // Asks the view to give this control the keyboard focus; a view leaves
    // a control that cannot take it (disabled, hidden) as it is.
    void SetFocus() { notify(Property::Focus); }

    // Calls visitor's overload for this control's own class.
    virtual void accept(ControlVisitor& visitor) = 0;

protected:
    void notify(Property property) { m_sink.notify(*this, property); }

private:
    ChangeSink& m_sink;
    ControlKind m_kind;
    ControlSettings m_settings;
};

class Label final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    Label(ChangeSink& sink, ControlSettings settings) : Control(sink, ControlKind::Label, std::move(settings)) {}
};

class Frame final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    Frame(ChangeSink& sink, ControlSettings settings) : Control(sink, ControlKind::Frame, std::move(settings)) {}
};

class CommandButton final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    CommandButton(ChangeSink& sink, ControlSettings settings)
        : Control(sink, ControlKind::CommandButton, std::move(settings)) {}

    // A click, or the access key: runs Click while the button is enabled.
    void click();

    std::function<void()> Click;
};

class TextBox final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    TextBox(ChangeSink& sink, ControlSettings settings)
        : Control(sink, ControlKind::TextBox, std::move(settings)) {}

    const std::string& Text() const { return Caption(); }
    void set_Text(const std::string& text) { set_Caption(text); }

    // What the user does in the box: typing changes the text (as the view
    // already shows it), then the clicks.
    void user_type(const std::string& text) { set_Caption(text); }
    void click();
    void double_click();

    std::function<void()> Click;
    std::function<void()> DblClick;
};

class Timer final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    Timer(ChangeSink& sink, ControlSettings settings, int interval);

    // Milliseconds between ticks; 0 stops the timer.
    int Interval() const { return m_interval; }
    void set_Interval(int interval);

    // Whether a view should run the timer at all.
    bool ticking() const { return Enabled() && m_interval > 0; }
    // The interval elapsed: runs Tick.
    void tick();

    std::function<void()> Tick;

private:
    int m_interval;
};

using PicturePtr = std::shared_ptr<const muralis::Picture>;

class Image final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    Image(ChangeSink& sink, ControlSettings settings)
        : Control(sink, ControlKind::Image, std::move(settings)) {}

    // The picture shown, stretched to the control's size; none is the
    // empty picture (handle 0).
    const PicturePtr& Picture() const { return m_picture; }
    void set_Picture(PicturePtr picture);

private:
    PicturePtr m_picture;
};

// The drive list: the drives the platform offers and the chosen one.
class DriveListBox final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    DriveListBox(ChangeSink& sink, ControlSettings settings, Files& files, const std::string& start_folder);

    const std::string& Drive() const { return m_drive; }
    // Chooses the drive that holds text (a drive or any path on it). Runs
    // Change when that is another drive. Throws Failure for a text that
    // names no drive.
    void set_Drive(const std::string& text);

    const std::vector<std::string>& List() const { return m_drives; }
    int ListCount() const { return static_cast<int>(m_drives.size()); }
    // The place of the chosen drive in List(), -1 when it is not listed.
    int ListIndex() const;
    // Reads the drives again (a medium put in or taken out).
    void refresh();

    // The user chose text from the list. A drive that cannot be chosen any
    // more leaves the drive as it was, reads the drives again and returns
    // false; a failure of Change reaches the caller like any other.
    bool user_choose(const std::string& text);

    std::function<void()> Change;

private:
    void choose(std::string drive);

    Files& m_files;
    std::vector<std::string> m_drives;
    std::string m_drive;
};

// One line of a folder list: an open folder of the path (the root, each
// folder down to the current one) or a sub-folder of the current one.
struct FolderEntry {
    std::string name; // as shown: the root's full text, else the folder's name
    std::string path; // what to write to Path to open it
    int depth = 0;    // 0 for the root
    bool open = false;
};

// The folder list: the folders from the root down to the current folder,
// then the current folder's sub-folders.
class DirListBox final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    DirListBox(ChangeSink& sink, ControlSettings settings, Files& files, char separator,
               const std::string& start_folder);

    // The current folder, without a trailing separator except at a root.
    const std::string& Path() const { return m_path; }
    // Opens the folder text names: a folder path, with or without a
    // trailing separator, or a bare drive for that drive's current folder.
    // Runs Change when that is another folder (compared as folders). Throws
    // Failure when the drive is not ready or the folder does not exist,
    // leaving the list as it was.
    void set_Path(const std::string& text);

    const std::vector<FolderEntry>& entries() const { return m_entries; }
    // The entry of the current folder: the last open one, the line before
    // its sub-folders. The one row a view shows as the list's current row.
    int current_row() const { return static_cast<int>(m_entries.size()) - m_subfolder_count - 1; }
    // The number of sub-folders of the current folder.
    int ListCount() const { return m_subfolder_count; }
    void refresh();

    // The user opened the folder at path, one of the entries. A folder that
    // cannot be opened any more (gone, unreadable) leaves the list on the
    // current folder, read again, and returns false; a failure of Change
    // reaches the caller like any other.
    bool user_open(const std::string& path);

    std::function<void()> Change;

private:
    // Shows folder; false when it is the one already shown.
    bool move_to(const std::string& folder);
    void load(const std::string& folder);

    Files& m_files;
    char m_separator;
    std::string m_path;
    std::vector<FolderEntry> m_entries;
    int m_subfolder_count = 0;
};

// The file list: the names in one folder that match the pattern.
class FileListBox final : public Control {
public:
    void accept(ControlVisitor& visitor) override { visitor.visit(*this); }
    FileListBox(ChangeSink& sink, ControlSettings settings, Files& files, const std::string& start_folder);

    const std::string& Path() const { return m_path; }
    // Lists the folder text names, with nothing selected, and runs
    // PathChange when that is another folder (compared as folders). Throws
    // Failure, leaving the list as it was.
    void set_Path(const std::string& text);

    // One or more wildcard patterns separated by ";", matched without
    // regard to letter case as the file system matches them ("*.*" matches
    // every name). Writing it lists the folder again; the selected file
    // stays selected while the new pattern still lists it.
    const std::string& Pattern() const { return m_pattern; }
    void set_Pattern(const std::string& pattern);

    int ListCount() const { return static_cast<int>(m_names.size()); }
    const std::string& List(int index) const { return m_names.at(static_cast<std::size_t>(index)); }
    const std::vector<std::string>& names() const { return m_names; }
    // The selected entry, -1 for none. Every write runs Click, even with
    // the index already selected. Throws Failure (381) for an index outside
    // -1 .. ListCount() - 1.
    int ListIndex() const { return m_list_index; }
    void set_ListIndex(int index);
    // The selected entry's name, the empty text when none is selected.
    std::string FileName() const;
    void refresh();

    // What the user does in the list: choosing an entry (Click runs when
    // the selection changes), a double-click on an entry, a typed character.
    void user_select(int index);
    void user_double_click(int index);
    void user_key_press(int character);

    std::function<void()> Click;
    std::function<void()> DblClick;
    std::function<void()> PathChange;
    std::function<void(int)> KeyPress;

private:
    void load(const std::string& folder);
    void filter();

    Files& m_files;
    std::string m_path;
    std::string m_pattern = "*.*";
    std::vector<std::string> m_folder_files; // every normal file of m_path, as last read
    std::vector<std::string> m_names;
    int m_list_index = -1;
};

// Wildcard patterns separated by ";" ("*" any run, "?" any one character),
// matched without regard to ASCII letter case. "*.*" matches every name, as
// it does on the file systems the lists come from. Split once, for lists of
// tens of thousands of names.
class PatternList {
public:
    explicit PatternList(const std::string& patterns);
    bool matches(const std::string& name) const;
    // Each pattern, without the spaces around it.
    const std::vector<std::string>& patterns() const { return m_patterns; }

private:
    std::vector<std::string> m_patterns;
    bool m_every_name = false;
};

// Whether name matches one of patterns.
bool matches_pattern(const std::string& name, const std::string& patterns);

// Sorts names the way the lists show them: by letters regardless of case,
// then by the exact text so that the order is total.
void sort_names(std::vector<std::string>& names);

} // namespace muralis::editor
