#include "platform/linux/wallpaper/dated_copy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>

#include "platform/linux/linux_files.h"
#include "platform/linux/unique_fd.h"

namespace muralis::linux_platform {

namespace {

struct SplitName {
    std::string_view stem;      // "Vantorel"
    std::string_view extension; // ".bmp", or empty
};

SplitName split(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {name, {}};
    return {name.substr(0, dot), name.substr(dot)};
}

bool all_digits(std::string_view text)
{
    if (text.empty())
        return false;
    for (const char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

int to_int(std::string_view digits)
{
    int value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

bool later(DatedCopyName a, DatedCopyName b)
{
    return a.date != b.date ? a.date > b.date : a.counter > b.counter;
}

std::vector<std::string> names_in(const std::string& folder)
{
    std::vector<std::string> names;
    DIR* directory = ::opendir(folder.c_str());
    if (!directory)
        return names;
    while (const dirent* entry = ::readdir(directory))
        names.emplace_back(entry->d_name);
    ::closedir(directory);
    return names;
}

bool read_all(int fd, char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t got = ::read(fd, data, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool same_contents(const std::string& a, const std::string& b)
{
    UniqueFd first(::open(a.c_str(), O_RDONLY | O_CLOEXEC));
    UniqueFd second(::open(b.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat first_info {};
    struct stat second_info {};
    if (!first || !second || ::fstat(first.get(), &first_info) != 0 ||
        ::fstat(second.get(), &second_info) != 0 || !S_ISREG(first_info.st_mode) ||
        !S_ISREG(second_info.st_mode) || first_info.st_size != second_info.st_size)
        return false;
    static constexpr std::size_t chunk = 1 << 16;
    std::vector<char> first_bytes(chunk);
    std::vector<char> second_bytes(chunk);
    for (auto left = static_cast<std::size_t>(first_info.st_size); left > 0;) {
        const std::size_t size = std::min(left, chunk);
        if (!read_all(first.get(), first_bytes.data(), size) ||
            !read_all(second.get(), second_bytes.data(), size) ||
            std::memcmp(first_bytes.data(), second_bytes.data(), size) != 0)
            return false;
        left -= size;
    }
    return true;
}

} // namespace

std::optional<DatedCopyName> parse_dated_copy_name(std::string_view original,
                                                   std::string_view name)
{
    const SplitName parts = split(original);
    if (name.size() <= parts.stem.size() + parts.extension.size() + 1 ||
        name.substr(0, parts.stem.size()) != parts.stem || name[parts.stem.size()] != '-' ||
        name.substr(name.size() - parts.extension.size()) != parts.extension)
        return std::nullopt;
    std::string_view middle = name.substr(parts.stem.size() + 1,
                                          name.size() - parts.stem.size() - 1 -
                                              parts.extension.size());
    DatedCopyName copy;
    const std::string_view date = middle.substr(0, 8);
    if (date.size() != 8 || !all_digits(date))
        return std::nullopt;
    copy.date = to_int(date);
    middle.remove_prefix(8);
    if (middle.empty())
        return copy;
    // "-2" onwards; "-1", "-02" and the like are never written, so they are
    // not taken for copies of this program's.
    if (middle[0] != '-')
        return std::nullopt;
    middle.remove_prefix(1);
    if (!all_digits(middle) || middle.size() > 6 || middle[0] == '0')
        return std::nullopt;
    copy.counter = to_int(middle);
    if (copy.counter < 2)
        return std::nullopt;
    return copy;
}

std::string dated_copy_name(std::string_view original, DatedCopyName copy)
{
    const SplitName parts = split(original);
    char middle[32];
    if (copy.counter > 1)
        std::snprintf(middle, sizeof middle, "-%08d-%d", copy.date, copy.counter);
    else
        std::snprintf(middle, sizeof middle, "-%08d", copy.date);
    return std::string(parts.stem) + middle + std::string(parts.extension);
}

std::string next_dated_copy_name(std::string_view original, LocalDate today,
                                 const std::vector<std::string>& names_in_folder)
{
    DatedCopyName next{today.year * 10000 + today.month * 100 + today.day, 1};
    for (const std::string& name : names_in_folder)
        if (const auto copy = parse_dated_copy_name(original, name);
            copy && copy->date == next.date && copy->counter >= next.counter)
            next.counter = copy->counter + 1;
    return dated_copy_name(original, next);
}

bool DatedCopyWallpaper::install(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return false;
    const std::string folder = path.substr(0, slash + 1);
    const std::string original = path.substr(slash + 1);

    const std::vector<std::string> names = names_in(folder);
    std::optional<DatedCopyName> newest;
    for (const std::string& name : names)
        if (const auto copy = parse_dated_copy_name(original, name);
            copy && (!newest || later(*copy, *newest)))
            newest = copy;

    std::string handed;
    if (newest && same_contents(folder + dated_copy_name(original, *newest), path)) {
        handed = dated_copy_name(original, *newest);
    } else {
        handed = next_dated_copy_name(original, m_today, names);
        try {
            LinuxFiles().copy_replacing(path, folder + handed);
        } catch (const Failure&) {
            return false;
        }
    }

    if (!m_desktop->install(folder + handed))
        return false;
    for (const std::string& name : names)
        if (name != handed && parse_dated_copy_name(original, name))
            ::unlink((folder + name).c_str());
    return true;
}

} // namespace muralis::linux_platform
