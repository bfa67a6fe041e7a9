// Parameter files: the exact version-3 bytes, versions 0 to 2 with their point lists, damaged
// and short files that leave the document as it was, and the load and save commands.

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>
#include <limits>

#include "AllocationMeter.h"
#include "AppTestSupport.h"
#include "CArchive.h"
#include "CMainFrame.h"
#include "CPostedEvents.h"
#include "CTesseloDoc.h"
#include "CWin1252.h"
#include "CommandIds.h"
#include "FileSizeLimit.h"
#include "RectifyChainFixture.h"
#include "TempDir.h"

namespace {

// A parameter file built byte by byte in the archive layout.
struct Bytes {
    std::vector<uint8_t> data;

    Bytes& Raw(const void* p, size_t n) {
        const auto* b = static_cast<const uint8_t*>(p);
        data.insert(data.end(), b, b + n);
        return *this;
    }
    Bytes& Int(int32_t v) {
        const uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
        return Raw(b, 4);
    }
    Bytes& U16(uint16_t v) {
        const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
        return Raw(b, 2);
    }
    Bytes& Double(double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, 8);
        for (int i = 0; i < 8; ++i) data.push_back(uint8_t(bits >> (8 * i)));
        return *this;
    }
    Bytes& Doubles(std::initializer_list<double> values) {
        U16(uint16_t(values.size()));
        for (double v : values) Double(v);
        return *this;
    }
    Bytes& Ints(std::initializer_list<int32_t> values) {
        U16(uint16_t(values.size()));
        for (int32_t v : values) Int(v);
        return *this;
    }
    Bytes& Strings(std::initializer_list<const char*> values) {
        U16(uint16_t(values.size()));
        for (const char* s : values) {
            data.push_back(uint8_t(std::strlen(s)));
            Raw(s, std::strlen(s));
        }
        return *this;
    }
};

// Three control points in file order (names, x, y, R1, R2, R3, use 2D, use 3D).
Bytes& ThreePoints(Bytes& b) {
    return b.Strings({"1", "2", "K\xF6"})
        .Doubles({10.5, 20.5, 30.5})
        .Doubles({11, 21, 31})
        .Doubles({100, 200, 300})
        .Doubles({1000, 2000, 3000})
        .Doubles({5, 6, 7})
        .Ints({1, 0, 1})
        .Ints({1, 1, 0});
}

// The scalars a version-3 file stores.
std::vector<double> Scalars(const CTesseloDoc& doc) {
    return {double(doc.m_decimals), double(doc.m_red),       double(doc.m_green),
            double(doc.m_blue),     double(doc.m_worldFile), double(doc.m_geoRefFile),
            double(doc.m_koosys),   double(doc.m_is3D),      double(doc.m_measureMode),
            doc.m_rectWidth,        doc.m_rectHeight};
}

class ParameterFileTest : public AppTest {
protected:
    QString File(const char* name) { return QString::fromStdString(m_tmp.File(name)); }

    QString Write(const char* name, const std::vector<uint8_t>& bytes) {
        TempDir::WriteBytes(m_tmp.File(name), bytes);
        return File(name);
    }

    // A document with values that no test file holds, to see what a load changes.
    static void Fill(CTesseloDoc& doc) {
        doc.m_decimals = 5;
        doc.m_red = 1;
        doc.m_green = 2;
        doc.m_blue = 3;
        doc.m_worldFile = 0;
        doc.m_geoRefFile = 1;
        doc.m_koosys = 4;
        doc.m_is3D = 0;
        doc.m_measureMode = 1;
        doc.m_rectWidth = 9.0;
        doc.m_rectHeight = 8.0;
        doc.m_points.Clear();
        doc.m_points.Append(QStringLiteral("old"), 1, 2, 3, 4, 5, 1, 0);
        doc.m_corners.Clear();
        doc.m_corners.Append(7, 8);
    }

    // Every stored field of the document, to compare before and after a refused load.
    static std::vector<double> Snapshot(const CTesseloDoc& doc) {
        std::vector<double> v = Scalars(doc);
        v.push_back(double(doc.m_points.Size()));
        const CControlPointList& p = doc.m_points;
        for (const auto* list : {&p.x, &p.y, &p.r1, &p.r2, &p.r3})
            v.insert(v.end(), list->begin(), list->end());
        v.insert(v.end(), p.use2D.begin(), p.use2D.end());
        v.insert(v.end(), p.use3D.begin(), p.use3D.end());
        v.insert(v.end(), doc.m_corners.x.begin(), doc.m_corners.x.end());
        v.insert(v.end(), doc.m_corners.y.begin(), doc.m_corners.y.end());
        return v;
    }

