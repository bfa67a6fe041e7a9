#include "FileChooser.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStringList>
#include <QTreeView>
#include <utility>

namespace filechooser {
namespace {

Chooser g_chooser;

QString Tr(const char* text) { return QCoreApplication::translate("FileChooser", text); }

// The file dialog of every request. As a folder chooser it answers with the folder it shows:
// an entry merely selected in the list (a sub-folder not opened, a file) is neither the answer
// nor a reason to refuse one; only a folder the user opens becomes the folder shown.
class ChooserDialog final : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    // No file name to type, no file type to choose; the two buttons stand side by side under
    // the list. The toolkit's own accept button greys out while a file is selected and answers
    // with the selection, so a button of our own with the same text takes its place.
    void ChooseShownFolder() {
        m_choosesShownFolder = true;
        for (const char* name : {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel"})
            if (QWidget* field = findChild<QWidget*>(QLatin1String(name))) field->hide();
        auto* buttons = findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        if (!buttons) return;
        buttons->setOrientation(Qt::Horizontal);
        QPushButton* open = buttons->button(QDialogButtonBox::Open);
        if (!open) return;
        QPushButton* choose = buttons->addButton(open->text(), QDialogButtonBox::AcceptRole);
        choose->setIcon(open->icon());
        choose->setObjectName(QStringLiteral("chooseButton"));
        choose->setDefault(true);
        open->hide();  // after the box laid out its buttons anew, which shows them all
    }

    // The answer: the chosen folder in folder mode, else the selected file.
    QString Chosen() const {
        if (m_choosesShownFolder) return m_shownFolder;
        const QStringList chosen = selectedFiles();
        return chosen.isEmpty() ? QString() : chosen.first();
    }

    void accept() override {
        if (!m_choosesShownFolder) {
            QFileDialog::accept();
            return;
        }
        m_shownFolder = directory().absolutePath();
        QDialog::accept();
    }

private:
    bool m_choosesShownFolder = false;
    QString m_shownFolder;
};

// Alt and a label's marked letter reach the field beside the label.
void LeadLabelsToTheirFields(QFileDialog& dialog) {
    const std::pair<const char*, const char*> buddies[] = {{"lookInLabel", "lookInCombo"},
                                                           {"fileNameLabel", "fileNameEdit"},
                                                           {"fileTypeLabel", "fileTypeCombo"}};
    for (const auto& [label, field] : buddies)
        if (auto* text = dialog.findChild<QLabel*>(QLatin1String(label)))
            text->setBuddy(dialog.findChild<QWidget*>(QLatin1String(field)));
}

bool RunQFileDialog(const Request& request, QString* path) {
    ChooserDialog dialog(QApplication::activeWindow(), request.title, request.directory);
    // The detail columns (size, type, date) show whole; the name takes the rest of the width.
    dialog.resize(dialog.sizeHint().expandedTo(QSize(820, 480)));
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        details->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
        details->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    switch (request.mode) {
        case Mode::Open:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::ExistingFile);
            break;
        case Mode::Save:
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setFileMode(QFileDialog::AnyFile);
            break;
        case Mode::Folder:
            dialog.setAcceptMode(QFileDialog::AcceptOpen);
            dialog.setFileMode(QFileDialog::Directory);
            break;
    }
    // The labels speak the interface language, not the toolkit's.
    dialog.setLabelText(QFileDialog::LookIn, Tr(QT_TRANSLATE_NOOP("FileChooser", "Suchen &in:")));
    dialog.setLabelText(QFileDialog::FileName, Tr(QT_TRANSLATE_NOOP("FileChooser", "Datei&name:")));
    dialog.setLabelText(QFileDialog::FileType, Tr(QT_TRANSLATE_NOOP("FileChooser", "Datei&typ:")));
    LeadLabelsToTheirFields(dialog);
    dialog.setLabelText(QFileDialog::Reject, Tr(QT_TRANSLATE_NOOP("FileChooser", "Abbrechen")));
    dialog.setLabelText(QFileDialog::Accept,
                        request.mode == Mode::Save
                            ? Tr(QT_TRANSLATE_NOOP("FileChooser", "&Speichern"))
                            : Tr(QT_TRANSLATE_NOOP("FileChooser", "Ö&ffnen")));
    if (!request.filter.isEmpty()) dialog.setNameFilter(request.filter);
    if (request.mode == Mode::Folder && !request.fileName.isEmpty())
        dialog.setNameFilter(request.fileName);
    else if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (!request.defaultSuffix.isEmpty()) dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.acceptLabel.isEmpty())
        dialog.setLabelText(QFileDialog::Accept, request.acceptLabel);
    if (request.title.isEmpty())
        dialog.setWindowTitle(request.mode == Mode::Save
                                  ? Tr(QT_TRANSLATE_NOOP("FileChooser", "Speichern unter"))
                                  : Tr(QT_TRANSLATE_NOOP("FileChooser", "Öffnen")));
    if (request.mode == Mode::Folder) dialog.ChooseShownFolder();
    if (dialog.exec() != QDialog::Accepted) return false;
    *path = dialog.Chosen();
    return true;
}

}  // namespace

bool Run(const Request& request, QString* path) {
    QString result;
    const bool ok = g_chooser ? g_chooser(request, &result) : RunQFileDialog(request, &result);
    if (ok && path) *path = result;
    return ok;
}

void SetChooser(Chooser chooser) { g_chooser = std::move(chooser); }

QString ToQtFilter(const QString& windowsFilter) {
    const QStringList parts = windowsFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // "Name (*.a) | *.a" carries blanks around the bars.
        const QString description = parts[i].trimmed();
        const QString pattern = parts[i + 1].trimmed();
        if (description.isEmpty() && pattern.isEmpty()) break;
        QString patterns = pattern;
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        if (description.contains(QLatin1Char('(')) && description.contains(pattern))
            filters << description;
        else
            filters << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace filechooser
