#include "CFolderDialog.h"

#include <QDialog>

#include "FileChooser.h"
#include "QtStringLookup.h"

CFolderDialog::CFolderDialog(QString* result, const QString& title, const QString& pattern)
    : m_result(result),
      m_title(title.isEmpty() ? LoadQString(10093) : title),
      m_pattern(pattern.isEmpty() ? QStringLiteral("*..*") : pattern) {
    if (m_result && !m_result->isEmpty()) {
        if (m_result->endsWith(QLatin1Char('/'))) m_result->chop(1);
        if (m_result->size() < 2) m_result->clear();
        m_initialDir = *m_result;
    }
}

int CFolderDialog::DoModal() {
    filechooser::Request request;
    request.mode = filechooser::Mode::Folder;
    request.title = m_title;
    request.directory = m_initialDir;
    request.fileName = m_pattern;
    request.acceptLabel = LoadQString(10094);
    QString folder;
    if (!filechooser::Run(request, &folder)) return QDialog::Rejected;
    if (m_result) *m_result = folder;
    return QDialog::Accepted;
}
