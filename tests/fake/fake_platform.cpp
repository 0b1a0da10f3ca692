#include "fake/fake_platform.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

namespace muralis::testing {

FakePlatform::FakePlatform() = default;

void FakePlatform::fail_if_scripted(const std::string& path)
{
    if (failing_paths.count(path))
        throw Failure(75, "Path/File access error: " + path);
    if (out_of_memory_paths.count(path))
        throw std::bad_alloc();
}

bool FakePlatform::is_normal_file(const std::string& path)
{
    calls.push_back("is_normal_file " + path);
    return files.count(path) && !abnormal_files.count(path);
}

std::string FakePlatform::read_text(const std::string& path, std::size_t at_most)
{
    calls.push_back("read_text " + path);
    fail_if_scripted(path);
    const auto found = files.find(path);
    if (found == files.end())
        throw Failure(53, "File not found: " + path);
    largest_read = std::max(largest_read, std::min(at_most, found->second.size()));
    return found->second.substr(0, at_most);
}

void FakePlatform::replace_text(const std::string& path, const std::string& text)
{
    calls.push_back("replace_text " + path);
    fail_if_scripted(path);
    files[path] = text;
}

void FakePlatform::copy_replacing(const std::string& from, const std::string& to)
{
    calls.push_back("copy_replacing " + from + " -> " + to);
    fail_if_scripted(from);
    fail_if_scripted(to);
    const auto found = files.find(from);
    if (found == files.end())
        throw Failure(53, "File not found: " + from);
    files[to] = found->second;
}

std::int64_t FakePlatform::last_written(const std::string& path)
{
    const auto found = written_times.find(path);
    return found == written_times.end() ? 0 : found->second;
}

std::optional<FileStamp> FakePlatform::file_stamp(const std::string& path)
{
    const auto found = files.find(path);
    if (found == files.end())
        return std::nullopt;
    return FileStamp{static_cast<std::int64_t>(found->second.size()), last_written(path)};
}

bool FakePlatform::can_create_files_in(const std::string& folder)
{
    calls.push_back("can_create_files_in " + folder);
    return !unwritable_folders.count(folder);
}

void FakePlatform::create_folder(const std::string& folder)
{
    calls.push_back("create_folder " + folder);
    fail_if_scripted(folder);
    created_folders.push_back(folder);
}

std::string FakePlatform::language_name_buffer()
{
    std::string buffer(100, '\0');
    buffer.replace(0, language.size(), language);
    return buffer;
}

void FakePlatform::change_current_folder(const std::string& folder)
{
    calls.push_back("change_current_folder " + folder);
    fail_if_scripted(folder);
    current_folders.push_back(folder);
}

LocalDate FakePlatform::local_date()
{
    const std::size_t index = std::min<std::size_t>(static_cast<std::size_t>(date_calls), dates.size() - 1);
    ++date_calls;
    return dates[index];
}

void FakePlatform::start_program(const std::string& path)
{
    calls.push_back("start_program " + path);
    if (failing_starts > 0) {
        --failing_starts;
        throw Failure(53, "File not found: " + path);
    }
    started_programs.push_back(path);
}

void FakePlatform::install_wallpaper(const std::string& path)
{
    calls.push_back("install_wallpaper " + path);
    wallpapers.push_back(path);
}

namespace {

class FakePreparedWallpaper final : public PreparedWallpaper {
public:
    FakePreparedWallpaper(FakePlatform& fake, std::string path) : m_fake(fake), m_path(std::move(path)) {}

    void finish() override
    {
        m_fake.calls.push_back("finish " + m_path);
        m_fake.load_picture(m_path);
    }

    void replace_daily_bitmap(Files& files, const std::string& picture, const std::string& daily_bitmap) override
    {
        if (!m_fake.decoded_pictures.count(picture)) {
            PreparedWallpaper::replace_daily_bitmap(files, picture, daily_bitmap);
            return;
        }
        finish();
        m_fake.calls.push_back("replace_with_bitmap " + daily_bitmap);
        m_fake.fail_if_scripted(daily_bitmap);
        m_fake.files[daily_bitmap] = "24-bit bitmap of " + m_fake.files[picture];
    }

