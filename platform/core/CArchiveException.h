#pragma once
// The error an archive raises when its bytes run out or do not have the expected form.
// Loaders catch it and fail cleanly, leaving their object unchanged.

#include <stdexcept>
#include <string>

class CArchiveException : public std::runtime_error {
public:
    enum class Cause { EndOfFile, BadFormat, BadClass, TooLarge };

    CArchiveException(Cause cause, const std::string& what)
        : std::runtime_error(what), m_cause(cause) {}

    Cause GetCause() const { return m_cause; }

private:
    Cause m_cause;
};
