#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace muralis::win32 {

// Files through kernel32's ANSI entry points. Paths and texts are UTF-8 on
// this side and the ANSI code page on the system's side.
class Win32Files final : public Files {
public:
    bool is_normal_file(const std::string& path) override;
    using Files::read_text;
    std::string read_text(const std::string& path, std::size_t at_most) override;
    void replace_text(const std::string& path, const std::string& text) override;
    void copy_replacing(const std::string& from, const std::string& to) override;
    // check runs once the copy is written, before it replaces to.
    void copy_replacing_checked(const std::string& from, const std::string& to,
                                const std::function<void()>& check) override;
    std::int64_t last_written(const std::string& path) override;
    std::optional<FileStamp> file_stamp(const std::string& path) override;
    bool can_create_files_in(const std::string& folder) override;
    void create_folder(const std::string& folder) override;
    std::vector<std::string> drives() override;
    std::string drive_of(const std::string& path) override;
    std::string folder_path(const std::string& text) override;
    std::vector<std::string> folder_names(const std::string& folder) override;
    std::vector<std::string> file_names(const std::string& folder) override;
};

// Replaces the file at path with width x height pixels (0xffRRGGBB words,
// rows top down) as an uncompressed 24-bit bitmap, rows bottom up, written
// to a temporary file beside it and moved over it, as copy_replacing
// replaces its target. Throws Failure; path is then as it was.
void replace_with_bitmap(const std::string& path, int width, int height, const std::uint32_t* pixels);

} // namespace muralis::win32
