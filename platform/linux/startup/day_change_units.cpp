#include "platform/linux/startup/day_change_units.h"

#include "platform/linux/startup/desktop_entry.h"

namespace muralis::linux_platform {

namespace {

bool is_control(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7f;
}

// Characters a word may hold unquoted: none of them is a quote, an escape,
// a separator, a specifier or a variable to systemd.
bool is_plain(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("/._-+,:=@").find(c) != std::string_view::npos;
}

// What systemd executes as it is written: it refuses a quote, a backslash
// or a control character in a program's path, and leaves "$$" doubled
// there while it turns it into "$" in argv[0], which is the same word.
bool can_name_as_program(std::string_view program)
{
    for (const char c : program) {
        if (is_control(c) || c == '"' || c == '\'' || c == '\\' || c == '$')
            return false;
    }
    return true;
}

// What ConditionFileIsExecutable= can hold: its value is taken as written,
// with no quotes and no escapes, to the end of its line. (A program's path
// ends with its name, so neither the trimming of the value nor a backslash
// that would join the next line to it can meet one.)
bool can_name_in_condition(std::string_view path)
{
    for (const char c : path) {
        if (is_control(c))
            return false;
    }
    return true;
}

} // namespace

std::string without_specifiers(std::string_view text)
{
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        result += c;
        if (c == '%')
            result += '%';
    }
    return result;
}

std::string systemd_exec_word(std::string_view word)
{
    bool plain = !word.empty();
    for (const char c : word)
        plain = plain && is_plain(c);
    if (plain)
        return std::string(word);

    static constexpr char hex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (const char c : word) {
        if (c == '\\' || c == '"') {
            quoted += '\\';
            quoted += c;
        } else if (c == '%' || c == '$') {
            quoted += c;
            quoted += c;
        } else if (is_control(c)) {
            const auto byte = static_cast<unsigned char>(c);
            quoted += "\\x";
            quoted += hex[byte >> 4];
            quoted += hex[byte & 0xf];
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string day_change_exec_start(const std::string& program, const std::string& argument)
{
    if (can_name_as_program(program))
        return systemd_exec_word(program) + ' ' + systemd_exec_word(argument);
    return "/bin/sh -c " + systemd_exec_word("[ -x \"$0\" ] || exit 0; exec \"$0\" \"$@\"") + ' ' +
           systemd_exec_word(program) + ' ' + systemd_exec_word(argument);
}

std::string day_change_timer_unit(const std::string& description)
{
    return "# Made by Muralset at each save of the week, so that Muralrun installs\n"
           "# the new day's picture when the day changes.\n"
           "[Unit]\n"
           "Description=" + without_specifiers(description) + "\n"
           "\n"
           "[Timer]\n"
           "# A midnight that passed while the computer slept fires at the wake-up.\n"
           "# No Persistent=: it would also fire at log-on, beside the log-on run.\n"
           "OnCalendar=*-*-* 00:00:00\n"
           "\n"
           "[Install]\n"
           "WantedBy=timers.target\n";
}

std::string day_change_service_unit(const std::string& description, const std::string& program,
                                    const std::string& argument)
{
    std::string unit = "# Started by " + std::string(day_change_timer_name) + ".\n"
                       "[Unit]\n"
                       "Description=" + without_specifiers(description) + "\n"
                       "# Ordered only: XFCE, MATE, LXQt and LXDE never start this target.\n"
                       "After=graphical-session.target\n";
    // Once the program has been removed, the timer starts nothing.
    if (can_name_in_condition(program))
        unit += "ConditionFileIsExecutable=" + without_specifiers(program) + "\n";
    unit += "\n"
            "[Service]\n"
            "Type=oneshot\n"
            "# The editor that Muralrun starts after a failure outlives it.\n"
            "KillMode=process\n"
            "ExecStart=" + day_change_exec_start(program, argument) + "\n";
    return unit;
}

std::string user_unit_folder()
{
    const std::string config = xdg_config_home();
    return (config == "/" ? std::string() : config) + "/systemd/user";
}

} // namespace muralis::linux_platform
