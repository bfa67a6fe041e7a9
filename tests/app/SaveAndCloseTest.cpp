// Saving and closing targets: Ctrl+S saves the image, under a chosen name the first time and
// to its own file after that; a target whose picture is not saved asks before its window
// closes or the program ends, and Abbrechen keeps it.
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyleOptionTitleBar>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <optional>

#include "AppTestSupport.h"
#include "CChildFrame.h"
#include "CLongLoopFilter.h"
#include "CMainFrame.h"
#include "CQtUserInterface.h"
#include "CRaster.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CadLink.h"
#include "CommandIds.h"
#include "FileSizeLimit.h"
#include "QtStringLookup.h"
#include "RasterTypes.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"

namespace {

using ui::Answer;

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

bool SameImage(const CRaster& a, const CRaster& b) { return MaxDifference(a, b) == 0; }

// The image in a file, read by whichever reader recognises it; invalid when none does.
CRaster Load(const QString& path) {
    CRaster image;
    if (!image.Load(QFile::encodeName(path).constData(), FORMAT_UNKNOWN)) image.Destroy();
    return image;
}

class SaveAndCloseTest : public AppTest {
protected:
    // What a target holds when its window is closed.
    enum class State { Unsaved, Saved, ChangedAfterSave, CroppedFromSaved, SourcePhoto };

    void SetUp() override {
        AppTest::SetUp();
        // The CAD link's socket lives in the test's own folder, so parallel tests never meet.
        m_hadTmpdir = qEnvironmentVariableIsSet("TMPDIR");
        m_tmpdir = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_dir.path().toLocal8Bit());
        ASSERT_TRUE(StartActive());
    }

    void TearDown() override {
        AppTest::TearDown();
        if (m_hadTmpdir)
            qputenv("TMPDIR", m_tmpdir);
        else
            qunsetenv("TMPDIR");
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

    // A document in the given state, active; saved ones under `path`.
    CTesseloDoc* Make(State state, const QString& path) {
        if (state == State::SourcePhoto) {
            CRaster photo(8, 6, 24);
            EXPECT_TRUE(photo.Save(QFile::encodeName(path).constData(), FORMAT_PNG));
            ChooseFile(path);
            App()->RouteCommand(cmd::ID_FILE_OPEN);
            ProcessEvents();
            return GetActiveDocument();
        }
        CTesseloDoc* target = Rectified();
        if (state == State::Unsaved) return target;
        ChooseFile(path);
        EXPECT_TRUE(App()->RouteCommand(cmd::ID_FILE_SAVE_AS));
        if (state == State::ChangedAfterSave) {
            EXPECT_TRUE(App()->RouteCommand(cmd::ID_MIRROR_HORIZONTAL));
        }
        ProcessEvents();
        if (state != State::CroppedFromSaved) return target;
        // A new target made by the crop tool; the saved one it came from closes.
        target->GetFirstView()->m_tool = 1;
        target->m_cropValid = 1;
        target->m_cropX0 = target->m_cropY0 = 10.0;
        target->m_cropX1 = target->m_cropY1 = 59.0;
        EXPECT_TRUE(App()->RouteCommand(cmd::ID_CROP));
        CTesseloDoc* crop = GetActiveDocument();
        target->OnCloseDocument();
        ProcessEvents();
        App()->SetActiveDocument(crop);
        return crop;
    }

    QMdiSubWindow* WindowOf(const CTesseloDoc* doc) {
        for (QMdiSubWindow* window : Frame()->MdiArea()->subWindowList())
            if (static_cast<CChildFrame*>(window)->GetDocument() == doc) return window;
        return nullptr;
    }

    // Ctrl+S pressed on the active window; the idle pass has enabled the commands.
    void PressCtrlS() {
        Frame()->UpdateCommandUI();
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        ProcessEvents();
    }

    // A command chosen from the menu or tool bar.
    void Trigger(int id) {
        Frame()->UpdateCommandUI();
        Frame()->Action(id)->trigger();
        ProcessEvents();
    }

    static std::string Question(const CTesseloDoc* doc) {
        return "Das entzerrte Bild '" + doc->GetTitle().toStdString() +
               "' ist nicht gespeichert.\n\nSpeichern ?";
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

    // Whether the CAD interface program was told to quit since it began to listen.
    bool QuitSent() {
        // A local connection is made at once, so a message posted before is already queued.
        if (!m_server.hasPendingConnections() && !m_server.waitForNewConnection(0)) return false;
        QLocalSocket* socket = m_server.nextPendingConnection();
        while (!socket->canReadLine() && socket->waitForReadyRead(2000)) {
        }
        const QByteArray line = socket->readAll();
        delete socket;
        EXPECT_EQ(line, QByteArray("Kavi_Tesselo_Quit 0 0\n"));
        return true;
    }

    QLocalServer m_server;
    bool m_hadTmpdir = false;
    QByteArray m_tmpdir;
};

// The close button in a sub-window's title bar, clicked.
void ClickCloseButton(QMdiSubWindow* window) {
    QStyleOptionTitleBar option;
    option.initFrom(window);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = window->windowFlags();
    option.titleBarState = window->windowState();
    const int border =
        window->style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, window);
    const int height = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, window);
    option.rect = QRect(border, border, window->width() - 2 * border, height - border);
    const QPoint centre =
        window->style()
            ->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarCloseButton, window)
            .center();
    // The pointer comes from inside the window, so that the window sees it arrive over the
    // button (a move to where the pointer already is reaches no one).
    QTest::mouseMove(window, window->rect().center());
    QTest::mouseMove(window, centre);
    QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre);
}

