#pragma once
// The per-user settings store: values by section and name under organisation "Zerbant",
// application "Veltrano". Missing values give the caller's default. A write that fails is not
// reported and leaves the stored values as they were.

#include <QString>

class CProfile {
public:
    static int GetInt(const char* section, const char* name, int defaultValue);
    static void WriteInt(const char* section, const char* name, int value);
    static QString GetString(const char* section, const char* name,
                             const QString& defaultValue = QString());
    static void WriteString(const char* section, const char* name, const QString& value);
    // True when the value is stored.
    static bool Contains(const char* section, const char* name);

    // Redirects the store into an INI file (tests); an empty path restores the user's store.
    static void SetFile(const QString& path);
};
