// The day-change run on Linux: a systemd user timer and its service in the
// user's unit folder, enabled and started by the user's manager.
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/startup/day_change_units.h"
#include "platform/linux/startup/user_manager.h"

namespace muralis::linux_platform {

namespace {

// What "systemctl --user enable" does without a manager to ask: the link
// in timers.target.wants that has the user's next manager start the timer.
// An existing link is replaced through a new one renamed over it.
void enable_without_manager(const std::string& folder, const std::string& timer)
{
    const std::string wants = folder + "/timers.target.wants";
    make_folders(wants, 0700);
    const std::string unit = folder + "/" + timer;
    const std::string link = wants + "/" + timer;
    std::vector<char> current(unit.size() + 2);
    const ssize_t length = ::readlink(link.c_str(), current.data(), current.size());
    if (length >= 0 && std::string(current.data(), static_cast<std::size_t>(length)) == unit)
        return;
    const std::string temporary = link + ".new";
    ::unlink(temporary.c_str());
    if (::symlink(unit.c_str(), temporary.c_str()) != 0)
        throw system_failure(errno, temporary);
    if (::rename(temporary.c_str(), link.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw system_failure(error, link);
    }
}

} // namespace

void LinuxDesktop::register_day_change(const std::string& name, const std::string& target,
                                       const std::string& argument)
{
    // The manager would look a relative program up in its own search path.
    if (target.empty() || target.front() != '/')
        throw system_failure(EINVAL, target);
    const std::string folder = user_unit_folder();
    // Mode 0700, as the XDG rules ask of a configuration folder made on
    // writing.
    make_folders(folder, 0700);
    LinuxFiles files;
    files.replace_text(folder + "/" + day_change_service_name, day_change_service_unit(name, target, argument));
    files.replace_text(folder + "/" + day_change_timer_name, day_change_timer_unit(name));
    // A session without a user manager on its bus (no systemd, or a bus of
    // its own) keeps the files, enabled for the next manager to start.
    if (!enable_and_start_user_timer(day_change_timer_name))
        enable_without_manager(folder, day_change_timer_name);
}

} // namespace muralis::linux_platform
