// The real look at the session behind choose_backend_kind().
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/linux/desktop/session.h"
#include "platform/linux/desktop/session_bus.h"

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

} // namespace

SessionDescription probe_session()
{
    SessionDescription session;
    session.current_desktop = environment("XDG_CURRENT_DESKTOP");
    session.desktop_session = environment("DESKTOP_SESSION");
    session.sway_socket = is_socket(environment("SWAYSOCK"));

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
    }
    return session;
}

} // namespace muralis::linux_platform
