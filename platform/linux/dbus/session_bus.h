#pragma once

#include <string>

#include "platform/linux/dbus/gobject_ptr.h"

namespace muralis::linux_platform {

// A private connection to the user's session bus, or null when the session
// has none (or GIO does not load; it is loaded here the first time). The bus is only looked for where the session announces it
// (DBUS_SESSION_BUS_ADDRESS, else $XDG_RUNTIME_DIR/bus): GDBus's own lookup
// would otherwise start a new bus through X11 autolaunch, which a program
// that runs once at log-on must not leave behind.
GObjectPtr<GDBusConnection> connect_session_bus();

// Calls a method and waits at most timeout_ms for its reply; null (the error
// dropped) when the call fails.
GVariantPtr call_method(GDBusConnection* bus, const char* service, const char* object,
                        const char* interface, const char* method, GVariant* parameters,
                        const GVariantType* reply_type, int timeout_ms);

} // namespace muralis::linux_platform
