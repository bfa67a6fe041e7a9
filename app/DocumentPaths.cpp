#include "DocumentPaths.h"

void SplitFileName(const QString& path, QString* directory, QString* title, QString* extension) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype nameStart = slash + 1;
    const qsizetype nameEnd = dot > slash ? dot : path.size();
    if (directory) *directory = path.left(nameStart);
    if (title) *title = path.mid(nameStart, nameEnd - nameStart);
    if (extension) *extension = dot > slash ? path.mid(dot + 1) : QString();
}

void SplitPathParts(const QString& path, QString* drive, QString* directory, QString* title,
                    QString* extension) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const qsizetype nameStart = slash + 1;
    const qsizetype nameEnd = dot > slash ? dot : path.size();
    if (drive) drive->clear();
    if (directory) *directory = path.left(nameStart);
    if (title) *title = path.mid(nameStart, nameEnd - nameStart);
    if (extension) *extension = path.mid(nameEnd);
}

QString GetPathTitle(const QString& path) {
    QString title;
    SplitPathParts(path, nullptr, nullptr, &title, nullptr);
    return title;
}

QString GetPathWithoutExtension(const QString& path) {
    QString drive, directory, title;
    SplitPathParts(path, &drive, &directory, &title, nullptr);
    return title.isEmpty() ? QString() : drive + directory + title;
}
