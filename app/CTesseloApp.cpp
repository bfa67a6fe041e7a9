#include "CTesseloApp.h"

#include <QDir>
#include <QFileInfo>
#include <QMdiArea>
#include <clocale>

#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "ModalRunner.h"
#include "QtStringLookup.h"
#include "UserInterface.h"
#include "Utilities.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CPunktbezeichnungDlg.h"

namespace {
QString g_catalogueDirectory;
}

CTesseloApp::CTesseloApp(int& argc, char** argv) : QApplication(argc, argv) {
    // printf and strtod keep "." whatever the user's locale.
    std::setlocale(LC_NUMERIC, "C");
    setOrganizationName(QStringLiteral("Zerbant"));
    setApplicationName(QStringLiteral("Veltrano"));
    InstallQtStringLookup();
    // No application display name: the window system would append it to every window title.
    m_userInterface.SetCaption(LoadQString(128));
    ui::Install(&m_userInterface);
    CPunktbezeichnungDlg::InstallAsPointNameAsker();
    OnCommand(cmd::ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(cmd::ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(cmd::ID_APP_EXIT, [this] {
        if (m_mainFrame) m_mainFrame->close();
    });
}

CTesseloApp::~CTesseloApp() {
    ExitInstance();
    if (&ui::Get() == &m_userInterface) ui::Install(nullptr);
}

CTesseloApp* CTesseloApp::Instance() {
    return qobject_cast<CTesseloApp*>(QCoreApplication::instance());
}

bool CTesseloApp::InitInstance() { return InitInstance(arguments().mid(1)); }

bool CTesseloApp::InitInstance(const QStringList& arguments) {
    ExitInstance();
    m_startDirectory = QDir::currentPath();
    m_tempDirectory = TempDirectoryFromEnvironment();
    // The version of the running program file, whatever the current folder is.
    m_versionText.clear();
    GetFileVersionText(nullptr, nullptr, &m_versionText, applicationFilePath());

    m_mainFrame = std::make_unique<CMainFrame>();
    if (!m_mainFrame->Create()) {
        m_mainFrame.reset();
        return false;
    }

    const QString file = arguments.isEmpty() ? QString() : arguments.first();
    if (file.isEmpty()) {
        OnFileNew();
    } else {
        CTesseloDoc* doc = OnFileNew();
        if (!doc->OnOpenDocument(QFileInfo(file).absoluteFilePath())) {
            ui::MessageId(61697, ui::Buttons::Ok, ui::Icon::Warning);
            ExitInstance();
            return false;
        }
    }

    m_mainFrame->show();
    if (CTesseloDoc* doc = GetActiveDocument()) doc->OnCloseDocument();
    return true;
}

void CTesseloApp::ExitInstance() {
    if (!m_mainFrame) return;
    m_mainFrame->CloseAllDocuments();
    m_mainFrame.reset();
    m_activeDocument = nullptr;
}

CTesseloDoc* CTesseloApp::OnFileNew() {
    if (!m_mainFrame) return nullptr;
    auto document = std::make_unique<CTesseloDoc>();
    CTesseloDoc* doc = document.get();
    auto* frame = new CChildFrame(std::move(document));
    m_mainFrame->AddChildFrame(frame);
    // Current at once, also while a modal dialog keeps the MDI area from activating it.
    m_activeDocument = doc;
    m_mainFrame->UpdateTitle();
    return doc;
}

void CTesseloApp::OnAppAbout() {
    CAboutDlg dialog(m_mainFrame.get());
    dialog.DoModal();
}

CCommandRouter::Chain CTesseloApp::CommandChain(CTesseloView* view) const {
    if (!view && m_activeDocument) view = m_activeDocument->GetFirstView();
    CTesseloDoc* doc = view ? view->GetDocument() : m_activeDocument.data();
    CChildFrame* frame = nullptr;
    if (view) {
        for (QWidget* w = view->parentWidget(); w && !frame; w = w->parentWidget())
            frame = qobject_cast<CChildFrame*>(w);
    }
    CCommandTarget* main = m_mainFrame.get();
    return {view, doc, frame, main, const_cast<CTesseloApp*>(this)};
}

bool CTesseloApp::RouteCommand(int id, CTesseloView* view) {
    const bool ran = CCommandRouter::Execute(id, CommandChain(view));
    if (m_mainFrame) m_mainFrame->UpdateCommandUI();
    return ran;
}

CCmdUI CTesseloApp::UpdateCommand(int id) const {
    return CCommandRouter::Update(id, CommandChain());
}

QString CTesseloApp::TempDirectoryFromEnvironment() {
    QString folder = qEnvironmentVariable("TEMP");
    if (folder.isEmpty()) folder = qEnvironmentVariable("TMP");
    if (folder.isEmpty()) folder = QStringLiteral("/tmp");
    if (folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString CTesseloApp::CatalogueDirectory() {
    return g_catalogueDirectory.isEmpty() ? applicationDirPath() : g_catalogueDirectory;
}

void CTesseloApp::SetCatalogueDirectory(const QString& folder) { g_catalogueDirectory = folder; }

CTesseloDoc* GetActiveDocument() {
    CTesseloApp* app = CTesseloApp::Instance();
    return app ? app->ActiveDocument() : nullptr;
}
