// The user's service manager (systemd --user), reached through its D-Bus
// interface on the session bus. A session without one (no systemd, or a
// bus with no manager on it) is told apart from a manager that fails, and
// the manager is never started for the asking.
#pragma once

#include <string>
#include <vector>

namespace muralis::linux_platform {

// Has the user's manager read its unit files again, enable timer (a unit
// name in the user's unit folder) and start it. False, with nothing done,
// when the session has no bus or no user manager on it. Throws Failure,
// with the manager's own message, when the manager refuses a step.
bool enable_and_start_user_timer(const std::string& timer);

// The variables of this process that a program started by the user's
// manager needs to reach the session's display and bus, as NAME=value
// texts: those of DISPLAY, WAYLAND_DISPLAY, XDG_CURRENT_DESKTOP,
// XDG_SESSION_TYPE and DBUS_SESSION_BUS_ADDRESS that are set and not empty.
std::vector<std::string> session_environment();

// Gives the user's manager session_environment(), as
// "dbus-update-activation-environment --systemd" does, for sessions that
// did not hand it theirs. Does nothing where no user manager answers.
// Reports nothing, whatever happens.
void import_session_environment();

} // namespace muralis::linux_platform
