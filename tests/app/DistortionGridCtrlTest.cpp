#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <limits>

#include "CDistortionCalibration.h"
#include "controls/CDistortionGridCtrl.h"

namespace {

// A radial model (Typ 3) whose scale is 1 for a 240-pixel-wide grid.
void SetRadial(CDistortionCalibration& calibration, double k1) {
    CVerzeichnungPar& par = calibration.GetParameters();
    par.m_valid = 1;
    par.m_typ = 3;
    par.m_sizeX = 240;
    par.m_sizeY = 120;
    par.m_sampling = {k1};
    par.m_resampling = {-k1};
}

}  // namespace

TEST(DistortionGridCtrl, GridIsCentredWithTwoStepsMargin) {
    CDistortionCalibration calibration;
    SetRadial(calibration, 0.0);
    CDistortionGridCtrl grid;
    grid.SetCalibration(&calibration);
    // 300 x 200, q = 15: left 30, right 270, top 40, bottom 160.
    const CDistortionGridCtrl::Lines lines = grid.BuildLines(300, 200);
    ASSERT_EQ(lines.vertical.size(), 17u);
    ASSERT_EQ(lines.horizontal.size(), 9u);
    EXPECT_EQ(lines.horizontal.front().front(), QPoint(30, 40));
    EXPECT_EQ(lines.horizontal.front().back(), QPoint(270, 40));
    EXPECT_EQ(lines.vertical.back().back(), QPoint(270, 160));
    EXPECT_EQ(lines.vertical.front().size(), 9u);
    EXPECT_EQ(calibration.GetParameters().GetCentreX(), 150.0);
    EXPECT_EQ(calibration.GetParameters().GetCentreY(), 100.0);

    // Fewer than four steps across: no lines in that direction.
    grid.SetGridParameter(10);
    const CDistortionGridCtrl::Lines narrow = grid.BuildLines(100, 400);
    EXPECT_TRUE(narrow.horizontal.empty());
    EXPECT_TRUE(narrow.vertical.empty());
}

TEST(DistortionGridCtrl, CorrectionIsExaggeratedAndSubtracted) {
    CDistortionCalibration calibration;
    // At (270, 100), 120 pixels right of the centre: du = k1 · 120³ = 0.05 pixels.
    SetRadial(calibration, 0.05 / (120.0 * 120.0 * 120.0));
    CDistortionGridCtrl grid;
    grid.SetCalibration(&calibration);
    grid.SetFactor(1000);
    const CDistortionGridCtrl::Lines lines = grid.BuildLines(300, 200);
    ASSERT_EQ(lines.horizontal.size(), 9u);
    const CDistortionGridCtrl::Polyline& middle = lines.horizontal[4];
    EXPECT_EQ(middle.back(), QPoint(220, 100));
    EXPECT_EQ(middle[middle.size() / 2], QPoint(150, 100));
}

TEST(DistortionGridCtrl, InvalidOrMissingCalibrationDrawsOnlyWhite) {
    CDistortionCalibration calibration;
    SetRadial(calibration, 1e-6);
    calibration.GetParameters().m_valid = 0;
    CDistortionGridCtrl grid;
    grid.resize(300, 200);
    for (CDistortionCalibration* shown :
         {static_cast<CDistortionCalibration*>(nullptr), &calibration}) {
        grid.SetCalibration(shown);
        EXPECT_TRUE(grid.BuildLines(300, 200).horizontal.empty());
        QImage image = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QRect inside = grid.contentsRect();
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
    }
    calibration.GetParameters().m_valid = 1;
    const QImage drawn = grid.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // The middle of the client area is a grid point, and there the correction is 0.
    const QRect client = grid.contentsRect();
    EXPECT_EQ(drawn.pixel(client.topLeft() + QPoint(client.width() / 2, client.height() / 2)),
              qRgb(0, 0, 0));
}

TEST(DistortionGridCtrl, NonFiniteOrHugePointsAreSkippedOrClamped) {
    const struct {
        double k1;
        bool anyLines;
    } cases[] = {
        {1e200, true},  // huge but finite away from the centre: clamped
        {std::numeric_limits<double>::infinity(), false},  // inf · 0 leaves no point finite
        {std::numeric_limits<double>::quiet_NaN(), false},
    };
    for (const auto& c : cases) {
        CDistortionCalibration calibration;
        SetRadial(calibration, c.k1);
        CDistortionGridCtrl grid;
        grid.SetCalibration(&calibration);
        grid.SetFactor(1000);
        const CDistortionGridCtrl::Lines lines = grid.BuildLines(300, 200);
        EXPECT_EQ(!lines.horizontal.empty(), c.anyLines) << c.k1;
        for (const auto* group : {&lines.horizontal, &lines.vertical})
            for (const auto& line : *group)
                for (const QPoint& p : line) {
                    EXPECT_LE(std::abs(p.x()), CDistortionGridCtrl::kCoordinateLimit);
                    EXPECT_LE(std::abs(p.y()), CDistortionGridCtrl::kCoordinateLimit);
                }
    }
}
