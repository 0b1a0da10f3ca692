#include "platform/linux/dbus/gio_library.h"

#include "platform/linux/shared_library.h"

namespace muralis::linux_platform {

const GioLibrary& gio_library()
{
    static const GioLibrary library = [] {
        // GObject's and GLib's functions are found through GIO, which links them.
        static const SharedLibrary gio("libgio-2.0.so.0");
        GioLibrary bound;
        bound.complete = gio.loaded() && gio.bind(bound.free, "g_free") &&
                         gio.bind(bound.error_free, "g_error_free") &&
                         gio.bind(bound.object_unref, "g_object_unref") &&
                         gio.bind(bound.variant_unref, "g_variant_unref") &&
                         gio.bind(bound.variant_new, "g_variant_new") &&
                         gio.bind(bound.variant_get, "g_variant_get") &&
                         gio.bind(bound.settings_schema_unref, "g_settings_schema_unref") &&
                         gio.bind(bound.settings_schema_key_unref, "g_settings_schema_key_unref") &&
                         gio.bind(bound.dbus_address_escape_value, "g_dbus_address_escape_value") &&
                         gio.bind(bound.dbus_connection_new_for_address_sync,
                                  "g_dbus_connection_new_for_address_sync") &&
                         gio.bind(bound.dbus_connection_call_sync, "g_dbus_connection_call_sync") &&
                         gio.bind(bound.dbus_error_strip_remote_error, "g_dbus_error_strip_remote_error") &&
                         gio.bind(bound.app_info_launch_default_for_uri, "g_app_info_launch_default_for_uri");
        return bound;
    }();
    return library;
}

} // namespace muralis::linux_platform
