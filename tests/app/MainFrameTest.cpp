#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <memory>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CQtUserInterface.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "QtStringLookup.h"
#include "RasterTypes.h"
#include "Utilities.h"
#include "Version.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CMyFileDialog.h"
#include "dialogs/CSpracheDlg.h"

namespace {

class MainFrameTest : public AppTest {
protected:
    CMainFrame* Frame() { return App()->MainFrame(); }

    QStringList MenuTitles() {
        QStringList titles;
        for (QAction* action : Frame()->menuBar()->actions()) titles << action->text();
        return titles;
    }

    QString Text(int id) { return Frame()->Action(id)->text(); }

    int Windows() { return Frame()->MdiArea()->subWindowList().size(); }

    // Writes an 8 x 6 PNG picture under the name and opens it with the open command.
    QString OpenPicture(const char* name) {
        const QString path = m_dir.filePath(QLatin1String(name));
        QImage picture(8, 6, QImage::Format_RGB32);
        picture.fill(Qt::red);
        EXPECT_TRUE(picture.save(path, "PNG"));
        ChooseFile(path);
        App()->RouteCommand(cmd::ID_FILE_OPEN);
        ProcessEvents();
        return path;
    }

    void PostStep(int step) {
        PostMessageTo(Frame(), msg::WM_APP_WORKFLOW_STEP, step, 0);
        ProcessEvents();
    }
};

const QStringList kGerman128 = {"&Datei", "&Ansicht", "&?"};
const QStringList kGerman129 = {"&Datei", "&Ansicht", "&Fenster", "&?"};
const QStringList kEnglish129 = {"&File", "&View", "&Window", "&?"};

}  // namespace

TEST_F(MainFrameTest, StartsWithMenu128ToolBarStatusBarAndNoDocument) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(GetActiveDocument(), nullptr);
    EXPECT_EQ(MenuTitles(), kGerman128);
    EXPECT_EQ(Frame()->AssistantStep(), 0);
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Bereit"));
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Tesselo"));
    QToolBar* bar = Frame()->findChild<QToolBar*>(QStringLiteral("toolBar128"));
    ASSERT_NE(bar, nullptr);
    int buttons = 0;
    for (QAction* action : bar->actions()) {
        if (action->isSeparator()) continue;
        ++buttons;
        EXPECT_FALSE(action->icon().isNull()) << action->objectName().toStdString();
        EXPECT_FALSE(action->toolTip().isEmpty()) << action->objectName().toStdString();
    }
    EXPECT_EQ(buttons, 19);
    // Commands nobody handles yet are disabled; the frame's and the app's are not.
    EXPECT_TRUE(Frame()->Action(cmd::ID_FILE_OPEN)->isEnabled());
    EXPECT_TRUE(Frame()->Action(cmd::ID_APP_ABOUT)->isEnabled());
    EXPECT_FALSE(Frame()->Action(cmd::ID_RECTIFY)->isEnabled());
    EXPECT_FALSE(App()->RouteCommand(cmd::ID_FILE_SAVE_AS));
}

TEST_F(MainFrameTest, DocumentMenuWhileDocumentsAreOpen) {
    ASSERT_TRUE(Start());
    CTesseloDoc* first = App()->OnFileNew();
    EXPECT_EQ(MenuTitles(), kGerman129);
    CTesseloDoc* second = App()->OnFileNew();
    EXPECT_EQ(GetActiveDocument(), second);
    first->OnCloseDocument();
    ProcessEvents();
    EXPECT_EQ(MenuTitles(), kGerman129);
    EXPECT_EQ(GetActiveDocument(), second);
    second->OnCloseDocument();
    ProcessEvents();
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(GetActiveDocument(), nullptr);
    EXPECT_EQ(MenuTitles(), kGerman128);
}

