// Saving targets: Ctrl+S saves the image, under a chosen name the first time and to its own
// file after that.
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QTest>
#include <algorithm>
#include <cstdlib>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CRaster.h"
#include "CTesseloDoc.h"
#include "CommandIds.h"
#include "FileSizeLimit.h"
#include "RasterTypes.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"

namespace {

// The largest difference of a colour channel between two images of one size; 256 when their
// sizes differ.
int MaxDifference(const CRaster& a, const CRaster& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return 256;
    int largest = 0;
    for (uint32_t y = 0; y < a.GetHeight(); ++y)
        for (uint32_t x = 0; x < a.GetWidth(); ++x) {
            const RGBQUAD p = a.GetPixelColor(x, y), q = b.GetPixelColor(x, y);
            largest =
                std::max({largest, std::abs(p.rgbRed - q.rgbRed), std::abs(p.rgbGreen - q.rgbGreen),
                          std::abs(p.rgbBlue - q.rgbBlue)});
        }
    return largest;
}

// The image in a file, read by whichever reader recognises it; invalid when none does.
CRaster Load(const QString& path) {
    CRaster image;
    if (!image.Load(QFile::encodeName(path).constData(), FORMAT_UNKNOWN)) image.Destroy();
    return image;
}

class SaveAndCloseTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(StartActive());
    }

    // Starts the program with its main window active, so that its shortcuts work.
    bool StartActive() {
        if (!Start()) return false;
        Frame()->activateWindow();
        return QTest::qWaitForWindowActive(Frame());
    }

    CMainFrame* Frame() { return App()->MainFrame(); }
    int Windows() { return int(Frame()->MdiArea()->subWindowList().size()); }
    QString Path(const char* name) { return m_dir.filePath(QString::fromUtf8(name)); }

    // A target rectified by "Bild entzerren" from a 200 x 100 source whose pixel (x, y from
    // the top) has the colour (x, y, 7); it is the active document and not saved.
    CTesseloDoc* Rectified() {
        CTesseloDoc* source = App()->OnFileNew();
        source->m_image.Create(200, 100, 24, FORMAT_BMP);
        for (uint32_t y = 0; y < 100; ++y)
            for (uint32_t x = 0; x < 200; ++x)
                source->m_image.SetPixelColor(x, 99 - y, RGBQUAD{7, uint8_t(y), uint8_t(x), 0});
        // A 20 m square seen as the 200 x 100 image.
        const QStringList names{"A", "B", "C", "D"};
        const std::vector<double> x{0, 200, 200, 0}, y{0, 0, 100, 100};
        const std::vector<double> refX{0, 20, 20, 0}, refY{20, 20, 0, 0};
        const std::vector<int> use{1, 1, 1, 1};
        CErgebnisseAusgleichDlg dialog;
        dialog.m_names = &names;
        dialog.m_imageX = &x;
        dialog.m_imageY = &y;
        dialog.m_refX = &refX;
        dialog.m_refY = &refY;
        dialog.m_use = &use;
        EXPECT_TRUE(dialog.OnInitDialog());
        dialog.OnOK();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        CTesseloDoc* target = GetActiveDocument();
        source->OnCloseDocument();
        ProcessEvents();
        App()->SetActiveDocument(target);
        return target;
    }

    // Ctrl+S pressed on the active window; the idle pass has enabled the commands.
    void PressCtrlS() {
        Frame()->UpdateCommandUI();
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        ProcessEvents();
    }

    // The image file the save wrote under the path: of the type, the document's image (each
    // colour within the tolerance), and the document titled after it.
    void ExpectSavedAs(const CTesseloDoc& doc, const QString& path, uint32_t type, int tolerance) {
        const CRaster back = Load(path);
        ASSERT_TRUE(back.IsValid());
        EXPECT_EQ(back.GetType(), type);
        EXPECT_LE(MaxDifference(back, doc.m_image), tolerance);
        EXPECT_EQ(doc.GetTitle(), QStringLiteral("ZIEL  -  ") + path);
        ASSERT_FALSE(m_ui.messages.empty());
        EXPECT_EQ(m_ui.messages.back().rfind("File gespeichert:\n" + path.toStdString(), 0), 0u);
    }

    // Every file under an image format's name in the test folder holds an image of that format.
    void ExpectOnlyImagesUnderImageNames() {
        for (const QFileInfo& file : QDir(m_dir.path()).entryInfoList(QDir::Files)) {
            const uint32_t type = CTesseloDoc::ImageTypeFromExtension(file.suffix().toLower());
            if (type == FORMAT_UNKNOWN) continue;
            EXPECT_EQ(Load(file.filePath()).GetType(), type) << file.fileName().toStdString();
        }
    }
};

}  // namespace

