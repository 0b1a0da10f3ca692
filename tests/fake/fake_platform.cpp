#include "fake/fake_platform.h"

#include <algorithm>

namespace muralis::testing {

FakePlatform::FakePlatform() = default;

void FakePlatform::fail_if_scripted(const std::string& path)
{
    if (failing_paths.count(path))
        throw Failure(75, "Path/File access error: " + path);
}

bool FakePlatform::is_normal_file(const std::string& path)
{
    calls.push_back("is_normal_file " + path);
    return files.count(path) && !abnormal_files.count(path);
}

std::string FakePlatform::read_text(const std::string& path)
{
    calls.push_back("read_text " + path);
    fail_if_scripted(path);
    const auto found = files.find(path);
    if (found == files.end())
        throw Failure(53, "File not found: " + path);
    return found->second;
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

void FakePlatform::show_message(const std::string& title, const std::string& text)
{
    calls.push_back("show_message " + title);
    messages.push_back({title, text});
}

} // namespace muralis::testing
