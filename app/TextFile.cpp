#include "TextFile.h"

#include <QFile>
#include <string>

#include "CSafeFileWriter.h"
#include "CWin1252.h"
#include "QtStringLookup.h"
#include "UserInterface.h"

bool WriteTextFile(const QString& path, const QString& text, QString* error) {
    const std::string bytes = CWin1252::FromUtf8(text.toStdString());
    std::string crlf;
    crlf.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    std::string reason;
    if (CSafeFileWriter::WriteFile(QFile::encodeName(path).toStdString(), crlf, &reason))
        return true;
    if (error) *error = QString::fromStdString(reason);
    return false;
}

void ReportWriteFailure(const QString& path, const QString& reason) {
    ui::Message(FillPlaceholders(LoadQString(10025), {path, reason}).toStdString(), ui::Buttons::Ok,
                ui::Icon::Error);
}
