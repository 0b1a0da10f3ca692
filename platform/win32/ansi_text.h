// Conversions between the programs' UTF-8 texts and the ANSI code page that
// the "A" entry points of Windows take and give (CP_ACP: 1252 on Western
// European systems). Every call into the system goes through these two, so
// the choice of code page lives here only.
#pragma once

#include <string>
#include <string_view>

namespace muralis::win32 {

// The UTF-8 form of text in the ANSI code page. Every byte has a meaning in
// the single-byte code pages; invalid sequences of a multi-byte code page
// become U+FFFD. NUL characters are kept. Throws Failure when the text is
// beyond the 2 GiB that the conversion calls accept.
std::string utf8_from_ansi(std::string_view ansi);

// The ANSI form of a UTF-8 text. A character that the code page lacks
// becomes the code page's default character ('?'), as the system's own
// conversions do; invalid UTF-8 becomes that too. NUL characters are kept.
// Throws Failure when the text is beyond 2 GiB.
std::string ansi_from_utf8(std::string_view utf8);

// The UTF-16 form of a UTF-8 text, for the few calls that have no ANSI
// entry point (accessibility, the log-off screen's reason).
std::wstring wide_from_utf8(std::string_view utf8);

} // namespace muralis::win32