// The close entry of a sub-window's window menu, chosen.
void ChooseCloseInWindowMenu(QMdiSubWindow* window) {
    for (QAction* action : window->systemMenu()->actions())
        if (action->shortcut() == QKeySequence(QKeySequence::Close)) {
            action->trigger();
            return;
        }
    ADD_FAILURE() << "no close entry in the window menu";
}

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
    EXPECT_EQ(Windows(), 0);  // each saved target closed without a question
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

    // The image has no file of its own any more: Ctrl+S asks for a name, and the picture is
    // still unsaved.
    const std::string question = Question(target);
    const size_t asked = m_requests.size();
    PressCtrlS();
    EXPECT_EQ(m_requests.size(), asked + 1);
    m_ui.messages.clear();
    m_ui.answers = {Answer::No};
    Trigger(cmd::ID_FILE_CLOSE);
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{question});
    EXPECT_EQ(Windows(), 0);
    ExpectOnlyImagesUnderImageNames();
}

TEST_F(SaveAndCloseTest, EveryWayOfClosingAsksOnlyForAPictureNotSaved) {
    const struct {
        const char* name;
        std::function<void(QMdiSubWindow*)> close;
    } ways[] = {
        {"close button", ClickCloseButton},
        {"Bild schließen", [this](QMdiSubWindow*) { Trigger(cmd::ID_FILE_CLOSE); }},
        {"window menu", ChooseCloseInWindowMenu},
        {"assistant link",
         [this](QMdiSubWindow*) { Frame()->OnAssistantCommand(QStringLiteral("CLOSET")); }},
    };
    const struct {
        const char* name;
        State state;
        bool asks;
    } states[] = {
        {"unsaved", State::Unsaved, true},
        {"saved", State::Saved, false},
        {"changed after saving", State::ChangedAfterSave, true},
        {"cropped from a saved one", State::CroppedFromSaved, true},
        {"source photo", State::SourcePhoto, false},
    };
    for (const auto& way : ways)
        for (const auto& state : states) {
            SCOPED_TRACE(std::string(way.name) + ", " + state.name);
            CTesseloDoc* doc = Make(state.state, Path("bild.png"));
            ASSERT_NE(doc, nullptr);
            const std::string question = Question(doc);
            m_ui.messages.clear();
            m_ui.answers = {Answer::Cancel};
            way.close(WindowOf(doc));
            ProcessEvents();
            EXPECT_EQ(m_ui.messages,
                      state.asks ? std::vector<std::string>{question} : std::vector<std::string>{});
            ASSERT_EQ(Windows(), state.asks ? 1 : 0);
            if (!state.asks) continue;
            // Abbrechen kept it; Nein closes it.
            m_ui.answers = {Answer::No};
            way.close(WindowOf(doc));
            ProcessEvents();
            EXPECT_EQ(m_ui.messages, (std::vector<std::string>{question, question}));
            EXPECT_EQ(Windows(), 0);
        }
}

