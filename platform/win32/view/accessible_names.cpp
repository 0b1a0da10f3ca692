#include "platform/win32/view/accessible_names.h"

#include <algorithm>

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

AccessibleNames::~AccessibleNames()
{
    if (!m_service.get())
        return;
    MSAAPROPID name_property = PROPID_ACC_NAME;
    for (HWND window : m_named)
        m_service->ClearHwndProps(window, OBJID_CLIENT, CHILDID_SELF, &name_property, 1);
}

// The service is made the first time a name is given, once.
IAccPropServices* AccessibleNames::service()
{
    if (!m_apartment) {
        m_apartment.emplace();
        if (m_apartment->usable())
            ::CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                               m_service.out());
    }
    return m_service.get();
}

bool AccessibleNames::name(HWND window, const std::string& name)
{
    IAccPropServices* names = service();
    if (!names || !window)
        return false;
    MSAAPROPID name_property = PROPID_ACC_NAME;
    const HRESULT result =
        name.empty() ? names->ClearHwndProps(window, OBJID_CLIENT, CHILDID_SELF, &name_property, 1)
                     : names->SetHwndPropStr(window, OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                                             wide_from_utf8(name).c_str());
    if (SUCCEEDED(result) && std::find(m_named.begin(), m_named.end(), window) == m_named.end())
        m_named.push_back(window);
    return SUCCEEDED(result);
}

} // namespace muralis::win32
