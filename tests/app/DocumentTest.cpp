// The document: point operations, conversions, path helpers, image open and save, crop and
// mirror, and which commands each kind of document offers.
#include <QDir>
#include <QFile>
#include <QMdiArea>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CRaster.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "DocumentPaths.h"
#include "QtStringLookup.h"
#include "RasterTypes.h"
#include "controls/CListCtrlEx.h"
#include "dialogs/CKoordinatenDlg.h"

namespace {

class DocumentTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
        CTesseloDoc::SetPointNameAsker([this](const QString&, QString& name) {
            m_proposals.push_back(name);
            if (m_names.empty()) return false;
            name = m_names.front();
            m_names.pop_front();
            return true;
        });
    }
    void TearDown() override {
        CTesseloDoc::SetPointNameAsker({});
        AppTest::TearDown();
    }

    CMainFrame* Frame() { return App()->MainFrame(); }
    int Windows() { return Frame()->MdiArea()->subWindowList().size(); }

    CTesseloDoc* NewDocument() { return App()->OnFileNew(); }

    // A target document with a w x h 24-bit image whose pixel (x, y from the top) has the colour
    // (x, y, 7), and the extent 100..100 + w/10 by 200..200 + h/10.
    CTesseloDoc* NewTarget(int w, int h) {
        CTesseloDoc* doc = NewDocument();
        doc->m_image.Create(w, h, 24, FORMAT_UNKNOWN);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                doc->m_image.SetPixelColor(x, h - 1 - y, RGBQUAD{7, uint8_t(y), uint8_t(x), 0});
        doc->m_isSource = 0;
        doc->m_extentLeft = 100.0;
        doc->m_extentRight = 100.0 + w / 10.0;
        doc->m_extentBottom = 200.0;
        doc->m_extentTop = 200.0 + h / 10.0;
        doc->SetImageChanged();
        return doc;
    }

    // Crops the rectangle (10.6, 2.2)-(19.5, 11.9) that the crop tool left; the new document.
    CTesseloDoc* Crop(CTesseloDoc* doc) {
        doc->GetFirstView()->m_tool = 1;
        doc->m_cropValid = 1;
        doc->m_cropX0 = 10.6;
        doc->m_cropY0 = 2.2;
        doc->m_cropX1 = 19.5;
        doc->m_cropY1 = 11.9;
        EXPECT_TRUE(App()->RouteCommand(cmd::ID_CROP));
        ProcessEvents();
        return GetActiveDocument();
    }

    QString Path(const char* name) { return m_dir.filePath(QString::fromUtf8(name)); }
    std::string Text(int id) { return LoadQString(id).toStdString(); }

    std::deque<QString> m_names;
    std::vector<QString> m_proposals;
};

bool SameImage(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    for (uint32_t y = 0; y < a.GetHeight(); ++y)
        for (uint32_t x = 0; x < a.GetWidth(); ++x) {
            const RGBQUAD p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
            if (p.rgbRed != q.rgbRed || p.rgbGreen != q.rgbGreen || p.rgbBlue != q.rgbBlue)
                return false;
        }
    return true;
}

}  // namespace

TEST(DocumentPaths, SplitWithSlashes) {
    const struct {
        const char* path;
        const char* directory;
        const char* title;
        const char* extension;   // SplitFileName: without the dot
        const char* splitExt;    // SplitPathParts: with the dot
        const char* withoutExt;  // GetPathWithoutExtension
    } cases[] = {
        {"/data/photo.JPG", "/data/", "photo", "JPG", ".JPG", "/data/photo"},
        {"/data/a.b/photo", "/data/a.b/", "photo", "", "", "/data/a.b/photo"},
        {"photo.tar.gz", "", "photo.tar", "gz", ".gz", "photo.tar"},
        {"/data/.jpg", "/data/", "", "jpg", ".jpg", ""},
        {"/data/", "/data/", "", "", "", ""},
        {"", "", "", "", "", ""},
    };
    for (const auto& c : cases) {
        const QString path = QString::fromUtf8(c.path);
        QString directory, title, extension, drive;
        SplitFileName(path, &directory, &title, &extension);
        EXPECT_EQ(directory, QString::fromUtf8(c.directory)) << c.path;
        EXPECT_EQ(title, QString::fromUtf8(c.title)) << c.path;
        EXPECT_EQ(extension, QString::fromUtf8(c.extension)) << c.path;
        SplitPathParts(path, &drive, &directory, &title, &extension);
        EXPECT_TRUE(drive.isEmpty());
        EXPECT_EQ(directory, QString::fromUtf8(c.directory)) << c.path;
        EXPECT_EQ(extension, QString::fromUtf8(c.splitExt)) << c.path;
        EXPECT_EQ(GetPathTitle(path), QString::fromUtf8(c.title)) << c.path;
        EXPECT_EQ(GetPathWithoutExtension(path), QString::fromUtf8(c.withoutExt)) << c.path;
    }
}

