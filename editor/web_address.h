// Which texts of the visit box may be handed to the web browser. The box is
// one the user can type into, and the system's "open" of a text runs
// programs, opens files and shares, or passes options to the browser: only
// web addresses get through.
#pragma once

#include <optional>
#include <string>

namespace muralis::editor {

// The address to open for text, or nothing:
// - an absolute http or https address with a host name (any letter case in
//   the scheme), passed unchanged: "https://www.example.org/page?a=1";
// - a host name with at least one dot, an optional port and an optional
//   path, as an https address: "www.example.org/page" opens
//   "https://www.example.org/page".
// Nothing for anything else: another scheme (file:, smb:, javascript:),
// a program or file path, a UNC share, a text starting with "-", user
// names in the address, spaces, quotes, backslashes or control characters.
std::optional<std::string> web_address_to_open(const std::string& text);

} // namespace muralis::editor
