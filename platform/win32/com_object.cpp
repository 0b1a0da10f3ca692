#include "platform/win32/com_object.h"

#include <cstdio>

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

// Wrapped Win32 errors are looked up by their own code too, since not every
// system's message table holds the wrapped form.
std::string hresult_message(HRESULT result)
{
    char buffer[1024];
    const auto lookup = [&](DWORD code) {
        DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, buffer, sizeof buffer, nullptr);
        while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                              buffer[length - 1] == ' ' || buffer[length - 1] == '\t'))
            --length;
        return utf8_from_ansi(std::string_view(buffer, length));
    };
    std::string text = lookup(static_cast<DWORD>(result));
    if (text.empty() && HRESULT_FACILITY(result) == FACILITY_WIN32)
        text = lookup(HRESULT_CODE(result));
    if (text.empty()) {
        std::snprintf(buffer, sizeof buffer, "Error 0x%08lX", static_cast<unsigned long>(result));
        text = buffer;
    }
    return text;
}

Failure hresult_failure(HRESULT result, const std::string& path)
{
    const int number = HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                                   : static_cast<int>(result);
    return Failure(number, path + ": " + hresult_message(result));
}

} // namespace muralis::win32
