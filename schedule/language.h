// The module both programs use to choose between French and English.
#pragma once

#include <string>

#include "platform/platform.h"

namespace muralis::Langage {

// The characters before the first NUL of text; the empty text when text
// holds no NUL at all.
std::string text_before_nul(const std::string& text);

// The English name of the user's language ("French", "English", ...), or
// the empty text.
std::string system_language_name(System& system);

// The language test made at every place that shows text.
bool is_french(System& system);

} // namespace muralis::Langage
