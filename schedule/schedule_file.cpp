#include "schedule/schedule_file.h"

namespace muralis {

int weekday_digit(std::string_view slot_entry)
{
    if (slot_entry.empty())
        return 0;
    const char last = slot_entry.back();
    return last >= '0' && last <= '9' ? last - '0' : 0;
}

std::string picture_path(std::string_view slot_entry)
{
    if (slot_entry.empty())
        return {};
    return std::string(slot_entry.substr(0, slot_entry.size() - 1));
}

bool ItemReader::at_line_end() const
{
    const char c = m_text[m_position];
    return c == '\r' || c == '\n';
}

// Moves past the comma or line end at the current position, if any.
void ItemReader::skip_delimiter()
{
    if (m_position >= m_text.size())
        return;
    const char c = m_text[m_position++];
    if (c == '\r' && m_position < m_text.size() && m_text[m_position] == '\n')
        ++m_position;
}

std::string ItemReader::read_item()
{
    if (m_position >= m_text.size())
        throw Failure(InputPastEndOfFile, "Input past end of file");

    std::string item;
    if (m_text[m_position] == '"') {
        const std::size_t start = m_position + 1;
        std::size_t close = m_text.find('"', start);
        if (close == std::string_view::npos)
            close = m_text.size();
        item.assign(m_text.substr(start, close - start));
        m_position = close < m_text.size() ? close + 1 : close;
        while (m_position < m_text.size() && m_text[m_position] != ',' && !at_line_end())
            ++m_position;
    } else {
        const std::size_t start = m_position;
        while (m_position < m_text.size() && m_text[m_position] != ',' && !at_line_end())
            ++m_position;
        item.assign(m_text.substr(start, m_position - start));
    }
    skip_delimiter();
    if (item.size() > longest_item)
        throw Failure(BadRecordLength, "Bad record length");
    return item;
}

std::string format_schedule(WeekdaySlotTable& table)
{
    std::string bytes;
    for (std::size_t i = 1; i <= 7; ++i) {
        if (table[i].empty())
            table[i] = table[i - 1];
        if (!table[i].empty()) {
            bytes += '"';
            bytes += table[i];
            bytes += '"';
        }
        bytes += "\r\n";
    }
    return bytes;
}

void write_schedule(Files& files, const std::string& path, WeekdaySlotTable& table)
{
    files.replace_text(path, format_schedule(table));
}

} // namespace muralis
