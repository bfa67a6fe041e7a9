// The document's measuring commands in a target image: "Messung abschließen, Ergebnis
// anzeigen" runs the coordinates dialog, and the distance dialog shows a finished distance.
#include "CMainFrame.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "dialogs/CKoordinatenDlg.h"
#include "dialogs/CStreckeDlg.h"

namespace {

QWidget* DialogParent() {
    CTesseloApp* app = CTesseloApp::Instance();
    return app ? app->MainFrame() : nullptr;
}

}  // namespace

void CTesseloDoc::InitMeasureCommands() {
    OnCommand(cmd::ID_FINISH_MEASURE, [this] { OnFinishMeasure(); });
}

void CTesseloDoc::OnFinishMeasure() {
    CKoordinatenDlg dialog(DialogParent());
    dialog.m_doc = this;
    dialog.DoModal();
}

int CTesseloDoc::ShowDistance() {
    CStreckeDlg dialog(DialogParent());
    dialog.m_doc = this;
    return dialog.DoModal();
}
