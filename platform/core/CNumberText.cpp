#include "CNumberText.h"

#include <locale.h>

#include <charconv>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <vector>

namespace {

locale_t CLocale() {
    static locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return c;
}

// Switches this thread to the C locale for its lifetime.
class CLocaleScope {
public:
    CLocaleScope() : m_previous(uselocale(CLocale())) {}
    ~CLocaleScope() { uselocale(m_previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_previous;
};

std::string_view StripPlus(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return {};
    }
    return text;
}

}  // namespace

std::string CNumberText::Format(const char* format, ...) {
    CLocaleScope scope;
    char small[128];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (length < 0) {
        va_end(again);
        return out;
    }
    if (size_t(length) < sizeof small) {
        out.assign(small, size_t(length));
    } else {
        std::vector<char> big(size_t(length) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        out.assign(big.data(), size_t(length));
    }
    va_end(again);
    return out;
}

bool CNumberText::ParseDouble(std::string_view text, double& value) {
    text = StripPlus(text);
    double v;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
    value = v;
    return true;
}

bool CNumberText::ParseInt(std::string_view text, int& value) {
    text = StripPlus(text);
    int v;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return false;
    value = v;
    return true;
}
