// The point-picking dialog: where a posted pick goes, and picks that arrive while a name is
// still being asked for or after the dialog has closed.
#include <QLineEdit>
#include <QMouseEvent>

#include "AppTestSupport.h"
#include "CPostedEvents.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "controls/CZoomPickerCtrl.h"
#include "dialogs/CPunktAuswaehlenDlg.h"
#include "dialogs/CPunktbezeichnungDlg.h"

namespace {

class PickDialogTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        m_bitmap.fill(Qt::gray);
    }
    // A dialog over display pixels 10..50 x 10..50; the click goes to display pixel (20, 30).
    void Click(CPunktAuswaehlenDlg& dialog) {
        ASSERT_TRUE(dialog.OnInitDialog());
        ASSERT_EQ(dialog.Picker()->SetSource(&m_bitmap, 10, 10, 50, 50, 1.0, 100, 100), 1);
        dialog.Picker()->grab();
        const double s = dialog.Picker()->GetScaleX();
        const QPoint at(int((20.5 - 10) * s), int((30.5 - 10) * s));
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), QPointF(at), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.Picker(), &press);
    }
    void ScriptName(const QString& name, std::function<void()> meanwhile = {}) {
        m_dialogScripts.push_back([name, meanwhile](QDialog& d) {
            if (meanwhile) meanwhile();
            d.findChild<QLineEdit*>("1004")->setText(name);
            static_cast<CPunktbezeichnungDlg&>(d).OnOK();
            return d.result();
        });
    }

    QImage m_bitmap{100, 100, QImage::Format_RGB32};
};

TEST_F(PickDialogTest, APickGoesToTheDocumentByModeAndTool) {
    CPunktAuswaehlenDlg points;
    ScriptName(QStringLiteral("A"));
    Click(points);
    ProcessEvents();
    ASSERT_EQ(m_doc->m_points.Size(), 1);
    EXPECT_NEAR(m_doc->m_points.x[0], 20, 0.5);
    EXPECT_NEAR(m_doc->m_points.y[0], 30, 0.5);
    EXPECT_EQ(points.result(), QDialog::Rejected);  // taken: closed like "Abbrechen"

    m_doc->m_measureMode = 0;
    CPunktAuswaehlenDlg corners;
    Click(corners);
    ProcessEvents();
    EXPECT_EQ(corners.windowTitle(), "Eckpunkt für Rechteck auswählen");
    EXPECT_EQ(m_doc->m_corners.Size(), 1);

    m_doc->m_isSource = 0;
    const struct {
        int tool;
        int measure, distance;
    } tools[] = {{1, 0, 0}, {2, 0, 1}, {3, 1, 1}, {4, 2, 1}};
    for (const auto& t : tools) {
        m_doc->GetFirstView()->m_tool = t.tool;
        if (t.tool >= 3) ScriptName(QString::number(t.tool));
        CPunktAuswaehlenDlg dialog;
        Click(dialog);
        ProcessEvents();
        EXPECT_EQ(m_doc->m_measurePoints.Size(), t.measure) << t.tool;
        EXPECT_EQ(m_doc->m_distanceState, t.distance) << t.tool;
    }
    EXPECT_EQ(m_doc->m_points.Size(), 1);
}

TEST_F(PickDialogTest, PicksDuringTheNameDialogOrAfterClosingAreDropped) {
    CPunktAuswaehlenDlg dialog;
    // While the name is asked for, the magnifier is clicked again: the second pick is dropped
    // instead of asking for a second name inside the first.
    ScriptName(QStringLiteral("1"), [&] {
        PostMessageTo(&dialog, msg::WM_APP_POINT_PICKED, 0, 0);
        ProcessEvents();
    });
    Click(dialog);
    PostMessageTo(&dialog, msg::WM_APP_POINT_PICKED, 0, 0);  // queued behind the first
    ProcessEvents();
    EXPECT_EQ(m_dialogsRun, std::vector<QString>({"132"}));
    EXPECT_EQ(m_doc->m_points.Size(), 1);
}

TEST_F(PickDialogTest, ACancelledNameKeepsTheDialogOpenAndNoDocumentCancelsIt) {
    CPunktAuswaehlenDlg dialog;
    Click(dialog);  // the name dialog is not scripted: cancelled
    ProcessEvents();
    EXPECT_EQ(m_doc->m_points.Size(), 0);
    ScriptName(QStringLiteral("2"));
    PostMessageTo(&dialog, msg::WM_APP_POINT_PICKED, 0, 0);  // another click
    ProcessEvents();
    EXPECT_EQ(m_doc->m_points.Size(), 1);

    m_doc->OnCloseDocument();
    ProcessEvents();
    ASSERT_EQ(GetActiveDocument(), nullptr);
    CPunktAuswaehlenDlg orphan;
    EXPECT_EQ(orphan.DoModal(), int(QDialog::Rejected));
    EXPECT_EQ(m_dialogsRun.size(), 2u);  // it never ran
}

}  // namespace
