// The coordinates dialog and the distance dialog on a target document: list, protocol,
// clipboard, deleting and moving points, export, and the distance text.
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <cerrno>
#include <cstring>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "FileSizeLimit.h"
#include "TempDir.h"
#include "controls/CListCtrlEx.h"
#include "dialogs/CKoordinatenDlg.h"
#include "dialogs/CPunktbezeichnungDlg.h"
#include "dialogs/CStreckeDlg.h"

namespace {

class CoordinatesDialogTest : public AppDocumentTest {
protected:
    void SetUp() override {
        AppDocumentTest::SetUp();
        // A 100 x 50 target whose pixel (px, py) lies at (1000 + px, 2050 - py).
        m_doc->m_image.Create(100, 50, 24, FORMAT_UNKNOWN);
        m_doc->m_isSource = 0;
        m_doc->m_extentLeft = 1000;
        m_doc->m_extentRight = 1100;
        m_doc->m_extentBottom = 2000;
        m_doc->m_extentTop = 2050;
        m_doc->m_koosys = 3;
        m_doc->m_is3D = 0;
        m_doc->m_decimals = 3;
        m_doc->SetTitle(QStringLiteral("ZIEL  -  /data/Haus.jpg"));
        View()->m_tool = 4;
        // Points (0, 0), (5, 0), (5, 5) in target coordinates, relative to (1000, 2000).
        m_doc->m_measurePoints.Append(QStringLiteral("1"), 0, 50);
        m_doc->m_measurePoints.Append(QStringLiteral("2"), 5, 50);
        m_doc->m_measurePoints.Append(QStringLiteral("3"), 5, 45);
    }

    CTesseloView* View() { return m_doc->GetFirstView(); }
    CListCtrlEx* List(CKoordinatenDlg& d) { return d.findChild<CListCtrlEx*>("1044"); }
    QString Protocol(CKoordinatenDlg& d) {
        return d.findChild<QPlainTextEdit*>("1053")->toPlainText();
    }
    QStringList Row(CKoordinatenDlg& d, int row) {
        QStringList texts;
        for (int c = 0; c < List(d)->columnCount(); ++c) texts << List(d)->GetItemTextStr(row, c);
        return texts;
    }
    QStringList Titles(CKoordinatenDlg& d) {
        QStringList titles;
        for (int c = 0; c < List(d)->columnCount(); ++c)
            titles << List(d)->horizontalHeaderItem(c)->text();
        return titles;
    }
    QStringList Names() const { return m_doc->m_measurePoints.names; }
};

TEST_F(CoordinatesDialogTest, PolygonProtocolGoesToTheClipboard) {
    CKoordinatenDlg dialog;
    dialog.m_doc = m_doc;
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("1025")->isEnabled());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("1024")->isChecked());
    EXPECT_EQ(Titles(dialog), QStringList({"Punkt", "Ost [m]", "Nord [m]", ""}));
    EXPECT_EQ(Row(dialog, 2), QStringList({"3", "1005.000", "2005.000", ""}));
    const QString expected = QString::fromUtf8(
        "Fläche = 12.500\r\n"
        "Umfang = 17.071\r\n"
        "\r\n"
        "Punkt       Ost         Nord    Seitenlänge\r\n"
        "1     1000.000 2000.000  5.000\r\n"
        "2     1005.000 2000.000  5.000\r\n"
        "3     1005.000 2005.000  7.071\r\n");
    EXPECT_EQ(dialog.m_protocol, expected);
    EXPECT_EQ(Protocol(dialog), QString(expected).replace("\r\n", "\n"));

    QGuiApplication::clipboard()->clear();
    dialog.OnCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    // The protocol is copied as the edit field holds it.
    dialog.findChild<QPlainTextEdit*>("1053")->setPlainText(QStringLiteral("A\nB"));
    dialog.OnCopy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "A\r\nB");

    View()->m_tool = 3;  // without the polygon tool: no area, no side lengths
    dialog.FillList();
    EXPECT_EQ(dialog.m_protocol, QString::fromUtf8("Punkt       Ost         Nord\r\n"
                                                   "1     1000.000 2000.000\r\n"
                                                   "2     1005.000 2000.000\r\n"
                                                   "3     1005.000 2005.000\r\n"));
}