TEST_F(DocumentTest, ControlPointsAreNamedReplacedAndNumbered) {
    CTesseloDoc* doc = NewDocument();
    m_names = {QStringLiteral("12")};
    EXPECT_EQ(doc->AddControlPoint(1.5, 2.5), 1);
    ASSERT_EQ(doc->m_points.Size(), 1);
    EXPECT_EQ(m_proposals.back(), QStringLiteral("1"));
    EXPECT_EQ(doc->m_points.r1[0], 0.0);
    EXPECT_EQ(doc->m_points.r2[0], 0.0);
    EXPECT_EQ(doc->m_points.r3[0], 0.0);
    EXPECT_EQ(doc->m_points.use2D[0], 1);
    EXPECT_EQ(doc->m_points.use3D[0], 1);
    EXPECT_EQ(doc->m_nextPointNumber, 13);

    // A name without digits leaves the number; the proposal is the next number.
    m_names = {QStringLiteral("a")};
    EXPECT_EQ(doc->AddControlPoint(3, 4), 1);
    EXPECT_EQ(m_proposals.back(), QStringLiteral("13"));
    EXPECT_EQ(doc->m_nextPointNumber, 13);

    // "12" again: No asks again with the entered text, then Yes moves the existing point.
    m_names = {QStringLiteral("12"), QStringLiteral("12")};
    m_ui.answers = {ui::Answer::No, ui::Answer::Yes};
    m_ui.messages.clear();
    EXPECT_EQ(doc->AddControlPoint(9, 8), 1);
    EXPECT_EQ(m_proposals.back(), QStringLiteral("12"));
    EXPECT_EQ(m_ui.messages, (std::vector<std::string>{Text(10061), Text(10061)}));
    ASSERT_EQ(doc->m_points.Size(), 2);
    EXPECT_EQ(doc->m_points.x[0], 9.0);
    EXPECT_EQ(doc->m_points.y[0], 8.0);

    // Cancelled: nothing changes.
    EXPECT_EQ(doc->AddControlPoint(5, 5), 0);
    EXPECT_EQ(doc->m_points.Size(), 2);

    // Long digit strings saturate instead of overflowing.
    m_names = {QStringLiteral("99999999999999999999999"), QStringLiteral("-7")};
    EXPECT_EQ(doc->AddControlPoint(1, 1), 1);
    EXPECT_EQ(doc->m_nextPointNumber, INT_MAX);
    EXPECT_EQ(doc->AddControlPoint(1, 1), 1);
    EXPECT_EQ(doc->m_nextPointNumber, INT_MAX);
    EXPECT_EQ(doc->m_points.Size(), 4);
    ProcessEvents();
    EXPECT_EQ(Frame()->AssistantStep(), 2);  // the fourth point
}

TEST_F(DocumentTest, MeasurePointsShareTheNumberAndPostNoStep) {
    CTesseloDoc* doc = NewTarget(10, 10);
    ProcessEvents();
    const int step = Frame()->AssistantStep();
    m_names = {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral("4")};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(doc->AddMeasurePoint(i, i), 1);
    EXPECT_EQ(doc->m_measurePoints.Size(), 4);
    EXPECT_EQ(doc->m_points.Size(), 0);
    EXPECT_EQ(doc->m_nextPointNumber, 5);
    ProcessEvents();
    EXPECT_EQ(Frame()->AssistantStep(), step);
}

