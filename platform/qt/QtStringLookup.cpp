#include "QtStringLookup.h"

#include <QCoreApplication>

#include "StringTable.h"

namespace {

std::string Translate(const char* context, const char* german) {
    return QCoreApplication::translate(context, german).toStdString();
}

}  // namespace

void InstallQtStringLookup() { strings::SetTranslator(&Translate); }

QString LoadQString(int id) { return QString::fromStdString(strings::Load(id)); }

QString FillPlaceholders(QString text, std::initializer_list<QString> values) {
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype at = text.indexOf(QStringLiteral("%s"), from);
        if (at < 0) break;
        text.replace(at, 2, value);
        from = at + value.size();
    }
    return text;
}
