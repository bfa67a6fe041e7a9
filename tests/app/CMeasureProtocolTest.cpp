// The measurement protocol and the coordinate export, compared character for character with
// texts written out by hand.
#include <gtest/gtest.h>

#include <QString>

#include "TempDir.h"
#include "dialogs/CMeasureProtocol.h"

namespace {

CMeasuredPoint Point2D(const char* name, double a, double b) {
    CMeasuredPoint p;
    p.name = QString::fromUtf8(name);
    p.a = a;
    p.b = b;
    return p;
}

CMeasuredPoint Point3D(const char* name, double a, double b, double e, double n, double h) {
    CMeasuredPoint p = Point2D(name, a, b);
    p.e = e;
    p.n = n;
    p.h = h;
    return p;
}

struct ProtocolCase {
    const char* what;
    int system;
    bool polygon;
    int decimals;
    std::vector<CMeasuredPoint> points;
    const char* expected;  // UTF-8
};

TEST(CMeasureProtocol, ProtocolTextMatchesTheLayout) {
    const ProtocolCase cases[] = {
        {"2D east/north polygon, 3 decimals",
         3,
         true,
         3,
         {Point2D("1", 0, 0), Point2D("2", 5, 0), Point2D("3", 5, 5)},
         "Fläche = 12.500\r\n"
         "Umfang = 17.071\r\n"
         "\r\n"
         "Punkt       Ost         Nord    Seitenlänge\r\n"
         "1     0.000 0.000  5.000\r\n"
         "2     5.000 0.000  5.000\r\n"
         "3     5.000 5.000  7.071\r\n"},
        {"2D east/north points, 3 decimals: no area, no side lengths",
         3,
         false,
         3,
         {Point2D("1", 0, 0), Point2D("2", 5, 0)},
         "Punkt       Ost         Nord\r\n"
         "1     0.000 0.000\r\n"
         "2     5.000 0.000\r\n"},
        {"3D east/north/height, 0 decimals",
         0,
         false,
         0,
         {Point3D("A1", 0, 0, 100.4, 200.6, -3.2), Point3D("Punkt7", 0, 0, 7, 8, 9)},
         "Punkt       Ost         Nord      Höhe\r\n"
         "A1    100 201 -3\r\n"
         "Punkt7 7 8 9\r\n"},
        {"3D north/east/height polygon, 6 decimals",
         1,
         true,
         6,
         {Point3D("1", 0, 0, 10, 20, 1), Point3D("2", 3, 0, 13, 20, 1),
          Point3D("3", 3, 4, 13, 24, 1.5)},
         "Fläche = 6.000000\r\n"
         "Umfang = 12.000000\r\n"
         "\r\n"
         "Punkt       Nord        Ost       Höhe    Seitenlänge\r\n"
         "1     20.000000 10.000000 1.000000  3.000000\r\n"
         "2     20.000000 13.000000 1.000000  4.000000\r\n"
         "3     24.000000 13.000000 1.500000  5.000000\r\n"},
        {"2D north/east, crossing sides: the area is refused",
         4,
         true,
         0,
         {Point2D("a", 0, 0), Point2D("b", 1, 1), Point2D("c", 1, 0), Point2D("d", 0, 1)},
         "Fläche: Fehler: Seiten überschneiden sich\r\n"
         "Umfang = 5\r\n"
         "\r\n"
         "Punkt       Nord        Ost    Seitenlänge\r\n"
         "a     0 0  1\r\n"
         "b     1 1  1\r\n"
         "c     0 1  1\r\n"
         "d     1 0  1\r\n"},
        {"2D facade, a point that cannot be transformed ends the side lengths",
         2,
         true,
         3,
         {Point2D("1", 0, 0), Point2D("2", 3, 0), CMeasuredPoint{QStringLiteral("3")}},
         "Fläche: \r\n"
         "Umfang = 3.000\r\n"
         "\r\n"
         "Punkt      Rechts       Hoch    Seitenlänge\r\n"
         "1     0.000 0.000  3.000\r\n"
         "2     3.000 0.000\r\n"
         "3     --- ---\r\n"},
    };
    for (const ProtocolCase& c : cases) {
        EXPECT_EQ(CMeasureProtocol::Protocol(c.points, c.system, c.polygon, c.decimals),
                  QString::fromUtf8(c.expected))
            << c.what;
    }
    EXPECT_EQ(CMeasureProtocol::Protocol({}, 3, true, 3), QString());
}

TEST(CMeasureProtocol, ColumnsFollowTheDisplayedSystem) {
    EXPECT_EQ(CMeasureProtocol::DisplaySystem(0, 1), 0);
    EXPECT_EQ(CMeasureProtocol::DisplaySystem(1, 0), 2);  // a 3D target seen in 2D
    EXPECT_EQ(CMeasureProtocol::DisplaySystem(4, 0), 4);
    EXPECT_EQ(CMeasureProtocol::ColumnTitles(1), QStringList({"Nord [m]", "Ost [m]", "H [m]"}));
    EXPECT_EQ(CMeasureProtocol::ColumnTitles(2), QStringList({"Rechts [m]", "Hoch [m]", ""}));
    EXPECT_EQ(CMeasureProtocol::ColumnTitles(3), QStringList({"Ost [m]", "Nord [m]", ""}));
    const CMeasuredPoint p = Point3D("1", 1, 2, 3, 4, 5);
    EXPECT_EQ(CMeasureProtocol::Values(p, 1, 1), QStringList({"4.0", "3.0", "5.0"}));
    EXPECT_EQ(CMeasureProtocol::Values(p, 4, 1), QStringList({"2.0", "1.0"}));
    EXPECT_EQ(CMeasureProtocol::FormatNumber(-0.0004, 3), "-0.000");
    EXPECT_EQ(CMeasureProtocol::FormatNumber(UNDEFINED_VALUE, 3), "---");
}

struct ExportCase {
    int koosys;
    int decimals;
    const char* header;  // UTF-8
    std::vector<CMeasuredPoint> points;
    std::string expected;  // file bytes, Windows-1252
};

TEST(CMeasureProtocol, ExportFileMatchesTheLayout) {
    const ExportCase cases[] = {
        {0,
         3,
         "Höhe über NN",
         {Point3D("1", 0, 0, 1.5, 2.25, 3.125), Point3D("2", 0, 0, -1, 0, 1e3)},
         "H\xF6he \xFC"
         "ber NN\r\n1;1.500;2.250;3.125\r\n2;-1.000;0.000;1000.000\r\n"},
        {1, 6, "", {Point3D("P", 0, 0, 1, 2, 3)}, "\r\nP;2.000000;1.000000;3.000000\r\n"},
        {2, 0, "Fassade", {Point2D("a", 1.4, 2.6)}, "Fassade\r\na;1;3\r\n"},
        {4,
         3,
         "Grundriss",
         {Point2D("a", 1, 2), Point2D("b", 3, 4)},
         "Grundriss\r\na;2.000;1.000\r\nb;4.000;3.000\r\n"},
        // A 3D target without plane: the values are unknown, not numbers of 1.7e308.
        {0, 3, "x", {Point2D("q", 1, 2)}, "x\r\nq;---;---;---\r\n"},
    };
    TempDir dir;
    for (const ExportCase& c : cases) {
        const QString path = QString::fromStdString(dir.File("export.dat"));
        QString error;
        ASSERT_TRUE(CMeasureProtocol::WriteExportFile(path, QString::fromUtf8(c.header), c.points,
                                                      c.koosys, c.decimals, &error))
            << error.toStdString();
        EXPECT_EQ(TempDir::ReadText(path.toStdString()), c.expected) << c.koosys;
    }
}

TEST(CMeasureProtocol, ExportFailsForNoPointsAndForAFileThatCannotBeWritten) {
    TempDir dir;
    const std::string path = dir.File("old.dat");
    { std::ofstream(path) << "old contents"; }
    QString error;
    EXPECT_FALSE(
        CMeasureProtocol::WriteExportFile(QString::fromStdString(path), "h", {}, 3, 3, &error));
    EXPECT_EQ(TempDir::ReadText(path), "");  // created empty
    EXPECT_FALSE(
        CMeasureProtocol::WriteExportFile(QString::fromStdString(dir.File("missing/sub/x.dat")),
                                          "h", {Point2D("1", 0, 0)}, 3, 3, &error));
    EXPECT_FALSE(error.isEmpty());
}

}  // namespace
