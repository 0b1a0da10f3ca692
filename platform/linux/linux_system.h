#pragma once

#include "platform/linux/toolkit.h"
#include "platform/platform.h"

namespace muralis::linux_platform {

class LinuxSystem final : public System {
public:
    // toolkit brings the locale rules, the bell and the screen.
    explicit LinuxSystem(Toolkit& toolkit) : m_toolkit(&toolkit) {}

    std::string windows_directory() override;
    std::string fallback_data_folder() override { return {}; }
    std::string virtual_store_folder() override { return {}; }
    std::string language_name_buffer() override;
    std::string program_folder() override;
    void change_current_folder(const std::string& folder) override;
    char path_separator() override { return '/'; }
    std::string program_suffix() override { return {}; }
    LocalDate local_date() override;
    std::string weekday_name(int weekday) override;
    std::string upper_case(const std::string& text) override;
    void beep() override;
    TwipsSize screen_size() override;
    void start_program(const std::string& path) override;

private:
    Toolkit* m_toolkit;
};

// The folder of the running program, without a trailing separator.
std::string running_program_folder();

// The user's home folder: $HOME, else the one the user database gives,
// else "/".
std::string home_folder();

// The user's data folder by the XDG Base Directory rules: $XDG_DATA_HOME when
// it is an absolute path, else the home folder followed by "/.local/share".
// The home folder is $HOME, else the one the user database gives.
std::string xdg_data_home();

// The programs' own data folder inside xdg_data_home(), created with mode
// 0700 (and its missing parents) when it does not exist. Throws Failure.
std::string muralis_data_folder();

// The English name of the language of the user's messages locale: the locale
// that LC_ALL, else LC_MESSAGES, else LANG names, as the C library resolves
// it. Empty for the C and POSIX locales.
std::string messages_language_name(Toolkit& toolkit);

} // namespace muralis::linux_platform
