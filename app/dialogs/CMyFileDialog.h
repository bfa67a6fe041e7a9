#pragma once
// CMyFileDialog: the program's open and save file dialog. The filter comes in the
// "A|*.a|B|*.b||" form; the initial folder and the title may be set. The chooser behind it is
// the platform's file chooser seam.

#include <QString>

#include "FileChooser.h"

class QWidget;

class CMyFileDialog {
public:
    static constexpr unsigned kOverwritePrompt = 0x2;
    static constexpr unsigned kHideReadOnly = 0x4;

    CMyFileDialog(bool openDialog, const QString& defaultExtension, const QString& fileName,
                  unsigned flags, const QString& filter, QWidget* parent = nullptr);

    // Drops one trailing "/" from the caller's folder (not from "/" itself); the dialog then
    // starts in it. The
    // string must outlive the dialog. An empty folder leaves the initial folder unset.
    void SetInitialDir(QString& folder);
    // The dialog title is the caller's string, which must outlive the dialog.
    void SetTitle(QString& title);

    // QDialog::Accepted with a chosen path, else QDialog::Rejected.
    int DoModal();
    QString GetPathName() const { return m_path; }

    // The request the chooser receives.
    filechooser::Request BuildRequest() const;

private:
    bool m_open;
    QString m_defaultExtension;
    QString m_fileName;
    unsigned m_flags;
    QString m_filter;
    const QString* m_initialDir = nullptr;
    const QString* m_title = nullptr;
    QString m_path;
};
