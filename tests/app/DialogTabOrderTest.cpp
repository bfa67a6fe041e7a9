// Keyboard order of the dialogs: real Tab presses walk the controls in the order of the
// dialog's template, pass read-only fields by and leave lists.
#include <QApplication>
#include <QTest>
#include <functional>

#include "DialogTestSupport.h"
#include "dialogs/CAboutDlg.h"
#include "dialogs/CBitmapAcadDlg.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"
#include "dialogs/CErgebnisseEbeneDlg.h"
#include "dialogs/CKoordinatenDlg.h"
#include "dialogs/CPunktAuswaehlenDlg.h"
#include "dialogs/CPunktbezeichnungDlg.h"
#include "dialogs/CSpracheDlg.h"
#include "dialogs/CStreckeDlg.h"
#include "dialogs/CVerzeichnungBerechnenDlg.h"
#include "dialogs/CVerzeichnungKorrigierenDlg.h"

namespace {

// The control a focused widget belongs to (an editable combo's inner editor counts as the combo).
QString ControlName(QWidget* widget) {
    while (widget && (widget->objectName().isEmpty() || widget->objectName().startsWith("qt_")))
        widget = widget->parentWidget();
    return widget ? widget->objectName() : QString();
}

// The controls that Tab visits from `start` on, until it comes round to `start` again.
QStringList TabWalk(QWidget* start) {
    QWidget* window = start->window();
    start->setFocus(Qt::TabFocusReason);
    QStringList names;
    QWidget* focus = window->focusWidget();
    while (focus && names.size() < 30) {
        names << ControlName(focus);
        QTest::keyClick(focus, Qt::Key_Tab);
        focus = window->focusWidget();
        if (ControlName(focus) == names.first()) break;
    }
    return names;
}

using DialogTabOrderTest = DialogTest;

}  // namespace

TEST_F(DialogTabOrderTest, TabFollowsTheTemplateOrderPastReadOnlyAndDisabledControls) {
    const auto editing = [this](int koosys) {
        return [this, koosys](const Visit& visit) {
            WhileReferencePointsOpen(koosys, [&visit](CIdentpunkteDlg& dialog) {
                dialog.EditPoint(0);
                visit(dialog);
            });
        };
    };
    const struct {
        const char* name;
        std::function<void(const Visit&)> open;
        const char* start;
        const char* chain;  // the controls Tab visits, by id; a radio group is one stop
    } cases[] = {
        {"reference points, browsing",
         [this](const Visit& visit) { WhileReferencePointsOpen(0, visit); }, "1010",
         "1010 1019 1018 2 1 1021 1042"},
        {"reference points, editing a 3D point", editing(0), "1005",
         "1005 1004 1008 1019 1006 1007 1042 1001"},
        {"reference points, editing a 2D point (no third value)", editing(2), "1005",
         "1005 1004 1019 1006 1007 1042 1001"},
        {"rectangle with its four corners in the list",
         [this](const Visit& visit) { WhileRectangleOpen(visit); }, "1010",
         "1010 1025 1026 1027 1041 2 1"},
        {"settings", [this](const Visit& visit) { WhileOpen(cmd::ID_SETTINGS, visit); }, "1041",
         "1041 1071 1070 1038 1040 1043 1044 1045 1050 1021 1039 1 2"},
        {"adjustment results", Constructed<CErgebnisseAusgleichDlg>, "1012",
         "1012 1021 1014 1015 1020 1024 1018 1028 1 2"},
        {"plane fit", Constructed<CErgebnisseEbeneDlg>, "1012", "1012 1 2"},
        {"coordinates, the protocol passes Tab on", Constructed<CKoordinatenDlg>, "1024",
         "1024 1044 1027 1045 1046 1053 1048 1049 1047 2"},
        {"distortion calculation", Constructed<CVerzeichnungBerechnenDlg>, "1059",
         "1059 1060 1004 1045 1064 1063 1046 1047 1048 2"},
        {"distortion correction", Constructed<CVerzeichnungKorrigierenDlg>, "1065",
         "1065 1064 1069 1 2"},
        {"about", Constructed<CAboutDlg>, "1036", "1036 1"},
        {"point name", Constructed<CPunktbezeichnungDlg>, "1004", "1004 1 2"},
        {"point pick", Constructed<CPunktAuswaehlenDlg>, "1", "1 2"},
        {"distance", Constructed<CStreckeDlg>, "1053", "1053 2"},
        {"cad transfer", Constructed<CBitmapAcadDlg>, "1024", "1024 1 2"},
        {"language", Constructed<CSpracheDlg>, "1045", "1045 1046"},
    };
    for (const auto& c : cases) {
        std::string walked = "(not opened)";
        c.open([&](QDialog& dialog) {
            walked = TabWalk(Control(dialog, c.start)).join(' ').toStdString();
        });
        EXPECT_EQ(walked, c.chain) << c.name;
    }
}

TEST_F(DialogTabOrderTest, TypedValuesSeparatedByTabAreBothStored) {
    for (int koosys : {0, 2}) {
        WhileReferencePointsOpen(koosys, [this, koosys](CIdentpunkteDlg& dialog) {
            dialog.EditPoint(1);
            QWidget* first = Control(dialog, "1005");
            ASSERT_EQ(dialog.focusWidget(), first);
            QTest::keyClicks(first, QStringLiteral("5"));
            QTest::keyClick(first, Qt::Key_Tab);
            QTest::keyClicks(dialog.focusWidget(), QStringLiteral("6"));
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Return);
            EXPECT_EQ(dialog.EditMode(), 0) << koosys;
            EXPECT_TRUE(m_ui.messages.empty()) << koosys;
        });
        // The first and second values of the system's axes: R1, R2 in 3D, R2, R3 in 2D.
        const CControlPointList& p = m_doc->m_points;
        EXPECT_EQ(koosys < 2 ? p.r1[1] : p.r2[1], 5.0) << koosys;
        EXPECT_EQ(koosys < 2 ? p.r2[1] : p.r3[1], 6.0) << koosys;
    }
}

TEST_F(DialogTabOrderTest, LanguageDialogStartsOnItsLeftButton) {
    Constructed<CSpracheDlg>(
        [](QDialog& dialog) { EXPECT_EQ(ControlName(dialog.focusWidget()), "1045"); });
}
