// COM for the calling thread while a shell object is in use.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace muralis::win32 {

// Each successful CoInitializeEx (S_FALSE included: already initialised,
// counted again) is balanced by one CoUninitialize. A thread already in the
// multithreaded apartment refuses the change (RPC_E_CHANGED_MODE) but can
// use COM as it is, and must then not be uninitialised by us.
class ComApartment {
public:
    ComApartment() : m_result(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment()
    {
        if (SUCCEEDED(m_result))
            ::CoUninitialize();
    }

    // Whether COM can be used on this thread now.
    bool usable() const { return SUCCEEDED(m_result) || m_result == RPC_E_CHANGED_MODE; }
    HRESULT result() const { return m_result; }

private:
    HRESULT m_result;
};

} // namespace muralis::win32