TEST_F(DocumentTest, AFifthCornerReplacesTheNearestAfterYes) {
    CTesseloDoc* doc = NewDocument();
    doc->m_measureMode = 0;
    const double corners[4][2] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    for (const auto& c : corners) EXPECT_EQ(doc->AddRectangleCorner(c[0], c[1]), 1);
    EXPECT_TRUE(m_ui.messages.empty());
    ProcessEvents();
    EXPECT_EQ(Frame()->AssistantStep(), 2);

    m_ui.answers = {ui::Answer::No};
    EXPECT_EQ(doc->AddRectangleCorner(1, 1), 0);
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{Text(10069)});
    EXPECT_EQ(doc->m_corners.x[0], 0.0);

    // (5, 0) is as far from corner 0 as from corner 1: the lower index is replaced.
    EXPECT_EQ(doc->AddRectangleCorner(5, 0), 1);
    ASSERT_EQ(doc->m_corners.Size(), 4);
    EXPECT_EQ(doc->m_corners.x[0], 5.0);
    EXPECT_EQ(doc->m_corners.x[1], 10.0);
}

TEST_F(DocumentTest, DistancePointsComeInPairs) {
    CTesseloDoc* doc = NewTarget(10, 10);
    EXPECT_EQ(doc->SetDistancePoint(1, 2), 1);
    EXPECT_EQ(doc->m_distanceState, 1);
    EXPECT_EQ(doc->SetDistancePoint(3, 4), 1);
    EXPECT_EQ(doc->m_distanceState, 2);
    EXPECT_EQ(doc->SetDistancePoint(5, 6), 1);  // a new pair
    EXPECT_EQ(doc->m_distanceState, 1);
    EXPECT_EQ(doc->m_distX1, 5.0);
    EXPECT_EQ(doc->m_distY1, 6.0);
    EXPECT_EQ(doc->m_distX2, 3.0);
}

TEST_F(DocumentTest, PixelsConvertThroughTheExtentAndThePlane) {
    CTesseloDoc* doc = NewTarget(40, 20);  // extent 100..104, 200..202
    double x = 0, y = 0, z = 0;
    ASSERT_EQ(doc->PixelToTarget(10, 5, x, y), 1);
    EXPECT_DOUBLE_EQ(x, 101.0);
    EXPECT_DOUBLE_EQ(y, 201.5);
    EXPECT_EQ(doc->PixelToTarget(UNDEFINED_VALUE, 5, x, y), 0);
    EXPECT_EQ(x, UNDEFINED_VALUE);
    EXPECT_EQ(y, UNDEFINED_VALUE);

    // 3D: S - u A + v B.
    doc->m_is3D = 1;
    const double plane[9] = {1000, 2000, 300, 1, 0, 0, 0, 0, 1};
    std::copy(std::begin(plane), std::end(plane), doc->m_plane);
    ASSERT_EQ(doc->PixelToPlane3D(10, 5, x, y, z), 1);
    EXPECT_DOUBLE_EQ(x, 1000 - 101.0);
    EXPECT_DOUBLE_EQ(y, 2000.0);
    EXPECT_DOUBLE_EQ(z, 300 + 201.5);
    doc->m_plane[4] = UNDEFINED_VALUE;  // no plane: no numbers made from the undefined value
    EXPECT_EQ(doc->PixelToPlane3D(10, 5, x, y, z), 0);
    EXPECT_EQ(z, UNDEFINED_VALUE);
    doc->m_is3D = 0;
    EXPECT_EQ(doc->PixelToPlane3D(10, 5, x, y, z), 0);

    doc->m_extentTop = UNDEFINED_VALUE;
    EXPECT_EQ(doc->PixelToTarget(10, 5, x, y), 0);
    EXPECT_EQ(x, UNDEFINED_VALUE);
    CTesseloDoc* source = NewDocument();
    source->m_extentLeft = source->m_extentBottom = 0;
    source->m_extentRight = source->m_extentTop = 1;
    EXPECT_EQ(source->PixelToTarget(1, 1, x, y), 0);
    // A new document's extent is undefined.
    EXPECT_EQ(NewDocument()->m_extentLeft, UNDEFINED_VALUE);
}

