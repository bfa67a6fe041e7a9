// The world file, the georeferencing file ".vexo" and the CAD reference file beside a saved
// target image, and the CAD placement texts.

#include <QDir>
#include <QFile>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <memory>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "FileSizeLimit.h"
#include "TempDir.h"

namespace {

// printf into a std::string; the program runs in the C locale.
std::string F(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string F(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

std::string Coord(double v) { return v == 1.7e308 ? std::string() : F("%20.6f", v); }

class SideFilesTest : public AppTest {
protected:
    // A 1000 x 500 target with the extent x 100..200, y 200..250.
    void SetUp() override {
        AppTest::SetUp();
        m_doc = std::make_unique<CTesseloDoc>();
        m_doc->m_image.Create(1000, 500, 24, 0);
        m_doc->m_isSource = 0;
        m_doc->m_extentLeft = 100;
        m_doc->m_extentBottom = 200;
        m_doc->m_extentRight = 200;
        m_doc->m_extentTop = 250;
        m_doc->m_koosys = 3;
        m_doc->m_is3D = 0;
    }

    // A 3D target on the plane S (1000, 2000, 300), A (-0.8, -0.6, 0), B (0, 0, 1): its bottom
    // edge runs along (0.8, 0.6, 0) and its left edge upwards.
    void Make3D() {
        m_doc->m_koosys = 0;
        m_doc->m_is3D = 1;
        const double plane[9] = {1000, 2000, 300, -0.8, -0.6, 0, 0, 0, 1};
        std::copy(plane, plane + 9, m_doc->m_plane);
    }

    std::string Read(const QString& path) { return TempDir::ReadText(path.toStdString()); }

    // A new 2D target document of the program, width x height pixels on the extent x 0..4,
    // y 0..2, whose saves write both side files.
    CTesseloDoc* SavableTarget(uint32_t width, uint32_t height) {
        CTesseloDoc* doc = App()->OnFileNew();
        if (!doc) return nullptr;
        doc->m_image.Create(width, height, 24, 0);
        doc->m_isSource = 0;
        doc->m_extentLeft = 0;
        doc->m_extentBottom = 0;
        doc->m_extentRight = 4;
        doc->m_extentTop = 2;
        doc->m_koosys = 2;
        doc->m_is3D = 0;
        doc->m_worldFile = 1;
        doc->m_geoRefFile = 1;
        return doc;
    }

    TempDir m_tmp;
    std::unique_ptr<CTesseloDoc> m_doc;
    const QString m_image = QString::fromStdString(m_tmp.File("ziel.tif"));
};

// The three side-file writers and the suffix each adds to the image path.
using Writer = int (CTesseloDoc::*)(const QString&, QString&) const;
struct SideFileWriter {
    Writer write;
    const char* suffix;
};
const SideFileWriter kWriters[] = {{&CTesseloDoc::WriteWorldFile, "w"},
                                   {&CTesseloDoc::WriteGeoRefFile, ".vexo"},
                                   {&CTesseloDoc::WriteCadRefFile, ".acadref"}};

// The report line of a side file that could not be written.
std::string Failure(const QString& name) {
    return "\n\nSchreiben Georeferenzierung fehlgeschlagen:\n    " + name.toStdString();
}

// A world file: the four pixel-size and rotation terms as written, then the position of the
// upper-left pixel's centre.
std::string WorldFile(std::initializer_list<const char*> terms, double x, double y) {
    std::string text;
    for (const char* term : terms) text += std::string(term) + "\r\n";
    return text + F("%15.6f\r\n%15.6f\r\n", x, y);
}

constexpr const char* kZero = "       0.000000";

}  // namespace

TEST_F(SideFilesTest, WorldFileFollowsTheAxesOfTheSystem) {
    QString text;
    // Systems whose first coordinate is east, and those whose first coordinate is north, which
    // runs down the rows.
    for (int koosys : {0, 2, 3}) {
        m_doc->m_koosys = koosys;
        ASSERT_EQ(m_doc->WriteWorldFile(m_image, text), 1);
        EXPECT_EQ(
            Read(m_image + "w"),
            WorldFile({"0.100000000000000", kZero, kZero, "-0.100000000000000"}, 100.05, 249.95));
    }
    for (int koosys : {1, 4}) {
        m_doc->m_koosys = koosys;
        ASSERT_EQ(m_doc->WriteWorldFile(m_image, text), 1);
        EXPECT_EQ(
            Read(m_image + "w"),
            WorldFile({kZero, "0.100000000000000", "-0.100000000000000", kZero}, 249.95, 100.05));
    }
    EXPECT_EQ(text.toStdString(), "\n\nGeoreferenzierung:\n   " + m_image.toStdString() + "w");
}

TEST_F(SideFilesTest, WorldFilePlacesEveryPixelAtItsCoordinatesInTheSystemsOrder) {
    // The 1000 x 500 target, also mirrored and flipped (the extent swapped).
    const struct {
        double left, bottom, right, top;
    } extents[] = {{100, 200, 200, 250}, {200, 250, 100, 200}};
    for (const auto& e : extents)
        for (int koosys = 0; koosys <= 4; ++koosys) {
            SCOPED_TRACE(testing::Message() << "system " << koosys << ", left " << e.left);
            m_doc->m_koosys = koosys;
            m_doc->m_extentLeft = e.left;
            m_doc->m_extentBottom = e.bottom;
            m_doc->m_extentRight = e.right;
            m_doc->m_extentTop = e.top;
            QString text;
            ASSERT_EQ(m_doc->WriteWorldFile(m_image, text), 1);
            const std::vector<double> w = ReadWorldFile(m_image);
            ASSERT_EQ(w.size(), 6u);
            for (const auto& [i, t] :
                 {std::pair{0, 0}, {999, 0}, {0, 499}, {999, 499}, {300, 40}}) {
                // The pixel's centre in the extent's axes, then in the system's order.
                double a = 0, b = 0;
                ASSERT_EQ(m_doc->PixelToTarget(i + 0.5, t + 0.5, a, b), 1);
                if (koosys == 1 || koosys == 4) std::swap(a, b);
                EXPECT_NEAR(w[0] * i + w[2] * t + w[4], a, 1e-6) << i << ", " << t;
                EXPECT_NEAR(w[1] * i + w[3] * t + w[5], b, 1e-6) << i << ", " << t;
            }
        }
}

// At 1:20 and 300 dpi a pixel is 1.69333... mm: six decimals would make it 0.001693, 0.02 %
// short. The save command writes the scale exact to the double and the position to a micrometre.
TEST_F(SideFilesTest, WorldFileOfAPlanAt1To20And300DpiKeepsTheExactScale) {
    ASSERT_TRUE(Start());
    const double pixel = 20 * 0.0254 / 300;
    const int width = 300, height = 200;
    for (int koosys : {2, 4}) {
        SCOPED_TRACE(koosys);
        CTesseloDoc* doc = SavableTarget(width, height);
        ASSERT_TRUE(doc);
        doc->m_koosys = koosys;
        doc->m_extentLeft = 3456789.125;
        doc->m_extentBottom = 5432109.5;
        doc->m_extentRight = doc->m_extentLeft + width * pixel;
        doc->m_extentTop = doc->m_extentBottom + height * pixel;
        const QString image = QString::fromStdString(m_tmp.File("plan.bmp"));
        ChooseFile(image);
        App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
        const std::vector<double> w = ReadWorldFile(image);
        ASSERT_EQ(w.size(), 6u);
        // Columns run east and rows south; a north-first system names north first.
        const bool northFirst = koosys == 4;
        const double east[2] = {northFirst ? w[1] : w[0], northFirst ? w[3] : w[2]};
        const double north[2] = {northFirst ? w[0] : w[1], northFirst ? w[2] : w[3]};
        // The terms are the extent's quotients to the last digits; that the extent's corners
        // lie millions of metres out costs them about 1e-9 of the pixel.
        const double across = (doc->m_extentRight - doc->m_extentLeft) / width;
        const double down = (doc->m_extentBottom - doc->m_extentTop) / height;
        EXPECT_NEAR(east[0] / across, 1.0, 1e-13);
        EXPECT_NEAR(north[1] / down, 1.0, 1e-13);
        EXPECT_NEAR(east[0] / pixel, 1.0, 1e-8);
        EXPECT_NEAR(north[1] / -pixel, 1.0, 1e-8);
        EXPECT_EQ(east[1], 0.0);
        EXPECT_EQ(north[0], 0.0);
        const double x = doc->m_extentLeft + pixel / 2, y = doc->m_extentTop - pixel / 2;
        const std::string file = Read(image + "w");
        const std::string position =
            northFirst ? F("%15.6f\r\n%15.6f\r\n", y, x) : F("%15.6f\r\n%15.6f\r\n", x, y);
        EXPECT_EQ(file.substr(file.size() - position.size()), position);
        doc->OnCloseDocument();
        ProcessEvents();
    }
}

TEST_F(SideFilesTest, GeoRefFileOfA2DTarget) {
    QString text;
    ASSERT_EQ(m_doc->WriteGeoRefFile(m_image, text), 1);
    EXPECT_EQ(text.toStdString(), "\n\nGeoreferenzierung:\n   " + m_image.toStdString() + ".vexo");
    const std::string expected =
        "file: ziel.tif\r\n"
        "Info:            Rechtswert           Hochwert\r\n" +
        F("size: %13i %20i\r\n", 1000, 500) + "lu2D: " + Coord(100) + " " + Coord(200) + "\r\n" +
        "ro2D: " + Coord(200) + " " + Coord(250) + "\r\n" +
        "3D  : 0\r\n"
        "Sxyz:   \r\n"
        "Axyz:   \r\n"
        "Bxyz:   \r\n"
        "info:               Ost                 Nord                 H\xF6he\r\n"
        "lu3D:   \r\n"
        "ru3D:   \r\n"
        "lo3D:   \r\n"
        "ro3D:   \r\n";
    EXPECT_EQ(Read(m_image + ".vexo"), expected);
}

TEST_F(SideFilesTest, GeoRefFileOfA3DTargetCarriesThePlaneAndItsCorners) {
    Make3D();
    QString text;
    ASSERT_EQ(m_doc->WriteGeoRefFile(m_image, text), 1);
    // Corner (u, v) lies at S + u (0.8, 0.6, 0) + v (0, 0, 1).
    const auto corner = [](const char* tag, double u, double v) {
        return std::string(tag) + ": " + Coord(1000 + 0.8 * u) + " " + Coord(2000 + 0.6 * u) + " " +
               Coord(300 + v) + "\r\n";
    };
    const std::string expected =
        "file: ziel.tif\r\n"
        "Info:            Rechtswert           Hochwert\r\n" +
        F("size: %13i %20i\r\n", 1000, 500) + "lu2D: " + Coord(100) + " " + Coord(200) + "\r\n" +
        "ro2D: " + Coord(200) + " " + Coord(250) + "\r\n" + "3D  : 1\r\n" + "Sxyz: " + Coord(1000) +
        " " + Coord(2000) + " " + Coord(300) + "\r\n" + "Axyz: " + Coord(-0.8) + " " + Coord(-0.6) +
        " " + Coord(0) + "\r\n" + "Bxyz: " + Coord(0) + " " + Coord(0) + " " + Coord(1) + "\r\n" +
        "info:               Ost                 Nord                 H\xF6he\r\n" +
        corner("lu3D", 100, 200) + corner("ru3D", 200, 200) + corner("lo3D", 100, 250) +
        corner("ro3D", 200, 250);
    EXPECT_EQ(Read(m_image + ".vexo"), expected);

    // With one plane value undefined the corners are undefined: empty fields, never numbers
    // made from 1.7e308.
    m_doc->m_plane[4] = UNDEFINED_VALUE;
    ASSERT_EQ(m_doc->WriteGeoRefFile(m_image, text), 1);
    std::string noPlane = expected.substr(0, expected.find("Axyz"));
    noPlane += "Axyz: " + Coord(-0.8) + "  " + Coord(0) + "\r\n";
    noPlane +=
        expected.substr(expected.find("Bxyz"), expected.find("lu3D") - expected.find("Bxyz"));
    noPlane += "lu3D:   \r\nru3D:   \r\nlo3D:   \r\nro3D:   \r\n";
    EXPECT_EQ(Read(m_image + ".vexo"), noPlane);
}

TEST_F(SideFilesTest, WritersRefuseWithoutExtentOrImageAndWhenTheFileCannotBeWritten) {
    QString text;
    for (const SideFileWriter& w : kWriters) {
        SCOPED_TRACE(w.suffix);
        const QString name = m_image + w.suffix;
        m_doc->m_extentTop = UNDEFINED_VALUE;
        EXPECT_EQ(((*m_doc).*w.write)(m_image, text), 0);
        EXPECT_EQ(text.toStdString(), Failure(name));
        m_doc->m_extentTop = 250;
        m_doc->m_image.Destroy();
        EXPECT_EQ(((*m_doc).*w.write)(m_image, text), 0);
        m_doc->m_image.Create(1000, 500, 24, 0);
        EXPECT_FALSE(QFile::exists(name));

        // A folder in the side file's place cannot be opened; the others are still written.
        ASSERT_TRUE(QDir().mkdir(name));
        EXPECT_EQ(((*m_doc).*w.write)(m_image, text), 0);
        EXPECT_EQ(text.toStdString(), Failure(name));
        for (const SideFileWriter& other : kWriters) {
            if (other.write == w.write) continue;
            EXPECT_EQ(((*m_doc).*other.write)(m_image, text), 1);
            QFile::remove(m_image + other.suffix);
        }
        ASSERT_TRUE(QDir().rmdir(name));
    }
}

TEST_F(SideFilesTest, RewritingALongerSideFileLeavesNoOldBytes) {
    TempDir::WriteBytes((m_image + "w").toStdString(), std::vector<uint8_t>(500, 'x'));
    QString text;
    ASSERT_EQ(m_doc->WriteWorldFile(m_image, text), 1);
    EXPECT_EQ(Read(m_image + "w"),
              WorldFile({"0.100000000000000", kZero, kZero, "-0.100000000000000"}, 100.05, 249.95));
}

TEST_F(SideFilesTest, CadReferenceFileOfA2DTarget) {
    QString text;
    ASSERT_EQ(m_doc->WriteCadRefFile(m_image, text), 1);
    EXPECT_EQ(text.toStdString(),
              "\n\nGeoreferenzierung:\n   " + m_image.toStdString() + ".acadref");
    EXPECT_EQ(Read(m_image + ".acadref"),
              "ziel.tif\r\n#2D\r\n100.00000\r\n200.00000\r\n0\r\n100.00000\r\n");
    QString texts[16];
    m_doc->ComputeCadPlacement(0, texts);
    const char* expected[16] = {"100.00000", "200.00000", "0", "100.00000", "0", "0", "1", "0",
                                "0",         "0",         "0", "0",         "0", "0", "0", "0"};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(texts[i].toStdString(), expected[i]) << i;
}

TEST_F(SideFilesTest, CadPlacementOnTheObjectPlane) {
    // Plane S (1000, 2000, 300), A = -d, B = b: the bottom edge runs along d, the left edge
    // along b; P = S + 100 d + 200 b.
    struct Case {
        const char* name;
        double d[3], b[3];
        const char* expected[16];
    };
    const Case cases[] = {
        {"oblique",
         {0.8, 0.6, 0},
         {0, 0, 1},
         {"1080.00000", "2060.00000", "500.00000", "100.00000", "0.00000", "0.00000", "1.00000",
          "0.64350", "0.60000", "-0.80000", "0.00000", "0.00000", "0.80000", "0.60000", "0.00000",
          "1.57080"}},
        {"along north",
         {0, 1, 0},
         {0, 0, 1},
         {"1000.00000", "2100.00000", "500.00000", "100.00000", "0.00000", "0.00000", "1.00000",
          "1.57080", "1.00000", "0.00000", "0.00000", "0.00000", "0.00000", "1.00000", "0.00000",
          "1.57080"}},
        {"sloping",
         {0.6, 0, 0.8},
         {0, 0, 1},
         {"1060.00000", "2000.00000", "580.00000", "100.00000", "0.00000", "0.00000", "1.00000",
          "0.00000", "0.00000", "-1.00000", "0.00000", "0.92730", "0.60000", "0.00000", "0.80000",
          "1.57080"}},
        {"leaning left edge",
         {1, 0, 0},
         {0, -0.6, 0.8},
         {"1100.00000", "1880.00000", "460.00000", "100.00000", "0.00000", "0.00000", "1.00000",
          "0.00000", "0.00000", "-1.00000", "0.00000", "0.00000", "1.00000", "0.00000", "0.00000",
          "0.92730"}},
    };
    Make3D();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const double plane[9] = {1000,    2000,   300,    -c.d[0], -c.d[1],
                                 -c.d[2], c.b[0], c.b[1], c.b[2]};
        std::copy(plane, plane + 9, m_doc->m_plane);
        QString texts[16];
        EXPECT_EQ(m_doc->ComputeCadPlacement(1, texts), 1);
        for (int i = 0; i < 16; ++i) EXPECT_EQ(texts[i].toStdString(), c.expected[i]) << i;
    }

    QString text;
    ASSERT_EQ(m_doc->WriteCadRefFile(m_image, text), 1);
    const std::string file = Read(m_image + ".acadref");
    EXPECT_EQ(file.substr(0, 15), "ziel.tif\r\n#3D\r\n");
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 18);

