#pragma once
// The string table seen from Qt: table lookups go through QCoreApplication::translate in the
// "StringTable" context, so an installed English catalogue replaces the German texts.

#include <QString>
#include <initializer_list>

// Installs the translating lookup into the string table.
void InstallQtStringLookup();

// The text of a string id as the user sees it now.
QString LoadQString(int id);

// The text with its "%s" filled by the values in order; a "%s" inside a value stays as it is,
// and placeholders beyond the values are left.
QString FillPlaceholders(QString text, std::initializer_list<QString> values);