TEST_F(DocumentTest, FileOpenShowsEveryFormatInItsOwnWindow) {
    CRaster colour(24, 16, 24);
    CRaster gray(24, 16, 8);
    gray.SetGrayPalette();
    CRaster mono(24, 16, 1);
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 24; ++x) {
            colour.SetPixelColor(x, y, RGBQUAD{uint8_t(x * 10), uint8_t(y * 15), 128, 0});
            gray.SetPixelIndex(x, y, uint8_t(x * 10));
            mono.SetPixelIndex(x, y, (x + y) & 1);
        }
    const struct {
        const char* name;
        uint32_t type;
        const CRaster* image;
    } files[] = {
        {"a.bmp", FORMAT_BMP, &colour}, {"a.gif", FORMAT_GIF, &gray},
        {"a.jpg", FORMAT_JPG, &colour}, {"a.png", FORMAT_PNG, &colour},
        {"a.ico", FORMAT_ICO, &colour}, {"a.tif", FORMAT_TIF, &colour},
        {"a.tga", FORMAT_TGA, &colour}, {"a.pcx", FORMAT_PCX, &colour},
        {"a.wbmp", FORMAT_WBMP, &mono}, {"a.jp2", FORMAT_JP2, &colour},
        {"a.jpc", FORMAT_JPC, &colour}, {"a.pgx", FORMAT_PGX, &gray},
        {"a.pnm", FORMAT_PNM, &colour}, {"a.ras", FORMAT_RAS, &colour},
    };
    int windows = 0;
    for (const auto& f : files) {
        const QString path = Path(f.name);
        CRaster copy(*f.image);
        ASSERT_TRUE(copy.Save(QFile::encodeName(path).constData(), f.type)) << f.name;
        ChooseFile(path);
        App()->RouteCommand(cmd::ID_FILE_OPEN);
        ProcessEvents();
        EXPECT_TRUE(m_ui.messages.empty()) << f.name << ": " << m_ui.messages.back();
        m_ui.messages.clear();
        ASSERT_EQ(Windows(), ++windows) << f.name;
        CTesseloDoc* doc = GetActiveDocument();
        EXPECT_EQ(doc->GetTitle(), QStringLiteral("QUELLE  -  ") + path);
        EXPECT_EQ(doc->GetImageSize(), QSize(24, 16)) << f.name;
        CTesseloView* view = doc->GetFirstView();
        EXPECT_EQ(view->DisplaySize(), QSize(24, 16));
        EXPECT_EQ(view->ImageSize(), QSize(24, 16));
        EXPECT_EQ(view->m_dragState, CTesseloView::kDragReady);
    }
}

