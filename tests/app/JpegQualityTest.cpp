// The JPEG quality of a target's settings reaches the saved file, read back from its
// quantization tables, and stays with the target through crop, mirror and flip.
#include <QComboBox>
#include <QFile>
#include <array>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "AppTestSupport.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "RasterTypes.h"
#include "dialogs/CEinstellungenDlg.h"

namespace {

// Luminance and chrominance tables, in natural order.
using Tables = std::vector<std::array<unsigned, DCTSIZE2>>;

Tables Copy(JQUANT_TBL* const* tables) {
    Tables out;
    for (int t = 0; t < 2 && tables[t]; ++t) {
        out.emplace_back();
        for (int k = 0; k < DCTSIZE2; ++k) out.back()[size_t(k)] = tables[t]->quantval[k];
    }
    return out;
}

struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JumpOut(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ErrorJump*>(cinfo->err)->jump, 1);
}

// The tables of a JPEG file; empty when it is none.
Tables FileTables(const QString& path) {
    FILE* file = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file) return {};
    jpeg_decompress_struct cinfo;
    ErrorJump error;
    cinfo.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JumpOut;
    Tables tables;
    if (setjmp(error.jump) == 0) {
        jpeg_create_decompress(&cinfo);
        jpeg_stdio_src(&cinfo, file);
        jpeg_read_header(&cinfo, TRUE);
        tables = Copy(cinfo.quant_tbl_ptrs);
    }
    jpeg_destroy_decompress(&cinfo);
    std::fclose(file);
    return tables;
}

// The tables libjpeg writes for a colour picture of the given quality.
Tables LibraryTables(int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    Tables tables = Copy(cinfo.quant_tbl_ptrs);
    jpeg_destroy_compress(&cinfo);
    return tables;
}

class JpegQualityTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        ASSERT_TRUE(Start());
    }

    // A 40 x 30 target of a colour ramp.
    CTesseloDoc* NewTarget() {
        CTesseloDoc* doc = App()->OnFileNew();
        if (!doc) return nullptr;
        doc->m_image.Create(40, 30, 24, FORMAT_UNKNOWN);
        for (uint32_t y = 0; y < 30; ++y)
            for (uint32_t x = 0; x < 40; ++x)
                doc->m_image.SetPixelColor(x, y, RGBQUAD{uint8_t(5 * x), uint8_t(7 * y), 90, 0});
        doc->m_isSource = 0;
        doc->SetImageChanged();
        return doc;
    }

    // Runs "Einstellungen" on the active document; the quality text is typed when given, and
    // the dialog ends with OK ("als Defaultwert speichern" ticked as it opens). Returns the
    // quality the dialog showed.
    QString RunSettings(const QString& quality = QString()) {
        QString shown;
        m_dialogScripts.push_back([&](QDialog& dialog) {
            auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("1070"));
            shown = combo->currentText();
            if (!quality.isEmpty()) combo->setCurrentText(quality);
            static_cast<CEinstellungenDlg&>(dialog).OnOK();
            return dialog.result();
        });
        App()->RouteCommand(cmd::ID_SETTINGS);
        return shown;
    }

    QString SaveAs(const char* name) {
        const QString path = m_dir.filePath(QString::fromLatin1(name));
        ChooseFile(path);
        App()->RouteCommand(cmd::ID_FILE_SAVE_AS);
        EXPECT_EQ(m_ui.messages.empty() ? std::string() : m_ui.messages.back(),
                  "File gespeichert:\n" + path.toStdString());
        return path;
    }

    CTesseloDoc* Crop(CTesseloDoc* doc) {
        doc->GetFirstView()->m_tool = 1;
        doc->m_cropValid = 1;
        doc->m_cropX0 = 3;
        doc->m_cropY0 = 2;
        doc->m_cropX1 = 30;
        doc->m_cropY1 = 20;
        App()->RouteCommand(cmd::ID_CROP);
        ProcessEvents();
        return GetActiveDocument();
    }
};

}  // namespace

TEST_F(JpegQualityTest, SavesWithTheQualityOfTheSettingsAlsoAfterCropMirrorAndFlip) {
    const struct {
        const char* typed;  // nullptr: the setting never changed
        int quality;
    } cases[] = {{nullptr, 90}, {"50", 50}, {"100", 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quality);
        const Tables expected = LibraryTables(c.quality);
        ASSERT_EQ(expected.size(), 2u);
        CTesseloDoc* target = NewTarget();
        ASSERT_TRUE(target);
        if (c.typed) RunSettings(QString::fromLatin1(c.typed));
        EXPECT_EQ(FileTables(SaveAs("ziel.jpg")), expected);
        EXPECT_EQ(target->m_image.GetJpegQuality(), c.quality);

        // The settings of the crop show the quality the target had, and OK keeps it as the
        // default.
        CTesseloDoc* crop = Crop(target);
        ASSERT_NE(crop, target);
        EXPECT_EQ(RunSettings(), QString::number(c.quality));
        EXPECT_EQ(ReadSetting(settings::kJpegQuality), c.quality);
        EXPECT_EQ(FileTables(SaveAs("crop.jpg")), expected);
        App()->RouteCommand(cmd::ID_MIRROR_HORIZONTAL);
        App()->RouteCommand(cmd::ID_MIRROR_VERTICAL);
        EXPECT_EQ(FileTables(SaveAs("gespiegelt.jpg")), expected);
        crop->OnCloseDocument();
        target->OnCloseDocument();
        ProcessEvents();
    }
}
