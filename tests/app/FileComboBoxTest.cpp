#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QWidget>

#include "AppTestSupport.h"
#include "CPostedEvents.h"
#include "CommandIds.h"
#include "TempDir.h"
#include "controls/CFileComboBox.h"

namespace {

// Records the posted messages its window receives.
class CMessageRecorder : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == CPostedMessageEvent::TypeId()) {
            const auto* message = static_cast<CPostedMessageEvent*>(event);
            messages.push_back({message->Message(), int(message->WParam())});
            return true;
        }
        return false;
    }
    std::vector<std::pair<int, int>> messages;
};

class FileComboBoxTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_FALSE(m_files.Path().empty());
        m_folder = QString::fromStdString(m_files.Path().string());
        m_other = m_folder + QStringLiteral("/other");
        QDir().mkpath(m_other);
        for (const char* name : {"b.verz", "a.verz", "C.verz", "upper.VERZ", "note.txt"})
            Touch(m_folder + QLatin1Char('/') + QLatin1String(name));
        Touch(m_other + QStringLiteral("/o.verz"));
        m_combo = new CFileComboBox(&m_window);
        m_combo->setObjectName(QStringLiteral("1064"));
        m_window.installEventFilter(&m_recorder);
    }

    static void Touch(const QString& path) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QStringList Entries() const {
        QStringList texts;
        for (int i = 0; i < m_combo->count(); ++i) texts << m_combo->itemText(i);
        return texts;
    }

    void ChooseBrowseEntry() {
        m_combo->setCurrentIndex(m_combo->FindStringExact(QStringLiteral("(Anderes File ...)")));
        m_combo->OnSelChange();
        ProcessEvents();
    }

    TempDir m_files;
    QString m_folder;
    QString m_other;
    QWidget m_window;
    CFileComboBox* m_combo = nullptr;
    CMessageRecorder m_recorder;
};

}  // namespace

TEST_F(FileComboBoxTest, ListsTheFolderSortedWithTheBrowseEntryAndSelectsTheFile) {
    m_combo->Fill(m_folder + QLatin1Char('/'), QStringLiteral("verz"),
                  m_folder + QStringLiteral("/b.verz"));
    EXPECT_EQ(m_combo->Folder(), m_folder);
    // Names differ by case here: "upper.VERZ" is no calibration file.
    EXPECT_EQ(Entries(),
              (QStringList{QStringLiteral("(Anderes File ...)"), QStringLiteral("a.verz"),
                           QStringLiteral("b.verz"), QStringLiteral("C.verz")}));
    EXPECT_EQ(m_combo->currentText(), QStringLiteral("b.verz"));
    EXPECT_EQ(m_combo->GetPath(true, false), m_folder + QStringLiteral("/b.verz"));
    EXPECT_EQ(m_combo->GetPath(false, false), QStringLiteral("b.verz"));
    // Every entry's data is the index of its own string.
    for (int i = 0; i < m_combo->count(); ++i) {
        m_combo->setCurrentIndex(i);
        const QString path = m_combo->GetPath(false, false);
        EXPECT_EQ(path.isEmpty() ? QStringLiteral("(Anderes File ...)") : path,
                  m_combo->itemText(i));
    }
}

TEST_F(FileComboBoxTest, ForeignFileFromTheBrowserSurvivesARefillAndIsPosted) {
    m_combo->Fill(m_folder, QStringLiteral("verz"), QString());
    ChooseFile(m_other + QStringLiteral("/o.verz"));
    ChooseBrowseEntry();
    ASSERT_EQ(m_requests.size(), 1u);
    EXPECT_EQ(m_requests[0].mode, filechooser::Mode::Open);
    EXPECT_EQ(m_requests[0].title, QStringLiteral("File auswählen ..."));
    EXPECT_EQ(m_requests[0].directory, m_folder);
    EXPECT_EQ(m_recorder.messages,
              (std::vector<std::pair<int, int>>{{msg::WM_APP_FILE_SELECTED, 1064}}));
    EXPECT_EQ(m_combo->currentText(), m_other + QStringLiteral("/o.verz"));

    m_combo->Fill(m_other, QStringLiteral("verz"), QString());
    EXPECT_EQ(Entries(),
              (QStringList{QStringLiteral("(Anderes File ...)"),
                           m_other + QStringLiteral("/o.verz"), QStringLiteral("o.verz")}));
    // The chosen file is now the folder's own entry; the foreign entry still names it whole.
    EXPECT_EQ(m_combo->currentText(), QStringLiteral("o.verz"));
    EXPECT_EQ(m_combo->GetPath(true, false), m_other + QStringLiteral("/o.verz"));
    m_combo->setCurrentIndex(m_combo->FindStringExact(m_other + QStringLiteral("/o.verz")));
    EXPECT_EQ(m_combo->GetPath(false, false), m_other + QStringLiteral("/o.verz"));

    // Refilling with the foreign file selected, or choosing it again, lists it once.
    m_combo->Fill(m_folder, QStringLiteral("verz"), QString());
    EXPECT_EQ(m_combo->currentText(), m_other + QStringLiteral("/o.verz"));
    ChooseFile(m_other + QStringLiteral("/o.verz"));
    ChooseBrowseEntry();
    EXPECT_EQ(Entries().count(m_other + QStringLiteral("/o.verz")), 1);
    EXPECT_EQ(m_combo->currentText(), m_other + QStringLiteral("/o.verz"));
}