TEST_F(DocumentTest, OpenFindsTheFormatFromTheLowerCasedExtensionOrTriesAll) {
    CRaster image(8, 8, 24);
    const QString jpeg = Path("photo.JPG");
    ASSERT_TRUE(image.Save(QFile::encodeName(jpeg).constData(), FORMAT_JPG));
    CTesseloDoc* doc = NewDocument();
    EXPECT_EQ(doc->OpenImage(jpeg), 1);
    EXPECT_EQ(doc->m_image.GetType(), uint32_t(FORMAT_JPG));

    // A dot only in the folder name: no extension, every reader is tried.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("x.png")));
    const QString bare = Path("x.png/photo");
    ASSERT_TRUE(QFile::copy(jpeg, bare));
    doc = NewDocument();
    EXPECT_EQ(doc->OpenImage(bare), 1);
    EXPECT_EQ(doc->m_image.GetType(), uint32_t(FORMAT_JPG));
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(DocumentTest, AnImageThatCannotBeOpenedIsNamedInTheMessage) {
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.png")));
    for (const char* name : {"missing.jpg", "folder.png"}) {
        SCOPED_TRACE(name);
        m_ui.messages.clear();
        const QString path = Path(name);
        ChooseFile(path);
        App()->RouteCommand(cmd::ID_FILE_OPEN);
        ProcessEvents();
        EXPECT_EQ(m_ui.messages,
                  std::vector<std::string>{"Fehler: Datei konnte nicht geöffnet werden!\n\n'" +
                                           path.toStdString() + "'"});
        EXPECT_EQ(Windows(), 0);
    }
}

TEST_F(DocumentTest, SaveAsWritesEveryFormatOrRefusesWithTheMessage) {
    const struct {
        const char* name;
        int width;
        uint32_t bpp;  // 24 colour, 8 gray, 1 black and white
        bool saves;
    } cases[] = {
        {"t.jpg", 40, 24, true},     {"t.bmp", 40, 24, true},
        {"t.tif", 40, 24, true},     {"t.gif", 40, 24, true},
        {"t.png", 40, 24, true},     {"t.pcx", 40, 24, true},
        {"t.tga", 40, 24, true},     {"t.jp2", 40, 24, true},
        {"t.jpc", 40, 24, true},     {"t.pnm", 40, 24, true},
        {"t.ras", 40, 24, true},     {"t.ico", 40, 24, true},
        {"bw.wbmp", 40, 1, true},    {"gray.pgx", 40, 8, true},
        {"t.wbmp", 40, 24, false},    // 1-bit images only
        {"big.wbmp", 256, 1, false},  // of at most 255 x 255
        {"big.ico", 256, 24, false},  // icons of at most 255 x 255
        {"t.pgx", 40, 24, false},     // gray images only
        {"t.xyz", 40, 24, false},     // no encoder for an unknown format
        {"x/t.gif", 40, 24, false},   // a folder that does not exist
    };
    for (const auto& c : cases) {
        CTesseloDoc* doc = NewTarget(c.width, 30);
        if (c.bpp != 24) {
            doc->m_image.Create(c.width, 30, c.bpp, FORMAT_UNKNOWN);
            doc->m_image.SetGrayPalette();
        }
        const QString path = Path(c.name);
        ChooseFile(path);
        m_ui.messages.clear();
        App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
        ProcessEvents();
        const filechooser::Request& request = m_requests.back();
        EXPECT_EQ(request.mode, filechooser::Mode::Save);
        EXPECT_EQ(request.defaultSuffix, QStringLiteral("jpg"));
        EXPECT_TRUE(request.overwritePrompt);
        ASSERT_EQ(m_ui.messages.size(), 1u) << c.name;
        EXPECT_EQ(doc->m_image.GetJpegQuality(), 90);
        if (c.saves) {
            EXPECT_EQ(m_ui.messages[0], "File gespeichert:\n" + path.toStdString()) << c.name;
            EXPECT_EQ(doc->GetTitle(), QStringLiteral("ZIEL  -  ") + path);
            EXPECT_EQ(doc->m_imagePath, path);
            EXPECT_EQ(Frame()->AssistantStep(), 10);
            CRaster back;
            EXPECT_TRUE(
                back.Load(QFile::encodeName(path).constData(),
                          CTesseloDoc::ImageTypeFromExtension(path.section(QLatin1Char('.'), -1))))
                << c.name;
            EXPECT_EQ(back.GetWidth(), uint32_t(c.width)) << c.name;
        } else {
            EXPECT_EQ(m_ui.messages[0], "Fehler beim speichern von '" + path.toStdString() + "'");
            EXPECT_TRUE(doc->m_imagePath.isEmpty());
            EXPECT_FALSE(QFile::exists(path)) << c.name;
        }
        if (QString::fromUtf8(c.name).endsWith(QLatin1String(".gif"))) {
            // The document keeps the reduced image once it is saved, else its own.
            EXPECT_EQ(doc->m_image.GetBpp(), c.saves ? 8u : 24u) << c.name;
            EXPECT_EQ(doc->m_image.GetNumColors(), c.saves ? 256u : 0u) << c.name;
        }
    }
    // Nothing but the saved images and the settings is left in the folder.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 14 + 1);
}

TEST_F(DocumentTest, AFailedSaveKeepsTheOldFile) {
    const QString path = Path("old.wbmp");
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("the old picture");
    }
    NewTarget(20, 20);  // 24 bits: WBMP refuses it
    ChooseFile(path);
    App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    ASSERT_EQ(m_ui.messages.size(), 1u);
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("the old picture"));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);  // + settings

    // A save that works replaces the old file whole.
    const QString png = Path("old.png");
    {
        QFile longer(png);
        ASSERT_TRUE(longer.open(QIODevice::WriteOnly));
        longer.write(QByteArray(100000, 'x'));
    }
    ChooseFile(png);
    App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    CRaster back;
    EXPECT_TRUE(back.Load(QFile::encodeName(png).constData(), FORMAT_PNG));
    EXPECT_LT(QFileInfo(png).size(), 100000);
}

