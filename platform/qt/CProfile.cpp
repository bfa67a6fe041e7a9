#include "CProfile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QSettings>
#include <QTemporaryFile>
#include <cstdio>
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

// The file the store keeps its values in.
QString StoreFile() {
    const QString file = g_file.isEmpty() ? Open()->fileName() : g_file;
    const QString canonical = QFileInfo(file).canonicalFilePath();
    return canonical.isEmpty() ? QFileInfo(file).absoluteFilePath() : canonical;
}

QMap<QString, QVariant> ReadAll(const QString& file) {
    QSettings settings(file, QSettings::IniFormat);
    QMap<QString, QVariant> values;
    for (const QString& key : settings.allKeys()) values.insert(key, settings.value(key));
    return values;
}

// A path of the store's folder that no file has yet; the file is made so that the name stays
// taken, and removed with the object.
bool MakeTemporary(QTemporaryFile& file, const QString& store) {
    file.setFileTemplate(store + QStringLiteral(".XXXXXX"));
    if (!file.open()) return false;
    file.close();
    return true;
}

// The replacing file takes the old file's permissions, and its modification time is set past
// the old file's: QSettings rereads a file only when its size or its time (in milliseconds)
// differs from what it read last.
void TakeOverFrom(const QString& store, const QString& file) {
    struct stat old, now;
    const QByteArray name = QFile::encodeName(file);
    if (stat(QFile::encodeName(store).constData(), &old) != 0 || stat(name.constData(), &now) != 0)
        return;
    chmod(name.constData(), old.st_mode & 07777);
    const auto ms = [](const timespec& t) { return t.tv_sec * 1000LL + t.tv_nsec / 1000000; };
    if (ms(now.st_mtim) > ms(old.st_mtim)) return;
    const long long later = ms(old.st_mtim) + 1;
    const timespec times[2] = {{0, UTIME_OMIT}, {later / 1000, (later % 1000) * 1000000}};
    utimensat(AT_FDCWD, name.constData(), times, 0);
}

// Stores one value. The file is replaced only by a complete one: QSettings writes the whole
// store into a new file beside it, which is read back under a name QSettings has not seen
// (so not from its cache) and compared before it is renamed over the old file. QSettings
// writes through QSaveFile, which can report success for a file that a full disk cut short;
// writing in place would then lose every setting. A failure keeps the old file and is not
// reported.
void Store(const QString& key, const QString& value) {
    const QString store = StoreFile();
    QMap<QString, QVariant> values = ReadAll(store);
    if (values.contains(key) && values.value(key) == QVariant(value)) return;
    values.insert(key, value);

    QDir().mkpath(QFileInfo(store).absolutePath());
    QTemporaryFile written, checked;
    if (!MakeTemporary(written, store) || !MakeTemporary(checked, store)) return;
    {
        QSettings out(written.fileName(), QSettings::IniFormat);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            out.setValue(it.key(), it.value());
        out.sync();
        if (out.status() != QSettings::NoError) return;
    }
    const QByteArray writtenName = QFile::encodeName(written.fileName());
    const QByteArray checkedName = QFile::encodeName(checked.fileName());
    if (std::rename(writtenName.constData(), checkedName.constData()) != 0) return;
    if (ReadAll(checked.fileName()) != values) return;
    TakeOverFrom(store, checked.fileName());
    if (std::rename(checkedName.constData(), QFile::encodeName(store).constData()) == 0)
        checked.setAutoRemove(false);
}

}  // namespace

int CProfile::GetInt(const char* section, const char* name, int defaultValue) {
    bool ok = false;
    const int value = Open()->value(Key(section, name)).toInt(&ok);
    return ok ? value : defaultValue;
}

void CProfile::WriteInt(const char* section, const char* name, int value) {
    Store(Key(section, name), QString::number(value));
}

QString CProfile::GetString(const char* section, const char* name, const QString& defaultValue) {
    const QVariant value = Open()->value(Key(section, name));
    return value.isValid() ? value.toString() : defaultValue;
}

void CProfile::WriteString(const char* section, const char* name, const QString& value) {
    Store(Key(section, name), value);
}

bool CProfile::Contains(const char* section, const char* name) {
    return Open()->contains(Key(section, name));
}

void CProfile::SetFile(const QString& path) { g_file = path; }
