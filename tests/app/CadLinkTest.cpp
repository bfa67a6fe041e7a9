// The CAD link: a local server stands in for the interface program. The socket and the temp
// directory live in the test's own folder, so parallel tests never meet.

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QRadioButton>
#include <cerrno>
#include <cstring>

#include "AppTestSupport.h"
#include "CMainFrame.h"
#include "CTesseloDoc.h"
#include "CadLink.h"
#include "FileSizeLimit.h"
#include "dialogs/CBitmapAcadDlg.h"

namespace {

class CadLinkTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Remember("TMPDIR");
        Remember("TEMP");
        // QLocalServer and QLocalSocket put the socket into QDir::tempPath().
        qputenv("TMPDIR", m_dir.path().toLocal8Bit());
        m_temp = m_dir.filePath(QStringLiteral("temp"));
        ASSERT_TRUE(QDir().mkdir(m_temp));
        qputenv("TEMP", m_temp.toLocal8Bit());
    }

    void TearDown() override {
        AppTest::TearDown();
        for (const auto& [name, value] : m_environment) {
            if (value.isNull())
                qunsetenv(name);
            else
                qputenv(name, value);
        }
    }

    // Keeps a variable's value (null when unset) to restore it after the test.
    void Remember(const char* name) {
        m_environment.emplace_back(name,
                                   qEnvironmentVariableIsSet(name) ? qgetenv(name) : QByteArray());
    }

    void Listen() {
        ASSERT_TRUE(m_server.listen(QLatin1String(kCadInterfaceName)))
            << m_server.errorString().toStdString();
    }

    // The lines the stand-in received, one connection per message.
    QStringList Received() {
        QStringList lines;
        while (m_server.hasPendingConnections() || m_server.waitForNewConnection(2000)) {
            QLocalSocket* socket = m_server.nextPendingConnection();
            while (!socket->canReadLine() && socket->waitForReadyRead(2000)) {
            }
            lines << QString::fromLatin1(socket->readAll());
            delete socket;
            if (!m_server.hasPendingConnections()) break;
        }
        return lines;
    }

    // A saved 2D target document 1000 x 500 with the extent x 100..200, y 200..250.
    CTesseloDoc* Target() {
        CTesseloDoc* doc = App()->OnFileNew();
        doc->m_image.Create(1000, 500, 24, 0);
        doc->m_isSource = 0;
        doc->m_extentLeft = 100;
        doc->m_extentBottom = 200;
        doc->m_extentRight = 200;
        doc->m_extentTop = 250;
        doc->m_koosys = 3;
        doc->m_is3D = 0;
        doc->m_imagePath = QStringLiteral("/bilder/ziel.jpg");
        return doc;
    }

    QString Transfer(int n) { return m_temp + QStringLiteral("/~KaviToAcad %1.tmp").arg(n); }

    QLocalServer m_server;
    std::vector<std::pair<const char*, QByteArray>> m_environment;
    QString m_temp;
};

}  // namespace