    TempDir m_tmp;
};

// A valid version-2 file: scalars, two corners, three control points.
std::vector<uint8_t> Version2File() {
    Bytes b;
    b.Int(2).Int(10).Int(20).Int(30).Int(1).Int(1).Int(3).Int(0).Double(4.5).Double(2.25).Int(0);
    b.Doubles({1, 2}).Doubles({3, 4});
    return ThreePoints(b).data;
}

}  // namespace

TEST_F(ParameterFileTest, Version3HasTheExactBytesAndReplacesALongerFileWhole) {
    CTesseloDoc doc;
    doc.m_decimals = 4;
    doc.m_red = 10;
    doc.m_green = 20;
    doc.m_blue = 255;
    doc.m_worldFile = 1;
    doc.m_geoRefFile = 0;
    doc.m_koosys = 1;
    doc.m_measureMode = 0;
    doc.m_rectWidth = 12.5;
    doc.m_rectHeight = UNDEFINED_VALUE;
    doc.m_is3D = 1;
    doc.m_points.Append(QStringLiteral("P"), 1, 1);

    Bytes expected;
    expected.Int(3).Int(4).Int(10).Int(20).Int(255).Int(1).Int(0).Int(1).Int(0);
    expected.Double(12.5).Double(1.7e308).Int(1);
    ASSERT_EQ(expected.data.size(), 56u);

    // An older, longer file of the same name must not leave its tail behind.
    const QString path = Write("p.par", std::vector<uint8_t>(300, 0xAA));
    ASSERT_TRUE(doc.StoreParameterFile(path));
    EXPECT_EQ(TempDir::ReadBytes(path.toStdString()), expected.data);

    // Loading restores the scalars and leaves the loading document's lists alone.
    CTesseloDoc other;
    Fill(other);
    ASSERT_EQ(other.LoadParameterFile(path), CTesseloDoc::ParameterLoad::Loaded);
    EXPECT_EQ(other.m_decimals, 4);
    EXPECT_EQ(other.m_red, 10);
    EXPECT_EQ(other.m_green, 20);
    EXPECT_EQ(other.m_blue, 255);
    EXPECT_EQ(other.m_worldFile, 1);
    EXPECT_EQ(other.m_geoRefFile, 0);
    EXPECT_EQ(other.m_koosys, 1);
    EXPECT_EQ(other.m_measureMode, 0);
    EXPECT_EQ(other.m_rectWidth, 12.5);
    EXPECT_EQ(other.m_rectHeight, UNDEFINED_VALUE);
    EXPECT_EQ(other.m_is3D, 1);
    EXPECT_EQ(other.m_points.names, QStringList{QStringLiteral("old")});
    EXPECT_EQ(other.m_corners.Size(), 1);
}

