#include "applier/run_record.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "schedule/schedule_file.h"

namespace muralis {

namespace {

constexpr std::string_view first_line = "Muralrun record 1";
constexpr std::string_view line_end = "\r\n";

// Three paths of the longest kind, each byte written as three at worst.
constexpr std::size_t read_limit = 3 * 3 * longest_item + 1024;

constexpr char hex_digits[] = "0123456789ABCDEF";

std::string escaped(std::string_view path)
{
    std::string text;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '%') {
            text += '%';
            text += hex_digits[byte >> 4];
            text += hex_digits[byte & 0xf];
        } else {
            text += c;
        }
    }
    return text;
}

int hex_value(char c)
{
    for (int value = 0; value < 16; ++value)
        if (hex_digits[value] == c)
            return value;
    return -1;
}

std::optional<std::string> unescaped(std::string_view text)
{
    std::string path;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7f)
            return std::nullopt;
        if (text[i] != '%') {
            path += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = hex_value(text[i + 1]);
        const int low = hex_value(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        path += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return path;
}

// Reads the fields of one line, separated by single spaces.
class Fields {
public:
    explicit Fields(std::string_view line) : m_rest(line) {}

    // The next field; false at the end of the line.
    bool next(std::string_view& field)
    {
        if (m_done)
            return false;
        const std::size_t space = m_rest.find(' ');
        field = m_rest.substr(0, space);
        m_done = space == std::string_view::npos;
        m_rest = m_done ? std::string_view{} : m_rest.substr(space + 1);
        return true;
    }

    bool number(std::int64_t& value)
    {
        std::string_view field;
        if (!next(field) || field.empty() || field[0] == '+')
            return false;
        const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
        return error == std::errc{} && end == field.data() + field.size();
    }

    bool date(int& value)
    {
        std::int64_t number_value = 0;
        std::string_view field;
        if (!next(field) || field.size() != 8)
            return false;
        for (const char c : field)
            if (c < '0' || c > '9')
                return false;
        std::from_chars(field.data(), field.data() + field.size(), number_value);
        value = static_cast<int>(number_value);
        return true;
    }

    // Everything left, spaces included, as one path.
    std::optional<std::string> path()
    {
        if (m_done)
            return std::nullopt;
        m_done = true;
        return unescaped(m_rest);
    }

private:
    std::string_view m_rest;
    bool m_done = false;
};

bool starts_with_key(std::string_view line, std::string_view key)
{
    return line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == ' ';
}

std::optional<RunRecord::Installed> parse_installed(std::string_view line)
{
    Fields fields(line.substr(std::string_view("installed ").size()));
    RunRecord::Installed installed;
    if (!fields.date(installed.date) || !fields.number(installed.picture_stamp.size) ||
        !fields.number(installed.picture_stamp.written) || !fields.number(installed.daily_bitmap_stamp.size) ||
        !fields.number(installed.daily_bitmap_stamp.written))
        return std::nullopt;
    auto picture = fields.path();
    if (!picture)
        return std::nullopt;
    installed.picture = std::move(*picture);
    return installed;
}

std::optional<RunRecord::Reported> parse_reported(std::string_view line)
{
    Fields fields(line.substr(std::string_view("reported ").size()));
    RunRecord::Reported reported;
    if (!fields.date(reported.date))
        return std::nullopt;
    auto path = fields.path();
    if (!path)
        return std::nullopt;
    reported.path = std::move(*path);
    return reported;
}

} // namespace

int date_number(const LocalDate& date)
{
    return date.year * 10000 + date.month * 100 + date.day;
}

std::string format_run_record(const RunRecord& record)
{
    std::string text(first_line);
    text += line_end;
    text += "user " + escaped(record.user);
    text += line_end;
    if (const auto& installed = record.installed) {
        char numbers[128];
        std::snprintf(numbers, sizeof numbers, "installed %08d %lld %lld %lld %lld ", installed->date,
                      static_cast<long long>(installed->picture_stamp.size),
                      static_cast<long long>(installed->picture_stamp.written),
                      static_cast<long long>(installed->daily_bitmap_stamp.size),
                      static_cast<long long>(installed->daily_bitmap_stamp.written));
        text += numbers + escaped(installed->picture);
        text += line_end;
    }
    if (const auto& reported = record.reported) {
        char date[32];
        std::snprintf(date, sizeof date, "reported %08d ", reported->date);
        text += date + escaped(reported->path);
        text += line_end;
    }
    return text;
}

std::optional<RunRecord> parse_run_record(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find(line_end);
        if (end == std::string_view::npos)
            return std::nullopt;
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + line_end.size());
    }
    if (lines.size() < 2 || lines.size() > 4 || lines[0] != first_line || !starts_with_key(lines[1], "user"))
        return std::nullopt;
    RunRecord record;
    auto user = unescaped(lines[1].substr(std::string_view("user ").size()));
    if (!user)
        return std::nullopt;
    record.user = std::move(*user);
    std::size_t next = 2;
    if (next < lines.size() && starts_with_key(lines[next], "installed")) {
        record.installed = parse_installed(lines[next++]);
        if (!record.installed)
            return std::nullopt;
    }
    if (next < lines.size() && starts_with_key(lines[next], "reported")) {
        record.reported = parse_reported(lines[next++]);
        if (!record.reported)
            return std::nullopt;
    }
    if (next != lines.size())
        return std::nullopt;
    return record;
}

std::optional<RunRecord> read_run_record(Files& files, const std::string& path, const std::string& user)
{
    std::optional<RunRecord> record;
    try {
        // Asked first, so that the first run does not pay for a failure.
        if (!files.is_normal_file(path))
            return std::nullopt;
        record = parse_run_record(files.read_text(path, read_limit));
    } catch (const Failure&) {
        return std::nullopt;
    }
    if (record && record->user != user)
        return std::nullopt;
    return record;
}

void write_run_record(Files& files, const std::string& path, const RunRecord& record)
{
    try {
        files.replace_text(path, format_run_record(record));
    } catch (const Failure&) {
        // The next run does the whole work again, and may report a failure
        // once more; neither is worth troubling the user with.
    }
}

} // namespace muralis
