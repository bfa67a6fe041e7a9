#include "CTesseloDoc.h"

#include <QFile>

#include "CChildFrame.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CommandIds.h"
#include "RegistrySettings.h"

namespace {
int g_untitledCount = 0;
}

CTesseloDoc::CTesseloDoc() {
    m_title = QStringLiteral("Veltrano%1").arg(++g_untitledCount);
    OnCommand(cmd::ID_FILE_CLOSE, [this] { OnCloseDocument(); });
    LoadSettings(this);
}

CTesseloDoc::~CTesseloDoc() {
    // The assistant redraws for whichever document is active next.
    if (CTesseloApp* app = CTesseloApp::Instance(); app && app->MainFrame())
        PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, -1, 0);
}

void CTesseloDoc::SetTitle(const QString& title) {
    m_title = title;
    emit titleChanged(title);
}

bool CTesseloDoc::OnOpenDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The parameter-file reader is not part of the program yet, so no file reads as a
    // document; refusing keeps the start from going on with a document it did not read.
    return false;
}

int CTesseloDoc::OpenImage(const QString& /*path*/) {
    // Image loading through the raster library's format dispatch is not part of the
    // program yet; the open command then closes the new window again.
    return 0;
}

void CTesseloDoc::OnCloseDocument() {
    if (m_frame) m_frame->close();
}
