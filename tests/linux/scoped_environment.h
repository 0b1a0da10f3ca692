#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

namespace muralis::testing {

// Sets or clears environment variables for one scope and puts every one of
// them back as it was when the scope ends.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

    ScopedEnvironment& set(const std::string& name, const std::string& value)
    {
        save(name);
        ::setenv(name.c_str(), value.c_str(), 1);
        return *this;
    }

    ScopedEnvironment& unset(const std::string& name)
    {
        save(name);
        ::unsetenv(name.c_str());
        return *this;
    }

private:
    void save(const std::string& name)
    {
        if (m_saved.count(name))
            return;
        const char* value = std::getenv(name.c_str());
        m_saved[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }

    std::map<std::string, std::optional<std::string>> m_saved;
};

} // namespace muralis::testing
