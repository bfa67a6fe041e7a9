#pragma once
// Opening a file with the desktop's associated program, and the texts of its result codes
// (the shell's numbering: above 32 is success, 2 a missing file).

#include <QString>

// Opens the file; 33 on success, 2 when it does not exist, 31 when nothing could open it.
int ShellOpen(const QString& path);

// The message for a result of 32 or less; notFoundText stands for result 2.
QString ShellResultText(int result, const QString& notFoundText);