TEST_F(SaveAndCloseTest, EachAnswerSavesDiscardsOrKeepsThePicture) {
    enum class Save { None, Chosen, Cancelled, Refused, DiskFull };
    const struct {
        const char* name;
        State state;
        Answer answer;
        Save save;
        const char* report;  // the start of the save's message, if it shows one
        bool closes;
        bool fileHoldsThePicture;  // else the file holds what was saved before, or is missing
    } cases[] = {
        {"Nein", State::Unsaved, Answer::No, Save::None, nullptr, true, false},
        {"Nein", State::ChangedAfterSave, Answer::No, Save::None, nullptr, true, false},
        {"Abbrechen", State::Unsaved, Answer::Cancel, Save::None, nullptr, false, false},
        {"Abbrechen", State::ChangedAfterSave, Answer::Cancel, Save::None, nullptr, false, false},
        {"Ja", State::Unsaved, Answer::Yes, Save::Chosen, "File gespeichert", true, true},
        {"Ja", State::ChangedAfterSave, Answer::Yes, Save::None, "File gespeichert", true, true},
        {"Ja, save cancelled", State::Unsaved, Answer::Yes, Save::Cancelled, nullptr, false, false},
        {"Ja, save refused", State::Unsaved, Answer::Yes, Save::Refused, "Fehler beim speichern",
         false, false},
        {"Ja, disk full", State::ChangedAfterSave, Answer::Yes, Save::DiskFull,
         "Fehler beim speichern", false, false},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.state == State::Unsaved ? ", unsaved" : ", changed"));
        const QString path = Path(("bild" + std::to_string(++n) + ".png").c_str());
        CTesseloDoc* doc = Make(c.state, path);
        const CRaster before = Load(path);  // what was saved before the change, if anything
        const CRaster picture(doc->m_image);
        const std::string question = Question(doc);
        if (c.save == Save::Chosen) ChooseFile(path);
        if (c.save == Save::Refused) ChooseFile(Path("bild.wbmp"));  // 24 bits: WBMP refuses
        m_ui.messages.clear();
        m_ui.answers = {c.answer};
        {
            std::optional<FileSizeLimit> limit;
            if (c.save == Save::DiskFull) {
                ASSERT_TRUE(limit.emplace(100).Active());
            }
            Trigger(cmd::ID_FILE_CLOSE);
        }
        ASSERT_EQ(m_ui.messages.size(), c.report ? 2u : 1u);
        EXPECT_EQ(m_ui.messages[0], question);
        if (c.report) {
            EXPECT_EQ(m_ui.messages[1].rfind(c.report, 0), 0u) << m_ui.messages[1];
        }
        EXPECT_EQ(Windows(), c.closes ? 0 : 1);

        const CRaster file = Load(path);
        if (c.fileHoldsThePicture)
            EXPECT_TRUE(SameImage(file, picture));
        else if (before.IsValid())
            EXPECT_TRUE(SameImage(file, before));
        else
            EXPECT_FALSE(QFile::exists(path));
        EXPECT_FALSE(QFile::exists(Path("bild.wbmp")));
        if (c.closes) continue;
        // The window kept still asks.
        m_ui.messages.clear();
        m_ui.answers = {Answer::No};
        Trigger(cmd::ID_FILE_CLOSE);
        EXPECT_EQ(m_ui.messages, std::vector<std::string>{question});
        EXPECT_EQ(Windows(), 0);
    }
    ExpectOnlyImagesUnderImageNames();
}

