#pragma once
// Text files as the program writes them: Windows-1252 bytes, every "\n" as CR LF.

#include <QString>

// Replaces the whole file with the text. The new file is written beside the old one and
// renamed over it only when complete, so a failure leaves the old file untouched.
bool WriteTextFile(const QString& path, const QString& text);
