#pragma once
// Splitting file paths into their parts. The separator is "/"; there are no drive letters, so
// the drive part is always empty.

#include <QString>

// directory = everything up to and including the last "/" (empty without one); extension = the
// text after the last dot when that dot stands after the last "/" (else empty); title = the
// text between them.
void SplitFileName(const QString& path, QString* directory, QString* title, QString* extension);

// The run-time library's splitter: drive (always empty here), directory up to and including the
// last "/", title, and the extension from the last dot of the name on, the dot included.
void SplitPathParts(const QString& path, QString* drive, QString* directory, QString* title,
                    QString* extension);

// The file title without directory and extension; "" when the path has none.
QString GetPathTitle(const QString& path);

// Drive, directory and title; "" when the path has no title.
QString GetPathWithoutExtension(const QString& path);
