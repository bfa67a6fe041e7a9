// The plane fit and rectangle dialogs, the rectify command's refusals and the way back through
// the chain with "<< Zurück".
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "controls/CListCtrlEx.h"
#include "dialogs/CErgebnisseEbeneDlg.h"
#include "dialogs/CRechteckDlg.h"

namespace {

// Records the workflow steps posted to the main frame.
class StepRecorder : public QObject {
public:
    std::vector<int> steps;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == CPostedMessageEvent::TypeId()) {
            const auto* message = static_cast<CPostedMessageEvent*>(event);
            if (message->Message() == msg::WM_APP_WORKFLOW_STEP)
                steps.push_back(int(message->WParam()));
        }
        return false;
    }
};

class ChainDialogsTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        m_doc->m_image.Create(100, 100, 24, FORMAT_BMP);
        App()->MainFrame()->installEventFilter(&m_steps);
        ProcessEvents();
        m_steps.steps.clear();
    }

    std::unique_ptr<CErgebnisseEbeneDlg> PlaneDialog() {
        auto dialog = std::make_unique<CErgebnisseEbeneDlg>();
        CControlPointList& p = m_doc->m_points;
        dialog->m_names = &p.names;
        dialog->m_x = &p.x;
        dialog->m_y = &p.y;
        dialog->m_r1 = &p.r1;
        dialog->m_r2 = &p.r2;
        dialog->m_r3 = &p.r3;
        dialog->m_use3D = &p.use3D;
        dialog->m_use2D = &p.use2D;
        return dialog;
    }

    std::unique_ptr<CRechteckDlg> RectangleDialog() {
        auto dialog = std::make_unique<CRechteckDlg>();
        dialog->m_is3D = &m_doc->m_is3D;
        dialog->m_width = &m_doc->m_rectWidth;
        dialog->m_height = &m_doc->m_rectHeight;
        dialog->m_cornerX = &m_doc->m_corners.x;
        dialog->m_cornerY = &m_doc->m_corners.y;
        return dialog;
    }

    StepRecorder m_steps;
};

const char* const kNoPlane =
    "Punkte sind nicht flächig angerordnet,\nsondern liegen auf einer Gerade oder\nsind "
    "ident.\n\nEbene kann nicht berechnet werden";

}  // namespace

TEST_F(ChainDialogsTest, PlaneFitRefusesTooFewAndCollinearPointsAndClosesAsCancelled) {
    const struct {
        const char* name;
        std::vector<std::array<double, 3>> points;  // R1, R2, R3
        std::vector<int> use3D;
        const char* message;
    } cases[] = {
        {"two switched on",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}},
         {1, 1, 0},
         "Zu wenig Punkte für Berechnung der Ebene\n\nMindestens 3 Punkte notwendig"},
        {"on a line", {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}}, {1, 1, 1, 1}, kNoPlane},
        {"identical", {{5, 5, 5}, {5, 5, 5}, {5, 5, 5}}, {1, 1, 1}, kNoPlane},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_doc->m_points.Clear();
        m_ui.messages.clear();
        for (size_t i = 0; i < c.points.size(); ++i)
            m_doc->m_points.Append(QString::number(i), 0, 0, c.points[i][0], c.points[i][1],
                                   c.points[i][2], 1, c.use3D[i]);
        EXPECT_EQ(PlaneDialog()->DoModal(), QDialog::Rejected);
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0], c.message);
        EXPECT_TRUE(m_dialogsRun.empty());
    }
}

