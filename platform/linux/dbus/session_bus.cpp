#include "platform/linux/dbus/session_bus.h"

#include <sys/stat.h>

#include <cstdlib>

namespace muralis::linux_platform {

namespace {

std::string session_bus_address()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return address;
    // The per-user bus of systemd and dbus-user-session lives at a fixed place.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime || *runtime != '/')
        return {};
    const std::string socket = std::string(runtime) + "/bus";
    struct stat info {};
    if (::stat(socket.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode))
        return {};
    const GCharPtr escaped(gio_library().dbus_address_escape_value(socket.c_str()));
    return std::string("unix:path=") + escaped.get();
}

} // namespace

GObjectPtr<GDBusConnection> connect_session_bus()
{
    const GioLibrary& gio = gio_library();
    if (!gio.complete)
        return nullptr;
    const std::string address = session_bus_address();
    if (address.empty())
        return nullptr;
    GErrorSlot error;
    GObjectPtr<GDBusConnection> bus(gio.dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, error.out()));
    return bus;
}

GVariantPtr call_method(GDBusConnection* bus, const char* service, const char* object,
                        const char* interface, const char* method, GVariant* parameters,
                        const GVariantType* reply_type, int timeout_ms)
{
    GErrorSlot error;
    return GVariantPtr(gio_library().dbus_connection_call_sync(bus, service, object, interface, method,
                                                   parameters, reply_type,
                                                   G_DBUS_CALL_FLAGS_NONE, timeout_ms, nullptr,
                                                   error.out()));
}

} // namespace muralis::linux_platform
