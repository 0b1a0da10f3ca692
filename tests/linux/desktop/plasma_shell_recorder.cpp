// Stands in for Plasma's shell on a test's session bus: owns
// org.kde.plasmashell, answers org.kde.PlasmaShell.evaluateScript on
// /PlasmaShell, and appends each script it is sent to the file named by its
// first argument, followed by a NUL. With "--fail" it answers every script
// with the D-Bus error a failing script gets. Prints "ready" once it owns
// the name.
#include <gio/gio.h>

#include <cstdio>
#include <cstring>
#include <fstream>

namespace {

const char* record_path = nullptr;
bool fail = false;

constexpr const char* introspection =
    "<node><interface name='org.kde.PlasmaShell'>"
    "<method name='evaluateScript'><arg type='s' direction='in'/>"
    "<arg type='s' direction='out'/></method>"
    "</interface></node>";

void on_call(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar* method,
             GVariant* parameters, GDBusMethodInvocation* invocation, gpointer)
{
    if (std::strcmp(method, "evaluateScript") != 0) {
        g_dbus_method_invocation_return_dbus_error(invocation, "org.freedesktop.DBus.Error.UnknownMethod", method);
        return;
    }
    const gchar* script = nullptr;
    g_variant_get(parameters, "(&s)", &script);
    std::ofstream(record_path, std::ios::binary | std::ios::app) << script << '\0';
    if (fail)
        g_dbus_method_invocation_return_dbus_error(invocation, "org.kde.plasmashell.error",
                                                   "ReferenceError: recorded failure");
    else
        g_dbus_method_invocation_return_value(invocation, g_variant_new("(s)", ""));
}

void on_name(GDBusConnection*, const gchar*, gpointer)
{
    std::puts("ready");
    std::fflush(stdout);
}

void on_name_lost(GDBusConnection*, const gchar*, gpointer loop)
{
    g_main_loop_quit(static_cast<GMainLoop*>(loop));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    record_path = argv[1];
    fail = argc > 2 && std::strcmp(argv[2], "--fail") == 0;

    GError* error = nullptr;
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    if (!bus)
        return 1;
    GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(introspection, nullptr);
    static const GDBusInterfaceVTable vtable{on_call, nullptr, nullptr, {}};
    g_dbus_connection_register_object(bus, "/PlasmaShell", node->interfaces[0], &vtable, nullptr,
                                      nullptr, nullptr);
    GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
    g_bus_own_name_on_connection(bus, "org.kde.plasmashell", G_BUS_NAME_OWNER_FLAGS_NONE,
                                 on_name, on_name_lost, loop, nullptr);
    g_main_loop_run(loop);
    return 0;
}