TEST_F(MainFrameTest, ActiveDocumentFollowsActivationAndHoldsDuringModalDialogs) {
    ASSERT_TRUE(Start());
    CTesseloDoc* first = App()->OnFileNew();
    CTesseloDoc* second = App()->OnFileNew();
    Frame()->MdiArea()->setActiveSubWindow(Frame()->MdiArea()->subWindowList().first());
    EXPECT_EQ(GetActiveDocument(), first);

    // A document made while a modal dialog runs is current at once.
    CTesseloDoc* made = nullptr;
    CTesseloDoc* seen = nullptr;
    m_dialogScripts.push_back([&](QDialog&) {
        made = App()->OnFileNew();
        seen = GetActiveDocument();
        return int(QDialog::Accepted);
    });
    App()->RouteCommand(cmd::ID_APP_ABOUT);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(seen, made);
    EXPECT_NE(made, second);
}

TEST_F(MainFrameTest, WorkflowStepsGoToTheActiveDocument) {
    ASSERT_TRUE(Start());
    PostStep(-1);
    EXPECT_EQ(Frame()->AssistantStep(), 0);
    PostStep(5);
    EXPECT_EQ(Frame()->AssistantStep(), 0);  // no document: step 0

    CTesseloDoc* doc = App()->OnFileNew();
    ProcessEvents();
    PostStep(5);
    EXPECT_EQ(doc->m_workflowStep, 5);
    PostStep(-1);
    EXPECT_EQ(Frame()->AssistantStep(), 5);
}

TEST_F(MainFrameTest, LanguageCommandsSwitchTextsAndAreRemembered) {
    ASSERT_TRUE(Start());
    App()->OnFileNew();
    CCmdUI german = App()->UpdateCommand(cmd::ID_LANGUAGE_GERMAN);
    EXPECT_TRUE(german.IsChecked());
    EXPECT_FALSE(german.IsEnabled());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_LANGUAGE_ENGLISH).IsChecked());

    EXPECT_TRUE(App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH));
    ProcessEvents();
    EXPECT_EQ(Frame()->Language(), 1);
    EXPECT_EQ(ReadSetting(settings::kLanguage), 1);
    EXPECT_EQ(MenuTitles(), kEnglish129);
    EXPECT_EQ(Text(cmd::ID_FILE_OPEN), QStringLiteral("&Open Image...\tCtrl+O"));
    EXPECT_EQ(Frame()->Action(cmd::ID_RECTIFY)->toolTip(), QStringLiteral("Rectify image"));
    EXPECT_EQ(Frame()->Action(cmd::ID_RECTIFY)->statusTip(), QStringLiteral("Rectify image"));
    EXPECT_EQ(Frame()->statusBar()->currentMessage(), QStringLiteral("Ready"));
    EXPECT_EQ(LoadQString(10128), QStringLiteral("Valid JPG quality: 1-100"));
    CCmdUI english = App()->UpdateCommand(cmd::ID_LANGUAGE_ENGLISH);
    EXPECT_TRUE(english.IsChecked());
    EXPECT_FALSE(english.IsEnabled());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_LANGUAGE_GERMAN).IsEnabled());

    EXPECT_TRUE(App()->RouteCommand(cmd::ID_LANGUAGE_GERMAN));
    ProcessEvents();
    EXPECT_EQ(MenuTitles(), kGerman129);
    EXPECT_EQ(Text(cmd::ID_FILE_OPEN), QStringLiteral("Bild Ö&ffnen...\tStrg+O"));
    EXPECT_EQ(LoadQString(57345), QStringLiteral("Bereit"));
    EXPECT_EQ(ReadSetting(settings::kLanguage), 0);
}

TEST_F(MainFrameTest, FirstStartAsksForTheLanguageBeforeTheMainWindow) {
    bool frameShownBefore = true;
    m_dialogScripts.push_back([&](QDialog& dialog) {
        frameShownBefore = App()->MainFrame() && App()->MainFrame()->isVisible();
        static_cast<CSpracheDlg&>(dialog).OnEnglish();
        return dialog.result();
    });
    ASSERT_TRUE(App()->InitInstance(QStringList()));
    ProcessEvents();
    ASSERT_EQ(m_dialogsRun.size(), 1u);
    EXPECT_EQ(m_dialogsRun[0], QStringLiteral("172"));
    EXPECT_FALSE(frameShownBefore);
    EXPECT_EQ(ReadSetting(settings::kLanguage), 1);
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&View", "&?"}));

    // A later start remembers the choice and asks nothing.
    App()->ExitInstance();
    ASSERT_TRUE(App()->InitInstance(QStringList()));
    ProcessEvents();
    EXPECT_EQ(m_dialogsRun.size(), 1u);
    EXPECT_EQ(Frame()->Language(), 1);
    EXPECT_EQ(Text(cmd::ID_APP_EXIT), QStringLiteral("E&xit"));
}

