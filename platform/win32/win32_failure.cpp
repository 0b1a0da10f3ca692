#include "platform/win32/win32_failure.h"

#include <windows.h>

#include "platform/win32/ansi_text.h"

namespace muralis::win32 {

std::string system_message(unsigned long error)
{
    char buffer[1024];
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, buffer, sizeof buffer, nullptr);
    while (length > 0 && (buffer[length - 1] == '\r' || buffer[length - 1] == '\n' ||
                          buffer[length - 1] == ' ' || buffer[length - 1] == '\t'))
        --length;
    if (length == 0)
        return "Error " + std::to_string(error);
    return utf8_from_ansi(std::string_view(buffer, length));
}

Failure system_failure(unsigned long error, const std::string& path)
{
    return Failure(static_cast<int>(error), path + ": " + system_message(error));
}

Failure last_error_failure(const std::string& path)
{
    return system_failure(::GetLastError(), path);
}

} // namespace muralis::win32
