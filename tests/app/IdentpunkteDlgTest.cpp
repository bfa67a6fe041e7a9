// The reference points dialog: coordinate import, editing, switching and deleting points.
#include <QFile>
#include <QPushButton>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "controls/CListCtrlEx.h"
#include "controls/CNumEdit.h"
#include "dialogs/CIdentpunkteDlg.h"
#include "raster/AllocationMeter.h"

namespace {

class IdentpunkteDlgTest : public AppDocumentTest {
protected:
    // Points A, B, C in the given coordinate system, reference values 7.
    void MakePoints(int koosys, const QStringList& names = {"A", "B", "C"}) {
        m_doc->m_koosys = koosys;
        m_doc->m_is3D = koosys < 2 ? 1 : 0;
        for (int i = 0; i < names.size(); ++i)
            m_doc->m_points.Append(names[i], 10.0 * i, 20.0 * i, 7.0, 7.0, 7.0);
        m_dialog = std::make_unique<CIdentpunkteDlg>();
        m_dialog->SetDocument(*m_doc);
        ASSERT_TRUE(m_dialog->OnInitDialog());
    }

    QString WriteFile(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("import.txt"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        return path;
    }

    void ExpectListsInStep() const {
        const CControlPointList& p = m_doc->m_points;
        const size_t n = size_t(p.Size());
        for (size_t size : {p.x.size(), p.y.size(), p.r1.size(), p.r2.size(), p.r3.size(),
                            p.use2D.size(), p.use3D.size()})
            EXPECT_EQ(size, n);
    }

    template <class T>
    T* Field(const char* id) {
        T* widget = m_dialog->findChild<T*>(QLatin1String(id));
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }

    std::unique_ptr<CIdentpunkteDlg> m_dialog;
};

struct ImportCase {
    const char* name;
    int koosys;
    QByteArray file;
    double r1, r2, r3;  // expected values of point A
    const char* report;
};

}  // namespace

TEST_F(IdentpunkteDlgTest, ImportPlacesTheColumnsByTheSystemsAxesAndReportsBadLines) {
    const ImportCase cases[] = {
        {"2D ignores a third value", 2, "A 10.5 20.25 99\nB 1 2\nC 3 4\n", 0.0, 10.5, 20.25,
         "3 von 3 Punkten gefunden"},
        {"3D east north height", 0, "A 1 2 3\nB 1 2 3\nC 1 2 3\n", 1.0, 2.0, 3.0,
         "3 von 3 Punkten gefunden"},
        {"3D north east height", 1, "A 1 2 3\nB 1 2 3\nC 1 2 3\n", 2.0, 1.0, 3.0,
         "3 von 3 Punkten gefunden"},
        {"2D north east", 4, "A 1 2\nB 1 2\nC 1 2\n", 0.0, 2.0, 1.0, "3 von 3 Punkten gefunden"},
        {"tabs, runs of blanks, CR LF, a comma as decimal point", 3,
         "  A\t\t1,5   -2.5e1  \r\n\r\nB 1 2\r\nC 1 2\r\n", 0.0, 1.5, -25.0,
         "3 von 3 Punkten gefunden"},
        {"a no-break space (Windows-1252) ends a line like a blank", 3,
         "A 1 2\xA0\r\nB 1 2\nC 1 2\n", 0.0, 1.0, 2.0, "3 von 3 Punkten gefunden"},
        {"the first line of a name wins", 2, "A 1 2\nA 5 6\nB 1 2\nC 1 2\n", 0.0, 1.0, 2.0,
         "3 von 3 Punkten gefunden"},
        {"3D line with two values is incomplete", 0, "A 1 2\nB 1 2 3\nC 1 2 3\n", 7.0, 7.0, 7.0,
         "2 von 3 Punkten gefunden\n\nAufgetretene Fehler:\n\nFolgende Datenzeilen im File sind "
         "unvollständig:\n1\n\nFür 1 Punkte wurden keine Koordinaten gefunden:\nA"},
        {"semicolons join the fields into one", 2, "A;1;2\nB 1 2\n\nC x 2\nC 1 2\n", 7.0, 7.0, 7.0,
         "2 von 3 Punkten gefunden\n\nAufgetretene Fehler:\n\nFolgende Datenzeilen im File sind "
         "unvollständig:\n1, 4\n\nFür 1 Punkte wurden keine Koordinaten gefunden:\nA"},
        {"text that is no number, or not a finite one, is no value", 2,
         "A 1 2abc\nA inf 2\nA 1 nan\nA 1e999 2\nB 1 2\nC 1 2\n", 7.0, 7.0, 7.0,
         "2 von 3 Punkten gefunden\n\nAufgetretene Fehler:\n\nFolgende Datenzeilen im File sind "
         "unvollständig:\n1, 2, 3, 4\n\nFür 1 Punkte wurden keine Koordinaten gefunden:\nA"},
        {"foreign names are ignored, missing ones listed", 2, "X 1 2\nA 3 4\n", 0.0, 3.0, 4.0,
         "1 von 3 Punkten gefunden\n\nAufgetretene Fehler:\n\nFür 2 Punkte wurden keine "
         "Koordinaten gefunden:\nB, C"},
    };
    for (const ImportCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_doc->m_points.Clear();
        m_ui.messages.clear();
        MakePoints(c.koosys);
        m_dialog->ImportAscii(WriteFile(c.file));
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_EQ(m_ui.messages[0], c.report);
        EXPECT_EQ(m_doc->m_points.r1[0], c.r1);
        EXPECT_EQ(m_doc->m_points.r2[0], c.r2);
        EXPECT_EQ(m_doc->m_points.r3[0], c.r3);
        EXPECT_EQ(m_doc->m_points.use2D, (std::vector<int>{1, 1, 1}));
        ExpectListsInStep();
        // The list shows the imported values.
        EXPECT_EQ(Field<CListCtrlEx>("1010")->GetItemCount(), 3);
    }
}

TEST_F(IdentpunkteDlgTest, ImportMatchesNamesInWindows1252AndInUtf8) {
    MakePoints(2, {QStringLiteral("Höhe1"), QStringLiteral("Höhe2")});
    m_dialog->ImportAscii(WriteFile(QByteArray("H\xF6he1 1 2\n") + "H\xC3\xB6he2 3 4\n"));
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0], "2 von 2 Punkten gefunden");
    EXPECT_EQ(m_doc->m_points.r2, (std::vector<double>{1.0, 3.0}));
    EXPECT_EQ(m_doc->m_points.r3, (std::vector<double>{2.0, 4.0}));
}