TEST_F(MainFrameTest, CancelledLanguageChoiceEndsTheStart) {
    EXPECT_FALSE(App()->InitInstance(QStringList()));  // the unscripted run is cancelled
    EXPECT_EQ(m_dialogsRun.size(), 1u);
    EXPECT_EQ(App()->MainFrame(), nullptr);
    EXPECT_FALSE(CProfile::Contains("Sprache", "Sprache"));
}

TEST_F(MainFrameTest, MissingCatalogueKeepsGermanSilently) {
    QTemporaryDir empty;
    CTesseloApp::SetCatalogueDirectory(empty.path());
    ASSERT_TRUE(Start(1));
    EXPECT_EQ(Frame()->Language(), 1);
    EXPECT_EQ(MenuTitles(), kGerman128);
    EXPECT_EQ(LoadQString(57345), QStringLiteral("Bereit"));
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(MainFrameTest, OpenCommandOffersTheImageFormatsAndClosesAWindowItCannotFill) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(App()->RouteCommand(cmd::ID_FILE_OPEN));  // cancelled
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].mode, filechooser::Mode::Open);
    EXPECT_TRUE(m_requests[0].filter.startsWith(QStringLiteral("JPG (*.jpg);;BMP (*.bmp);;")));
    EXPECT_TRUE(m_requests[0].filter.endsWith(QStringLiteral(";;Icon (*.ico);;All Files (*.*)")));
    EXPECT_EQ(m_requests[0].filter.count(QStringLiteral(";;")), 14);
    EXPECT_EQ(Windows(), 0);

    const QString bad = m_dir.filePath(QStringLiteral("bad.png"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\x89PNG but nothing else");
    file.close();
    ChooseFile(bad);
    App()->RouteCommand(cmd::ID_FILE_OPEN);
    ProcessEvents();
    EXPECT_EQ(m_ui.messages.size(), 1u);  // the image library's error text
    EXPECT_EQ(Windows(), 0);
    EXPECT_EQ(MenuTitles(), kGerman128);
}

TEST_F(MainFrameTest, OpenCommandLoadsTheImageIntoANewSourceWindow) {
    WriteSetting(settings::kJpegQuality, 75);
    ASSERT_TRUE(Start());
    const QString path = OpenPicture("photo.PNG");
    EXPECT_TRUE(m_ui.messages.empty());
    ASSERT_EQ(Windows(), 1);
    CTesseloDoc* doc = GetActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->m_image.GetWidth(), 8u);
    EXPECT_EQ(doc->m_image.GetHeight(), 6u);
    EXPECT_EQ(doc->m_image.GetJpegQuality(), 75);  // the setting survives the load
    EXPECT_EQ(doc->GetTitle(), QStringLiteral("QUELLE  -  ") + path);
    EXPECT_EQ(Frame()->AssistantStep(), 1);
}

