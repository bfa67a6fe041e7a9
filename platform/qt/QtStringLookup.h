#pragma once
// The string table seen from Qt: table lookups go through QCoreApplication::translate in the
// "StringTable" context, so an installed English catalogue replaces the German texts.

#include <QString>

// Installs the translating lookup into the string table.
void InstallQtStringLookup();

// The text of a string id as the user sees it now.
QString LoadQString(int id);
