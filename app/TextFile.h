#pragma once
// Text files as the program writes them: Windows-1252 bytes, every "\n" as CR LF.

#include <QString>

// Replaces the whole file with the text (CSafeFileWriter): a failure leaves the old file as it
// was and puts the reason into *error when given.
bool WriteTextFile(const QString& path, const QString& text, QString* error = nullptr);

// Tells the user that the file could not be written (string 10025 with the path and the
// reason), with the error icon.
void ReportWriteFailure(const QString& path, const QString& reason);