TEST_F(DocumentTest, AnEmptyFileTitleIsRefused) {
    CTesseloDoc* doc = NewTarget(10, 10);
    ChooseFile(Path(".jpg"));
    App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{Text(10066)});
    EXPECT_TRUE(doc->m_imagePath.isEmpty());
    EXPECT_FALSE(QFile::exists(Path(".jpg")));
}

TEST_F(DocumentTest, CropMakesATargetWithTheExtentOfThePixelsKept) {
    CTesseloDoc* doc = NewTarget(40, 20);  // 0.1 per pixel: 100..104, 200..202
    doc->m_is3D = 1;
    doc->m_plane[0] = 5.0;
    CTesseloDoc* crop = Crop(doc);
    ASSERT_EQ(Windows(), 2);
    ASSERT_NE(crop, doc);
    // Columns 10..19 and rows 2..11 are kept.
    EXPECT_EQ(crop->GetImageSize(), QSize(10, 10));
    EXPECT_EQ(crop->m_image.GetPixelColor(0, 9).rgbRed, 10);  // top-left pixel
    EXPECT_EQ(crop->m_image.GetPixelColor(0, 9).rgbGreen, 2);
    EXPECT_DOUBLE_EQ(crop->m_extentLeft, 101.0);
    EXPECT_DOUBLE_EQ(crop->m_extentRight, 102.0);
    EXPECT_DOUBLE_EQ(crop->m_extentTop, 201.8);
    EXPECT_DOUBLE_EQ(crop->m_extentBottom, 200.8);
    EXPECT_EQ(crop->m_isSource, 0);
    EXPECT_EQ(crop->m_is3D, 1);
    EXPECT_EQ(crop->m_plane[0], 5.0);
    EXPECT_EQ(crop->GetTitle(), LoadQString(10016));
    EXPECT_EQ(crop->GetFirstView()->DisplaySize(), QSize(10, 10));
    EXPECT_EQ(Frame()->AssistantStep(), 9);
    // Every pixel of the new image converts to where it lay in the old one.
    double x0, y0, x1, y1;
    ASSERT_EQ(crop->PixelToTarget(3, 4, x0, y0), 1);
    ASSERT_EQ(doc->PixelToTarget(13, 6, x1, y1), 1);
    EXPECT_NEAR(x0, x1, 1e-9);  // rounding of the two extent products
    EXPECT_NEAR(y0, y1, 1e-9);
}

TEST_F(DocumentTest, CropKeepsTheSystemAndSettingsOfTheCroppedTarget) {
    // The stored defaults name another system and other settings than the targets have.
    WriteSetting(settings::kKoosys, 0);
    WriteSetting(settings::kDecimals, 5);
    for (const IntSetting& colour : {settings::kRed, settings::kGreen, settings::kBlue})
        WriteSetting(colour, 9);
    WriteSetting(settings::kWorldFile, 1);
    WriteSetting(settings::kGeoRefFile, 0);
    const struct {
        const char* what;
        int koosys;
        QStringList titles, row;
        std::string line;
    } cases[] = {
        {"2D facade",
         2,
         {"Punkt", "Rechts [m]", "Hoch [m]", ""},
         {"1", "101.30", "201.40", ""},
         "1;101.30;201.40"},
        // (u, v) = (101.3, 201.4) lies at S - u A + v B = (-91.3, 20, 231.4).
        {"3D, north first",
         1,
         {"Punkt", "Nord [m]", "Ost [m]", "H [m]"},
         {"1", "20.00", "-91.30", "231.40"},
         "1;20.00;-91.30;231.40"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CTesseloDoc* doc = NewTarget(40, 20);
        doc->m_koosys = c.koosys;
        doc->m_is3D = c.koosys < 2 ? 1 : 0;
        const double plane[9] = {10, 20, 30, 1, 0, 0, 0, 0, 1};
        if (doc->m_is3D) std::copy(std::begin(plane), std::end(plane), doc->m_plane);
        doc->m_decimals = 2;
        doc->m_red = 10;
        doc->m_green = 20;
        doc->m_blue = 30;
        doc->m_worldFile = 0;
        doc->m_geoRefFile = 1;
        CTesseloDoc* crop = Crop(doc);
        ASSERT_NE(crop, doc);
        EXPECT_EQ(crop->m_koosys, c.koosys);
        EXPECT_EQ(crop->m_is3D, doc->m_is3D);
        EXPECT_TRUE(std::equal(std::begin(doc->m_plane), std::end(doc->m_plane), crop->m_plane));
        EXPECT_EQ(crop->m_decimals, 2);
        EXPECT_EQ(std::tuple(crop->m_red, crop->m_green, crop->m_blue), std::tuple(10, 20, 30));
        EXPECT_EQ(crop->m_worldFile, 0);
        EXPECT_EQ(crop->m_geoRefFile, 1);

        // Crop pixel (3, 4) was pixel (13, 6) of the target: (101.3, 201.4).
        crop->GetFirstView()->m_tool = 3;
        crop->m_measurePoints.Append(QStringLiteral("1"), 3, 4);
        const QString path = Path("crop.dat");
        ChooseFile(path);
        QStringList titles, row;
        m_dialogScripts.push_back([&](QDialog& dialog) {
            auto* list = dialog.findChild<CListCtrlEx*>(QStringLiteral("1044"));
            for (int column = 0; column < list->columnCount(); ++column) {
                titles << list->horizontalHeaderItem(column)->text();
                row << list->GetItemTextStr(0, column);
            }
            static_cast<CKoordinatenDlg&>(dialog).OnExport();
            return int(QDialog::Rejected);
        });
        // The export's header line stays empty.
        m_dialogScripts.push_back([](QDialog&) { return int(QDialog::Rejected); });
        ASSERT_TRUE(App()->RouteCommand(cmd::ID_FINISH_MEASURE));
        EXPECT_EQ(titles, c.titles);
        EXPECT_EQ(row, c.row);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), "\r\n" + c.line + "\r\n");
    }
}

