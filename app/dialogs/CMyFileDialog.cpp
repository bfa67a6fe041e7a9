#include "CMyFileDialog.h"

#include <QDialog>

CMyFileDialog::CMyFileDialog(bool openDialog, const QString& defaultExtension,
                             const QString& fileName, unsigned flags, const QString& filter,
                             QWidget* /*parent*/)
    : m_open(openDialog),
      m_defaultExtension(defaultExtension),
      m_fileName(fileName),
      m_flags(flags),
      m_filter(filter) {}

void CMyFileDialog::SetInitialDir(QString& folder) {
    // The root folder "/" keeps its one character.
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    m_initialDir = &folder;
}

void CMyFileDialog::SetTitle(QString& title) { m_title = &title; }

filechooser::Request CMyFileDialog::BuildRequest() const {
    filechooser::Request request;
    request.mode = m_open ? filechooser::Mode::Open : filechooser::Mode::Save;
    if (m_title) request.title = *m_title;
    if (m_initialDir) request.directory = *m_initialDir;
    request.fileName = m_fileName;
    request.filter = filechooser::ToQtFilter(m_filter);
    request.defaultSuffix = m_defaultExtension;
    request.overwritePrompt = (m_flags & kOverwritePrompt) != 0;
    return request;
}

int CMyFileDialog::DoModal() {
    QString path;
    if (!filechooser::Run(BuildRequest(), &path)) return QDialog::Rejected;
    m_path = path;
    return QDialog::Accepted;
}