TEST_F(MainFrameTest, TitleFollowsTheActiveDocumentsTitle) {
    ASSERT_TRUE(Start());
    const auto expectTitle = [this](const QString& document) {
        EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Tesselo - ") + document);
        EXPECT_EQ(Frame()->MdiArea()->activeSubWindow()->windowTitle(), document);
    };
    // A new document has no title of its own yet: no numbered name shows.
    App()->OnFileNew();
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Tesselo"));
    GetActiveDocument()->OnCloseDocument();
    ProcessEvents();

    const QString first = OpenPicture("first.png");
    expectTitle(QStringLiteral("QUELLE  -  ") + first);
    const QString second = OpenPicture("second.png");
    expectTitle(QStringLiteral("QUELLE  -  ") + second);
    Frame()->MdiArea()->setActiveSubWindow(Frame()->MdiArea()->subWindowList().first());
    ProcessEvents();
    expectTitle(QStringLiteral("QUELLE  -  ") + first);

    GetActiveDocument()->m_isSource = 0;
    const QString saved = m_dir.filePath(QStringLiteral("ziel.png"));
    ChooseFile(saved);
    App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    ProcessEvents();
    expectTitle(QStringLiteral("ZIEL  -  ") + saved);

    // Maximised, the window's title stands in brackets once, as the MDI area shows it.
    QMdiSubWindow* window = Frame()->MdiArea()->activeSubWindow();
    window->showMaximized();
    ProcessEvents();
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("Tesselo - [ZIEL  -  %1]").arg(saved));
    window->showNormal();
    ProcessEvents();
    expectTitle(QStringLiteral("ZIEL  -  ") + saved);
}

TEST_F(MainFrameTest, DocumentWindowsFollowALanguageSwitch) {
    ASSERT_TRUE(Start());
    const QString source = OpenPicture("quelle.png");
    OpenPicture("ziel.png");
    CTesseloDoc* target = GetActiveDocument();
    target->m_isSource = 0;
    const QString saved = m_dir.filePath(QStringLiteral("gespeichert.png"));
    ChooseFile(saved);
    App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    target->GetFirstView()->m_tool = 1;
    target->m_cropValid = 1;
    target->m_cropX0 = target->m_cropY0 = 1.0;
    target->m_cropX1 = target->m_cropY1 = 4.0;
    App()->RouteCommand(cmd::ID_CROP);
    ProcessEvents();
    ASSERT_EQ(Windows(), 3);

    // Every document window, then the main window, which shows the active (cropped) one.
    const auto titles = [this] {
        QStringList seen;
        for (const QMdiSubWindow* window : Frame()->MdiArea()->subWindowList())
            seen << window->windowTitle();
        seen << Frame()->windowTitle();
        return seen.join(QLatin1Char('|')).toStdString();
    };
    const std::string from = source.toStdString(), to = saved.toStdString();
    const std::string german = "QUELLE  -  " + from + "|ZIEL  -  " + to +
                               "|ZIEL  -  unbenannt|Tesselo - ZIEL  -  unbenannt";
    const std::string english = "SOURCE  -  " + from + "|TARGET  -  " + to +
                                "|TARGET  -  untitled|Tesselo - TARGET  -  untitled";
    // Each window's own menu (restore, move, ..., close) reads as in a window made now.
    const auto menus = [this] {
        const auto entries = [](const QMdiSubWindow& window) {
            QStringList texts;
            for (const QAction* action : window.systemMenu()->actions()) texts << action->text();
            return texts.join(QLatin1Char(' '));
        };
        const QString fresh = entries(QMdiSubWindow());
        QStringList stale;
        for (const QMdiSubWindow* window : Frame()->MdiArea()->subWindowList())
            if (entries(*window) != fresh) stale << window->windowTitle() + ": " + entries(*window);
        return stale.join(QLatin1Char('\n')).toStdString();
    };
    for (const auto& [language, expected] : {std::pair{0, german},
                                             {cmd::ID_LANGUAGE_ENGLISH, english},
                                             {cmd::ID_LANGUAGE_GERMAN, german}}) {
        if (language) App()->RouteCommand(language);
        ProcessEvents();
        EXPECT_EQ(titles(), expected);
        EXPECT_EQ(menus(), "") << language;
    }
}

TEST_F(MainFrameTest, WindowTitlesCarryNoSuffix) {
    // The window system appends an application display name to every window title.
    ASSERT_TRUE(Start());
    for (int language : {cmd::ID_LANGUAGE_ENGLISH, cmd::ID_LANGUAGE_GERMAN}) {
        EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
        App()->RouteCommand(language);
    }
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QCoreApplication::applicationName());
}

