#include <QAbstractItemView>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "AppTestSupport.h"
#include "dialogs/CFolderDialog.h"
#include "dialogs/CMyFileDialog.h"

using FileDialogsTest = AppTest;

namespace {

// The button that accepts the dialog as the user sees it.
QAbstractButton* AcceptButton(QFileDialog& dialog) {
    auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    if (!buttons) return nullptr;
    for (QAbstractButton* button : buttons->buttons())
        if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole && button->isVisible())
            return button;
    return nullptr;
}

// Runs the real file dialog for the request: `look` sees it while it is shown, then it is
// cancelled, or accepted as it stands. The chosen path, empty when cancelled.
QString RunRealDialog(const filechooser::Request& request,
                      const std::function<void(QFileDialog&)>& look, bool accept = false) {
    filechooser::SetChooser({});
    bool seen = false;
    LookAtNextWindow<QFileDialog>([&](QFileDialog& dialog) {
        look(dialog);
        seen = true;
        QAbstractButton* open = AcceptButton(dialog);
        if (accept && open)
            open->click();
        else
            dialog.reject();
    });
    QString path;
    filechooser::Run(request, &path);
    EXPECT_TRUE(seen);
    return path;
}

bool Shows(QFileDialog& dialog, const char* name) {
    const QWidget* widget = dialog.findChild<QWidget*>(QLatin1String(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget && widget->isVisible();
}

}  // namespace

TEST(FileChooserFilter, WindowsFiltersBecomeQtFilters) {
    const struct {
        const char* windows;
        const char* qt;
    } cases[] = {
        {"A|*.a|B|*.b||", "A (*.a);;B (*.b)"},
        {"JPG (*.jpg)|*.jpg|All Files (*.*)|*.*||", "JPG (*.jpg);;All Files (*.*)"},
        {"Bilder|*.jpg;*.png||", "Bilder (*.jpg *.png)"},
        {"Verzeichnungs-Parameter (*.verz) | *.verz|All Files (*.*)|*.*||",
         "Verzeichnungs-Parameter (*.verz);;All Files (*.*)"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(filechooser::ToQtFilter(QString::fromUtf8(c.windows)), QString::fromUtf8(c.qt))
            << c.windows;
}

TEST_F(FileDialogsTest, FileDialogPassesItsSettingsToTheChooser) {
    CMyFileDialog save(false, QStringLiteral("jpg"), QStringLiteral("bild"),
                       CMyFileDialog::kHideReadOnly | CMyFileDialog::kOverwritePrompt,
                       QStringLiteral("JPG (*.jpg)|*.jpg||"));
    QString folder = QStringLiteral("/data/bilder/");
    QString title = QStringLiteral("Speichern");
    save.SetInitialDir(folder);
    save.SetTitle(title);
    EXPECT_EQ(folder, QStringLiteral("/data/bilder"));
    ChooseFile(QStringLiteral("/data/bilder/x.jpg"));
    EXPECT_EQ(save.DoModal(), QDialog::Accepted);
    EXPECT_EQ(save.GetPathName(), QStringLiteral("/data/bilder/x.jpg"));
    ASSERT_EQ(m_requests.size(), 1u);
    const filechooser::Request& r = m_requests[0];
    EXPECT_EQ(r.mode, filechooser::Mode::Save);
    EXPECT_EQ(r.directory, QStringLiteral("/data/bilder"));
    EXPECT_EQ(r.title, QStringLiteral("Speichern"));
    EXPECT_EQ(r.fileName, QStringLiteral("bild"));
    EXPECT_EQ(r.defaultSuffix, QStringLiteral("jpg"));
    EXPECT_EQ(r.filter, QStringLiteral("JPG (*.jpg)"));
    EXPECT_TRUE(r.overwritePrompt);

    CMyFileDialog open(true, QString(), QString(), 0, QString());
    QString empty;
    open.SetInitialDir(empty);
    EXPECT_EQ(open.DoModal(), QDialog::Rejected);
    EXPECT_TRUE(open.GetPathName().isEmpty());
    EXPECT_EQ(m_requests.back().mode, filechooser::Mode::Open);
    EXPECT_TRUE(m_requests.back().directory.isEmpty());
    EXPECT_FALSE(m_requests.back().overwritePrompt);
}

TEST_F(FileDialogsTest, FolderDialogTrimsTheInitialFolderAndReturnsTheChoice) {
    QString folder = QStringLiteral("/data/eich/");
    {
        CFolderDialog dialog(&folder, QString(), QString());
        EXPECT_EQ(folder, QStringLiteral("/data/eich"));  // also when the user cancels
        EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
        EXPECT_EQ(folder, QStringLiteral("/data/eich"));
    }
    const filechooser::Request& r = m_requests.back();
    EXPECT_EQ(r.mode, filechooser::Mode::Folder);
    EXPECT_EQ(r.directory, QStringLiteral("/data/eich"));
    EXPECT_EQ(r.title, QStringLiteral("Verzeichnisauswahl"));
    EXPECT_EQ(r.acceptLabel, QStringLiteral("Auswählen"));
    EXPECT_EQ(r.fileName, QStringLiteral("*..*"));

    ChooseFile(QStringLiteral("/data/eich/kamera1"));
    CFolderDialog chosen(&folder, QStringLiteral("Titel"), QStringLiteral("*.verz"));
    EXPECT_EQ(chosen.DoModal(), QDialog::Accepted);
    EXPECT_EQ(folder, QStringLiteral("/data/eich/kamera1"));
    EXPECT_EQ(m_requests.back().title, QStringLiteral("Titel"));
    EXPECT_EQ(m_requests.back().fileName, QStringLiteral("*.verz"));

    QString root = QStringLiteral("/");
    CFolderDialog shortFolder(&root, QString(), QString());
    EXPECT_TRUE(root.isEmpty());
}

TEST_F(FileDialogsTest, RealDialogsAreTitledAndTheFolderChooserAsksForNoFileName) {
    const struct {
        filechooser::Mode mode;
        const char* title;
        const char* shown;
        bool fileFields;  // file-name edit, file-type combo and their labels
    } cases[] = {
        {filechooser::Mode::Open, "", "Öffnen", true},
        {filechooser::Mode::Save, "", "Speichern unter", true},
        {filechooser::Mode::Open, "Eich-Datei", "Eich-Datei", true},
        {filechooser::Mode::Folder, "Verzeichnisauswahl", "Verzeichnisauswahl", false},
    };
    for (const auto& c : cases) {
        filechooser::Request request;
        request.mode = c.mode;
        request.title = QString::fromUtf8(c.title);
        request.directory = m_dir.path();
        RunRealDialog(request, [&](QFileDialog& dialog) {
            EXPECT_EQ(dialog.windowTitle().toStdString(), c.shown);
            for (const char* field :
                 {"fileNameEdit", "fileNameLabel", "fileTypeCombo", "fileTypeLabel"})
                EXPECT_EQ(Shows(dialog, field), c.fileFields) << c.shown << " " << field;
        });
    }

    // Without a file name to type, the folder chooser returns the folder it shows.
    const QString folder = m_dir.filePath(QStringLiteral("kamera"));
    ASSERT_TRUE(QDir().mkpath(folder));
    filechooser::Request request;
    request.mode = filechooser::Mode::Folder;
    request.directory = folder;
    request.fileName = QStringLiteral("*.verz");
    EXPECT_EQ(RunRealDialog(
                  request, [](QFileDialog&) {}, true),
              folder);
}

TEST_F(FileDialogsTest, RealDialogLabelsTakeAltAndTheirLetterToTheirFields) {
    filechooser::Request request;
    request.directory = m_dir.path();
    RunRealDialog(request, [](QFileDialog& dialog) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        const struct {
            const char* label;
            const char* field;
            Qt::Key key;
        } labels[] = {
            {"lookInLabel", "lookInCombo", Qt::Key_I},
            {"fileNameLabel", "fileNameEdit", Qt::Key_N},
            {"fileTypeLabel", "fileTypeCombo", Qt::Key_T},
        };
        for (const auto& l : labels) {
            auto* field = dialog.findChild<QWidget*>(QLatin1String(l.field));
            ASSERT_NE(field, nullptr) << l.field;
            EXPECT_EQ(dialog.findChild<QLabel*>(QLatin1String(l.label))->buddy(), field);
            QTest::keyClick(&dialog, l.key, Qt::AltModifier);
            EXPECT_TRUE(field->hasFocus() || field->isAncestorOf(dialog.focusWidget())) << l.field;
        }
    });
}

TEST_F(FileDialogsTest, FolderChooserReturnsTheFolderItShowsWhateverIsSelectedInIt) {
    const QString shown = m_dir.filePath(QStringLiteral("eich"));
    ASSERT_TRUE(QDir().mkpath(shown + QStringLiteral("/kamera")));
    QFile file(shown + QStringLiteral("/a.verz"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    filechooser::SetChooser({});

    // Only opening a folder (double click, Enter) makes it the folder shown.
    enum class Act { Select, DoubleClick, Enter };
    const char* const acts[] = {"selected", "double-clicked", "entered with Enter"};
    const struct {
        const char* entry;
        Act act;
        const char* chosen;  // below the folder shown at the start
    } cases[] = {
        {"kamera", Act::Select, ""},
        {"a.verz", Act::Select, ""},
        {"kamera", Act::DoubleClick, "/kamera"},
        {"kamera", Act::Enter, "/kamera"},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.entry) + " " + acts[int(c.act)];
        LookAtNextWindow<QFileDialog>([&](QFileDialog& dialog) {
            QAbstractItemView* list = nullptr;
            for (const char* name : {"listView", "treeView"})
                if (auto* view = dialog.findChild<QAbstractItemView*>(QLatin1String(name));
                    view && view->isVisible())
                    list = view;
            QModelIndex entry;
            const auto find = [&] {
                const QAbstractItemModel* model = list->model();
                for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
                    const QModelIndex index = model->index(row, 0, list->rootIndex());
                    if (index.data().toString() == QLatin1String(c.entry)) entry = index;
                }
                return entry.isValid();
            };
            // The folder's entries are read in the background.
            if (!list || !QTest::qWaitFor(find)) {
                ADD_FAILURE() << what << ": entry not listed";
                dialog.reject();
                return;
            }
            list->scrollTo(entry);
            const QPoint at = list->visualRect(entry).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            if (c.act == Act::DoubleClick)
                QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
            if (c.act == Act::Enter) QTest::keyClick(list, Qt::Key_Return);
            QAbstractButton* choose = AcceptButton(dialog);
            if (!choose) {
                ADD_FAILURE() << what << ": no choose button";
                dialog.reject();
                return;
            }
            EXPECT_EQ(choose->text(), QStringLiteral("Auswählen")) << what;
            EXPECT_TRUE(choose->isEnabled()) << what;
            choose->click();
            if (dialog.isVisible()) dialog.reject();
        });
        QString folder = shown;
        CFolderDialog chooser(&folder, QString(), QStringLiteral("*.verz"));
        EXPECT_EQ(chooser.DoModal(), QDialog::Accepted) << what;
        EXPECT_EQ(folder.toStdString(), (shown + QLatin1String(c.chosen)).toStdString()) << what;
    }
}