TEST_F(ParameterFileTest, OlderVersionsLoadTheirScalarsAndPointLists) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        int koosys, is3D, red, measureMode;
        double rectWidth;
        int corners;  // -1: the document's corner left as it was
    };
    Bytes v0;
    v0.Int(0).Int(1);
    ThreePoints(v0);
    Bytes v1a;
    v1a.Int(1).Int(0).Double(3.0).Double(4.0).Int(0).Doubles({5, 6, 7, 8}).Doubles({1, 2, 3, 4});
    ThreePoints(v1a);
    Bytes v1b;
    v1b.Int(1).Int(1).Double(3.0).Double(4.0).Int(1).Doubles({}).Doubles({});
    ThreePoints(v1b);
    const Case cases[] = {
        {"version 0, 3D", v0.data, 0, 1, 1, 1, 9.0, -1},
        {"version 1, 2D", v1a.data, 2, 0, 1, 0, 3.0, 4},
        {"version 1, 3D", v1b.data, 0, 1, 1, 1, 3.0, 0},
        {"version 2", Version2File(), 3, 0, 10, 0, 4.5, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTesseloDoc doc;
        Fill(doc);
        ASSERT_EQ(doc.LoadParameterFile(Write("old.par", c.bytes)),
                  CTesseloDoc::ParameterLoad::Loaded);
        EXPECT_EQ(doc.m_koosys, c.koosys);
        EXPECT_EQ(doc.m_is3D, c.is3D);
        EXPECT_EQ(doc.m_red, c.red);
        EXPECT_EQ(doc.m_measureMode, c.measureMode);
        EXPECT_EQ(doc.m_rectWidth, c.rectWidth);
        EXPECT_EQ(doc.m_decimals, 5);  // only version 3 carries the decimals
        const CControlPointList& p = doc.m_points;
        EXPECT_EQ(p.names, QStringList({"1", "2", QStringLiteral("K\u00f6")}));
        EXPECT_EQ(p.x, std::vector<double>({10.5, 20.5, 30.5}));
        EXPECT_EQ(p.y, std::vector<double>({11, 21, 31}));
        EXPECT_EQ(p.r1, std::vector<double>({100, 200, 300}));
        EXPECT_EQ(p.r2, std::vector<double>({1000, 2000, 3000}));
        EXPECT_EQ(p.r3, std::vector<double>({5, 6, 7}));
        EXPECT_EQ(p.use2D, std::vector<int>({1, 0, 1}));
        EXPECT_EQ(p.use3D, std::vector<int>({1, 1, 0}));
        if (c.corners < 0) {
            EXPECT_EQ(doc.m_corners.x, std::vector<double>{7});
        } else {
            EXPECT_EQ(doc.m_corners.Size(), c.corners);
            EXPECT_EQ(doc.m_corners.y.size(), size_t(c.corners));
        }
    }
}

// Point names are Windows-1252 whatever their bytes look like: C3 A4 is "Ã¤", and every byte
// value, the five unassigned ones too, is a character of its own.
TEST_F(ParameterFileTest, PointNamesAreWindows1252ByteForByte) {
    std::vector<uint8_t> every;
    for (int b = 0; b < 256; ++b) every.push_back(uint8_t(b));
    Bytes b;
    b.Int(0).Int(0).U16(2);
    b.data.insert(b.data.end(), {3, 'K', 0xC3, 0xA4, 0xFF, 0x00, 0x01});
    b.data.insert(b.data.end(), every.begin(), every.end());
    for (int i = 0; i < 5; ++i) b.Doubles({1, 2});
    b.Ints({1, 1}).Ints({1, 1});
    CTesseloDoc doc;
    ASSERT_EQ(doc.LoadParameterFile(Write("namen.par", b.data)),
              CTesseloDoc::ParameterLoad::Loaded);
    ASSERT_EQ(doc.m_points.Size(), 2);
    EXPECT_EQ(doc.m_points.names[0], QStringLiteral("K\u00c3\u00a4"));
    const QString name = doc.m_points.names[1];
    ASSERT_EQ(name.size(), 256);
    EXPECT_EQ(name[0x81], QChar(0x81));
    EXPECT_EQ(name[0x80], QChar(0x20AC));  // the euro sign
    EXPECT_EQ(CWin1252::FromUtf8(name.toStdString()), std::string(every.begin(), every.end()));
}

TEST_F(ParameterFileTest, UnknownVersionsReadOnlyTheVersion) {
    CTesseloDoc doc;
    Fill(doc);
    const std::vector<double> before = Snapshot(doc);
    Bytes v7;
    v7.Int(7).Int(99).Int(99);
    EXPECT_EQ(doc.LoadParameterFile(Write("v7.par", v7.data)), CTesseloDoc::ParameterLoad::Loaded);
    EXPECT_EQ(Snapshot(doc), before);

    // A negative version reads nothing but sets the system from the document's 3D flag.
    Bytes negative;
    negative.Int(-1);
    EXPECT_EQ(doc.LoadParameterFile(Write("neg.par", negative.data)),
              CTesseloDoc::ParameterLoad::Loaded);
    EXPECT_EQ(doc.m_koosys, 2);
    EXPECT_EQ(doc.m_points.Size(), 1);
}