TEST_F(DocumentTest, CropWithoutARegionCreatesNothing) {
    CTesseloDoc* doc = NewTarget(10, 10);
    doc->GetFirstView()->m_tool = 1;
    App()->RouteCommand(cmd::ID_CROP);
    doc->m_cropValid = 1;
    doc->m_cropX0 = doc->m_cropX1 = 3.0;
    doc->m_cropY0 = 1.0;
    doc->m_cropY1 = 5.0;
    App()->RouteCommand(cmd::ID_CROP);
    EXPECT_EQ(m_ui.messages, (std::vector<std::string>{Text(10068), Text(10068)}));
    EXPECT_EQ(Windows(), 1);
}

TEST_F(DocumentTest, MirrorAndFlipTwiceRestoreTheImage) {
    CTesseloDoc* doc = NewTarget(7, 5);
    const CRaster original(doc->m_image);
    CTesseloView* view = doc->GetFirstView();
    view->SetZoom(2.0);
    for (int id : {cmd::ID_MIRROR_HORIZONTAL, cmd::ID_MIRROR_VERTICAL}) {
        App()->RouteCommand(id);
        EXPECT_FALSE(SameImage(doc->m_image, original));
        EXPECT_EQ(view->Zoom(), 2.0);  // the display is rebuilt at the current zoom
        App()->RouteCommand(id);
        EXPECT_TRUE(SameImage(doc->m_image, original));
    }
    EXPECT_EQ(doc->m_image.GetPixelColor(6, 4).rgbRed, 6);
    EXPECT_EQ(doc->m_extentLeft, 100.0);
    EXPECT_EQ(doc->m_extentTop, 200.5);
    EXPECT_EQ(view->DisplayBitmap().pixel(6, 0), qRgb(6, 0, 7));
}