TEST_F(CoordinatesDialogTest, A3DTargetShowsPlaneCoordinatesOrDashesWithoutAPlane) {
    m_doc->m_koosys = 1;
    m_doc->m_is3D = 1;
    m_doc->m_decimals = 1;
    View()->m_tool = 3;
    CKoordinatenDlg dialog;
    dialog.m_doc = m_doc;
    dialog.OnInitDialog();
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("1025")->isChecked());
    EXPECT_EQ(Titles(dialog), QStringList({"Punkt", "Nord [m]", "Ost [m]", "H [m]"}));
    EXPECT_EQ(Row(dialog, 0), QStringList({"1", "---", "---", "---"}));

    // S = (10, 20, 30), A = (1, 0, 0), B = (0, 0, 1): (u, v) lies at (10 - u, 20, 30 + v).
    const double plane[9] = {10, 20, 30, 1, 0, 0, 0, 0, 1};
    std::copy(std::begin(plane), std::end(plane), m_doc->m_plane);
    dialog.FillList();
    EXPECT_EQ(Row(dialog, 1), QStringList({"2", "20.0", "-995.0", "2030.0"}));
    EXPECT_EQ(dialog.m_protocol, QString::fromUtf8("Punkt       Nord        Ost       Höhe\r\n"
                                                   "1     20.0 -990.0 2030.0\r\n"
                                                   "2     20.0 -995.0 2030.0\r\n"
                                                   "3     20.0 -995.0 2035.0\r\n"));

    dialog.findChild<QRadioButton*>("1024")->click();  // "2D": the target coordinates
    EXPECT_EQ(Titles(dialog), QStringList({"Punkt", "Rechts [m]", "Hoch [m]", ""}));
    EXPECT_EQ(Row(dialog, 1), QStringList({"2", "1005.0", "2000.0", ""}));
}

TEST_F(CoordinatesDialogTest, DeleteAndMoveWorkOnTheDocumentsList) {
    m_doc->m_nextPointNumber = 4;
    CKoordinatenDlg dialog;
    dialog.m_doc = m_doc;
    dialog.OnInitDialog();
    auto* deleteButton = dialog.findChild<QWidget*>("1027");
    EXPECT_FALSE(deleteButton->isEnabled());

    List(dialog)->SelectItem(0, true);
    EXPECT_TRUE(deleteButton->isEnabled());
    dialog.OnMoveUp();  // the first row cannot go up
    EXPECT_EQ(Names(), QStringList({"1", "2", "3"}));
    dialog.OnMoveDown();
    EXPECT_EQ(Names(), QStringList({"2", "1", "3"}));
    EXPECT_EQ(List(dialog)->GetFirstSelected(), 1);
    EXPECT_EQ(m_doc->m_measurePoints.x, (std::vector<double>{5, 0, 5}));
    dialog.OnMoveDown();
    dialog.OnMoveDown();  // the last row cannot go down
    EXPECT_EQ(Names(), QStringList({"2", "3", "1"}));
    EXPECT_EQ(List(dialog)->GetFirstSelected(), 2);
    EXPECT_TRUE(dialog.m_protocol.contains("Fläche = 12.500"));

    dialog.OnDelete();  // the last row: the selection moves to the new last row
    EXPECT_EQ(Names(), QStringList({"2", "3"}));
    EXPECT_EQ(List(dialog)->GetFirstSelected(), 1);
    EXPECT_EQ(m_doc->m_nextPointNumber, 4);
    dialog.OnDelete();
    dialog.OnDelete();
    EXPECT_EQ(m_doc->m_measurePoints.Size(), 0);
    EXPECT_EQ(m_doc->m_nextPointNumber, 1);
    EXPECT_EQ(dialog.m_protocol, QString());

    m_doc->m_measurePoints.Append(QStringLiteral("9"), 1, 1);
    m_doc->m_nextPointNumber = 10;
    dialog.OnDeleteAll();
    EXPECT_EQ(m_doc->m_measurePoints.Size(), 0);
    EXPECT_EQ(m_doc->m_measurePoints.x.size(), 0u);
    EXPECT_EQ(m_doc->m_nextPointNumber, 1);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(CoordinatesDialogTest, DefaultExportName) {
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("ZIEL  -  /data/Haus.jpg"), "Haus.dat");
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("ZIEL  -  unbenannt"), "unbenannt.dat");
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("Veltrano3"), "Veltrano3.dat");
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("QUELLE  -  /a/b.c.tif"), "b.c.dat");
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("ZIEL  -  "), "ZIEL  -  .dat");  // too short
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName(""), "*.dat");

    // The English titles carry their own prefix.
    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("TARGET  -  untitled"), "untitled.dat");
    EXPECT_EQ(CKoordinatenDlg::DefaultExportName("TARGET  -  /data/Haus.jpg"), "Haus.dat");
}

