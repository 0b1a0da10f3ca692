#pragma once

#include "platform/linux/pictures/rgb_image.h"
#include "platform/platform.h"

namespace muralis::linux_platform {

class LinuxFiles final : public Files {
public:
    bool is_normal_file(const std::string& path) override;
    using Files::read_text;
    std::string read_text(const std::string& path, std::size_t at_most) override;
    void replace_text(const std::string& path, const std::string& text) override;
    void copy_replacing(const std::string& from, const std::string& to) override;
    // check runs once the copy is written, before the rename.
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

// A Failure for errno after the named operation on path.
Failure system_failure(int error, const std::string& path);

// Replaces the file at path with picture as an uncompressed 24-bit bitmap,
// rows bottom up, written to a temporary file beside it and renamed over
// it, as copy_replacing replaces its target. Throws Failure; path is then
// as it was.
void replace_with_bitmap(const std::string& path, const RgbImage& picture);

// Creates folder and its missing parents, each with mode, like mkdir -p.
// Throws Failure.
void make_folders(const std::string& folder, unsigned mode);

} // namespace muralis::linux_platform