    // A vertical bottom edge has no horizontal direction: no placement, no file.
    const double vertical[9] = {0, 0, 0, 0, 0, -1, 1, 0, 0};
    std::copy(vertical, vertical + 9, m_doc->m_plane);
    QString texts[16];
    m_doc->ComputeCadPlacement(1, texts);
    for (const QString& t : texts) EXPECT_TRUE(t.isEmpty());
    EXPECT_EQ(m_doc->WriteCadRefFile(m_image, text), 0);
}

TEST_F(SideFilesTest, SaveMessageListsTheSideFilesTheSettingsAskFor) {
    ASSERT_TRUE(Start());
    ASSERT_TRUE(SavableTarget(40, 20));
    const std::string image = m_tmp.File("ziel.bmp");
    // The world file cannot be written: its failure is listed, the other file still written.
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(image + "w")));
    ChooseFile(QString::fromStdString(image));
    App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    ASSERT_FALSE(m_ui.messages.empty());
    EXPECT_EQ(m_ui.messages.back(), "File gespeichert:\n" + image +
                                        "\n\nSchreiben Georeferenzierung fehlgeschlagen:\n    " +
                                        image + "w" + "\n\nGeoreferenzierung:\n   " + image +
                                        ".vexo");
    EXPECT_EQ(Read(QString::fromStdString(image + ".vexo")).substr(0, 16), "file: ziel.bmp\r\n");
}

