#pragma once
// Windows-1252, the single-byte code page of the program's files. Text in memory is UTF-8;
// files carry ASCII and, for other characters, their Windows-1252 byte ("ö" is 0xF6).

#include <string>
#include <string_view>

class CWin1252 {
public:
    // UTF-8 to Windows-1252; characters the code page lacks (and broken UTF-8) become '?'.
    static std::string FromUtf8(std::string_view utf8);
    // Windows-1252 text to UTF-8. Bytes that already form valid UTF-8 with at least one
    // multi-byte sequence are taken as UTF-8, so text-file readers accept both encodings.
    static std::string ToUtf8(std::string_view bytes);
    // Every byte as its Windows-1252 character, for files whose layout says Windows-1252;
    // FromUtf8 gives every byte back, the five unassigned ones included.
    static std::string ToUtf8Strict(std::string_view bytes);
    // ToUtf8's test: true when the bytes are taken as UTF-8.
    static bool TakenAsUtf8(std::string_view bytes);
    // The character of one Windows-1252 byte.
    static char32_t Character(unsigned char byte);
};
