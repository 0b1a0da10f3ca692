// Owners for the Win32 handles the layer opens. Each closes its handle with
// the one function that kind of handle needs; copying is disabled so that a
// handle is closed exactly once.
#pragma once

#include <windows.h>

#include <utility>

namespace muralis::win32 {

template <typename Traits>
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : m_handle(handle) {}
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept
        : m_handle(std::exchange(other.m_handle, Traits::invalid()))
    {
    }
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.m_handle, Traits::invalid()));
        return *this;
    }
    ~ScopedHandle() { reset(); }

    HANDLE get() const { return m_handle; }
    explicit operator bool() const { return m_handle != Traits::invalid(); }

    // Closes the handle now; returns the close call's result (TRUE when
    // there was nothing to close).
    BOOL close()
    {
        if (m_handle == Traits::invalid())
            return TRUE;
        return Traits::close(std::exchange(m_handle, Traits::invalid()));
    }

    void reset(HANDLE handle = Traits::invalid())
    {
        close();
        m_handle = handle;
    }

private:
    HANDLE m_handle = Traits::invalid();
};

// CreateFile reports failure with INVALID_HANDLE_VALUE.
struct FileHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static BOOL close(HANDLE handle) { return ::CloseHandle(handle); }
};

// Process and thread handles are NULL when absent.
struct KernelHandleTraits {
    static HANDLE invalid() { return nullptr; }
    static BOOL close(HANDLE handle) { return ::CloseHandle(handle); }
};

// A directory search is ended by FindClose, never by CloseHandle.
struct FindHandleTraits {
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static BOOL close(HANDLE handle) { return ::FindClose(handle); }
};

using FileHandle = ScopedHandle<FileHandleTraits>;
using KernelHandle = ScopedHandle<KernelHandleTraits>;
using FindHandle = ScopedHandle<FindHandleTraits>;

} // namespace muralis::win32
