#pragma once

#include <stdexcept>
#include <string>

namespace muralis {

// A failed operation, carrying the number and the description the system
// gave for it. The only error type that the portable layers catch.
class Failure : public std::runtime_error {
public:
    Failure(int number, const std::string& description)
        : std::runtime_error(description), m_number(number) {}

    int number() const { return m_number; }
    std::string description() const { return what(); }

private:
    int m_number;
};

// Error numbers the portable layers raise themselves.
enum FailureNumber : int {
    BadRecordLength = 59,
    InputPastEndOfFile = 62,
    InvalidPropertyValue = 380,
    InvalidPropertyArrayIndex = 381,
};

} // namespace muralis
