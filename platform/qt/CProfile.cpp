#include "CProfile.h"

#include <QSettings>
#include <memory>

namespace {

QString g_file;

std::unique_ptr<QSettings> Open() {
    if (!g_file.isEmpty()) return std::make_unique<QSettings>(g_file, QSettings::IniFormat);
    return std::make_unique<QSettings>(QStringLiteral("Zerbant"), QStringLiteral("Veltrano"));
}

QString Key(const char* section, const char* name) {
    return QString::fromUtf8(section) + QLatin1Char('/') + QString::fromUtf8(name);
}

}  // namespace

int CProfile::GetInt(const char* section, const char* name, int defaultValue) {
    bool ok = false;
    const int value = Open()->value(Key(section, name)).toInt(&ok);
    return ok ? value : defaultValue;
}

void CProfile::WriteInt(const char* section, const char* name, int value) {
    Open()->setValue(Key(section, name), value);
}

QString CProfile::GetString(const char* section, const char* name, const QString& defaultValue) {
    const QVariant value = Open()->value(Key(section, name));
    return value.isValid() ? value.toString() : defaultValue;
}

void CProfile::WriteString(const char* section, const char* name, const QString& value) {
    Open()->setValue(Key(section, name), value);
}

bool CProfile::Contains(const char* section, const char* name) {
    return Open()->contains(Key(section, name));
}

void CProfile::SetFile(const QString& path) { g_file = path; }
