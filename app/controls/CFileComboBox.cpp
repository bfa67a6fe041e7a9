#include "CFileComboBox.h"

#include <QDialog>
#include <QDir>
#include <QLineEdit>

#include "CPostedEvents.h"
#include "CommandIds.h"
#include "QtStringLookup.h"
#include "dialogs/CMyFileDialog.h"

namespace {

constexpr int kBrowseData = -1;

// Folder and name joined by one "/"; a name alone when there is no folder.
QString Join(const QString& folder, const QString& name) {
    if (folder.isEmpty()) return name;
    if (folder.endsWith(QLatin1Char('/'))) return folder + name;
    return folder + QLatin1Char('/') + name;
}

}  // namespace

CFileComboBox::CFileComboBox(QWidget* parent)
    : QComboBox(parent),
      m_filter(QStringLiteral("All Files (*.*)|*.*||")),
      m_extension(QStringLiteral("*")) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    // A completer would select entries behind the user's back while typing.
    setCompleter(nullptr);
    connect(this, &QComboBox::activated, this, [this](int) { OnSelChange(); });
}

int CFileComboBox::AddString(const QString& text, int data) {
    int at = 0;
    while (at < count() && QString::compare(itemText(at), text, Qt::CaseInsensitive) <= 0) ++at;
    insertItem(at, text, data);
    return at;
}

void CFileComboBox::ClearSelection() {
    setCurrentIndex(-1);
    if (lineEdit()) lineEdit()->clear();
}

int CFileComboBox::FindStringExact(const QString& text) const {
    for (int i = 0; i < count(); ++i)
        if (itemText(i) == text) return i;
    return -1;
}

int CFileComboBox::GetCurSel() const {
    const int index = currentIndex();
    if (index < 0) return -1;
    // Text typed over the entry means the entry is no longer what the user chose.
    if (isEditable() && itemText(index) != currentText()) return -1;
    return index;
}

void CFileComboBox::Fill(QString folder, const QString& extension, QString fileToSelect) {
    if (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    if (fileToSelect.isEmpty()) fileToSelect = GetPath(false, false);
    m_extension = extension;
    m_folder = folder;

    // Drop the entries of the previous folder; foreign files stay, renumbered.
    std::vector<int> newIndex(m_paths.size(), -1);
    QStringList paths;
    std::vector<int> foreign;
    for (int i = 0; i < int(m_paths.size()); ++i) {
        if (!m_foreign[i]) continue;
        newIndex[i] = int(paths.size());
        paths.append(m_paths[i]);
        foreign.push_back(1);
    }
    for (int i = count() - 1; i >= 0; --i) {
        const int data = itemData(i).toInt();
        if (data == kBrowseData) continue;
        if (data < 0 || data >= int(newIndex.size()) || newIndex[data] < 0)
            removeItem(i);
        else
            setItemData(i, newIndex[data]);
    }
    m_paths = paths;
    m_foreign = foreign;

    // Without a folder there is nothing to list (not the root of the file system).
    if (!m_folder.isEmpty()) {
        QStringList names;
        ListFiles(m_folder, QStringLiteral("*.") + m_extension, names);
        for (const QString& name : names) {
            m_paths.append(name);
            m_foreign.push_back(0);
            AddString(name, int(m_paths.size()) - 1);
        }
    }
    const QString browse = LoadQString(10079);
    if (FindStringExact(browse) < 0) AddString(browse, kBrowseData);
    SelectPath(fileToSelect);
}

QString CFileComboBox::GetPath(bool withFolder, bool ignoreSelection) {
    int index = ignoreSelection ? -1 : GetCurSel();
    if (index < 0) {
        const QString text = currentText();
        if (text.isEmpty()) return QString();
        index = FindStringExact(text);
        if (index < 0) {
            if (!withFolder) return text;
            QString folderPart, name;
            SplitPathFolderName(text, folderPart, name);
            return folderPart.isEmpty() ? Join(m_folder, text) : text;
        }
        setCurrentIndex(index);
    }
    const int data = itemData(index).toInt();
    if (data < 0 || data >= int(m_paths.size())) return QString();
    const QString& path = m_paths[data];
    if (!m_foreign[data] && withFolder) return Join(m_folder, path);
    return path;
}

int CFileComboBox::SelectPath(const QString& path) {
    if (path.isEmpty()) {
        ClearSelection();
        return 0;
    }
    QString folderPart, name;
    SplitPathFolderName(path, folderPart, name);
    if (name.isEmpty()) {
        ClearSelection();
        return 0;
    }
    // A bare name is a file of the folder.
    const bool foreign = !folderPart.isEmpty() && folderPart != m_folder &&
                         folderPart != m_folder + QLatin1Char('/');
    int index;
    if (foreign) {
        // A foreign file already listed is selected, not listed twice.
        index = FindStringExact(path);
        if (index < 0) {
            m_paths.append(path);
            m_foreign.push_back(1);
            index = AddString(path, int(m_paths.size()) - 1);
        }
    } else {
        index = FindStringExact(name);
        if (index < 0) {
            m_paths.append(name);
            m_foreign.push_back(0);
            index = AddString(name, int(m_paths.size()) - 1);
        }
    }
    setCurrentIndex(index);
    return 1;
}

void CFileComboBox::OnSelChange() {
    const int index = currentIndex();
    if (index < 0) return;
    if (itemData(index).toInt() == kBrowseData) {
        CMyFileDialog dialog(true, m_extension, QString(), CMyFileDialog::kHideReadOnly, m_filter);
        QString folder = m_folder;
        if (!folder.isEmpty()) dialog.SetInitialDir(folder);
        QString title = LoadQString(10080);
        dialog.SetTitle(title);
        if (dialog.DoModal() == QDialog::Accepted)
            SelectPath(dialog.GetPathName());
        else
            ClearSelection();
    }
    if (parentWidget()) PostMessageTo(window(), msg::WM_APP_FILE_SELECTED, objectName().toInt(), 0);
}

int ListFiles(const QString& folder, const QString& namePattern, QStringList& names) {
    const QDir dir(folder);
    names.append(dir.entryList({namePattern},
                               QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot | QDir::CaseSensitive,
                               QDir::NoSort));
    return int(names.size());
}

void SplitPathComponents(const QString& path, QString& drive, QString& directory, QString& name,
                         QString& extension) {
    drive.clear();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    directory = path.left(slash + 1);
    const QString file = path.mid(slash + 1);
    const qsizetype dot = file.lastIndexOf(QLatin1Char('.'));
    name = dot < 0 ? file : file.left(dot);
    extension = dot < 0 ? QString() : file.mid(dot);
}

void SplitPathFolderName(const QString& path, QString& folder, QString& name) {
    QString drive, directory, baseName, extension;
    SplitPathComponents(path, drive, directory, baseName, extension);
    folder = drive + directory;
    name = baseName + extension;
}