TEST_F(ParameterFileTest, ShortOrDamagedFilesLeaveTheDocumentAsItWas) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> damaged;
    const std::vector<uint8_t> good = Version2File();
    for (size_t n = 0; n < good.size(); ++n)
        damaged.emplace_back("cut at " + std::to_string(n),
                             std::vector<uint8_t>(good.begin(), good.begin() + long(n)));
    const auto v2 = [](int koosys, int is3D, int red, double width) {
        Bytes b;
        b.Int(2).Int(red).Int(0).Int(0).Int(0).Int(0).Int(koosys).Int(1).Double(width).Double(1);
        b.Int(is3D);
        return b;
    };
    {
        Bytes b = v2(3, 0, 0, 1);
        b.Doubles({}).Doubles({});
        b.Strings({"a", "b"}).Doubles({1}).Doubles({1, 2}).Doubles({1, 2}).Doubles({1, 2});
        b.Doubles({1, 2}).Ints({1, 1}).Ints({1, 1});
        damaged.emplace_back("point lists of different lengths", b.data);
    }
    {
        Bytes b = v2(3, 0, 0, 1);
        b.Doubles({1, 2, 3, 4, 5}).Doubles({1, 2, 3, 4, 5});
        ThreePoints(b);
        damaged.emplace_back("five corners", b.data);
    }
    {
        Bytes b = v2(3, 0, 0, 1);
        b.Doubles({1, 2}).Doubles({1});
        ThreePoints(b);
        damaged.emplace_back("corner lists of different lengths", b.data);
    }
    {
        Bytes b = v2(3, 0, 0, 1);
        b.U16(0xFFFF).Int(-1);  // corner count 0xFFFFFFFF with nothing behind it
        damaged.emplace_back("count beyond the data", b.data);
    }
    const auto scalarsOnly = [&](const char* what, Bytes b) {
        b.Doubles({}).Doubles({});
        ThreePoints(b);
        damaged.emplace_back(what, b.data);
    };
    scalarsOnly("coordinate system 5", v2(5, 0, 0, 1));
    scalarsOnly("coordinate system -1", v2(-1, 0, 0, 1));
    scalarsOnly("red 256", v2(3, 0, 256, 1));
    scalarsOnly("red -1", v2(3, 0, -1, 1));
    scalarsOnly("width not a number", v2(3, 0, 0, std::numeric_limits<double>::quiet_NaN()));
    {
        Bytes b;
        b.Int(3).Int(7).Int(0).Int(0).Int(0).Int(0).Int(0).Int(3).Int(1).Double(1).Double(1);
        damaged.emplace_back("decimals 7", b.Int(0).data);
    }
    {
        Bytes b;
        b.Int(1).Int(2).Double(1).Double(1).Int(0).Doubles({}).Doubles({});
        damaged.emplace_back("measuring mode 2", ThreePoints(b).data);
    }
    {
        Bytes b;
        b.Int(0).Int(3);
        damaged.emplace_back("3D flag 3", ThreePoints(b).data);
    }

    for (const auto& [what, bytes] : damaged) {
        SCOPED_TRACE(what);
        CTesseloDoc doc;
        Fill(doc);
        const std::vector<double> before = Snapshot(doc);
        EXPECT_EQ(doc.LoadParameterFile(Write("bad.par", bytes)),
                  CTesseloDoc::ParameterLoad::Damaged);
        EXPECT_EQ(Snapshot(doc), before);
        EXPECT_EQ(doc.m_points.names, QStringList{QStringLiteral("old")});
    }
}

// A list of control points costs the file at least 49 bytes a point (the name's length byte,
// five doubles, two ints). A valid file of exactly that size loads, however long its list; a
// count past it is refused before any entry is built, so a damaged file costs about its size.
TEST_F(ParameterFileTest, ListCountsAreBoundByTheBytesLeft) {
    // n points with empty names, as short as a valid file of n points can be.
    const auto minimal = [](uint32_t names, uint32_t n) {
        Bytes b;
        b.Int(0).Int(0).U16(0xFFFF).Int(int32_t(names));
        b.data.resize(b.data.size() + n, 0);
        for (int i = 0; i < 7; ++i) {
            b.U16(0xFFFF).Int(int32_t(n));
            b.data.resize(b.data.size() + n * (i < 5 ? 8 : 4), 0);
        }
        return b.data;
    };
    constexpr uint32_t kPoints = 100000;
    CTesseloDoc doc;
    ASSERT_EQ(doc.LoadParameterFile(Write("lang.par", minimal(kPoints, kPoints))),
              CTesseloDoc::ParameterLoad::Loaded);
    EXPECT_EQ(doc.m_points.Size(), int(kPoints));
    EXPECT_EQ(doc.m_points.use3D.size(), size_t(kPoints));

    Fill(doc);
    const std::vector<double> before = Snapshot(doc);
    EXPECT_EQ(doc.LoadParameterFile(Write("mehr.par", minimal(kPoints + 1, kPoints))),
              CTesseloDoc::ParameterLoad::Damaged);
    EXPECT_EQ(Snapshot(doc), before);

    // 16 MiB of zero bytes behind a count of as many empty names.
    constexpr size_t kSize = size_t{16} << 20;
    Bytes bomb;
    bomb.Int(0).Int(0).U16(0xFFFF).Int(int32_t(kSize - 14));
    bomb.data.resize(kSize, 0);
    const QString path = Write("leer.par", bomb.data);
    CTesseloDoc::ParameterLoad result;
    uint64_t peak;
    {
        AllocationMeter meter;
        result = doc.LoadParameterFile(path);
        peak = meter.PeakBytes();
    }
    EXPECT_EQ(result, CTesseloDoc::ParameterLoad::Damaged);
    EXPECT_EQ(Snapshot(doc), before);
    if (AllocationMeter::Available()) {
        EXPECT_LT(peak, 2 * kSize);  // the file read at once
    }
}