TEST_F(CadLinkTest, ClosingTheMainWindowTellsTheInterfaceProgramToQuit) {
    Listen();
    ASSERT_TRUE(Start());
    App()->MainFrame()->close();
    EXPECT_EQ(Received(), QStringList{QStringLiteral("Kavi_Tesselo_Quit 0 0\n")});
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(CadLinkTest, WithoutTheInterfaceProgramClosingStartsNothing) {
    ASSERT_TRUE(Start());
    App()->MainFrame()->close();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(PostToCadInterface(CTesseloApp::kQuitMessage, 0, 0, 0), 1);
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(CadLinkTest, TransferFileHasEighteenLinesAndTheMessageItsNumber) {
    Listen();
    ASSERT_TRUE(Start());
    CTesseloDoc* doc = Target();
    // Number 0 is taken: the transfer takes the next free one.
    ASSERT_TRUE(QFile(Transfer(0)).open(QIODevice::WriteOnly));

    CBitmapAcadDlg dialog;
    ASSERT_TRUE(dialog.OnInitDialog());
    auto* radio3D = dialog.findChild<QRadioButton*>(QStringLiteral("1025"));
    auto* radio2D = dialog.findChild<QRadioButton*>(QStringLiteral("1024"));
    ASSERT_TRUE(radio3D && radio2D);
    EXPECT_FALSE(radio3D->isEnabled());
    EXPECT_TRUE(radio2D->isChecked());
    EXPECT_EQ(dialog.SendToCad(), 1);
    EXPECT_EQ(Received(), QStringList{QStringLiteral("Kavi_Tesselo_ToAcad 1 0\n")});

    QFile file(Transfer(1));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(file.readAll()),
              QStringLiteral("/bilder/ziel.jpg\r\n0\r\n100.00000\r\n200.00000\r\n0\r\n100.00000\r\n"
                             "0\r\n0\r\n1\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n0\r\n"));

    // A 3D document in 3D mode sends the placement on its plane.
    doc->m_koosys = 0;
    doc->m_is3D = 1;
    const double plane[9] = {1000, 2000, 300, -1, 0, 0, 0, 0, 1};
    std::copy(plane, plane + 9, doc->m_plane);
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_TRUE(radio3D->isEnabled());
    EXPECT_TRUE(radio3D->isChecked());
    EXPECT_EQ(dialog.SendToCad(), 1);
    EXPECT_EQ(Received(), QStringList{QStringLiteral("Kavi_Tesselo_ToAcad 2 0\n")});
    QFile file3D(Transfer(2));
    ASSERT_TRUE(file3D.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromLatin1(file3D.readAll()).split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 19);  // 18 lines and the empty rest after the last line end
    EXPECT_EQ(lines[1], QStringLiteral("1"));
    EXPECT_EQ(lines[2], QStringLiteral("1100.00000"));
    EXPECT_TRUE(m_ui.messages.empty());
}

TEST_F(CadLinkTest, UndeliveredTransferFileIsDeleted) {
    ASSERT_TRUE(Start());
    Target();
    CBitmapAcadDlg dialog;
    ASSERT_TRUE(dialog.OnInitDialog());
    // No interface program runs and none is installed in the start directory.
    EXPECT_EQ(dialog.SendToCad(), 1);
    EXPECT_FALSE(QFile::exists(Transfer(0)));
    EXPECT_EQ(m_ui.messages, std::vector<std::string>(
                                 {"Interface-Progamm ist nicht installiert",
                                  "AutoCad: Interface-Programm konnte nicht gestartet werden"}));
}

TEST_F(CadLinkTest, AllTransferNumbersTakenWritesNothing) {
    ASSERT_TRUE(Start());
    Target();
    for (int n = 0; n <= CBitmapAcadDlg::kMaxTransferNumber; ++n)
        ASSERT_TRUE(QFile(Transfer(n)).open(QIODevice::WriteOnly));
    const int files = int(QDir(m_temp).entryList(QDir::Files).size());
    CBitmapAcadDlg dialog;
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(dialog.SendToCad(), 1);
    EXPECT_EQ(QDir(m_temp).entryList(QDir::Files).size(), files);
    EXPECT_EQ(m_ui.messages,
              std::vector<std::string>{"Zu viele temporäre Files\n\nTemp-Verzeichnis löschen"});
}

TEST_F(CadLinkTest, ATransferFileThatCannotBeWrittenIsReportedAndNotSent) {
    Listen();
    ASSERT_TRUE(Start());
    Target();
    CBitmapAcadDlg dialog;
    ASSERT_TRUE(dialog.OnInitDialog());
    int result;
    {
        FileSizeLimit limit(20);
        ASSERT_TRUE(limit.Active());
        result = dialog.SendToCad();
    }
    EXPECT_EQ(result, 0);  // the dialog stays open
    EXPECT_EQ(m_ui.messages, std::vector<std::string>{"Datei " + Transfer(0).toStdString() +
                                                      " konnte nicht geschrieben werden\n\n" +
                                                      std::strerror(EFBIG)});
    EXPECT_TRUE(QDir(m_temp).entryList(QDir::Files).isEmpty());
    EXPECT_FALSE(m_server.waitForNewConnection(200));
}
