// The start-up shortcut: an entry in the XDG autostart folder, which the
// desktops that follow the freedesktop rules start at every log-on.
#include <cerrno>
#include <string_view>

#include "platform/linux/linux_desktop.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/startup/desktop_entry.h"

namespace muralis::linux_platform {

namespace {

bool same_ignoring_ascii_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// The start-up group under its English and French names. Program groups
// are named without regard to case, as the Start menu's are.
bool is_startup_group(std::string_view group_name)
{
    return same_ignoring_ascii_case(group_name, "\\Startup") ||
           same_ignoring_ascii_case(group_name, "\\Démarrage");
}

} // namespace

void LinuxDesktop::create_shortcut(const std::string& group_name, const std::string& shortcut_name,
                                   const std::string& target, const std::string& arguments)
{
    // Only the start-up group has a counterpart here: application menus
    // list installed programs, not groups of the user's own shortcuts.
    if (!is_startup_group(group_name))
        throw Failure(ENOENT, group_name + ": no such program group on this system");
    // The name becomes a file name in the autostart folder.
    if (shortcut_name.empty() || shortcut_name.find('/') != std::string::npos ||
        shortcut_name.front() == '.')
        throw system_failure(EINVAL, shortcut_name);

    const std::string folder = autostart_folder();
    // Mode 0700, as the XDG rules ask of a configuration folder made on
    // writing.
    make_folders(folder, 0700);
    LinuxFiles().replace_text(folder + "/" + shortcut_name + ".desktop",
                              autostart_entry(shortcut_name, target, arguments));
}

} // namespace muralis::linux_platform
