#pragma once

#include "platform/platform.h"

namespace muralis::win32 {

class Win32System final : public System {
public:
    std::string windows_directory() override;
    std::string fallback_data_folder() override;
    std::string virtual_store_folder() override;
    std::string language_name_buffer() override;
    std::string program_folder() override;
    void change_current_folder(const std::string& folder) override;
    char path_separator() override { return '\\'; }
    std::string program_suffix() override { return ".exe"; }
    LocalDate local_date() override;
    std::string weekday_name(int weekday) override;
    std::string upper_case(const std::string& text) override;
    void beep() override;
    TwipsSize screen_size() override;
    void start_program(const std::string& path) override;
};

} // namespace muralis::win32