TEST_F(IdentpunkteDlgTest, ImportOfADamagedFileCostsASmallMultipleOfItsSize) {
    // A line is held at most twice: as its bytes and as its characters (two bytes each), or as
    // its characters and one field's copy. The report is held, and copied by the recorder; a
    // file of many short incomplete lines makes it large, as every line number is listed.
    if (!AllocationMeter::Available()) GTEST_SKIP() << "allocations cannot be counted here";
    constexpr qsizetype kSize = 24 << 20;
    constexpr qsizetype kShortLines = 1 << 20;
    const std::string found1 =
        "1 von 3 Punkten gefunden\n\nAufgetretene Fehler:\n\nFür 2 Punkte "
        "wurden keine Koordinaten gefunden:\nB, C";
    std::string lineNumbers = "1";
    for (qsizetype n = 2; n <= kShortLines; ++n) lineNumbers += ", " + std::to_string(n);
    const std::string noneFound =
        "0 von 3 Punkten gefunden\n\nAufgetretene Fehler:\n\nFolgende "
        "Datenzeilen im File sind unvollständig:\n";
    const std::string missingAll = "\n\nFür 3 Punkte wurden keine Koordinaten gefunden:\nA, B, C";
    struct Case {
        const char* name;
        int koosys;
        QByteArray file;
        std::string report;
        double r2;  // of point A
    } cases[] = {
        {"one name without blanks", 2, "A" + QByteArray(kSize, 'x'), noneFound + "1" + missingAll,
         7.0},
        {"fields without end", 0, "A 1 2 3" + QByteArray(" 4").repeated(kSize / 2), found1, 2.0},
        {"a number of many digits", 2, "A 1." + QByteArray(kSize, '0') + " 2\n", found1, 1.0},
        {"Windows-1252 characters", 2, "A 5 6 " + QByteArray(kSize, '\x80'), found1, 5.0},
        {"lines of one character", 2, QByteArray("x\n").repeated(kShortLines),
         noneFound + lineNumbers + missingAll, 7.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_doc->m_points.Clear();
        m_ui.messages.clear();
        MakePoints(c.koosys);
        const QString path = WriteFile(c.file);
        uint64_t peak = 0;
        {
            AllocationMeter meter;
            m_dialog->ImportAscii(path);
            peak = meter.PeakBytes();
        }
        ASSERT_EQ(m_ui.messages.size(), 1u);
        EXPECT_TRUE(m_ui.messages[0] == c.report) << m_ui.messages[0].substr(0, 300);
        EXPECT_EQ(m_doc->m_points.r2[0], c.r2);
        // Slack: the list, the dialog's names and the allocator's bookkeeping.
        EXPECT_LE(peak, 3 * uint64_t(c.file.size()) + 2 * c.report.size() + (1u << 20));
    }
}

TEST_F(IdentpunkteDlgTest, ImportOfAMissingFileChangesNothing) {
    MakePoints(2);
    const QString path = m_dir.filePath(QStringLiteral("missing.txt"));
    m_dialog->ImportAscii(path);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0],
              "Fehler: Datei konnte nicht geöffnet werden!\n\n'" + path.toStdString() + "'");
    EXPECT_EQ(m_doc->m_points.r2, (std::vector<double>{7.0, 7.0, 7.0}));
}

