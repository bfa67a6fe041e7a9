#include "Utilities.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <algorithm>
#include <climits>
#include <cstdio>

#include "Version.h"

QString SafeMid(const QString& text, int start, int count) {
    if (start < 0 || count == 0 || start >= text.size()) return QString();
    if (count < 0 || count > text.size() - start) return text.mid(start);
    return text.mid(start, count);
}

QString GetListToken(const QString& text, int n) {
    if (n < 0) return QString();
    QString rest = text;
    if (!rest.endsWith(QLatin1Char(';'))) rest += QLatin1Char(';');
    for (int entry = 0;; ++entry) {
        const int separator = rest.indexOf(QLatin1Char(';'));
        if (separator < 0) return QString();
        if (entry == n) return rest.left(separator);
        rest = SafeMid(rest, separator + 1, -1);
    }
}

int ParseCountOrMax(const QString& text) {
    if (text.isEmpty()) return INT_MAX;
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t') ||
                               text[i] == QLatin1Char('\n') || text[i] == QLatin1Char('\r') ||
                               text[i] == QLatin1Char('\v') || text[i] == QLatin1Char('\f')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9'); ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(std::max(-value, static_cast<long long>(INT_MIN)));
    return static_cast<int>(std::min(value, static_cast<long long>(INT_MAX)));
}

QString FormatVersion(unsigned major, unsigned minor, unsigned patch, unsigned servicePack) {
    QString text = QStringLiteral("%1.%2.%3").arg(major).arg(minor).arg(patch);
    if (servicePack != 0) text += QStringLiteral("  SP%1").arg(servicePack);
    return text;
}

bool GetFileVersionText(QString* /*value*/, QString* fileVersion, QString* productVersion,
                        const QString& fileName, const QString& /*language*/,
                        const QString& /*name*/) {
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString file = QFileInfo(fileName).canonicalFilePath();
    if (file.isEmpty() || file != self) return false;
    const ProgramVersion v = GetProgramVersion();
    const QString text = FormatVersion(v.major, v.minor, v.patch, v.servicePack);
    if (fileVersion) *fileVersion = text;
    if (productVersion) *productVersion = text;
    return true;
}

std::string BuildNumberFormat(const char* pattern, int decimals) {
    decimals = std::clamp(decimals, kMinDecimals, kMaxDecimals);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, pattern, decimals);
    return std::string("%") + buffer;
}
