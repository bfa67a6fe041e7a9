#pragma once
// Small text and version helpers shared by the dialogs.

#include <QString>
#include <string>

// Entry n (from 0) of a ";"-separated list; empty entries count; empty beyond the last entry
// or for a negative n.
QString GetListToken(const QString& text, int n);

// count characters of text from start; a negative count, or one past the end, means up to the
// end; empty for a negative start, a count of 0, or when nothing is left.
QString SafeMid(const QString& text, int start, int count);

// 2147483647 for the empty text, else the leading decimal integer (leading blanks and a sign
// allowed, 0 when the text starts with anything else). Values beyond the int range saturate.
int ParseCountOrMax(const QString& text);

// Version texts of a file: "%u.%u.%u", or "%u.%u.%u  SP%u" when the fourth part is not 0.
// Only the program's own executable carries a version; for any other file the outputs stay
// unchanged and the result is false. The value of a named string entry (language, name) is
// not kept here, so value is left unchanged.
bool GetFileVersionText(QString* value, QString* fileVersion, QString* productVersion,
                        const QString& fileName, const QString& language = QString(),
                        const QString& name = QString());

// The version text of the four version parts.
QString FormatVersion(unsigned major, unsigned minor, unsigned patch, unsigned servicePack);

// Number decimals the dialogs offer: 0 to 6.
inline constexpr int kMinDecimals = 0;
inline constexpr int kMaxDecimals = 6;

// A printf format from a pattern with one "%i" for the decimals, "%" put in front:
// ("1.%if", 3) -> "%1.3f". Decimals outside 0..6 are clamped, so the format is always valid.
std::string BuildNumberFormat(const char* pattern, int decimals);