// Values are taken as read, a 3D flag that disagrees with the system too. The rectangle route
// leaves flag 0 in a 3D system, so such files are the program's own.
TEST_F(ParameterFileTest, AFlagThatContradictsTheSystemIsKeptAsRead) {
    const struct {
        int version, koosys, is3D;
    } cases[] = {{2, 3, 1}, {2, 1, 0}, {3, 0, 0}, {3, 4, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.version) + " " + std::to_string(c.koosys));
        Bytes b;
        if (c.version == 3)
            b.Int(3).Int(2);
        else
            b.Int(2);
        b.Int(10).Int(20).Int(30).Int(1).Int(0).Int(c.koosys).Int(0).Double(4).Double(3);
        b.Int(c.is3D);
        if (c.version == 2) ThreePoints(b.Doubles({}).Doubles({}));
        CTesseloDoc doc;
        Fill(doc);
        ASSERT_EQ(doc.LoadParameterFile(Write("mixed.par", b.data)),
                  CTesseloDoc::ParameterLoad::Loaded);
        EXPECT_EQ(doc.m_koosys, c.koosys);
        EXPECT_EQ(doc.m_is3D, c.is3D);
        EXPECT_EQ(doc.m_red, 10);
        EXPECT_EQ(doc.m_rectWidth, 4.0);
    }
}

// Every document a route leaves behind, saved by "Parameter Speicher unter", loads back to its
// values.
TEST_F(ParameterFileTest, EveryRouteRoundTripsThroughTheSaveCommand) {
    ASSERT_TRUE(Start());
    struct Route {
        const char* name;
        int koosys, is3D, measureMode;
    };
    std::vector<Route> routes;
    for (int koosys = 0; koosys < 5; ++koosys) {
        routes.push_back({"control points", koosys, koosys < 2 ? 1 : 0, 1});
        routes.push_back({"rectangle", koosys, 0, 0});
    }
    for (const Route& route : routes) {
        SCOPED_TRACE(std::string(route.name) + " " + std::to_string(route.koosys));
        CTesseloDoc* doc = App()->OnFileNew();
        ASSERT_TRUE(doc);
        doc->m_decimals = 6;
        doc->m_red = 255;
        doc->m_green = 128;
        doc->m_blue = 1;
        doc->m_worldFile = 1;
        doc->m_geoRefFile = 1;
        doc->m_koosys = route.koosys;
        doc->m_is3D = route.is3D;
        doc->m_measureMode = route.measureMode;
        doc->m_rectWidth = route.measureMode ? UNDEFINED_VALUE : 12.25;
        doc->m_rectHeight = route.measureMode ? UNDEFINED_VALUE : 7.5;
        ChooseFile(File("route.par"));
        App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);

        CTesseloDoc back;
        Fill(back);
        ASSERT_EQ(back.LoadParameterFile(File("route.par")), CTesseloDoc::ParameterLoad::Loaded);
        EXPECT_EQ(Scalars(back), Scalars(*doc));
        // The command line opens it as well.
        CTesseloDoc opened;
        EXPECT_TRUE(opened.OnOpenDocument(File("route.par")));
        doc->OnCloseDocument();
        ProcessEvents();
    }
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(ParameterFileTest, AFailedSaveKeepsTheOldFileAndSaysSo) {
    ASSERT_TRUE(Start());
    CTesseloDoc* doc = App()->OnFileNew();
    ASSERT_TRUE(doc);
    const std::vector<uint8_t> old(56, 0x11);
    const QString path = Write("old.par", old);
    ChooseFile(path);
    {
        FileSizeLimit limit(40);
        ASSERT_TRUE(limit.Active());
        App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);
    }
    EXPECT_EQ(m_ui.messages,
              std::vector<std::string>{"Fehler beim speichern von '" + path.toStdString() + "'"});
    EXPECT_EQ(TempDir::ReadBytes(path.toStdString()), old);
    EXPECT_EQ(m_tmp.EntryCount(), 1u);
}

