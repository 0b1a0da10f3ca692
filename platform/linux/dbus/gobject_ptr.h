#pragma once

#include <gio/gio.h>

#include <memory>

namespace muralis::linux_platform {

// Owners for the GLib references this layer takes; each frees with the
// call that matches how the reference was obtained.
template <auto Free>
struct GFreeWith {
    template <typename T>
    void operator()(T* pointer) const { Free(pointer); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GFreeWith<g_object_unref>>;
using GVariantPtr = std::unique_ptr<GVariant, GFreeWith<g_variant_unref>>;
using GErrorPtr = std::unique_ptr<GError, GFreeWith<g_error_free>>;
using GCharPtr = std::unique_ptr<gchar, GFreeWith<g_free>>;
using GSettingsSchemaPtr = std::unique_ptr<GSettingsSchema, GFreeWith<g_settings_schema_unref>>;
using GSettingsSchemaKeyPtr =
    std::unique_ptr<GSettingsSchemaKey, GFreeWith<g_settings_schema_key_unref>>;

// Receives a GError through its out-parameter: pass out() where GLib asks for
// GError**, then test the object like a pointer.
class GErrorSlot {
public:
    GError** out() { return &m_error; }
    explicit operator bool() const { return m_error != nullptr; }
    GErrorSlot() = default;
    GErrorSlot(const GErrorSlot&) = delete;
    GErrorSlot& operator=(const GErrorSlot&) = delete;
    ~GErrorSlot()
    {
        if (m_error)
            g_error_free(m_error);
    }

private:
    GError* m_error = nullptr;
};

} // namespace muralis::linux_platform
