// The document's "Bild entzerren" command: the rectification chain over this source document.
#include <QDialog>

#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "UserInterface.h"
#include "dialogs/CIdentpunkteDlg.h"
#include "dialogs/CRechteckDlg.h"

void CTesseloDoc::OnRectify() {
    CTesseloApp* app = CTesseloApp::Instance();
    QWidget* parent = app ? app->MainFrame() : nullptr;
    int result = QDialog::Rejected;
    if (m_measureMode == 1) {
        if (m_points.Size() == 0) {
            ui::MessageId(10062);
            return;
        }
        CIdentpunkteDlg dialog(parent);
        dialog.SetDocument(*this);
        result = dialog.DoModal();
    } else {
        if (m_corners.Size() == 0) {
            ui::MessageId(10063);
            return;
        }
        CRechteckDlg dialog(parent);
        dialog.m_is3D = &m_is3D;
        dialog.m_width = &m_rectWidth;
        dialog.m_height = &m_rectHeight;
        dialog.m_cornerX = &m_corners.x;
        dialog.m_cornerY = &m_corners.y;
        result = dialog.DoModal();
    }
    if (result != QDialog::Accepted) {
        if (app && app->MainFrame())
            PostMessageTo(app->MainFrame(), msg::WM_APP_WORKFLOW_STEP, 2, 0);
    } else {
        m_workflowStep = 7;
    }
}