TEST_F(DocumentTest, MirroredAndFlippedPicturesKeepTheCoordinatesOfWhatTheyShow) {
    const struct {
        const char* name;
        std::vector<int> commands;
    } cases[] = {
        {"mirrored", {cmd::ID_MIRROR_HORIZONTAL}},
        {"flipped", {cmd::ID_MIRROR_VERTICAL}},
        {"mirrored and flipped", {cmd::ID_MIRROR_HORIZONTAL, cmd::ID_MIRROR_VERTICAL}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTesseloDoc* doc = NewTarget(40, 20);  // 0.1 per pixel: 100..104, 200..202
        doc->m_koosys = 0;
        doc->m_is3D = 1;
        const double plane[9] = {10, 20, 30, 1, 0, 0, 0, 0, 1};
        std::copy(std::begin(plane), std::end(plane), doc->m_plane);
        for (int id : c.commands) ASSERT_TRUE(App()->RouteCommand(id));
        CTesseloDoc* crop = Crop(doc);
        ASSERT_NE(crop, doc);
        crop->m_worldFile = 1;
        const QString saved = Path("crop.png");
        ChooseFile(saved);
        ASSERT_TRUE(App()->RouteCommand(cmd::ID_FILE_SAVE_AS));
        const std::vector<double> w = ReadWorldFile(saved);
        ASSERT_EQ(w.size(), 6u);

        // A pixel's red and green are its column and row in the rectified image: its centre
        // lay at (u, v) there, on the plane at S - u A + v B, and the world file places the
        // saved pixel's centre there too. The largest miss of each.
        double target = 0.0, plane3D = 0.0, worldFile = 0.0;
        for (CTesseloDoc* d : {doc, crop}) {
            const int width = int(d->m_image.GetWidth()), height = int(d->m_image.GetHeight());
            for (int t = 0; t < height; ++t)
                for (int i = 0; i < width; ++i) {
                    const RGBQUAD p = d->m_image.GetPixelColor(i, height - 1 - t);
                    const double u = 100.0 + (p.rgbRed + 0.5) / 10;
                    const double v = 202.0 - (p.rgbGreen + 0.5) / 10;
                    double x, y, z;
                    ASSERT_EQ(d->PixelToTarget(i + 0.5, t + 0.5, x, y), 1);
                    target = std::max({target, std::fabs(x - u), std::fabs(y - v)});
                    ASSERT_EQ(d->PixelToPlane3D(i + 0.5, t + 0.5, x, y, z), 1);
                    plane3D = std::max({plane3D, std::fabs(x - (10 - u)), std::fabs(z - (30 + v))});
                    if (d == crop)
                        worldFile = std::max({worldFile, std::fabs(w[0] * i + w[2] * t + w[4] - u),
                                              std::fabs(w[1] * i + w[3] * t + w[5] - v)});
                }
        }
        EXPECT_LT(target, 1e-9);
        EXPECT_LT(plane3D, 1e-9);
        EXPECT_LT(worldFile, 1e-6);  // six decimals in the file
        crop->OnCloseDocument();
        doc->OnCloseDocument();
        ProcessEvents();
    }
}

TEST_F(DocumentTest, CommandsFollowTheKindOfDocumentAndTheTool) {
    const int sourceOnly[] = {cmd::ID_RECTIFY, cmd::ID_LOAD_PARAMETERS, cmd::ID_SAVE_PARAMETERS};
    const int targetOnly[] = {cmd::ID_FILE_SAVE, cmd::ID_FILE_SAVE_AS, cmd::ID_MIRROR_HORIZONTAL,
                              cmd::ID_MIRROR_VERTICAL};
    NewDocument();
    for (int id : sourceOnly) EXPECT_TRUE(App()->UpdateCommand(id).IsEnabled()) << id;
    for (int id : targetOnly) EXPECT_FALSE(App()->UpdateCommand(id).IsEnabled()) << id;
    EXPECT_FALSE(App()->UpdateCommand(cmd::ID_CROP).IsEnabled());
    EXPECT_TRUE(App()->UpdateCommand(cmd::ID_FILE_CLOSE).IsEnabled());

    CTesseloDoc* target = NewTarget(10, 10);
    for (int id : sourceOnly) EXPECT_FALSE(App()->UpdateCommand(id).IsEnabled()) << id;
    for (int id : targetOnly) EXPECT_TRUE(App()->UpdateCommand(id).IsEnabled()) << id;
    const struct {
        int tool;
        bool crop;
        bool finish;
    } tools[] = {{1, true, false}, {2, false, false}, {3, false, true}, {4, false, true}};
    for (const auto& t : tools) {
        target->GetFirstView()->m_tool = t.tool;
        EXPECT_EQ(App()->UpdateCommand(cmd::ID_CROP).IsEnabled(), t.crop) << t.tool;
        EXPECT_EQ(App()->UpdateCommand(cmd::ID_FINISH_MEASURE).IsEnabled(), t.finish) << t.tool;
    }
}