TEST_F(SaveAndCloseTest, CtrlSSavesTheImageUnderTheChosenNameThenToItsOwnFile) {
    EXPECT_EQ(Frame()->Action(cmd::ID_FILE_SAVE)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    const struct {
        const char* name;
        uint32_t type;
        int tolerance;
    } cases[] = {
        {"ziel.tif", FORMAT_TIF, 2},  // 24-bit TIFF is JPEG-compressed; the gradient is smooth
        {"ziel.png", FORMAT_PNG, 0},
        {"ziel.bmp", FORMAT_BMP, 0},
        {"ziel.gif", FORMAT_GIF, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTesseloDoc* target = Rectified();
        target->m_worldFile = 1;
        const QString path = Path(c.name);

        // Never saved: "Bild Speichern unter" with the image formats and no name proposed.
        ChooseFile(path);
        const size_t asked = m_requests.size();
        PressCtrlS();
        ASSERT_EQ(m_requests.size(), asked + 1);
        const filechooser::Request& request = m_requests.back();
        EXPECT_EQ(request.filter,
                  filechooser::ToQtFilter(QString::fromLatin1(CTesseloDoc::kImageFilter)));
        EXPECT_EQ(request.defaultSuffix, QStringLiteral("jpg"));
        EXPECT_TRUE(request.overwritePrompt);
        EXPECT_TRUE(request.fileName.isEmpty());
        ExpectSavedAs(*target, path, c.type, c.tolerance);
        const std::vector<double> world = ReadWorldFile(path);
        ASSERT_EQ(world.size(), 6u);

        // Saved before: the changed picture goes to its own file in its format, with the
        // side files, and nothing is asked.
        ASSERT_TRUE(App()->RouteCommand(cmd::ID_MIRROR_HORIZONTAL));
        PressCtrlS();
        EXPECT_EQ(m_requests.size(), asked + 1);
        ExpectSavedAs(*target, path, c.type, c.tolerance);
        const std::vector<double> mirrored = ReadWorldFile(path);
        ASSERT_EQ(mirrored.size(), 6u);
        EXPECT_EQ(mirrored[0], -world[0]);  // the columns run the other way now

        // "Bild Speichern unter" proposes the image's own file.
        App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
        EXPECT_EQ(m_requests.back().fileName, path);
        target->OnCloseDocument();
        ProcessEvents();
    }
    EXPECT_EQ(Windows(), 0);
    ExpectOnlyImagesUnderImageNames();
}

TEST_F(SaveAndCloseTest, ACtrlSThatFailsKeepsTheFileAndAsksForANameNextTime) {
    CTesseloDoc* target = Rectified();
    const QString path = Path("ziel.png");
    ChooseFile(path);
    PressCtrlS();
    const QByteArray saved = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    ASSERT_GT(saved.size(), 100);

    ASSERT_TRUE(App()->RouteCommand(cmd::ID_MIRROR_VERTICAL));
    m_ui.messages.clear();
    {
        FileSizeLimit limit(100);
        ASSERT_TRUE(limit.Active());
        PressCtrlS();
    }
    EXPECT_EQ(m_ui.messages,
              std::vector<std::string>{"Fehler beim speichern von '" + path.toStdString() + "'"});
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
    EXPECT_EQ(target->GetTitle(), QStringLiteral("ZIEL  -  ") + path);

    // The image has no file of its own any more: Ctrl+S asks for a name.
    const size_t asked = m_requests.size();
    PressCtrlS();
    EXPECT_EQ(m_requests.size(), asked + 1);
    ExpectOnlyImagesUnderImageNames();
}
