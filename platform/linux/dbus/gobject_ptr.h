#pragma once

#include <memory>

#include "platform/linux/dbus/gio_library.h"

namespace muralis::linux_platform {

// Owners for the GLib references this layer takes; each frees with the
// call that matches how the reference was obtained. A reference was had
// from GIO, so GIO is loaded by the time one is freed.
template <auto GioLibrary::*Free>
struct GFreeWith {
    template <typename T>
    void operator()(T* pointer) const { (gio_library().*Free)(pointer); }
};

template <typename T>
using GObjectPtr = std::unique_ptr<T, GFreeWith<&GioLibrary::object_unref>>;
using GVariantPtr = std::unique_ptr<GVariant, GFreeWith<&GioLibrary::variant_unref>>;
using GErrorPtr = std::unique_ptr<GError, GFreeWith<&GioLibrary::error_free>>;
using GCharPtr = std::unique_ptr<gchar, GFreeWith<&GioLibrary::free>>;
using GSettingsSchemaPtr = std::unique_ptr<GSettingsSchema, GFreeWith<&GioLibrary::settings_schema_unref>>;
using GSettingsSchemaKeyPtr =
    std::unique_ptr<GSettingsSchemaKey, GFreeWith<&GioLibrary::settings_schema_key_unref>>;

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
            gio_library().error_free(m_error);
    }

private:
    GError* m_error = nullptr;
};

} // namespace muralis::linux_platform