TEST_F(ParameterFileTest, LoadCommandReportsDamageAndPostsTheRectifyStep) {
    ASSERT_TRUE(Start());
    CTesseloDoc* doc = App()->OnFileNew();
    ASSERT_TRUE(doc);
    Fill(*doc);
    const std::vector<double> before = Snapshot(*doc);

    ChooseFile(Write("short.par", {2, 0, 0}));
    App()->RouteCommand(cmd::ID_LOAD_PARAMETERS);
    ChooseFile(File("missing.par"));
    App()->RouteCommand(cmd::ID_LOAD_PARAMETERS);
    EXPECT_EQ(m_ui.messages, std::vector<std::string>({"Unerwartetes Dateiformat.",
                                                       "Fehler beim Öffnen des Dokuments."}));
    EXPECT_EQ(Snapshot(*doc), before);
    ASSERT_FALSE(m_requests.empty());
    EXPECT_EQ(m_requests.back().mode, filechooser::Mode::Open);
    EXPECT_EQ(m_requests.back().filter, QStringLiteral("Parameter (*.par);;All Files (*.*)"));

    // Rectangle mode with four corners: the load posts step 2.
    Bytes b;
    b.Int(2).Int(0).Int(0).Int(0).Int(0).Int(0).Int(2).Int(0).Double(1).Double(1).Int(0);
    b.Doubles({1, 2, 3, 4}).Doubles({1, 2, 3, 4});
    b.Strings({"1", "2", "3", "4", "5"});
    for (int i = 0; i < 5; ++i) b.Doubles({1, 2, 3, 4, 5});
    b.Ints({1, 1, 1, 1, 1}).Ints({1, 1, 1, 1, 1});
    PostMessageTo(App()->MainFrame(), msg::WM_APP_WORKFLOW_STEP, 1, 0);
    ProcessEvents();
    ChooseFile(Write("five.par", b.data));
    App()->RouteCommand(cmd::ID_LOAD_PARAMETERS);
    ProcessEvents();
    EXPECT_EQ(doc->m_points.Size(), 5);
    EXPECT_EQ(doc->m_corners.Size(), 4);
    EXPECT_EQ(App()->MainFrame()->AssistantStep(), 2);
    EXPECT_EQ(m_ui.messages.size(), 2u);
}

TEST_F(ParameterFileTest, SaveCommandAddsParAndReportsFailure) {
    ASSERT_TRUE(Start());
    CTesseloDoc* doc = App()->OnFileNew();
    ASSERT_TRUE(doc);

    ChooseFile(File("plain"));
    App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);
    EXPECT_EQ(TempDir::ReadBytes(m_tmp.File("plain.par")).size(), 56u);
    ASSERT_FALSE(m_requests.empty());
    EXPECT_EQ(m_requests.back().mode, filechooser::Mode::Save);
    // The dialog asks before it replaces a file, under the name with ".par" appended.
    EXPECT_TRUE(m_requests.back().overwritePrompt);
    EXPECT_EQ(m_requests.back().defaultSuffix, QStringLiteral("par"));

    ChooseFile(File("other.txt"));
    App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);
    EXPECT_EQ(TempDir::ReadBytes(m_tmp.File("other.txt")).size(), 56u);
    EXPECT_TRUE(m_ui.messages.empty());

    ChooseFile(File(".par"));
    App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);
    EXPECT_FALSE(QFile::exists(File(".par")));
    const QString unwritable = File("no-such-folder/p.par");
    ChooseFile(unwritable);
    App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);
    EXPECT_EQ(m_ui.messages,
              std::vector<std::string>({"Filename ungültig", "Fehler beim speichern von '" +
                                                                 unwritable.toStdString() + "'"}));
}

