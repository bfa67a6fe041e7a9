#include <QDir>
#include <QFile>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "FileSizeLimit.h"

using SettingsTest = AppTest;

TEST_F(SettingsTest, NewDocumentTakesTheDefaultsWhenNothingIsStored) {
    CTesseloDoc doc;
    EXPECT_EQ(doc.m_koosys, 0);
    EXPECT_EQ(doc.m_is3D, 1);
    EXPECT_EQ(doc.m_decimals, 3);
    EXPECT_EQ(doc.m_red + doc.m_green + doc.m_blue, 0);
    EXPECT_EQ(doc.m_image.GetJpegQuality(), 90);
    EXPECT_EQ(doc.m_worldFile, 0);
    EXPECT_EQ(doc.m_geoRefFile, 0);
    EXPECT_TRUE(doc.m_calibrationFolder.isEmpty());
}

TEST_F(SettingsTest, NewDocumentTakesTheStoredValues) {
    WriteSetting(settings::kWorldFile, 1);
    WriteSetting(settings::kGeoRefFile, 1);
    WriteSetting(settings::kKoosys, 3);
    WriteSetting(settings::kDecimals, 5);
    WriteSetting(settings::kRed, 10);
    WriteSetting(settings::kGreen, 20);
    WriteSetting(settings::kBlue, 30);
    WriteSetting(settings::kJpegQuality, 75);
    CProfile::WriteString("Verzeichnung", "Pfad", QStringLiteral("/data/eich/"));
    CTesseloDoc doc;
    EXPECT_EQ(doc.m_worldFile, 1);
    EXPECT_EQ(doc.m_geoRefFile, 1);
    EXPECT_EQ(doc.m_koosys, 3);
    EXPECT_EQ(doc.m_is3D, 0);
    EXPECT_EQ(doc.m_decimals, 5);
    EXPECT_EQ(doc.m_red, 10);
    EXPECT_EQ(doc.m_green, 20);
    EXPECT_EQ(doc.m_blue, 30);
    EXPECT_EQ(doc.m_image.GetJpegQuality(), 75);
    EXPECT_EQ(doc.m_calibrationFolder, QStringLiteral("/data/eich/"));
}

TEST_F(SettingsTest, StoredValuesOutOfRangeAreClamped) {
    const struct {
        IntSetting setting;
        int stored;
        int CTesseloDoc::*field;
        int expected;
    } cases[] = {
        {settings::kKoosys, 7, &CTesseloDoc::m_koosys, 4},
        {settings::kKoosys, -1, &CTesseloDoc::m_koosys, 0},
        {settings::kDecimals, 12, &CTesseloDoc::m_decimals, 6},
        {settings::kDecimals, -3, &CTesseloDoc::m_decimals, 0},
        {settings::kRed, 300, &CTesseloDoc::m_red, 255},
        {settings::kGreen, -5, &CTesseloDoc::m_green, 0},
        {settings::kBlue, 1000, &CTesseloDoc::m_blue, 255},
    };
    for (const auto& c : cases) {
        WriteSetting(c.setting, c.stored);
        CTesseloDoc doc;
        EXPECT_EQ(doc.*c.field, c.expected) << c.setting.name << " " << c.stored;
    }
}

TEST_F(SettingsTest, JpegQualityKeepsTheLowByte) {
    WriteSetting(settings::kJpegQuality, 300);
    CTesseloDoc doc;
    EXPECT_EQ(doc.m_image.GetJpegQuality(), 44);
}

TEST_F(SettingsTest, LoadSettingsWithoutDocumentDoesNothing) {
    ASSERT_EQ(GetActiveDocument(), nullptr);
    LoadSettings();  // must not crash
}

// A file-size limit stands in for a full disk. The store is larger than the limit, so a write
// that went ahead would cut it short and lose the values at its end.
TEST_F(SettingsTest, AWriteTheDiskRefusesKeepsEveryStoredValue) {
    const QString folder = QString(2000, QLatin1Char('f'));
    CProfile::WriteString("Verzeichnung", "Pfad", folder);
    WriteSetting(settings::kRed, 10);
    const QString store = m_dir.filePath(QStringLiteral("settings.ini"));
    QFile file(store);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    {
        FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.Active());
        WriteSetting(settings::kGreen, 20);
        CProfile::WriteString("Verzeichnung", "Format", QStringLiteral("kamera.verz"));
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    file.close();
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    EXPECT_EQ(CProfile::GetString("Verzeichnung", "Pfad"), folder);
    EXPECT_EQ(ReadSetting(settings::kGreen), 0);

    // Once there is room the write goes through and keeps the other values; each value written
    // is read back at once, also when the file keeps its size.
    for (int green = 20; green < 30; ++green) {
        WriteSetting(settings::kGreen, green);
        EXPECT_EQ(ReadSetting(settings::kGreen), green);
    }
    EXPECT_EQ(ReadSetting(settings::kRed), 10);
    EXPECT_EQ(CProfile::GetString("Verzeichnung", "Pfad"), folder);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}