TEST_F(MainFrameTest, QtsOwnTextsFollowTheInterfaceLanguage) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFile::exists(folder + QStringLiteral("/qtbase_de.qm")))
        GTEST_SKIP() << "Qt's German catalogue is not installed in " << folder.toStdString()
                     << " (scripts/install-deps installs qt6-translations-l10n)";
    ASSERT_TRUE(Start(0));
    CQtUserInterface qtUi;
    qtUi.SetCaption(QStringLiteral("Tesselo"));
    ui::Install(&qtUi);
    filechooser::SetChooser({});
    // What the user reads in the open dialog, in a message box of the program and in the
    // toolkit's own message box.
    const auto texts = [] {
        QStringList seen;
        LookAtNextWindow<QFileDialog>([&seen](QFileDialog& dialog) {
            const auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
            seen << dialog.windowTitle() << view->model()->headerData(1, Qt::Horizontal).toString()
                 << dialog.findChild<QToolButton*>(QStringLiteral("newFolderButton"))->toolTip();
            dialog.reject();
        });
        CMyFileDialog(true, QString(), QString(), 0, QStringLiteral("All Files (*.*)|*.*||"))
            .DoModal();
        LookAtNextWindow<QMessageBox>([&seen](QMessageBox& box) {
            seen << box.windowTitle() << box.button(QMessageBox::Yes)->text()
                 << box.button(QMessageBox::No)->text();
            box.button(QMessageBox::No)->click();
        });
        ui::Message("?", ui::Buttons::YesNo, ui::Icon::Question);
        QMessageBox toolkit(QMessageBox::NoIcon, QString(), QString(),
                            QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
        for (QMessageBox::StandardButton button :
             {QMessageBox::Save, QMessageBox::Discard, QMessageBox::Cancel})
            seen << toolkit.button(button)->text();
        return seen.join(QLatin1Char('|')).toStdString();
    };
    const std::string german =
        "Öffnen|Größe|Neuen Ordner erstellen|Tesselo|&Ja|&Nein|Speichern|Verwerfen|Abbrechen";
    EXPECT_EQ(texts(), german);
    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    EXPECT_EQ(texts(), "Open|Size|Create New Folder|Tesselo|&Yes|&No|Save|Discard|Cancel");
    App()->RouteCommand(cmd::ID_LANGUAGE_GERMAN);
    EXPECT_EQ(texts(), german);
    ui::Install(&m_ui);
}

TEST(ImageTypes, ExtensionsNameTheirFormats) {
    const struct {
        const char* extension;
        uint32_t type;
    } cases[] = {
        {"jpg", FORMAT_JPG},     {"jpeg", FORMAT_JPG},    {"tif", FORMAT_TIF},
        {"j2c", FORMAT_JPC},     {"ppm", FORMAT_PNM},     {"ras", FORMAT_RAS},
        {"JPG", FORMAT_UNKNOWN}, {"xyz", FORMAT_UNKNOWN}, {"", FORMAT_UNKNOWN},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CTesseloDoc::ImageTypeFromExtension(QString::fromUtf8(c.extension)), c.type)
            << c.extension;
}

TEST_F(MainFrameTest, AssistantLinksPostTheirCommands) {
    ASSERT_TRUE(Start());
    Frame()->OnAssistantCommand(QStringLiteral("OPEN"));
    EXPECT_TRUE(m_requests.empty());  // posted, not run at once
    ProcessEvents();
    EXPECT_EQ(m_requests.size(), 1u);

    // Without a document only OPEN does something; SAVE reaches a disabled command.
    Frame()->OnAssistantCommand(QStringLiteral("CLOSES"));
    CTesseloDoc* doc = App()->OnFileNew();
    Frame()->OnAssistantCommand(QStringLiteral("SAVE"));
    Frame()->OnAssistantCommand(QStringLiteral("unknown"));
    ProcessEvents();
    EXPECT_EQ(Windows(), 1);
    EXPECT_EQ(m_requests.size(), 1u);

    Frame()->OnAssistantCommand(QStringLiteral("CLOSET"));
    ProcessEvents();
    EXPECT_EQ(Windows(), 0);
    (void)doc;
}