TEST_F(CoordinatesDialogTest, ExportAsksForTheFileAndTheHeaderAndWritesTheDocumentsSystem) {
    TempDir dir;
    const QString path = QString::fromStdString(dir.File("Haus.dat"));
    m_doc->m_koosys = 0;  // 3D target seen in "2D": the file still has the 3D lines
    m_doc->m_is3D = 1;
    const double plane[9] = {10, 20, 30, 1, 0, 0, 0, 0, 1};
    std::copy(std::begin(plane), std::end(plane), m_doc->m_plane);
    CKoordinatenDlg dialog;
    dialog.m_doc = m_doc;
    dialog.OnInitDialog();
    dialog.findChild<QRadioButton*>("1024")->click();

    ChooseFile(path);
    QString preset;
    m_dialogScripts.push_back([&](QDialog& d) {
        auto& header = static_cast<CPunktbezeichnungDlg&>(d);
        preset = d.findChild<QLineEdit*>("1004")->text();
        EXPECT_EQ(d.windowTitle(), "Header-Zeile");
        d.findChild<QLineEdit*>("1004")->setText(QStringLiteral("Punkt;Ost;Nord;Höhe"));
        header.OnOK();
        return d.result();
    });
    dialog.OnExport();
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].fileName, "Haus.dat");
    EXPECT_TRUE(m_requests[0].overwritePrompt);
    EXPECT_EQ(m_requests[0].mode, filechooser::Mode::Save);
    EXPECT_EQ(preset, "Haus");
    EXPECT_EQ(TempDir::ReadText(path.toStdString()),
              "Punkt;Ost;Nord;H\xF6he\r\n"
              "1;-990.000;20.000;2030.000\r\n"
              "2;-995.000;20.000;2030.000\r\n"
              "3;-995.000;20.000;2035.000\r\n");
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0], "Datei gespeichert\n\n" + path.toStdString());

    // A cancelled header still writes the file, with an empty first line.
    ChooseFile(path);
    dialog.OnExport();
    EXPECT_EQ(TempDir::ReadText(path.toStdString()).substr(0, 4), "\r\n1;");

    // A file that cannot be created.
    const QString bad = QString::fromStdString(dir.File("no/such/dir.dat"));
    ChooseFile(bad);
    dialog.OnExport();
    ASSERT_EQ(m_ui.messages.size(), 3u);
    EXPECT_EQ(m_ui.messages[2].rfind("Datei " + bad.toStdString() + " konnte nicht", 0), 0u);

    m_doc->m_measurePoints.Clear();
    dialog.OnExport();
    EXPECT_EQ(m_ui.messages.back(), "Keine Punkte gemessen");
    EXPECT_EQ(m_requests.size(), 3u);  // no file dialog without points
}

