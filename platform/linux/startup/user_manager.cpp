#include "platform/linux/startup/user_manager.h"

#include <cerrno>
#include <cstdlib>

#include "platform/failure.h"
#include "platform/linux/dbus/gobject_ptr.h"
#include "platform/linux/dbus/session_bus.h"

namespace muralis::linux_platform {

namespace {

constexpr const char* manager_service = "org.freedesktop.systemd1";
constexpr const char* manager_object = "/org/freedesktop/systemd1";
constexpr const char* manager_interface = "org.freedesktop.systemd1.Manager";
// A reload reads every unit file again, which a busy manager may take a
// while over; the other calls answer at once.
constexpr int reload_timeout_ms = 25000;
constexpr int call_timeout_ms = 5000;

// Whether the user's manager holds its name on bus, asked of the bus
// itself: calling the name would have the bus start whatever it may
// activate under it.
bool has_user_manager(GDBusConnection* bus)
{
    const GVariantPtr reply =
        call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                    "NameHasOwner", gio_library().variant_new("(s)", manager_service), variant_type("(b)"),
                    call_timeout_ms);
    gboolean owned = FALSE;
    if (reply)
        gio_library().variant_get(reply.get(), "(b)", &owned);
    return owned;
}

// Calls method of the manager, never starting one. Throws Failure with the
// manager's message when the call fails.
GVariantPtr call_manager(GDBusConnection* bus, const char* method, GVariant* parameters,
                         const GVariantType* reply_type, int timeout_ms)
{
    GErrorSlot error;
    GVariantPtr reply(gio_library().dbus_connection_call_sync(bus, manager_service, manager_object, manager_interface,
                                                  method, parameters, reply_type,
                                                  G_DBUS_CALL_FLAGS_NO_AUTO_START, timeout_ms, nullptr,
                                                  error.out()));
    if (!reply) {
        GError* failure = *error.out();
        gio_library().dbus_error_strip_remote_error(failure);
        throw Failure(EIO, std::string("systemd (") + method + "): " + failure->message);
    }
    return reply;
}

} // namespace

bool enable_and_start_user_timer(const std::string& timer)
{
    const GObjectPtr<GDBusConnection> bus = connect_session_bus();
    if (!bus || !has_user_manager(bus.get()))
        return false;
    call_manager(bus.get(), "Reload", nullptr, nullptr, reload_timeout_ms);
    // Not for this boot only (runtime false), and replacing a link of that
    // name that points elsewhere (force true).
    const char* const files[] = {timer.c_str(), nullptr};
    const GioLibrary& gio = gio_library();
    call_manager(bus.get(), "EnableUnitFiles", gio.variant_new("(^asbb)", files, FALSE, TRUE),
                 variant_type("(ba(sss))"), call_timeout_ms);
    call_manager(bus.get(), "StartUnit", gio.variant_new("(ss)", timer.c_str(), "replace"),
                 variant_type("(o)"), call_timeout_ms);
    return true;
}

std::vector<std::string> session_environment()
{
    std::vector<std::string> variables;
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "XDG_SESSION_TYPE", "DBUS_SESSION_BUS_ADDRESS"}) {
        if (const char* value = std::getenv(name); value && *value)
            variables.push_back(std::string(name) + "=" + value);
    }
    return variables;
}

void import_session_environment()
{
    const std::vector<std::string> variables = session_environment();
    if (variables.empty())
        return;
    const GObjectPtr<GDBusConnection> bus = connect_session_bus();
    if (!bus || !has_user_manager(bus.get()))
        return;
    std::vector<const char*> list;
    for (const std::string& variable : variables)
        list.push_back(variable.c_str());
    list.push_back(nullptr);
    try {
        call_manager(bus.get(), "SetEnvironment", gio_library().variant_new("(^as)", list.data()), nullptr,
                     call_timeout_ms);
    } catch (const Failure&) {
    }
}

} // namespace muralis::linux_platform