// A full disk: every side file keeps its old bytes, no temporary stays and the report names
// the failure.
TEST_F(SideFilesTest, AFailedWriteKeepsTheOldSideFileAndReportsIt) {
    Make3D();
    for (const SideFileWriter& w : kWriters) {
        SCOPED_TRACE(w.suffix);
        const QString name = m_image + w.suffix;
        TempDir::WriteBytes(name.toStdString(), {'a', 'l', 't'});
        const size_t entries = m_tmp.EntryCount();
        QString text;
        int result;
        {
            FileSizeLimit limit(20);
            ASSERT_TRUE(limit.Active());
            result = ((*m_doc).*w.write)(m_image, text);
        }
        EXPECT_EQ(result, 0);
        EXPECT_EQ(text.toStdString(), Failure(name));
        EXPECT_EQ(Read(name), "alt");
        EXPECT_EQ(m_tmp.EntryCount(), entries);
    }
}

// The image fits the disk but its side files do not: the save message lists both failures;
// an image that does not fit keeps the old image and writes no side file.
TEST_F(SideFilesTest, SaveCommandReportsWhatAFullDiskRefused) {
    ASSERT_TRUE(Start());
    CTesseloDoc* doc = SavableTarget(2, 2);  // a 70-byte BMP file; the world file needs 102
    ASSERT_TRUE(doc);
    const std::string image = m_tmp.File("ziel.bmp");
    ChooseFile(QString::fromStdString(image));
    {
        FileSizeLimit limit(80);
        ASSERT_TRUE(limit.Active());
        App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    }
    ASSERT_FALSE(m_ui.messages.empty());
    EXPECT_EQ(m_ui.messages.back(), "File gespeichert:\n" + image +
                                        Failure(QString::fromStdString(image + "w")) +
                                        Failure(QString::fromStdString(image + ".vexo")));
    EXPECT_EQ(m_tmp.EntryCount(), 1u);

    m_ui.messages.clear();
    const std::vector<uint8_t> saved = TempDir::ReadBytes(image);
    doc->m_image.Create(40, 20, 24, 0);
    ChooseFile(QString::fromStdString(image));
    {
        FileSizeLimit limit(80);
        App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    }
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{"Fehler beim speichern von '" + image + "'"});
    EXPECT_EQ(TempDir::ReadBytes(image), saved);
    EXPECT_EQ(m_tmp.EntryCount(), 1u);
}
