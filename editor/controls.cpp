#include "editor/controls.h"

#include <algorithm>
#include <cctype>

namespace muralis::editor {

namespace {

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::string lowered(const std::string& text)
{
    std::string result = text;
    std::transform(result.begin(), result.end(), result.begin(), lower);
    return result;
}

bool glob_matches(const std::string& name, std::size_t n, const std::string& pattern, std::size_t p)
{
    // Iterative wildcard match with one back-tracking point, the last "*".
    std::size_t star = std::string::npos;
    std::size_t resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

PatternList::PatternList(const std::string& patterns)
{
    std::size_t start = 0;
    while (start <= patterns.size()) {
        std::size_t end = patterns.find(';', start);
        if (end == std::string::npos)
            end = patterns.size();
        std::string pattern = patterns.substr(start, end - start);
        pattern.erase(0, pattern.find_first_not_of(' '));
        pattern.erase(pattern.find_last_not_of(' ') + 1);
        m_every_name = m_every_name || pattern == "*.*";
        m_patterns.push_back(std::move(pattern));
        start = end + 1;
    }
}

bool PatternList::matches(const std::string& name) const
{
    if (m_every_name)
        return true;
    return std::any_of(m_patterns.begin(), m_patterns.end(),
                       [&](const std::string& pattern) { return glob_matches(name, 0, pattern, 0); });
}

bool matches_pattern(const std::string& name, const std::string& patterns)
{
    return PatternList(patterns).matches(name);
}

void sort_names(std::vector<std::string>& names)
{
    // Each name is lowered once, not at every comparison: folders of tens
    // of thousands of files are sorted here.
    std::vector<std::pair<std::string, std::string>> keyed;
    keyed.reserve(names.size());
    for (auto& name : names) {
        std::string key = lowered(name);
        keyed.emplace_back(std::move(key), std::move(name));
    }
    std::sort(keyed.begin(), keyed.end());
    for (std::size_t i = 0; i < names.size(); ++i)
        names[i] = std::move(keyed[i].second);
}

// Control

Control::Control(ChangeSink& sink, ControlKind kind, ControlSettings settings)
    : m_sink(sink), m_kind(kind), m_settings(std::move(settings))
{
}

TwipsRect Control::window_rect() const
{
    TwipsRect rect = m_settings.rect;
    if (m_settings.container) {
        const TwipsRect outer = m_settings.container->window_rect();
        rect.left += outer.left;
        rect.top += outer.top;
    }
    return rect;
}

void Control::set_Caption(const std::string& caption)
{
    m_settings.caption = caption;
    notify(Property::Caption);
}

std::string Control::shown_caption() const
{
    const std::string& caption = m_settings.caption;
    std::string shown;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}

char Control::access_key() const
{
    const std::string& caption = m_settings.caption;
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&')
            continue;
        if (caption[i + 1] != '&')
            return static_cast<char>(std::toupper(static_cast<unsigned char>(caption[i + 1])));
        ++i;
    }
    return 0;
}

void Control::set_Enabled(bool enabled)
{
    m_settings.enabled = enabled;
    notify(Property::Enabled);
}

void Control::set_Visible(bool visible)
{
    m_settings.visible = visible;
    notify(Property::Visible);
}

void Control::set_AccessibleName(const std::string& name)
{
    m_settings.accessible_name = name;
    notify(Property::AccessibleName);
}

// CommandButton, TextBox, Timer, Image

void CommandButton::click()
{
    if (Enabled() && Click)
        Click();
}

void TextBox::click()
{
    if (Enabled() && Click)
        Click();
}

void TextBox::double_click()
{
    if (Enabled() && DblClick)
        DblClick();
}

Timer::Timer(ChangeSink& sink, ControlSettings settings, int interval)
    : Control(sink, ControlKind::Timer, std::move(settings)), m_interval(interval)
{
}

void Timer::set_Interval(int interval)
{
    m_interval = interval;
    notify(Property::Interval);
}

void Timer::tick()
{
    if (ticking() && Tick)
        Tick();
}

void Image::set_Picture(PicturePtr picture)
{
    m_picture = std::move(picture);
    notify(Property::Picture);
}

// DriveListBox

DriveListBox::DriveListBox(ChangeSink& sink, ControlSettings settings, Files& files,
                           const std::string& start_folder)
    : Control(sink, ControlKind::DriveListBox, std::move(settings)), m_files(files),
      m_drives(files.drives()), m_drive(files.drive_of(start_folder))
{
}

void DriveListBox::set_Drive(const std::string& text)
{
    choose(m_files.drive_of(text));
}

bool DriveListBox::user_choose(const std::string& text)
{
    std::string drive;
    try {
        drive = m_files.drive_of(text);
    } catch (const Failure&) {
        refresh();
        return false;
    }
    choose(std::move(drive));
    return true;
}

void DriveListBox::choose(std::string drive)
{
    if (drive == m_drive)
        return;
    m_drive = std::move(drive);
    notify(Property::Drive);
    if (Change)
        Change();
}

int DriveListBox::ListIndex() const
{
    const auto found = std::find(m_drives.begin(), m_drives.end(), m_drive);
    return found == m_drives.end() ? -1 : static_cast<int>(found - m_drives.begin());
}

void DriveListBox::refresh()
{
    m_drives = m_files.drives();
    notify(Property::List);
}

// DirListBox

DirListBox::DirListBox(ChangeSink& sink, ControlSettings settings, Files& files, char separator,
                       const std::string& start_folder)
    : Control(sink, ControlKind::DirListBox, std::move(settings)), m_files(files), m_separator(separator)
{
    load(m_files.folder_path(start_folder));
}

void DirListBox::load(const std::string& folder)
{
    std::vector<FolderEntry> entries;
    // The root is everything up to the first separator, that separator
    // included ("C:\", "/"); each later part is one open folder.
    const std::size_t root_end = folder.find(m_separator);
    const std::string root = folder.substr(0, root_end == std::string::npos ? folder.size() : root_end + 1);
    entries.push_back({root, root, 0, true});
    std::string path = root;
    int depth = 0;
    std::size_t start = root.size();
    while (start < folder.size()) {
        std::size_t end = folder.find(m_separator, start);
        if (end == std::string::npos)
            end = folder.size();
        const std::string name = folder.substr(start, end - start);
        if (path.back() != m_separator)
            path += m_separator;
        path += name;
        entries.push_back({name, path, ++depth, true});
        start = end + 1;
    }

    std::vector<std::string> names = m_files.folder_names(folder);
    sort_names(names);
    const std::string prefix = folder.back() == m_separator ? folder : folder + m_separator;
    for (const auto& name : names)
        entries.push_back({name, prefix + name, depth + 1, false});

    m_path = folder;
    m_entries = std::move(entries);
    m_subfolder_count = static_cast<int>(names.size());
}

bool DirListBox::move_to(const std::string& folder)
{
    if (folder == m_path)
        return false;
    load(folder);
    notify(Property::Path);
    return true;
}

void DirListBox::set_Path(const std::string& text)
{
    if (move_to(m_files.folder_path(text)) && Change)
        Change();
}

bool DirListBox::user_open(const std::string& path)
{
    bool moved = false;
    try {
        moved = move_to(m_files.folder_path(path));
    } catch (const Failure&) {
        try {
            load(m_path);
        } catch (const Failure&) {
            // The current folder has gone too: its entries stay as they
            // were until a folder that exists is written.
        }
        notify(Property::List);
        return false;
    }
    if (moved && Change)
        Change();
    return true;
}

void DirListBox::refresh()
{
    load(m_path);
    notify(Property::List);
}

// FileListBox

FileListBox::FileListBox(ChangeSink& sink, ControlSettings settings, Files& files,
                         const std::string& start_folder)
    : Control(sink, ControlKind::FileListBox, std::move(settings)), m_files(files)
{
    load(m_files.folder_path(start_folder));
}

void FileListBox::load(const std::string& folder)
{
    std::vector<std::string> files = m_files.file_names(folder);
    m_path = folder;
    m_folder_files = std::move(files);
    m_list_index = -1;
    filter();
}

void FileListBox::filter()
{
    const PatternList patterns(m_pattern);
    std::vector<std::string> names;
    for (const auto& name : m_folder_files) {
        if (patterns.matches(name))
            names.push_back(name);
    }
    sort_names(names);
    m_names = std::move(names);
}

void FileListBox::set_Path(const std::string& text)
{
    const std::string folder = m_files.folder_path(text);
    if (folder == m_path)
        return;
    load(folder);
    notify(Property::Path);
    if (PathChange)
        PathChange();
}

void FileListBox::set_Pattern(const std::string& pattern)
{
    // The folder's files were read when the folder was listed; a new
    // pattern only filters them again, and the same one changes nothing.
    if (pattern == m_pattern)
        return;
    const std::string selected = FileName();
    m_pattern = pattern;
    filter();
    m_list_index = -1;
    if (!selected.empty()) {
        const auto found = std::find(m_names.begin(), m_names.end(), selected);
        if (found != m_names.end())
            m_list_index = static_cast<int>(found - m_names.begin());
    }
    notify(Property::Pattern);
}

void FileListBox::set_ListIndex(int index)
{
    if (index < -1 || index >= ListCount())
        throw Failure(InvalidPropertyArrayIndex, "Invalid property array index");
    m_list_index = index;
    notify(Property::ListIndex);
    if (Click)
        Click();
}

std::string FileListBox::FileName() const
{
    return m_list_index < 0 ? std::string{} : m_names[static_cast<std::size_t>(m_list_index)];
}

void FileListBox::refresh()
{
    load(m_path);
    notify(Property::List);
}

void FileListBox::user_select(int index)
{
    if (index != m_list_index)
        set_ListIndex(index);
}

void FileListBox::user_double_click(int index)
{
    user_select(index);
    if (DblClick)
        DblClick();
}

void FileListBox::user_key_press(int character)
{
    if (KeyPress)
        KeyPress(character);
}

} // namespace muralis::editor
