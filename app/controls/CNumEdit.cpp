#include "CNumEdit.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QMouseEvent>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// A double carries at most 1074 decimals after the point; more only pads zeros.
constexpr int kMaxDecimals = 1074;

// "%.*f" without the C locale's say on the decimal point.
QString FixedText(double value, int decimals) {
    decimals = std::min(decimals, kMaxDecimals);
    std::string buffer(330 + size_t(decimals), '\0');
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return QString();
    return QString::fromLatin1(buffer.data(), int(result.ptr - buffer.data()));
}

// The number at the start of the text, as "%lf" reads it: an optional sign, digits with a
// "." and an exponent; the rest of the text is ignored. Infinities, NaN and overflowing
// numbers are no usable numbers and give the undefined value too.
double ReadNumber(const std::string& text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') {
        ++begin;
        if (begin != end && *begin == '-') return UNDEFINED_VALUE;
    }
    double value = 0.0;
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return UNDEFINED_VALUE;
    return value;
}

}  // namespace

CNumEdit::CNumEdit(QWidget* parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("CNumEdit"));
    connect(this, &QLineEdit::textChanged, this, [this] { OnUpdate(); });
}

void CNumEdit::SetValue(double value) {
    m_value = value;
    Format();
}

void CNumEdit::SetDecimals(int n) {
    m_significantMode = false;
    m_decimals = n < 0 ? 0 : n;
}

void CNumEdit::SetSignificantDigits(int digits, int maxDecimals) {
    m_significantMode = true;
    m_significantDigits = digits;
    m_decimals = maxDecimals < 0 ? 0 : maxDecimals;
}

void CNumEdit::Parse() {
    if (!m_modified) return;
    QString number = text().trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    m_value = ReadNumber(number.toStdString());
}

void CNumEdit::Format() {
    if (IsUndefined(m_value)) {
        SetTextGuarded(QStringLiteral("---"));
    } else {
        int d = m_decimals;
        if (m_significantMode) {
            // Digits before the point count against the significant digits. Negative values
            // are rounded like their magnitude.
            const double magnitude = std::fabs(m_value);
            d = 0;
            if (magnitude > 0.0 && std::isfinite(magnitude)) {
                const int k =
                    m_significantDigits - static_cast<int>(std::trunc(std::log10(magnitude)));
                if (k > 0) d = std::min(k, m_decimals);
            }
        }
        SetTextGuarded(FixedText(m_value, d));
    }
    m_textRounded = true;
}

void CNumEdit::OnUpdate() {
    if (m_settingText) return;
    m_modified = true;
    Parse();
}

void CNumEdit::OnKillFocus() {
    Parse();
    Format();
    m_modified = false;
}

void CNumEdit::OnRButtonUp(Qt::KeyboardModifiers modifiers) {
    if (!(modifiers & Qt::ControlModifier) || IsUndefined(m_value)) return;
    if (m_textRounded) {
        // Not guarded: the field takes the ten-decimal text back as its value.
        setText(FixedText(m_value, 10));
        m_textRounded = false;
    } else {
        Format();
        Parse();
    }
}

void CNumEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    OnKillFocus();
}

void CNumEdit::mouseReleaseEvent(QMouseEvent* event) {
    QLineEdit::mouseReleaseEvent(event);
    if (event->button() == Qt::RightButton) OnRButtonUp(event->modifiers());
}

void CNumEdit::contextMenuEvent(QContextMenuEvent* event) {
    // Ctrl + right click toggles the precision instead of opening the edit menu.
    if (event->modifiers() & Qt::ControlModifier) {
        event->accept();
        return;
    }
    QLineEdit::contextMenuEvent(event);
}

void CNumEdit::SetTextGuarded(const QString& text) {
    m_settingText = true;
    setText(text);
    m_settingText = false;
}
