#include <QDir>
#include <QFile>
#include <QMdiArea>

#include "AppTestSupport.h"
#include "CMainFrame.h"

using StartUpTest = AppTest;

TEST_F(StartUpTest, RemembersTheStartAndTempDirectories) {
    ASSERT_TRUE(Start());
    EXPECT_EQ(App()->StartDirectory(), QDir::currentPath());
    EXPECT_EQ(App()->TempDirectory(), CTesseloApp::TempDirectoryFromEnvironment());
    EXPECT_FALSE(App()->VersionText().isEmpty());
}

TEST_F(StartUpTest, AFileThatCannotBeReadEndsTheStartWithTheMessage) {
    const QString garbage = m_dir.filePath(QStringLiteral("garbage.par"));
    QFile file(garbage);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // A version 2 body that ends after its first colour value.
    file.write(QByteArray("\x02\x00\x00\x00\x07\x00\x00\x00", 8));
    file.close();
    for (const QString& path : {garbage, m_dir.filePath(QStringLiteral("missing.par"))}) {
        m_ui.messages.clear();
        EXPECT_FALSE(Start(0, {path}));
        EXPECT_EQ(m_ui.messages, std::vector<std::string>{"Fehler beim Öffnen des Dokuments."});
        EXPECT_EQ(App()->MainFrame(), nullptr);
        EXPECT_EQ(GetActiveDocument(), nullptr);
    }
}
