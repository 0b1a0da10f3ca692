#include "platform/linux/wallpaper/desktops/gsettings_wallpaper.h"

// The backend API only serves to recognise the in-memory fallback below.
#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gsettingsbackend.h>

#include <cstring>

#include "platform/linux/dbus/gobject_ptr.h"

namespace muralis::linux_platform {

namespace {

enum class ValueForm { FileUri, PlainPath };

struct Keys {
    const char* schema;
    const char* name;
    ValueForm form;
    // The first key must exist; the others are written where the installed
    // schema has them (picture-uri-dark arrived with GNOME 42).
    const char* keys[2];
};

const Keys& keys_of(GSettingsWallpaper::Desktop desktop)
{
    static const Keys gnome{"org.gnome.desktop.background", "gnome-gsettings", ValueForm::FileUri,
                            {"picture-uri", "picture-uri-dark"}};
    static const Keys cinnamon{"org.cinnamon.desktop.background", "cinnamon-gsettings",
                               ValueForm::FileUri, {"picture-uri", nullptr}};
    static const Keys mate{"org.mate.background", "mate-gsettings", ValueForm::PlainPath,
                           {"picture-filename", nullptr}};
    switch (desktop) {
    case GSettingsWallpaper::Desktop::Gnome: return gnome;
    case GSettingsWallpaper::Desktop::Cinnamon: return cinnamon;
    case GSettingsWallpaper::Desktop::Mate: return mate;
    }
    return gnome;
}

bool holds_string(GSettingsSchema* schema, const char* key)
{
    if (!g_settings_schema_has_key(schema, key))
        return false;
    const GSettingsSchemaKeyPtr schema_key(g_settings_schema_get_key(schema, key));
    return g_variant_type_equal(g_settings_schema_key_get_value_type(schema_key.get()),
                                G_VARIANT_TYPE_STRING);
}

// GIO falls back to a backend that keeps values in memory when dconf is not
// installed (or when GSETTINGS_BACKEND asks for it): a write there "succeeds"
// and is gone when the program ends.
bool settings_are_stored()
{
    const GObjectPtr<GSettingsBackend> backend(g_settings_backend_get_default());
    if (!backend)
        return false;
    const char* type = G_OBJECT_TYPE_NAME(backend.get());
    return std::strcmp(type, "GMemorySettingsBackend") != 0 &&
           std::strcmp(type, "GNullSettingsBackend") != 0;
}

} // namespace

const char* GSettingsWallpaper::name() const
{
    return keys_of(m_desktop).name;
}

bool GSettingsWallpaper::install(const std::string& path)
{
    const Keys& keys = keys_of(m_desktop);
    // g_settings_new() aborts the program on a schema that is not installed;
    // looking it up first turns that into a plain failure.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    const GSettingsSchemaPtr schema(g_settings_schema_source_lookup(source, keys.schema, TRUE));
    if (!schema || !holds_string(schema.get(), keys.keys[0]) || !settings_are_stored())
        return false;

    std::string value = path;
    if (keys.form == ValueForm::FileUri) {
        const GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
        if (!uri)
            return false;
        value = uri.get();
    } else if (!g_utf8_validate(path.data(), static_cast<gssize>(path.size()), nullptr)) {
        // A GSettings string is UTF-8.
        return false;
    }

    const GObjectPtr<GSettings> settings(g_settings_new_full(schema.get(), nullptr, nullptr));
    bool stored = true;
    for (const char* key : keys.keys)
        if (key && holds_string(schema.get(), key))
            stored = g_settings_set_string(settings.get(), key, value.c_str()) && stored;
    // dconf sends the writes from its own thread; without this a program that
    // ends at once can lose them.
    g_settings_sync();
    return stored;
}

} // namespace muralis::linux_platform