TEST_F(CoordinatesDialogTest, AnExportTheDiskRefusesKeepsTheOldFileAndSaysWhy) {
    TempDir dir;
    const std::string path = dir.File("Haus.dat");
    TempDir::WriteBytes(path, {'a', 'l', 't'});
    CKoordinatenDlg dialog;
    dialog.m_doc = m_doc;
    dialog.OnInitDialog();
    ChooseFile(QString::fromStdString(path));
    {
        FileSizeLimit limit(20);
        ASSERT_TRUE(limit.Active());
        dialog.OnExport();
    }
    EXPECT_EQ(m_ui.messages,
              std::vector<std::string>{"Datei " + path + " konnte nicht geschrieben werden\n\n" +
                                       std::strerror(EFBIG)});
    EXPECT_EQ(TempDir::ReadText(path), "alt");
    EXPECT_EQ(dir.EntryCount(), 1u);
}

TEST_F(CoordinatesDialogTest, FinishMeasureRunsTheDialogForThePointsTools) {
    const struct {
        int source, tool;
        bool enabled;
    } cases[] = {{0, 3, true}, {0, 4, true}, {0, 1, false}, {0, 2, false}, {1, 4, false}};
    for (const auto& c : cases) {
        m_doc->m_isSource = c.source;
        View()->m_tool = c.tool;
        EXPECT_EQ(App()->UpdateCommand(cmd::ID_FINISH_MEASURE).IsEnabled(), c.enabled)
            << c.source << " " << c.tool;
    }
    m_doc->m_isSource = 0;
    View()->m_tool = 4;
    EXPECT_TRUE(App()->RouteCommand(cmd::ID_FINISH_MEASURE));
    EXPECT_EQ(m_dialogsRun, std::vector<QString>({"158"}));
}

TEST_F(CoordinatesDialogTest, DistanceDialogShowsTheDistanceWithAMinimumWidth) {
    m_doc->m_decimals = 1;
    m_doc->m_distX1 = 10;
    m_doc->m_distY1 = 40;  // (1010, 2010)
    m_doc->m_distX2 = 13;
    m_doc->m_distY2 = 44;  // (1013, 2006)
    m_doc->m_distanceState = 1;
    EXPECT_EQ(CStreckeDlg::DistanceText(*m_doc), QString());
    m_doc->m_distanceState = 2;
    CStreckeDlg dialog;
    dialog.m_doc = m_doc;
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.m_text, QString::fromUtf8("Schrägseite =   5.0\r\n"
                                               "Horizontal  =   3.0\r\n"
                                               "Vertikal    =  -4.0\r\n"));
    m_doc->m_decimals = 6;
    EXPECT_EQ(CStreckeDlg::DistanceText(*m_doc), QString::fromUtf8("Schrägseite = 5.000000\r\n"
                                                                   "Horizontal  = 3.000000\r\n"
                                                                   "Vertikal    = -4.000000\r\n"));
    m_doc->m_extentTop = UNDEFINED_VALUE;  // cannot be transformed
    EXPECT_EQ(CStreckeDlg::DistanceText(*m_doc), QString());
    m_doc->m_extentTop = 2050;
    EXPECT_EQ(m_doc->ShowDistance(), int(QDialog::Rejected));
    EXPECT_EQ(m_dialogsRun, std::vector<QString>({"159"}));
}

}  // namespace

namespace {

TEST_F(CoordinatesDialogTest, TheEnglishProtocolKeepsItsColumns) {
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH));
    ProcessEvents();
    View()->m_tool = 3;
    CKoordinatenDlg dialog;
    dialog.m_doc = m_doc;
    dialog.OnInitDialog();
    EXPECT_EQ(dialog.m_protocol, QString::fromUtf8("Point       East        North\r\n"
                                                   "1     1000.000 2000.000\r\n"
                                                   "2     1005.000 2000.000\r\n"
                                                   "3     1005.000 2005.000\r\n"));
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_LANGUAGE_GERMAN));
    ProcessEvents();
}

}  // namespace
