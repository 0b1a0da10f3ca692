#include "platform/linux/startup/desktop_entry.h"

#include <cstdlib>

#include "platform/linux/linux_system.h"

namespace muralis::linux_platform {

std::string desktop_string_value(std::string_view text)
{
    std::string value;
    value.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (const char c = text[i]) {
        case '\\': value += "\\\\"; break;
        case '\n': value += "\\n"; break;
        case '\t': value += "\\t"; break;
        case '\r': value += "\\r"; break;
        case ' ': value += i == 0 ? "\\s" : " "; break;
        default: value += c;
        }
    }
    return value;
}

std::string desktop_exec_argument(std::string_view argument)
{
    static constexpr std::string_view reserved = " \t\n\"'\\><~|&;$*?#()`";
    const bool quoted = argument.empty() || argument.find_first_of(reserved) != std::string_view::npos;
    std::string result;
    result.reserve(argument.size() + 8);
    if (quoted)
        result += '"';
    for (const char c : argument) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\'))
            result += '\\';
        result += c;
        if (c == '%')
            result += '%';
    }
    if (quoted)
        result += '"';
    return result;
}

std::string desktop_exec_command(const std::string& program, const std::string& arguments)
{
    std::vector<std::string> words;
    // GLib and KIO look for the program named by the Exec value before they
    // turn "%%" back into '%', so they find no program whose path holds a
    // '%' and drop the whole entry. Such a program is started by the shell,
    // to which its path is an argument like any other.
    if (program.find('%') != std::string::npos)
        words = {"/bin/sh", "-c", "exec \"$0\" \"$@\""};
    words.push_back(program);
    if (!arguments.empty())
        words.push_back(arguments);

    std::string command;
    for (const std::string& word : words) {
        if (!command.empty())
            command += ' ';
        command += desktop_exec_argument(word);
    }
    return command;
}

std::string autostart_entry(const std::string& name, const std::string& program,
                            const std::string& arguments)
{
    // The Exec value is quoted first and escaped as a string after: a
    // reader undoes the string escapes before it parses the command line.
    // TryExec names the program alone: once it has been removed, the
    // session skips the entry rather than failing at every log-on.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" + desktop_string_value(name) + "\n"
           "TryExec=" + desktop_string_value(program) + "\n"
           "Exec=" + desktop_string_value(desktop_exec_command(program, arguments)) + "\n"
           "X-GNOME-Autostart-enabled=true\n";
}

namespace {

std::string without_trailing_slashes(std::string folder)
{
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

} // namespace

std::string xdg_config_home()
{
    // The rules ignore a relative path as invalid.
    if (const char* config_home = std::getenv("XDG_CONFIG_HOME"); config_home && config_home[0] == '/')
        return without_trailing_slashes(config_home);
    const std::string home = without_trailing_slashes(home_folder());
    return (home == "/" ? std::string() : home) + "/.config";
}

std::string autostart_folder()
{
    const std::string config = xdg_config_home();
    return (config == "/" ? std::string() : config) + "/autostart";
}

} // namespace muralis::linux_platform
