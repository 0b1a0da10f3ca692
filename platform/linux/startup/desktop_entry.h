// Desktop entries (the files of the XDG autostart folder), written by the
// rules of the freedesktop Desktop Entry specification.
#pragma once

#include <string>
#include <string_view>

namespace muralis::linux_platform {

// text as the value of a key of type string: a backslash, newline, tab and
// carriage return written as \\, \n, \t and \r, a leading space as \s (a
// reader would otherwise drop it with the space around '=').
std::string desktop_string_value(std::string_view text);

// One argument of an Exec command line. An argument holding a reserved
// character is enclosed in double quotes, inside which '"', '`', '$' and
// '\' take a backslash; '%' is written "%%" so that it is no field code.
std::string desktop_exec_argument(std::string_view argument);

// The command line that starts program with arguments (one text, added as
// one more argument when not empty), before it is escaped as a string value.
std::string desktop_exec_command(const std::string& program, const std::string& arguments);

// The whole entry that starts program with arguments at log-on, shown as
// name.
std::string autostart_entry(const std::string& name, const std::string& program,
                            const std::string& arguments);

// The user's configuration folder by the XDG Base Directory rules:
// $XDG_CONFIG_HOME when it is an absolute path, else the home folder followed
// by "/.config". The home folder is $HOME, else the one the user database
// gives. No trailing slash.
std::string xdg_config_home();

// The folder whose entries the desktop starts at log-on: "autostart" in
// xdg_config_home(). Not created by this call.
std::string autostart_folder();

} // namespace muralis::linux_platform
