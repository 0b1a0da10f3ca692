// The systemd user units that start Muralrun at every change of day: a
// calendar timer and the one-shot service it starts, written by the rules
// of systemd.syntax(7), systemd.unit(5) and systemd.service(5).
#pragma once

#include <string>
#include <string_view>

namespace muralis::linux_platform {

inline constexpr const char* day_change_timer_name = "muralis-day.timer";
inline constexpr const char* day_change_service_name = "muralis-day.service";

// text with every '%' doubled: a value in which systemd expands no
// specifier.
std::string without_specifiers(std::string_view text);

// One word of a command line (ExecStart=) that systemd reads back as
// exactly word: left as it is when it holds only characters that mean
// nothing there, else double-quoted with '\', '"' and control characters
// written as C escapes, '%' doubled (specifiers) and '$' doubled (variables).
std::string systemd_exec_word(std::string_view word);

// The ExecStart= value that starts program with argument. systemd refuses
// a program path holding a quote, a backslash or a control character
// ("Executable name contains special characters") and does not undo "$$"
// in it, so such a program is started by /bin/sh, to which its path is an
// argument like any other; the shell then also checks that the program is
// still there, which ConditionFileIsExecutable= cannot say of a path with a
// control character. Every other program is named directly.
std::string day_change_exec_start(const std::string& program, const std::string& argument);

// The timer: at every local midnight, and at the first moment after it
// when the computer slept through it. Shown as description.
std::string day_change_timer_unit(const std::string& description);

// The service the timer starts: program with argument, once, after the
// graphical session where there is one, and only while program is an
// executable file.
std::string day_change_service_unit(const std::string& description, const std::string& program,
                                    const std::string& argument);

// Where the user's own units live: "systemd/user" in the XDG configuration
// folder. Not created by this call.
std::string user_unit_folder();

} // namespace muralis::linux_platform
