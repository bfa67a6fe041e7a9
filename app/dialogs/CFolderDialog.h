#pragma once
// CFolderDialog: a folder chooser. The caller's string gives the initial folder and receives
// the chosen one; files matching the pattern are shown beside the folders.

#include <QString>

class CFolderDialog {
public:
    // A non-empty result loses one trailing "/" at once (also when the user later cancels),
    // and becomes empty when shorter than 2 characters. An empty title gives string 10093.
    CFolderDialog(QString* result, const QString& title, const QString& pattern);

    // QDialog::Accepted with the chosen folder in the result string, else QDialog::Rejected.
    int DoModal();

    const QString& Title() const { return m_title; }

private:
    QString* m_result;
    QString m_title;
    QString m_pattern;
    QString m_initialDir;
};
