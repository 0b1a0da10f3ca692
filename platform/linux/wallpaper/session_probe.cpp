// The real look at the session behind choose_backend_kind().
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include <algorithm>

#include "platform/linux/wallpaper/desktops/hyprpaper_wallpaper.h"
#include "platform/linux/wallpaper/desktops/pcmanfm_wallpaper.h"
#include "platform/linux/wallpaper/desktops/swaybg_wallpaper.h"
#include "platform/linux/dbus/session_bus.h"
#include "platform/linux/wallpaper/ipc/wayland_registry.h"
#include "platform/linux/wallpaper/session.h"
#include "platform/linux/wallpaper/x_desktop_window.h"

namespace muralis::linux_platform {

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool is_socket(const std::string& path)
{
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

bool schema_installed(GSettingsSchemaSource* source, const char* id)
{
    if (!source)
        return false;
    const GSettingsSchemaPtr schema(g_settings_schema_source_lookup(source, id, TRUE));
    return schema != nullptr;
}

// Whether the bus's answer to a List...Names call holds name.
bool listed(const GVariantPtr& reply, const char* name)
{
    if (!reply)
        return false;
    GVariantIter* names = nullptr;
    g_variant_get(reply.get(), "(as)", &names);
    bool found = false;
    const gchar* each = nullptr;
    while (!found && g_variant_iter_loop(names, "&s", &each))
        found = std::strcmp(each, name) == 0;
    g_variant_iter_free(names);
    return found;
}

bool true_property(GDBusConnection* bus, const char* service, const char* object,
                   const char* interface, const char* property)
{
    const GVariantPtr reply =
        call_method(bus, service, object, "org.freedesktop.DBus.Properties", "Get",
                    g_variant_new("(ss)", interface, property), G_VARIANT_TYPE("(v)"), 2000);
    if (!reply)
        return false;
    GVariant* value = nullptr;
    g_variant_get(reply.get(), "(v)", &value);
    const GVariantPtr owned(value);
    return g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
}

} // namespace

SessionDescription probe_session()
{
    SessionDescription session;
    session.current_desktop = environment("XDG_CURRENT_DESKTOP");
    session.desktop_session = environment("DESKTOP_SESSION");
    session.sway_socket = is_socket(environment("SWAYSOCK"));
    session.hyprpaper_socket = is_socket(hyprpaper_socket_path());

    if (const auto globals = wayland_global_interfaces()) {
        session.wayland = true;
        session.layer_shell =
            std::find(globals->begin(), globals->end(), "zwlr_layer_shell_v1") != globals->end();
        session.swaybg = !find_on_path("swaybg").empty();
    } else if (const auto window_class = find_x_desktop_window()) {
        // An X client of a Wayland session is not looked at: its root window
        // is shown nowhere, and asking may start Xwayland.
        session.desktop_window = true;
        session.desktop_window_class = *window_class;
        session.pcmanfm_socket = is_socket(pcmanfm_socket_path());
    }

    // The default source is owned by GLib and must not be unreferenced.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    session.gnome_schema = schema_installed(source, "org.gnome.desktop.background");
    session.cinnamon_schema = schema_installed(source, "org.cinnamon.desktop.background");
    session.mate_schema = schema_installed(source, "org.mate.background");

    if (const auto bus = connect_session_bus()) {
        const auto call = [&](const char* method) {
            return call_method(bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus",
                               "org.freedesktop.DBus", method, nullptr, G_VARIANT_TYPE("(as)"),
                               2000);
        };
        const GVariantPtr owned = call("ListNames");
        session.plasma_shell = listed(owned, "org.kde.plasmashell");
        // xfconfd is started by the bus on the first call.
        session.xfconf = listed(owned, "org.xfce.Xfconf") ||
                         listed(call("ListActivatableNames"), "org.xfce.Xfconf");
        // pcmanfm-qt also owns its name when it only runs file manager windows.
        session.pcmanfm_qt_desktop = listed(owned, "org.pcmanfm.PCManFM") &&
                                     true_property(bus.get(), "org.pcmanfm.PCManFM", "/Application",
                                                   "org.pcmanfm.Application", "desktopManagerEnabled");
    }
    return session;
}

} // namespace muralis::linux_platform