    void install(const std::string& path) override
    {
        m_fake.calls.push_back("install_prepared " + path);
        m_fake.wallpapers.push_back(path);
    }

private:
    FakePlatform& m_fake;
    std::string m_path;
};

} // namespace

std::unique_ptr<PreparedWallpaper> FakePlatform::prepare_wallpaper(const std::string& path)
{
    if (!prepares_wallpapers)
        return Desktop::prepare_wallpaper(path);
    calls.push_back("prepare_wallpaper " + path);
    return std::make_unique<FakePreparedWallpaper>(*this, path);
}

MessageAnswer FakePlatform::message_box(const std::string& title, const std::string& text,
                                        const MessageStyle& style)
{
    calls.push_back("message_box " + title);
    messages.push_back({title, text, style});
    if (answers.empty())
        return style.default_answer;
    const MessageAnswer answer = answers.front();
    answers.erase(answers.begin());
    return answer;
}

void FakePlatform::open_web_address(const std::string& address)
{
    calls.push_back("open_web_address " + address);
    opened_addresses.push_back(address);
}

std::string FakePlatform::weekday_name(int weekday)
{
    return day_names.at(static_cast<std::size_t>(weekday - 1));
}

std::string FakePlatform::upper_case(const std::string& text)
{
    std::string upper = text;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

void FakePlatform::beep()
{
    calls.push_back("beep");
    ++beeps;
}

std::vector<std::string> FakePlatform::drives()
{
    return drive_list;
}

std::string FakePlatform::drive_of(const std::string& path)
{
    if (path.size() < 2 || path[1] != ':')
        throw Failure(68, "Device unavailable");
    std::string drive = path.substr(0, 2);
    drive[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(drive[0])));
    if (std::find(drive_list.begin(), drive_list.end(), drive) == drive_list.end())
        throw Failure(68, "Device unavailable");
    return drive;
}

std::string FakePlatform::folder_path(const std::string& text)
{
    calls.push_back("folder_path " + text);
    const std::string drive = drive_of(text);
    if (not_ready_drives.count(drive))
        throw Failure(68, "Device unavailable");
    if (text.size() == 2)
        return drive_folders.at(drive);
    std::string folder = drive + "\\";
    for (std::size_t i = 2; i < text.size(); ++i) {
        if (text[i] != '\\' || folder.back() != '\\')
            folder += text[i];
    }
    if (folder.size() > 3 && folder.back() == '\\')
        folder.pop_back();
    if (!folders.count(folder))
        throw Failure(76, "Path not found");
    return folder;
}

namespace {

// The part of path after parent and its separator, when it has no further
// separator: the name of a direct member of parent.
std::string member_name(const std::string& parent, const std::string& path)
{
    const std::string prefix = parent.back() == '\\' ? parent : parent + "\\";
    if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
        return {};
    const std::string rest = path.substr(prefix.size());
    return rest.find('\\') == std::string::npos ? rest : std::string{};
}

} // namespace

std::vector<std::string> FakePlatform::folder_names(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& path : folders) {
        const std::string name = member_name(folder, path);
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> FakePlatform::file_names(const std::string& folder)
{
    calls.push_back("file_names " + folder);
    std::vector<std::string> names;
    for (const auto& [path, content] : files) {
        const std::string name = member_name(folder, path);
        if (!name.empty() && !abnormal_files.count(path))
            names.push_back(name);
    }
    return names;
}

void FakePlatform::create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                                   const std::string& target, const std::string& arguments)
{
    calls.push_back("create_shortcut " + group_name + " " + shortcut_name);
    if (!failing_shortcut.empty())
        throw Failure(53, failing_shortcut);
    shortcuts.push_back({group_name, shortcut_name, target, arguments});
}

void FakePlatform::register_day_change(const std::string& name, const std::string& target,
                                       const std::string& argument)
{
    calls.push_back("register_day_change " + name);
    if (!failing_day_change.empty())
        throw Failure(5, failing_day_change);
    day_change_runs.push_back({name, target, argument});
}

namespace {

class FakePicture final : public Picture {
public:
    int width() const override { return 64; }
    int height() const override { return 48; }
};

} // namespace

std::shared_ptr<const Picture> FakePlatform::load_picture(const std::string& path)
{
    calls.push_back("load_picture " + path);
    fail_if_scripted(path);
    // The file system reads a doubled separator as one ("C:\\SEA.BMP").
    std::string file;
    for (char c : path) {
        if (c != '\\' || file.empty() || file.back() != '\\')
            file += c;
    }
    if (!files.count(file))
        throw Failure(53, "File not found: " + path);
    if (unreadable_pictures.count(file))
        throw Failure(481, "Invalid picture");
    loaded_pictures.push_back(path);
    return std::make_shared<FakePicture>();
}

} // namespace muralis::testing
