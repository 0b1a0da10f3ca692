// A desktop that is handed the file name it already shows has nothing to
// notice and keeps the old picture on the screen. Each desktop backend is
// therefore handed a copy of the daily bitmap whose name changes with the
// picture: "Vantorel-20240105.bmp", then "Vantorel-20240105-2.bmp" when the
// picture changes again that day.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/wallpaper/wallpaper_backend.h"
#include "platform/platform.h"

namespace muralis::linux_platform {

struct DatedCopyName {
    int date = 0;    // YYYYMMDD
    int counter = 1; // 1 for the first copy of a day, then 2, 3, ...
};

// The date and counter in the name of a copy of original ("Vantorel.bmp"),
// or none when name is not such a copy.
std::optional<DatedCopyName> parse_dated_copy_name(std::string_view original,
                                                   std::string_view name);

std::string dated_copy_name(std::string_view original, DatedCopyName copy);

// The name for a new copy made on today, given the names already in the
// folder: today's first name, or the next counter after today's highest.
std::string next_dated_copy_name(std::string_view original, LocalDate today,
                                 const std::vector<std::string>& names_in_folder);

// Hands the desktop backend a dated copy beside the file it is given. The
// newest copy is handed again when it holds the same picture. The copies
// before the one handed are removed once the desktop has taken it, and kept
// (the desktop may still show them) when it has not.
class DatedCopyWallpaper final : public WallpaperBackend {
public:
    DatedCopyWallpaper(std::unique_ptr<WallpaperBackend> desktop, LocalDate today)
        : m_desktop(std::move(desktop)), m_today(today) {}

    const char* name() const override { return m_desktop->name(); }
    bool install(const std::string& path) override;

private:
    std::unique_ptr<WallpaperBackend> m_desktop;
    LocalDate m_today;
};

} // namespace muralis::linux_platform
