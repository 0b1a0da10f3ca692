// COM objects in the Windows layer: one owner for each reference, and the
// Failure that a failed call becomes.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <utility>

#include "platform/failure.h"

namespace muralis::win32 {

// One reference to a COM object, released exactly once.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr()
    {
        if (m_pointer)
            m_pointer->Release();
    }

    Interface* operator->() const { return m_pointer; }
    Interface* get() const { return m_pointer; }

    // Where a creating or querying call stores the new reference.
    void** out()
    {
        if (m_pointer)
            std::exchange(m_pointer, nullptr)->Release();
        return reinterpret_cast<void**>(&m_pointer);
    }
    // The same, typed, for calls that create an object of this interface.
    Interface** put() { return reinterpret_cast<Interface**>(out()); }

private:
    Interface* m_pointer = nullptr;
};

// The system's text for an HRESULT, in UTF-8.
std::string hresult_message(HRESULT result);

// A failed COM or shell call about path: numbered by the Win32 error it
// wraps when it wraps one, as the layer's other failures are.
Failure hresult_failure(HRESULT result, const std::string& path);

// Throws hresult_failure(result, path) when result is a failure.
inline void check(HRESULT result, const std::string& path)
{
    if (FAILED(result))
        throw hresult_failure(result, path);
}

} // namespace muralis::win32
