#pragma once
// CTesseloApp: the program's application object. InitInstance runs the start-up (settings
// root, directories, version, main frame, command line); OnFileNew is the one way documents
// are made. The app also keeps the current document, which GetActiveDocument answers, and
// routes commands: view, document, child frame, main frame, application.

#include <QApplication>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>

#include "CCommandRouter.h"
#include "CQtUserInterface.h"
#include "CTesseloDoc.h"

class CMainFrame;
class CTesseloView;

class CTesseloApp : public QApplication, public CCommandTarget {
    Q_OBJECT
public:
    // Names of the CAD link's messages.
    static constexpr const char* kToAcadMessage = "Kavi_Tesselo_ToAcad";
    static constexpr const char* kReadyMessage = "Kavi_Tesselo_Ready";
    static constexpr const char* kQuitMessage = "Kavi_Tesselo_Quit";

    CTesseloApp(int& argc, char** argv);
    ~CTesseloApp() override;

    static CTesseloApp* Instance();

    // Start-up with the program's command line; false ends the program.
    bool InitInstance();
    // Start-up with the given arguments (without the program name).
    bool InitInstance(const QStringList& arguments);
    // Closes and destroys the main frame and every document.
    void ExitInstance();

    // Makes a new document with its child frame and view; it becomes the current document.
    CTesseloDoc* OnFileNew();
    void OnAppAbout();

    CMainFrame* MainFrame() const { return m_mainFrame.get(); }
    CTesseloDoc* ActiveDocument() const { return m_activeDocument; }
    void SetActiveDocument(CTesseloDoc* document) { m_activeDocument = document; }

    // The routing chain from the given view, or from the current document's view.
    CCommandRouter::Chain CommandChain(CTesseloView* view = nullptr) const;
    bool RouteCommand(int id, CTesseloView* view = nullptr);
    CCmdUI UpdateCommand(int id) const;

    const QString& StartDirectory() const { return m_startDirectory; }
    const QString& TempDirectory() const { return m_tempDirectory; }
    const QString& VersionText() const { return m_versionText; }

    // TEMP, else TMP, else "/tmp"; one trailing "/" removed.
    static QString TempDirectoryFromEnvironment();

    // Folder of the English catalogue VexoDllEng.qm: beside the executable unless set (tests).
    static QString CatalogueDirectory();
    static void SetCatalogueDirectory(const QString& folder);

private:
    CQtUserInterface m_userInterface;
    std::unique_ptr<CMainFrame> m_mainFrame;
    QPointer<CTesseloDoc> m_activeDocument;
    QString m_versionText;
    QString m_startDirectory;
    QString m_tempDirectory;
};

// The current document, or null when no document window is open.
CTesseloDoc* GetActiveDocument();
