#include "CWin1252.h"

#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0x9F; the five bytes Windows leaves unassigned map to the
// C1 controls of the same value, as the Windows conversion does.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t CodePoint(uint8_t byte) {
    return (byte >= 0x80 && byte < 0xA0) ? kHigh[byte - 0x80] : char32_t(byte);
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Decodes one UTF-8 sequence at pos; returns its length, 0 when it is malformed.
size_t DecodeUtf8(std::string_view s, size_t pos, char32_t& c) {
    const uint8_t b = uint8_t(s[pos]);
    size_t length;
    if (b < 0x80) {
        c = b;
        return 1;
    } else if (b >= 0xC2 && b < 0xE0) {
        length = 2;
        c = b & 0x1F;
    } else if (b >= 0xE0 && b < 0xF0) {
        length = 3;
        c = b & 0x0F;
    } else if (b >= 0xF0 && b < 0xF5) {
        length = 4;
        c = b & 0x07;
    } else {
        return 0;
    }
    if (pos + length > s.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const uint8_t t = uint8_t(s[pos + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
    if ((length == 3 && c < 0x800) || (length == 4 && (c < 0x10000 || c > 0x10FFFF)) ||
        (c >= 0xD800 && c < 0xE000)) {
        return 0;
    }
    return length;
}

bool IsMultiByteUtf8(std::string_view s) {
    bool multi = false;
    for (size_t pos = 0; pos < s.size();) {
        char32_t c;
        const size_t length = DecodeUtf8(s, pos, c);
        if (length == 0) return false;
        multi = multi || length > 1;
        pos += length;
    }
    return multi;
}

}  // namespace

std::string CWin1252::FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t c;
        size_t length = DecodeUtf8(utf8, pos, c);
        if (length == 0) {
            out += '?';
            ++pos;
            continue;
        }
        pos += length;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            out += char(c);
            continue;
        }
        char byte = '?';
        for (int k = 0; k < 32; ++k) {
            if (kHigh[k] == c) byte = char(0x80 + k);
        }
        out += byte;
    }
    return out;
}

std::string CWin1252::ToUtf8(std::string_view bytes) {
    if (IsMultiByteUtf8(bytes)) return std::string(bytes);
    return ToUtf8Strict(bytes);
}

std::string CWin1252::ToUtf8Strict(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) AppendUtf8(out, CodePoint(uint8_t(b)));
    return out;
}

bool CWin1252::TakenAsUtf8(std::string_view bytes) { return IsMultiByteUtf8(bytes); }

char32_t CWin1252::Character(unsigned char byte) { return CodePoint(byte); }
