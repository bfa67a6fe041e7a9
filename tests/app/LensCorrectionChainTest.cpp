// The rectification road with the lens correction: a facade photo taken through a distorting
// lens is rectified once with the correction off, while the lens is calibrated from the photo's
// control points in the calculation dialog and saved as a calibration file, and once with that
// file chosen in the correction dialog. The corrected target must be the truer one.
#include <QComboBox>

#include "RectifyChainFixture.h"
#include "TempDir.h"
#include "controls/CFileComboBox.h"
#include "dialogs/CVerzeichnungKorrigierenDlg.h"

namespace {

struct LensCase {
    const char* name;
    SyntheticFacade::Lens lens;
    int model;  // index in the calculation dialog's model list
    bool offset;
};

constexpr char kCalibrationFile[] = "linse.verz";

class LensCorrectionChainTest : public RectifyChainFixture,
                                public ::testing::WithParamInterface<LensCase> {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_workDir.Path().empty());
        RectifyChainFixture::SetUp();
        m_facade.lens = GetParam().lens;
        OpenPhoto();
        m_source->m_koosys = 2;
        m_source->m_is3D = 0;
        m_source->m_calibrationFolder = m_dir.path() + QLatin1Char('/');
    }

    // Control points on a 5 x 4 grid over the facade, facade coordinates as reference.
    void MeasureGrid() {
        std::vector<std::pair<double, double>> points;
        for (double Y : {0.5, 2.5, 4.5, 6.5})
            for (double X : {0.5, 2.75, 5.0, 7.25, 9.5}) points.emplace_back(X, Y);
        MeasureControlPoints(points, [](double X, double Y) {
            return QStringLiteral("%1 %2").arg(X, 0, 'f', 6).arg(Y, 0, 'f', 6);
        });
    }

    // Target pixels that sample the facade farther than one pixel from a cell edge and show
    // the wrong cell colour.
    int WrongPixels(const CTesseloDoc& target) const {
        const CRaster& image = target.m_image;
        int wrong = 0;
        for (int t = 0; t < int(image.GetHeight()); ++t)
            for (int i = 0; i < int(image.GetWidth()); ++i) {
                double X, Y, mx, my;
                target.PixelToTarget(i, t + 1, X, Y);
                m_facade.ToImage(X, Y, mx, my);
                if (mx < 2 || my < 2 || mx > SyntheticFacade::kWidth - 2 ||
                    my > SyntheticFacade::kHeight - 2 ||
                    SyntheticFacade::EdgeDistance(X, Y) <= kPixel)
                    continue;
                wrong += White(image, i, t) != SyntheticFacade::Cell(X, Y);
            }
        return wrong;
    }

    // Every model solve writes its matrix files into the current directory.
    TempDir m_workDir{true};
};

}  // namespace

TEST_P(LensCorrectionChainTest, CalibratedCorrectionBringsTheTargetCloserToTheTruth) {
    const LensCase& c = GetParam();
    MeasureGrid();
    // Correction off; on the way the lens is calibrated from the points and saved.
    m_dialogScripts.push_back([](QDialog& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("1069"))->click();
        return ClickOk(dialog);
    });
    m_dialogScripts.push_back([&c](QDialog& dialog) {
        dialog.findChild<QComboBox*>(QStringLiteral("1059"))->setCurrentIndex(c.model);
        dialog.findChild<QCheckBox*>(QStringLiteral("1060"))->setChecked(c.offset);
        dialog.findChild<QPushButton*>(QStringLiteral("1045"))->click();
        dialog.findChild<QPushButton*>(QStringLiteral("1047"))->click();
        return int(QDialog::Rejected);
    });
    ChooseFile(m_dir.filePath(QLatin1String(kCalibrationFile)));
    RectifyWith(false);
    const CTesseloDoc* off = RunChain();
    ASSERT_NE(off, nullptr);
    ASSERT_EQ(m_source->m_distortionCorrected, 0);
    // The import report only: the calibration was not singular.
    EXPECT_EQ(m_ui.messages.size(), 1u);

    // Correction on with the saved file.
    m_dialogScripts.push_back(ClickOk);
    m_dialogScripts.push_back([](QDialog& dialog) {
        auto& correction = static_cast<CVerzeichnungKorrigierenDlg&>(dialog);
        dialog.findChild<QCheckBox*>(QStringLiteral("1065"))->setChecked(true);
        correction.OnCorrectionCheck();
        auto* files = dialog.findChild<CFileComboBox*>(QStringLiteral("1064"));
        files->setCurrentIndex(files->FindStringExact(QLatin1String(kCalibrationFile)));
        correction.OnFileSelected();
        return ClickOk(dialog);
    });
    RectifyWith(false);
    const CTesseloDoc* on = RunChain();
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(m_source->m_distortionCorrected, 1);

    const int wrongOff = WrongPixels(*off), wrongOn = WrongPixels(*on);
    // The lens moves the pattern by more than a target pixel where it distorts most; the
    // calibrated correction leaves every pixel away from the cell edges right.
    EXPECT_GT(wrongOff, 100);
    EXPECT_EQ(wrongOn, 0) << "off " << wrongOff;
}

// Lenses that move points by several pixels in the corners, in the image frame. The
// calibration takes principal-point offsets as constant terms, which the projective fit
// absorbs; a decentred lens shows as tangential terms, so the combined model calibrates it.
INSTANTIATE_TEST_SUITE_P(
    Lenses, LensCorrectionChainTest,
    ::testing::Values(
        LensCase{"Radial", {6.0 / (400.0 * 400.0 * 400.0), 0, 0, 0, 0}, 3, false},
        LensCase{"Tangential", {0, 1e-5, 3e-5, 0, 0}, 1, false},
        LensCase{"PrincipalPointOffset", {6.0 / (400.0 * 400.0 * 400.0), 0, 0, 40, -60}, 2, true}),
    [](const ::testing::TestParamInfo<LensCase>& info) { return info.param.name; });