TEST_F(IdentpunkteDlgTest, ImportButtonTakesTheChosenFile) {
    MakePoints(2);
    ChooseFile(WriteFile("A 1 2\nB 3 4\nC 5 6\n"));
    Field<QPushButton>("1021")->click();
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].mode, filechooser::Mode::Open);
    EXPECT_EQ(m_doc->m_points.r2, (std::vector<double>{1.0, 3.0, 5.0}));
}

TEST_F(IdentpunkteDlgTest, EditAllWalksEveryRowAndApplyValidates) {
    MakePoints(2);
    m_dialog->OnEditAll();
    auto* first = Field<CNumEdit>("1005");
    auto* second = Field<CNumEdit>("1004");
    auto* third = Field<CNumEdit>("1008");
    EXPECT_FALSE(third->isEnabled());  // 2D: the third value is R1, not edited
    EXPECT_FALSE(Field<QPushButton>("1")->isEnabled());
    for (int row = 0; row < 3; ++row) {
        ASSERT_EQ(m_dialog->EditMode(), 1);
        ASSERT_EQ(m_dialog->EditRow(), row);
        first->setText(QString::number(row + 1));
        if (row == 1) {
            // An empty second value is refused and the edit stays.
            second->setText(QString());
            m_dialog->OnApply();
            EXPECT_EQ(m_ui.messages.back(), "Koordinaten sind ungültig");
            EXPECT_EQ(m_dialog->EditRow(), 1);
            EXPECT_EQ(m_doc->m_points.r2[1], 7.0);
        }
        second->setText(QString::number(10 * (row + 1)));
        third->SetValue(UNDEFINED_VALUE);
        m_dialog->OnApply();
    }
    EXPECT_EQ(m_dialog->EditMode(), 0);
    EXPECT_TRUE(Field<QPushButton>("1")->isEnabled());
    EXPECT_EQ(m_doc->m_points.r2, (std::vector<double>{1.0, 2.0, 3.0}));
    EXPECT_EQ(m_doc->m_points.r3, (std::vector<double>{10.0, 20.0, 30.0}));
    // An undefined third value is stored as 0 into R1.
    EXPECT_EQ(m_doc->m_points.r1, (std::vector<double>{0.0, 0.0, 0.0}));
}