TEST_F(ChainDialogsTest, PlaneFitThroughThreePointsAndAHorizontalPlane) {
    // Three points of a vertical facade running east, and a fourth one switched off.
    m_doc->m_points.Append("a", 0, 0, 100.0, 50.0, 10.0);
    m_doc->m_points.Append("b", 0, 0, 110.0, 50.0, 10.0);
    m_doc->m_points.Append("c", 0, 0, 100.0, 50.0, 20.0);
    m_doc->m_points.Append("d", 0, 0, 105.0, 51.0, 15.0, 1, 0);
    auto dialog = PlaneDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    auto* list = dialog->findChild<CListCtrlEx*>(QStringLiteral("1012"));
    ASSERT_EQ(list->GetItemCount(), 4);
    for (int r = 0; r < 3; ++r)
        EXPECT_EQ(list->GetItemTextStr(r, 3).trimmed().remove(QLatin1Char('-')),
                  QStringLiteral("0.000"));
    EXPECT_EQ(list->GetItemTextStr(0, 4), QStringLiteral("JA"));
    EXPECT_EQ(list->GetItemTextStr(3, 4), QString());
    // The switched-off point lies 1 m off the plane.
    EXPECT_NEAR(std::fabs(list->GetItemTextStr(3, 3).toDouble()), 100.0, 1e-9);
    // A is horizontal along the facade, B vertical; the plane coordinates keep distances.
    const double* plane = m_doc->m_plane;
    EXPECT_NEAR(std::fabs(plane[3]), 1.0, 1e-9);
    EXPECT_NEAR(plane[5], 0.0, 1e-9);
    EXPECT_NEAR(std::fabs(plane[8]), 1.0, 1e-9);
    EXPECT_NEAR(std::fabs(dialog->X2e()[1] - dialog->X2e()[0]), 10.0, 1e-9);
    EXPECT_NEAR(std::fabs(dialog->Z2e()[2] - dialog->Z2e()[0]), 10.0, 1e-9);
    EXPECT_NEAR(dialog->Z2e()[1], dialog->Z2e()[0], 1e-9);
    EXPECT_EQ(m_steps.steps, std::vector<int>{});
    ProcessEvents();
    EXPECT_EQ(m_steps.steps, std::vector<int>{5});

    // Switching a point off here changes its 2D flag only.
    list->SelectItem(1, true);
    dialog->OnPointOff();
    EXPECT_EQ(m_doc->m_points.use2D, (std::vector<int>{1, 0, 1, 1}));
    EXPECT_EQ(m_doc->m_points.use3D, (std::vector<int>{1, 1, 1, 0}));

    // A horizontal plane: A = (1, 0, 0), B = (0, 1, 0) in the document's order.
    m_doc->m_points.Clear();
    for (const auto& [e, n] : {std::pair{0.0, 0.0}, {4.0, 1.0}, {1.0, 5.0}, {3.0, 3.0}})
        m_doc->m_points.Append("h", 0, 0, e, n, 7.0);
    auto horizontal = PlaneDialog();
    ASSERT_TRUE(horizontal->OnInitDialog());
    const double expected[6] = {1, 0, 0, 0, 1, 0};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(m_doc->m_plane[3 + k], expected[k]) << k;
    EXPECT_NEAR(m_doc->m_plane[2], 7.0, 1e-9);
}

