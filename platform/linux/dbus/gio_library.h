// GIO (with GObject and GLib beneath it), loaded the first time the session
// bus or the user's web browser is needed: the editor asks for them only
// when a week is saved or the visit box clicked, and linked in, GIO and the
// libraries it brings would be loaded at each of its starts. Each function
// is typed as GIO's own header declares it.
#pragma once

#include <gio/gio.h>

namespace muralis::linux_platform {

struct GioLibrary {
    // Whether GIO loaded with every function below.
    bool complete = false;
    decltype(&::g_free) free = nullptr;
    decltype(&::g_error_free) error_free = nullptr;
    decltype(&::g_object_unref) object_unref = nullptr;
    decltype(&::g_variant_unref) variant_unref = nullptr;
    decltype(&::g_variant_new) variant_new = nullptr;
    decltype(&::g_variant_get) variant_get = nullptr;
    decltype(&::g_settings_schema_unref) settings_schema_unref = nullptr;
    decltype(&::g_settings_schema_key_unref) settings_schema_key_unref = nullptr;
    decltype(&::g_dbus_address_escape_value) dbus_address_escape_value = nullptr;
    decltype(&::g_dbus_connection_new_for_address_sync) dbus_connection_new_for_address_sync = nullptr;
    decltype(&::g_dbus_connection_call_sync) dbus_connection_call_sync = nullptr;
    decltype(&::g_dbus_error_strip_remote_error) dbus_error_strip_remote_error = nullptr;
    decltype(&::g_app_info_launch_default_for_uri) app_info_launch_default_for_uri = nullptr;
};

// Loads GIO the first time; thereafter the same table.
const GioLibrary& gio_library();

// A GVariant type from its type string, as G_VARIANT_TYPE gives it without
// its check (a call into GLib).
inline const GVariantType* variant_type(const char* type_string)
{
    return reinterpret_cast<const GVariantType*>(type_string);
}

} // namespace muralis::linux_platform
