// A scripted platform for the portable layers' tests: files live in a map,
// every call is recorded, and any operation can be made to fail.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace muralis::testing {

class FakePlatform final : public Files, public System, public Desktop {
public:
    FakePlatform();

    Platform platform() { return {*this, *this, *this}; }

    // Files
    bool is_normal_file(const std::string& path) override;
    using Files::read_text;
    std::string read_text(const std::string& path, std::size_t at_most) override;
    void replace_text(const std::string& path, const std::string& text) override;
    void copy_replacing(const std::string& from, const std::string& to) override;
    std::int64_t last_written(const std::string& path) override;
    std::optional<FileStamp> file_stamp(const std::string& path) override;
    bool can_create_files_in(const std::string& folder) override;
    void create_folder(const std::string& folder) override;
    std::vector<std::string> drives() override;
    std::string drive_of(const std::string& path) override;
    std::string folder_path(const std::string& text) override;
    std::vector<std::string> folder_names(const std::string& folder) override;
    std::vector<std::string> file_names(const std::string& folder) override;

    // System
    std::string windows_directory() override { return m_windows_directory; }
    std::string fallback_data_folder() override { return m_fallback_data_folder; }
    std::string virtual_store_folder() override { return m_virtual_store_folder; }
    std::string language_name_buffer() override;
    std::string program_folder() override { return m_program_folder; }
    void change_current_folder(const std::string& folder) override;
    char path_separator() override { return m_separator; }
    std::string program_suffix() override { return m_program_suffix; }
    LocalDate local_date() override;
    std::string weekday_name(int weekday) override;
    std::string upper_case(const std::string& text) override;
    void beep() override;
    TwipsSize screen_size() override { return screen; }
    void start_program(const std::string& path) override;

    // Desktop
    void install_wallpaper(const std::string& path) override;
    std::unique_ptr<PreparedWallpaper> prepare_wallpaper(const std::string& path) override;
    MessageAnswer message_box(const std::string& title, const std::string& text,
                              const MessageStyle& style) override;
    void create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                         const std::string& target, const std::string& arguments) override;
    void register_day_change(const std::string& name, const std::string& target,
                             const std::string& argument) override;
    std::shared_ptr<const Picture> load_picture(const std::string& path) override;
    std::string picture_pattern() override { return picture_patterns; }
    void open_web_address(const std::string& address) override;

    // The script.
    std::map<std::string, std::string> files;     // path -> content
    std::set<std::string> abnormal_files;         // hidden, system, folders
    std::set<std::string> unwritable_folders;
    std::set<std::string> failing_paths;          // any read, copy or write of these fails
    std::set<std::string> out_of_memory_paths;    // the same throws std::bad_alloc
    std::set<std::string> unreadable_pictures;    // files that load_picture refuses
    // Pictures of a format that a prepared wallpaper decodes and writes as
    // the daily bitmap ("replace_with_bitmap DAILY"), rather than copying.
    std::set<std::string> decoded_pictures;
    std::string picture_patterns = "*.bmp";       // picture_pattern()
    std::string m_windows_directory = "C:\\WINDOWS";
    std::string m_fallback_data_folder;
    std::string m_virtual_store_folder;
    std::map<std::string, std::int64_t> written_times; // path -> last_written(); 0 when not given
    std::string language = "English";
    std::string m_program_folder = "C:\\PROGRAMS\\MURALIS";
    char m_separator = '\\';
    std::string m_program_suffix = ".exe";
    std::vector<LocalDate> dates{{2026, 12, 9}}; // one per call; the last repeats
    int failing_starts = 0;                      // how many starts fail first
    // Windows-style drives and folders: each folder is a full path without a
    // trailing separator (a root keeps its one: "C:\\"); a folder's files
    // are the keys of `files` directly inside it.
    std::vector<std::string> drive_list{"A:", "C:", "D:"};
    std::set<std::string> not_ready_drives{"A:"};
    std::map<std::string, std::string> drive_folders{{"C:", "C:\\"}, {"D:", "D:\\"}};
    std::set<std::string> folders{"C:\\", "D:\\", "C:\\WINDOWS", "C:\\PROGRAMS",
                                  "C:\\PROGRAMS\\MURALIS"};
    std::string failing_shortcut; // the description a shortcut creation fails with
    std::string failing_day_change; // the description a day-change registration fails with
    // Weekday names, Sunday first, as the user's locale spells them.
    std::vector<std::string> day_names{"Sunday", "Monday", "Tuesday", "Wednesday",
                                       "Thursday", "Friday", "Saturday"};
    TwipsSize screen{15360, 11520}; // 1024 x 768 pixels at 96 DPI
    std::vector<MessageAnswer> answers; // the answers to the next boxes, in order
    // Whether prepare_wallpaper makes something ready, as the real platforms
    // do: the picture is then checked only by finish() ("finish PATH"), and
    // installed by what was prepared ("install_prepared PATH"), not through
    // install_wallpaper. Otherwise the seam's default, which checks at once.
    bool prepares_wallpapers = false;

    // The record.
    struct Shortcut {
        std::string group;
        std::string name;
        std::string target;
        std::string arguments;
    };
    std::vector<Shortcut> shortcuts;
    struct DayChangeRun {
        std::string name;
        std::string target;
        std::string argument;
        bool operator==(const DayChangeRun&) const = default;
    };
    std::vector<DayChangeRun> day_change_runs; // the registrations that succeeded
    std::vector<std::string> loaded_pictures;
    std::vector<std::string> current_folders;
    std::vector<std::string> created_folders;
    std::vector<std::string> started_programs;
    std::vector<std::string> wallpapers;
    struct Message {
        std::string title;
        std::string text;
        MessageStyle style;
    };
    std::vector<Message> messages;
    std::vector<std::string> opened_addresses;
    int beeps = 0;
    std::size_t largest_read = 0; // the most bytes one read_text returned
    std::vector<std::string> calls; // every call, in order, by name
    int date_calls = 0;

    // Throws as failing_paths and out_of_memory_paths say for path.
    void fail_if_scripted(const std::string& path);
};

} // namespace muralis::testing
