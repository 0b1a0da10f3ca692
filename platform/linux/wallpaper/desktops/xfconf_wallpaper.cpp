#include "platform/linux/wallpaper/desktops/xfconf_wallpaper.h"

#include <string_view>
#include <vector>

#include "platform/linux/dbus/session_bus.h"

namespace muralis::linux_platform {

namespace {

constexpr const char* service = "org.xfce.Xfconf";
constexpr const char* object = "/org/xfce/Xfconf";
constexpr const char* interface = "org.xfce.Xfconf";
constexpr const char* channel = "xfce4-desktop";
constexpr int timeout_ms = 5000;

bool is_image_property(std::string_view property)
{
    constexpr std::string_view suffix = "/last-image";
    return property.size() > suffix.size() &&
           property.substr(property.size() - suffix.size()) == suffix;
}

} // namespace

bool XfconfWallpaper::install(const std::string& path)
{
    // A D-Bus string is UTF-8; a path in another encoding cannot be stored.
    if (!g_utf8_validate(path.data(), static_cast<gssize>(path.size()), nullptr))
        return false;
    const auto bus = connect_session_bus();
    if (!bus)
        return false;
    const GVariantPtr all =
        call_method(bus.get(), service, object, interface, "GetAllProperties",
                    g_variant_new("(ss)", channel, "/backdrop"), G_VARIANT_TYPE("(a{sv})"),
                    timeout_ms);
    if (!all)
        return false;

    std::vector<std::string> properties;
    GVariantIter* entries = nullptr;
    g_variant_get(all.get(), "(a{sv})", &entries);
    const gchar* property = nullptr;
    GVariant* value = nullptr;
    while (g_variant_iter_loop(entries, "{&sv}", &property, &value))
        if (is_image_property(property))
            properties.emplace_back(property);
    g_variant_iter_free(entries);

    bool stored = !properties.empty();
    for (const std::string& each : properties) {
        const GVariantPtr reply = call_method(
            bus.get(), service, object, interface, "SetProperty",
            g_variant_new("(ssv)", channel, each.c_str(), g_variant_new_string(path.c_str())),
            nullptr, timeout_ms);
        stored = reply != nullptr && stored;
    }
    return stored;
}

} // namespace muralis::linux_platform
