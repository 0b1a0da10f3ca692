// The day-change run on Windows: a task of the user's own in the Task
// Scheduler, registered from its XML text (Task Scheduler schema 1.2).
#pragma once

#include <string>
#include <string_view>

namespace muralis::win32 {

// text as XML character data or an attribute value: '&', '<', '>', '"' and
// '\'' written as entities.
std::string xml_escaped(std::string_view text);

// The task that starts program with argument, in the program's folder,
// every day at local midnight (or as soon as the computer is on again
// after a midnight it missed) and whenever user ("DOMAIN\name") unlocks
// the session, with user's own rights, on battery too. Shown as
// description. UTF-8, to be handed over as UTF-16.
std::string day_change_task_xml(const std::string& description, const std::string& program,
                                const std::string& argument, const std::string& user);

// The account this process runs as, as "DOMAIN\name" (UTF-8), the form
// the Task Scheduler writes. Throws Failure.
std::string current_account();

} // namespace muralis::win32
