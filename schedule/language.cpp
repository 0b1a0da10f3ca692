#include "schedule/language.h"

namespace muralis::Langage {

std::string text_before_nul(const std::string& text)
{
    const auto nul = text.find('\0');
    if (nul == std::string::npos)
        return {};
    return text.substr(0, nul);
}

std::string system_language_name(System& system)
{
    return text_before_nul(system.language_name_buffer());
}

bool is_french(System& system)
{
    return system_language_name(system) == "French";
}

} // namespace muralis::Langage
