#pragma once
// Numbers in text files: formatted and parsed in the C locale ("." as the decimal point)
// whatever locale the user runs the program in.

#include <string>
#include <string_view>

class CNumberText {
public:
    // printf-style formatting in the C locale.
    static std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

    // Parse one whole token (leading '+' allowed); false when it is not a number.
    static bool ParseDouble(std::string_view text, double& value);
    static bool ParseInt(std::string_view text, int& value);
};