TEST_F(FileComboBoxTest, CancelledBrowserClearsTheSelectionAndStillPosts) {
    m_combo->Fill(m_folder, QStringLiteral("verz"), QStringLiteral("a.verz"));
    ChooseBrowseEntry();
    EXPECT_EQ(m_combo->currentIndex(), -1);
    EXPECT_EQ(m_combo->GetPath(true, false), QString());
    EXPECT_EQ(m_recorder.messages.size(), 1u);
}

TEST_F(FileComboBoxTest, SelectPathAndTypedText) {
    m_combo->Fill(m_folder, QStringLiteral("verz"), QString());
    const int files = m_combo->FileCount();
    // A file of the folder that the list does not hold comes in as a plain name.
    EXPECT_EQ(m_combo->SelectPath(m_folder + QStringLiteral("/new.verz")), 1);
    EXPECT_EQ(m_combo->currentText(), QStringLiteral("new.verz"));
    EXPECT_EQ(m_combo->FileCount(), files + 1);
    // A listed file is selected, not added.
    EXPECT_EQ(m_combo->SelectPath(m_folder + QStringLiteral("/a.verz")), 1);
    EXPECT_EQ(m_combo->FileCount(), files + 1);
    // A folder without a file name clears the selection.
    EXPECT_EQ(m_combo->SelectPath(m_folder + QLatin1Char('/')), 0);
    EXPECT_EQ(m_combo->currentIndex(), -1);
    // Case matters: the same folder in other letters is a foreign folder.
    QString other = m_folder;
    other.replace(QStringLiteral("tesselo"), QStringLiteral("TESSELO"));
    EXPECT_EQ(m_combo->SelectPath(other + QStringLiteral("/a.verz")), 1);
    EXPECT_EQ(m_combo->currentText(), other + QStringLiteral("/a.verz"));

    // Typed text: a name not in the list gets the folder, a full path stays as typed, a
    // listed name is selected.
    m_combo->lineEdit()->setText(QStringLiteral("typed.verz"));
    EXPECT_EQ(m_combo->GetPath(true, false), m_folder + QStringLiteral("/typed.verz"));
    EXPECT_EQ(m_combo->GetPath(false, false), QStringLiteral("typed.verz"));
    m_combo->lineEdit()->setText(QStringLiteral("/elsewhere/x.verz"));
    EXPECT_EQ(m_combo->GetPath(true, false), QStringLiteral("/elsewhere/x.verz"));
    m_combo->lineEdit()->setText(QStringLiteral("C.verz"));
    EXPECT_EQ(m_combo->GetPath(true, true), m_folder + QStringLiteral("/C.verz"));
    EXPECT_EQ(m_combo->currentIndex(), m_combo->FindStringExact(QStringLiteral("C.verz")));
}

TEST_F(FileComboBoxTest, RootFolderKeepsItsSeparator) {
    m_combo->Fill(QStringLiteral("/"), QStringLiteral("tesselo-no-such-extension"), QString());
    EXPECT_EQ(m_combo->Folder(), QStringLiteral("/"));
    EXPECT_EQ(m_combo->SelectPath(QStringLiteral("/x.verz")), 1);
    EXPECT_EQ(m_combo->currentText(), QStringLiteral("x.verz"));
    EXPECT_EQ(m_combo->GetPath(true, false), QStringLiteral("/x.verz"));
}

TEST(FileComboBoxHelpers, SplitPaths) {
    const struct {
        const char* path;
        const char* directory;
        const char* name;
        const char* extension;
    } cases[] = {
        {"/a/b/c.verz", "/a/b/", "c", ".verz"},
        {"c.verz", "", "c", ".verz"},
        {"/a/b/", "/a/b/", "", ""},
        {"/x", "/", "x", ""},
        {"/a.b/c.d.verz", "/a.b/", "c.d", ".verz"},
    };
    for (const auto& c : cases) {
        QString drive, directory, name, extension, folder, file;
        SplitPathComponents(QString::fromUtf8(c.path), drive, directory, name, extension);
        EXPECT_TRUE(drive.isEmpty());
        EXPECT_EQ(directory, QString::fromUtf8(c.directory)) << c.path;
        EXPECT_EQ(name, QString::fromUtf8(c.name)) << c.path;
        EXPECT_EQ(extension, QString::fromUtf8(c.extension)) << c.path;
        SplitPathFolderName(QString::fromUtf8(c.path), folder, file);
        EXPECT_EQ(folder + file, QString::fromUtf8(c.path));
    }
}