TEST_F(ParameterFileTest, CommandsAreForSourceDocuments) {
    ASSERT_TRUE(Start());
    CTesseloDoc* doc = App()->OnFileNew();
    ASSERT_TRUE(doc);
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_LOAD_PARAMETERS).IsEnabled());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_SAVE_PARAMETERS).IsEnabled());
    doc->m_isSource = 0;
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_LOAD_PARAMETERS).IsEnabled());
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_SAVE_PARAMETERS).IsEnabled());
}

TEST_F(ParameterFileTest, CommandLineReadsTheParameterLayout) {
    CTesseloDoc doc;
    const QString good = File("start.par");
    ASSERT_TRUE(doc.StoreParameterFile(good));
    EXPECT_TRUE(Start(0, {good}));
    EXPECT_TRUE(m_ui.messages.empty());
    App()->ExitInstance();

    EXPECT_FALSE(Start(0, {Write("bad.par", {3, 0, 0, 0, 1})}));
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{"Fehler beim Öffnen des Dokuments."});
}

namespace {

class RectangleRouteParameterTest : public RectifyChainFixture {
protected:
    // Four corners of the facade's 8 m x 5 m rectangle, rectified at 5 cm: the new target.
    CTesseloDoc* RectifyRectangle() {
        m_source->m_measureMode = 0;
        m_source->m_corners.Clear();
        for (const auto& [X, Y] : {std::pair{1.0, 1.0}, {1.0, 6.0}, {9.0, 6.0}, {9.0, 1.0}}) {
            double mx, my;
            m_facade.ToImage(X, Y, mx, my);
            EXPECT_EQ(m_source->AddRectangleCorner(mx, my), 1);
        }
        m_dialogScripts.push_back([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("1025"))->setText(QStringLiteral("8"));
            dialog.findChild<QLineEdit*>(QStringLiteral("1026"))->setText(QStringLiteral("5"));
            dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return dialog.result();
        });
        RectifyWith(false);
        return RunChain();
    }

    std::vector<uint8_t> SaveParameters(CTesseloDoc* doc, const char* name) {
        const QString path = m_dir.filePath(QLatin1String(name));
        App()->SetActiveDocument(doc);
        ChooseFile(path);
        App()->RouteCommand(cmd::ID_SAVE_PARAMETERS);
        return TempDir::ReadBytes(path.toStdString());
    }

    void LoadParameters(CTesseloDoc* doc, const char* name) {
        App()->SetActiveDocument(doc);
        ChooseFile(m_dir.filePath(QLatin1String(name)));
        App()->RouteCommand(cmd::ID_LOAD_PARAMETERS);
        ProcessEvents();
    }
};

}  // namespace

// The source's parameter file after the rectangle route, saved and loaded by the commands:
// every field comes back, and the loaded document saves the same bytes. The same for a
// rectangle-route file with 3D flag 0 beside the 3D system 0, which then rectifies as before.
TEST_F(RectangleRouteParameterTest, TheRoutesOwnFileRoundTripsExactly) {
    OpenPhoto();
    m_source->m_koosys = 0;
    m_source->m_is3D = 1;
    m_source->m_decimals = 4;
    m_source->m_red = 200;
    m_source->m_worldFile = 1;
    const CTesseloDoc* first = RectifyRectangle();
    ASSERT_TRUE(first);
    const QSize size = first->GetImageSize();
    for (int is3D : {1, 0}) {
        SCOPED_TRACE(is3D);
        m_source->m_is3D = is3D;
        const std::vector<uint8_t> saved = SaveParameters(m_source, "rechteck.par");
        ASSERT_EQ(saved.size(), 56u);
        CTesseloDoc* loaded = App()->OnFileNew();
        ASSERT_TRUE(loaded);
        LoadParameters(loaded, "rechteck.par");
        EXPECT_EQ(Scalars(*loaded), Scalars(*m_source));
        EXPECT_EQ(SaveParameters(loaded, "wieder.par"), saved);
        loaded->OnCloseDocument();
        ProcessEvents();

        // The photo takes the file back and the route gives the same target again.
        m_source->m_is3D = 1 - is3D;
        LoadParameters(m_source, "rechteck.par");
        EXPECT_EQ(m_source->m_is3D, is3D);
        const CTesseloDoc* again = RectifyRectangle();
        ASSERT_TRUE(again);
        EXPECT_EQ(again->GetImageSize(), size);
        EXPECT_EQ(again->m_koosys, 2);
        EXPECT_EQ(again->m_is3D, 0);
    }
    EXPECT_TRUE(m_ui.messages.empty()) << m_ui.messages.front();
}