TEST_F(ChainDialogsTest, RectangleCornersAreLabelledWhateverTheMeasuringOrder) {
    const struct {
        const char* name;
        std::vector<std::pair<double, double>> corners;
        QStringList labels;
    } cases[] = {
        {"clockwise from left bottom",
         {{10, 90}, {12, 10}, {88, 12}, {90, 88}},
         {"LU", "LO", "RO", "RU"}},
        {"counter-clockwise from left bottom",
         {{10, 90}, {90, 88}, {88, 12}, {12, 10}},
         {"LU", "RU", "RO", "LO"}},
        // From below: the top edge is shorter and the right bottom corner lies lowest.
        {"right bottom lowest", {{30, 10}, {70, 12}, {95, 95}, {5, 90}}, {"LO", "RO", "RU", "LU"}},
        {"three corners", {{10, 90}, {12, 10}, {88, 12}}, {"", "", ""}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_doc->m_corners.Clear();
        for (const auto& [x, y] : c.corners) m_doc->m_corners.Append(x, y);
        auto dialog = RectangleDialog();
        ASSERT_TRUE(dialog->OnInitDialog());
        EXPECT_EQ(dialog->Labels(), c.labels);
        auto* list = dialog->findChild<CListCtrlEx*>(QStringLiteral("1010"));
        EXPECT_EQ(list->GetItemCount(), int(c.corners.size()));
    }
}

TEST_F(ChainDialogsTest, RectangleCornersOfATurnedOrTiltedPhotoAreLabelledInEveryOrder) {
    // The image corners of a rectangle as "LU", "LO", "RO", "RU" (x right, y down).
    const struct {
        const char* name;
        double x[4], y[4];
    } photos[] = {
        {"upright, bottom corners on one row", {10, 10, 90, 90}, {80, 20, 20, 80}},
        {"from below", {10, 25, 75, 90}, {82, 20, 20, 80}},
        {"from above, right bottom lowest", {25, 10, 90, 75}, {80, 20, 20, 82}},
        {"turned 10 degrees clockwise", {5.4, 15.8, 94.6, 84.2}, {72.6, 13.5, 27.4, 86.5}},
        {"turned 10 degrees counter-clockwise", {15.8, 5.4, 84.2, 94.6}, {86.5, 27.4, 13.5, 72.6}},
    };
    const QStringList names = {"LU", "LO", "RO", "RU"};
    for (const auto& photo : photos)
        for (int first = 0; first < 4; ++first)
            for (int step : {1, -1}) {
                SCOPED_TRACE(testing::Message()
                             << photo.name << ", from " << names[first].toStdString()
                             << (step > 0 ? " clockwise" : " counter-clockwise"));
                m_doc->m_corners.Clear();
                QStringList expected;
                for (int k = 0; k < 4; ++k) {
                    const int corner = CRechteckDlg::WrapIndex(first + step * k, 4);
                    m_doc->m_corners.Append(photo.x[corner], photo.y[corner]);
                    expected << names[corner];
                }
                auto dialog = RectangleDialog();
                ASSERT_TRUE(dialog->OnInitDialog());
                EXPECT_EQ(dialog->Labels(), expected);
            }
}

TEST_F(ChainDialogsTest, RectangleRefusesMissingCornersAndInvalidSizes) {
    for (const auto& [x, y] : {std::pair{10.0, 90.0}, {12.0, 10.0}, {88.0, 12.0}})
        m_doc->m_corners.Append(x, y);
    auto three = RectangleDialog();
    ASSERT_TRUE(three->OnInitDialog());
    three->OnOK();
    EXPECT_EQ(m_ui.messages.back(), "Rechteck ist unvollständig\n\nBitte fehlende Punkte messen");

    m_doc->m_corners.Append(90, 88);
    const struct {
        const char* width;
        const char* height;
        const char* message;
        const char* focus;
    } cases[] = {{"---", "5", "Breite ist ungültig", "1025"},
                 {"0", "5", "Breite muss größer 0 sein", "1025"},
                 {"8", "abc", "Höhe ist ungültig", "1026"},
                 {"8", "-1", "Höhe muss größer 0 sein", "1026"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        auto dialog = RectangleDialog();
        ASSERT_TRUE(dialog->OnInitDialog());
        auto* width = dialog->findChild<QLineEdit*>(QStringLiteral("1025"));
        width->setText(QLatin1String(c.width));
        dialog->findChild<QLineEdit*>(QStringLiteral("1026"))->setText(QLatin1String(c.height));
        dialog->OnOK();
        EXPECT_EQ(m_ui.messages.back(), c.message);
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_TRUE(m_dialogsRun.empty());
    }
    // The size typed last stays in the document, and cancelling stores it as well.
    EXPECT_EQ(m_doc->m_rectHeight, -1.0);
    auto dialog = RectangleDialog();
    ASSERT_TRUE(dialog->OnInitDialog());
    dialog->findChild<QLineEdit*>(QStringLiteral("1026"))->setText(QStringLiteral("4,5"));
    dialog->findChild<QPushButton*>(QStringLiteral("2"))->click();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(m_doc->m_rectHeight, 4.5);
    EXPECT_EQ(m_doc->m_rectWidth, 8.0);
    EXPECT_EQ(m_doc->m_is3D, 1);
}

TEST_F(ChainDialogsTest, RectifyCommandRefusesAnEmptyDocumentAndCancelPostsStepTwo) {
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_RECTIFY));
    m_doc->m_measureMode = 0;
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_RECTIFY));
    ASSERT_EQ(m_ui.messages.size(), 2u);
    EXPECT_EQ(m_ui.messages[0],
              "Es sind noch keine Passpunkte gemessen.\n\nBitte zuerst Passpunkte messen");
    EXPECT_EQ(m_ui.messages[1],
              "Es ist noch kein Punkt des Rechteck gemessen.\n\nBitte zuerst Rechteck messen");
    EXPECT_TRUE(m_dialogsRun.empty());

    // The rectangle dialog cancelled.
    m_doc->m_corners.Append(1, 1);
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_RECTIFY));
    ProcessEvents();
    EXPECT_EQ(m_dialogsRun, std::vector<QString>{QStringLiteral("151")});
    EXPECT_EQ(m_steps.steps, (std::vector<int>{3, 2}));

    // A target document offers no rectification.
    m_doc->m_isSource = 0;
    EXPECT_FALSE(App()->RouteCommand(cmd::ID_RECTIFY));
}

TEST_F(ChainDialogsTest, BackFromTheLaterStepsReturnsToTheReferencePointsDialog) {
    m_doc->m_koosys = 2;
    m_doc->m_is3D = 0;
    for (const auto& [x, y] : {std::pair{0.0, 0.0}, {100.0, 0.0}, {100.0, 100.0}, {0.0, 100.0}})
        m_doc->m_points.Append("p", x, y, 0.0, x / 10, -y / 10);
    int results = 0;
    auto clickOk = [](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return dialog.result();
    };
    auto back = [](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("2"))->click();
        return dialog.result();
    };
    m_dialogScripts.push_back([&](QDialog& dialog) {
        // "Weiter >>" three times: back from the distortion step once and from the
        // adjustment results twice.
        for (int k = 0; k < 3; ++k) {
            dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
            results += dialog.result() == QDialog::Accepted;
        }
        dialog.findChild<QPushButton*>(QStringLiteral("2"))->click();
        return dialog.result();
    });
    m_dialogScripts.insert(m_dialogScripts.end(), {back, clickOk, back, clickOk, back});
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_RECTIFY));
    ProcessEvents();
    EXPECT_EQ(results, 0);
    EXPECT_EQ(m_dialogsRun, (std::vector<QString>{"134", "163", "163", "136", "163", "136"}));
    EXPECT_EQ(m_steps.steps, (std::vector<int>{3, 4, 3, 4, 6, 3, 4, 6, 3, 2}));
    EXPECT_EQ(GetActiveDocument(), m_doc);
    EXPECT_EQ(m_doc->m_distortionCorrected, 0);
}
