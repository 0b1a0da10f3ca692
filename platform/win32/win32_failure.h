#pragma once

#include <string>

#include "platform/failure.h"

namespace muralis::win32 {

// The system's own description of a Win32 error code (FormatMessage), in
// UTF-8, without the line end the system appends; "Error <n>" when the
// system has no text for it.
std::string system_message(unsigned long error);

// A Failure for error after an operation on path (UTF-8):
// "<path>: <system message>".
Failure system_failure(unsigned long error, const std::string& path);

// The same for the calling thread's last error. Call it straight after the
// failed call, before anything else can change GetLastError().
Failure last_error_failure(const std::string& path);

} // namespace muralis::win32
