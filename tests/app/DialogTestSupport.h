#pragma once
// Dialogs shown as the user sees them, opened through the program's commands or constructed
// directly: shared by the keyboard-order and the dialog-text tests.

#include <QApplication>
#include <QDialog>
#include <QTest>
#include <functional>
#include <utility>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "controls/CListCtrlEx.h"
#include "dialogs/CIdentpunkteDlg.h"

// Shown and active, so that focus changes reach the controls as they do for a user.
inline void Show(QDialog& dialog) {
    dialog.show();
    dialog.activateWindow();
    // Not qWaitForWindowActive: a dialog counts as active already while its parent is.
    EXPECT_TRUE(QTest::qWaitFor([&dialog] { return QApplication::activeWindow() == &dialog; }));
}

template <class T = QWidget>
T* Control(QWidget& dialog, const char* id) {
    T* control = dialog.findChild<T*>(QLatin1String(id));
    EXPECT_NE(control, nullptr) << id;
    return control;
}

using Visit = std::function<void(QDialog&)>;

// A dialog as constructed, before its initialisation fills it.
template <class Dialog>
void Constructed(const Visit& visit) {
    Dialog dialog;
    Show(dialog);
    visit(dialog);
}

class DialogTest : public AppDocumentTest {
protected:
    // The next modal run shows its dialog and hands it to `script`, which answers the run.
    void WhenShown(std::function<int(QDialog&)> script) {
        m_dialogScripts.push_back([script = std::move(script)](QDialog& dialog) {
            Show(dialog);
            return script(dialog);
        });
    }

    // Runs the command; the dialog it opens is shown and visited, then cancelled.
    void WhileOpen(int command, const Visit& visit) {
        WhenShown([visit](QDialog& dialog) {
            visit(dialog);
            return int(QDialog::Rejected);
        });
        App()->RouteCommand(command);
        ProcessEvents();
        EXPECT_TRUE(m_dialogScripts.empty()) << "command " << command << " opened no dialog";
    }

    // "Bild entzerren" over points A and B in the coordinate system: the reference points dialog.
    void WhileReferencePointsOpen(int koosys, const std::function<void(CIdentpunkteDlg&)>& visit) {
        m_doc->m_measureMode = 1;
        m_doc->m_koosys = koosys;
        m_doc->m_is3D = koosys < 2 ? 1 : 0;
        m_doc->m_points = CControlPointList();
        m_doc->m_points.Append(QStringLiteral("A"), 10.0, 20.0, 0.0, 0.0, 0.0);
        m_doc->m_points.Append(QStringLiteral("B"), 30.0, 40.0, 0.0, 0.0, 0.0);
        WhileOpen(cmd::ID_RECTIFY,
                  [&visit](QDialog& dialog) { visit(static_cast<CIdentpunkteDlg&>(dialog)); });
    }

    // "Bild entzerren" over four corners: the rectangle dialog.
    void WhileRectangleOpen(const Visit& visit) {
        m_doc->m_measureMode = 0;
        for (auto [x, y] : {std::pair{10.0, 90.0}, {10.0, 10.0}, {90.0, 10.0}, {90.0, 90.0}})
            m_doc->m_corners.Append(x, y);
        WhileOpen(cmd::ID_RECTIFY, [&visit](QDialog& dialog) {
            Control<CListCtrlEx>(dialog, "1010")->setCurrentCell(0, 0);
            visit(dialog);
        });
    }
};