TEST_F(SaveAndCloseTest, EndingAsksForEveryPictureNotSavedAndAbbrechenStopsIt) {
    ASSERT_TRUE(m_server.listen(QLatin1String(kCadInterfaceName)))
        << m_server.errorString().toStdString();
    const struct {
        const char* name;
        std::function<void()> end;
    } ways[] = {
        {"Beenden", [this] { Trigger(cmd::ID_APP_EXIT); }},
        {"main window closed", [this] { Frame()->close(); }},
    };
    const struct {
        const char* name;
        bool unsaved;  // an unsaved and a changed target besides a saved one and a photo
        std::deque<Answer> answers;
        const char* chosen;  // the name chosen for the unsaved target, if any
        int questions;
        bool ends;
    } cases[] = {
        {"nothing unsaved", false, {}, nullptr, 0, true},
        {"Nein, Nein", true, {Answer::No, Answer::No}, nullptr, 2, true},
        {"Abbrechen", true, {Answer::Cancel}, nullptr, 1, false},
        {"Nein, Abbrechen", true, {Answer::No, Answer::Cancel}, nullptr, 2, false},
        {"Ja, Ja", true, {Answer::Yes, Answer::Ok, Answer::Yes, Answer::Ok}, "neu.png", 2, true},
        {"Ja, save cancelled", true, {Answer::Yes}, nullptr, 1, false},
        {"Ja, save refused", true, {Answer::Yes, Answer::Ok}, "neu.wbmp", 1, false},
    };
    for (const auto& way : ways)
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(way.name) + ", " + c.name);
            App()->ExitInstance();
            ASSERT_TRUE(StartActive());
            for (const char* name : {"neu.png", "neu.wbmp", "geaendert.png"})
                QFile::remove(Path(name));
            Make(State::SourcePhoto, Path("foto.png"));
            Make(State::Saved, Path("gespeichert.png"));
            std::vector<std::string> questions;
            std::vector<CRaster> pictures;
            if (c.unsaved)
                for (State state : {State::Unsaved, State::ChangedAfterSave}) {
                    const CTesseloDoc* doc = Make(state, Path("geaendert.png"));
                    questions.push_back(Question(doc));
                    pictures.push_back(doc->m_image);
                }
            const CRaster before = Load(Path("geaendert.png"));
            const int windows = Windows();
            if (c.chosen) ChooseFile(Path(c.chosen));
            m_ui.messages.clear();
            m_ui.answers = c.answers;
            way.end();
            ProcessEvents();

            std::vector<std::string> asked;
            for (const std::string& text : m_ui.messages)
                if (text.rfind("Das entzerrte Bild", 0) == 0) asked.push_back(text);
            questions.resize(c.questions);
            EXPECT_EQ(asked, questions);
            EXPECT_EQ(Frame()->isVisible(), !c.ends);
            EXPECT_EQ(QuitSent(), c.ends);
            if (!c.ends) {
                EXPECT_EQ(Windows(), windows);  // none closed, not even after Nein
            }
            if (!c.unsaved) continue;
            // Ja saved each picture; else the changed target's file holds what was saved before.
            const bool saved = c.answers[0] == Answer::Yes && c.ends;
            EXPECT_EQ(QFile::exists(Path("neu.png")), saved);
            if (saved) {
                EXPECT_TRUE(SameImage(Load(Path("neu.png")), pictures[0]));
            }
            EXPECT_TRUE(SameImage(Load(Path("geaendert.png")), saved ? pictures[1] : before));
            EXPECT_FALSE(QFile::exists(Path("neu.wbmp")));
        }
    ExpectOnlyImagesUnderImageNames();
}

TEST_F(SaveAndCloseTest, DuringALongLoopNothingAsksOrCloses) {
    ASSERT_TRUE(m_server.listen(QLatin1String(kCadInterfaceName)))
        << m_server.errorString().toStdString();
    CTesseloDoc* target = Rectified();
    {
        CLongLoopFilter loop;
        EXPECT_FALSE(WindowOf(target)->close());
        EXPECT_FALSE(Frame()->close());
        loop.PollEscape();  // the loop goes on delivering what arrives
    }
    ProcessEvents();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(Windows(), 1);
    EXPECT_TRUE(Frame()->isVisible());
    EXPECT_FALSE(QuitSent());
}

TEST_F(SaveAndCloseTest, TheQuestionOffersJaNeinAbbrechenInTheInterfaceLanguage) {
    CQtUserInterface qtUi;
    qtUi.SetCaption(QStringLiteral("Tesselo"));
    ui::Install(&qtUi);
    const auto close = [this](QMessageBox::StandardButton answer) {
        QStringList seen;
        LookAtNextWindow<QMessageBox>([&seen, answer](QMessageBox& box) {
            seen << box.text();
            for (QMessageBox::StandardButton button :
                 {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
                seen << (box.button(button) ? box.button(button)->text() : QString());
            box.button(answer)->click();
        });
        Trigger(cmd::ID_FILE_CLOSE);
        return seen;
    };
    const QStringList german{
        "Das entzerrte Bild 'ZIEL  -  unbenannt' ist nicht gespeichert.\n\nSpeichern ?", "&Ja",
        "&Nein", "Abbrechen"};
    Rectified();
    EXPECT_EQ(close(QMessageBox::Cancel), german);
    EXPECT_EQ(Windows(), 1);
    EXPECT_EQ(close(QMessageBox::No), german);
    EXPECT_EQ(Windows(), 0);

    App()->RouteCommand(cmd::ID_LANGUAGE_ENGLISH);
    Rectified();
    EXPECT_EQ(close(QMessageBox::No),
              (QStringList{"The rectified image 'TARGET  -  untitled' is not saved.\n\nSave it?",
                           "&Yes", "&No", "Cancel"}));
    EXPECT_EQ(Windows(), 0);
    ui::Install(&m_ui);
}
