#pragma once
// CFileComboBox: a combo box over the files of one folder with one extension, and a last entry
// "(Anderes File ...)" that opens a file chooser for a file anywhere else. Files of the folder
// are listed by name, files chosen elsewhere ("foreign" files) by their full path; foreign files
// stay in the list when the folder changes. The entries are kept in alphabetical order (case
// ignored), as a sorted combo box keeps them.
//
// After every selection by the user the control posts WM_APP_FILE_SELECTED (wParam = its id,
// the number in its objectName; lParam 0) to the dialog it sits in.
//
// Paths use "/"; names are compared exactly (case matters).

#include <QComboBox>
#include <QString>
#include <QStringList>
#include <vector>

class CFileComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit CFileComboBox(QWidget* parent = nullptr);

    // The filter of the file chooser, in the "A|*.a|B|*.b||" form.
    void SetFilter(const QString& filter) { m_filter = filter; }
    const QString& Filter() const { return m_filter; }
    const QString& Folder() const { return m_folder; }
    const QString& Extension() const { return m_extension; }

    // Rebuilds the list for a folder and an extension (without dot) and selects a file (a full
    // path or a name of the folder; empty: the entry chosen now).
    void Fill(QString folder, const QString& extension, QString fileToSelect);
    // The chosen file: with withFolder a file of the folder gets the folder in front; with
    // ignoreSelection the edit text is taken instead of the selected entry. The browse entry
    // and an empty text give an empty string.
    QString GetPath(bool withFolder, bool ignoreSelection);
    // Selects the entry of a path, adding one when the list does not hold it; 1 when an entry
    // is selected, 0 when the selection was cleared (empty path or no file name).
    int SelectPath(const QString& path);

    // The user chose an entry.
    void OnSelChange();

    // The selected entry, or -1 when there is none or the edit text differs from it.
    int GetCurSel() const;
    // Index of the entry with exactly this text, or -1.
    int FindStringExact(const QString& text) const;
    // Number of file entries (the browse entry not counted).
    int FileCount() const { return int(m_paths.size()); }

private:
    // Inserts an entry at its sorted place; its index.
    int AddString(const QString& text, int data);
    void ClearSelection();

    QString m_filter;
    QStringList m_paths;
    std::vector<int> m_foreign;
    QString m_folder;
    QString m_extension;
};

// Appends the names in a folder that match a name pattern ("*.verz"; directories that match
// included); the number of names in the list afterwards.
int ListFiles(const QString& folder, const QString& namePattern, QStringList& names);
// "/a/b/c.verz" -> folder "/a/b/" (with its trailing "/"), name "c.verz".
void SplitPathFolderName(const QString& path, QString& folder, QString& name);
// Directory with trailing "/", name without extension, extension with its dot. There are no
// drives here; drive is always empty.
void SplitPathComponents(const QString& path, QString& drive, QString& directory, QString& name,
                         QString& extension);
