// The names a screen reader gives the window's controls, where their own
// text does not name them (a list, the picture). Set through the system's
// accessibility of the standard controls (IAccPropServices): each control
// stays the system's own, read by the system's own proxy, with only its
// name given, and the window's creation order is left as it is. Where the
// system has no such service, or refuses the call (Wine), the controls keep
// the names the system finds for them.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/com_apartment.h"
#include "platform/win32/com_object.h"

namespace muralis::win32 {

class AccessibleNames {
public:
    AccessibleNames() = default;
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;
    // The names given are taken back: the service keeps them for the
    // windows until then.
    ~AccessibleNames();

    // Names window (its client area, as a screen reader meets it) name, in
    // UTF-8; an empty name takes back the one given. True when the system
    // took it.
    bool name(HWND window, const std::string& name);

private:
    IAccPropServices* service();

    // COM and the service are made at the first name, off the window's
    // start.
    std::optional<ComApartment> m_apartment;
    ComPtr<IAccPropServices> m_service;
    std::vector<HWND> m_named;
};

} // namespace muralis::win32