TEST_F(MainFrameTest, BarTogglesShowAndHideTheBars) {
    ASSERT_TRUE(Start());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_VIEW_TOOLBAR).IsChecked());
    App()->RouteCommand(cmd::ID_VIEW_TOOLBAR);
    EXPECT_TRUE(Frame()->ToolBar()->isHidden());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_VIEW_TOOLBAR).IsChecked());
    App()->RouteCommand(cmd::ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(Frame()->statusBar()->isHidden());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_VIEW_STATUS_BAR).IsChecked());
}

TEST_F(MainFrameTest, ContextMenuOfTheBarsNamesEachBar) {
    ASSERT_TRUE(Start());
    const auto entries = [this] {
        const std::unique_ptr<QMenu> menu(Frame()->createPopupMenu());
        QStringList texts;
        for (QAction* action : menu->actions())
            if (!action->isSeparator()) texts << action->text();
        return texts;
    };
    EXPECT_EQ(entries(), (QStringList{"Assistent", "Symbolleiste"}));
    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    EXPECT_EQ(entries(), (QStringList{"Assistant", "Toolbar"}));
}

TEST_F(MainFrameTest, AboutDialogShowsTheVersionAndReportsAMissingManual) {
    ASSERT_TRUE(Start());
    const ProgramVersion v = GetProgramVersion();
    QString version;
    m_dialogScripts.push_back([&](QDialog& dialog) {
        version = dialog.findChild<QLabel*>(QStringLiteral("1068"))->text();
        static_cast<CAboutDlg&>(dialog).OnOpenManual();
        return int(QDialog::Accepted);
    });
    App()->RouteCommand(cmd::ID_APP_ABOUT);
    EXPECT_EQ(version,
              QStringLiteral("Version ") + FormatVersion(v.major, v.minor, v.patch, v.servicePack));
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{"Handbuch nicht gefunden"});

    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    EXPECT_TRUE(CAboutDlg::ManualPath(1).endsWith(QStringLiteral("/Manual.doc")));
    EXPECT_TRUE(CAboutDlg::ManualPath(0).endsWith(QStringLiteral("/Handbuch.doc")));
    EXPECT_TRUE(CAboutDlg::ManualPath(2).isEmpty());
    CAboutDlg dialog;
    dialog.OnOpenManual();
    EXPECT_EQ(m_ui.messages.back(), "Manual not found");
}

TEST_F(MainFrameTest, WindowMenuListsTheDocumentWindowsAndActivatesThem) {
    ASSERT_TRUE(Start());
    CTesseloDoc* first = App()->OnFileNew();
    first->SetTitle(QStringLiteral("QUELLE  -  a.png"));
    CTesseloDoc* second = App()->OnFileNew();
    second->SetTitle(QStringLiteral("QUELLE  -  b.png"));
    QMenu* window = Frame()->menuBar()->findChild<QMenu*>(QStringLiteral("windowMenu"));
    ASSERT_NE(window, nullptr);
    emit window->aboutToShow();
    QStringList entries;
    QAction* firstEntry = nullptr;
    for (QAction* action : window->actions()) {
        if (action->isSeparator() || action->text().isEmpty()) continue;
        entries << action->text();
        if (action->text().endsWith(first->GetTitle())) firstEntry = action;
    }
    EXPECT_EQ(entries, (QStringList{"Über&lappend", "&Nebeneinander", "&Symbole anordnen",
                                    "&1 " + first->GetTitle(), "&2 " + second->GetTitle()}));
    ASSERT_NE(firstEntry, nullptr);
    EXPECT_FALSE(firstEntry->isChecked());
    firstEntry->trigger();
    EXPECT_EQ(GetActiveDocument(), first);

    // Opened again, the list is rebuilt, not appended to; only the active window is marked.
    emit window->aboutToShow();
    QStringList listed;
    for (QAction* action : window->actions())
        if (action->text().startsWith(QLatin1Char('&')) && action->text().at(1).isDigit())
            listed << QStringLiteral("%1 %2").arg(action->isCheckable()).arg(action->isChecked());
    EXPECT_EQ(listed, (QStringList{"1 1", "0 0"}));
}
