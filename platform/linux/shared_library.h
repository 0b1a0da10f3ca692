// A system library loaded at run time, for what a program needs only now
// and then (the decoders of the picture formats, GIO for the session bus and
// the web browser): linked in, each library would be loaded at every start.
#pragma once

#include <dlfcn.h>

namespace muralis::linux_platform {

// Kept loaded to the end of the program: the functions bound from it are
// held in static tables.
class SharedLibrary {
public:
    // Loads the library of soname (its major version named, as a program
    // linked against it would); loaded() says whether that worked.
    explicit SharedLibrary(const char* soname) : m_handle(::dlopen(soname, RTLD_NOW | RTLD_LOCAL)) {}

    bool loaded() const { return m_handle != nullptr; }

    // Points function at the symbol of that name, typed as the library's
    // own header declares it; false (function left null) when the library
    // has none.
    template <typename Function>
    bool bind(Function*& function, const char* symbol) const
    {
        function = m_handle ? reinterpret_cast<Function*>(::dlsym(m_handle, symbol)) : nullptr;
        return function != nullptr;
    }

private:
    void* m_handle;
};

} // namespace muralis::linux_platform