TEST_F(IdentpunkteDlgTest, SwitchingOffChangesOnlyTheActiveFlagsAndDeleteKeepsListsInStep) {
    MakePoints(0);
    auto* list = Field<CListCtrlEx>("1010");
    list->SelectItem(1, true);
    m_dialog->OnPointOff();
    EXPECT_EQ(m_doc->m_points.use3D, (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(m_doc->m_points.use2D, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(list->GetItemImage(1), 0);

    m_ui.answers = {ui::Answer::No, ui::Answer::Yes};
    m_dialog->OnPointDelete();
    EXPECT_EQ(m_ui.messages.back(), "Punkt 'B' sicher löschen");
    EXPECT_EQ(m_doc->m_points.Size(), 3);
    list->SelectItem(1, true);
    m_dialog->OnPointDelete();
    EXPECT_EQ(m_doc->m_points.names, (QStringList{"A", "C"}));
    EXPECT_EQ(m_doc->m_points.x, (std::vector<double>{0.0, 20.0}));
    EXPECT_EQ(m_doc->m_points.use3D, (std::vector<int>{1, 1}));
    ExpectListsInStep();
    EXPECT_EQ(list->GetItemCount(), 2);
}

TEST_F(IdentpunkteDlgTest, ListShowsTheSystemsHeadingsAndTheValuesInAxisOrder) {
    m_doc->m_decimals = 2;
    MakePoints(1);
    auto* list = Field<CListCtrlEx>("1010");
    m_doc->m_points.r1[0] = 1.0;  // east
    m_doc->m_points.r2[0] = 2.0;  // north
    m_doc->m_points.r3[0] = 3.0;
    m_dialog->FillList(-1);
    ASSERT_EQ(list->columnCount(), 6);
    EXPECT_EQ(list->horizontalHeaderItem(3)->text(), QStringLiteral("Nord [m]"));
    EXPECT_EQ(list->horizontalHeaderItem(4)->text(), QStringLiteral("Ost [m]"));
    EXPECT_EQ(list->GetItemTextStr(0, 3), QStringLiteral("2.00     "));
    EXPECT_EQ(list->GetItemTextStr(0, 4), QStringLiteral("1.00     "));
    EXPECT_EQ(list->GetItemTextStr(0, 5), QStringLiteral("3.00     "));
}

// A parameter file may bring a 3D flag that disagrees with the system (rectangle-route files
// carry flag 0 beside a 3D system). The dialog places the values by the system's axes, so the
// flag follows the system: all three values of a 3D system are shown and edited, and the
// plane fit follows; a 2D system shows two.
TEST_F(IdentpunkteDlgTest, AFlagThatDisagreesWithTheSystemFollowsTheSystem) {
    const struct {
        int koosys, flagRead, flag;
        const char* third;
    } cases[] = {{0, 0, 1, "3.00     "}, {3, 1, 0, ""}};
    m_doc->m_decimals = 2;
    m_doc->m_points.Append(QStringLiteral("A"), 10.0, 20.0, 1.0, 2.0, 3.0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.koosys);
        m_doc->m_koosys = c.koosys;
        m_doc->m_is3D = c.flagRead;
        m_dialog = std::make_unique<CIdentpunkteDlg>();
        m_dialog->SetDocument(*m_doc);
        ASSERT_TRUE(m_dialog->OnInitDialog());
        EXPECT_EQ(m_doc->m_is3D, c.flag);
        EXPECT_EQ(Field<CListCtrlEx>("1010")->GetItemTextStr(0, 5), QString::fromLatin1(c.third));
        m_dialog->EditPoint(0);
        EXPECT_EQ(Field<CNumEdit>("1008")->isEnabled(), c.flag == 1);
    }
}
