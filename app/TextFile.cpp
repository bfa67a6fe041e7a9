#include "TextFile.h"

#include <QSaveFile>
#include <string>

#include "CWin1252.h"

bool WriteTextFile(const QString& path, const QString& text) {
    const std::string bytes = CWin1252::FromUtf8(text.toStdString());
    std::string crlf;
    crlf.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    if (file.write(crlf.data(), qint64(crlf.size())) != qint64(crlf.size())) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
