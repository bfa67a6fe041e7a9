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
