#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "CDistortionCalibration.h"
#include "CEntzerrung.h"
#include "StringTable.h"
#include "TempDir.h"
#include "engine/ScriptedUserInterface.h"

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

// A control field photographed through a known view and distorted by a known model: the
// model's forward list takes the measured positions to the ideal ones.
struct Field {
    std::vector<double> idealX, idealY;  // undistorted image positions, pixels
    std::vector<double> x, y;            // measured, distorted positions
    std::vector<double> refX, refY;      // reference coordinates, second axis upwards
    std::vector<int> use;
};

Field MakeField(const CVerzeichnungPar& truth) {
    CVerzeichnungPar model = truth;
    model.m_sizeX = kWidth;
    model.SetImageRange(0, 0, kWidth, kHeight);
    CEntzerrung view;
    view.SetParameters({1e-4, -5e-5, 2.0, 0.01, 0.001, -1.0, 0.0005, 0.012});
    Field f;
    for (int row = 0; row < 9; ++row) {
        for (int col = 0; col < 11; ++col) {
            const double mx = 60 + col * 188.0, my = 50 + row * 175.0;
            double X, Y, dx, dy;
            model.ComputeCorrection(mx, my, 0, dx, dy);
            view.Transform(mx + dx, my + dy, X, Y);
            f.idealX.push_back(mx + dx);
            f.idealY.push_back(my + dy);
            f.x.push_back(mx);
            f.y.push_back(my);
            f.refX.push_back(500 + X);
            f.refY.push_back(200 - Y);
            f.use.push_back(1);
        }
    }
    return f;
}

CVerzeichnungPar Truth(int typ, std::vector<double> coefficients) {
    CVerzeichnungPar p;
    p.m_valid = 1;
    p.m_typ = typ;
    p.m_resampling = coefficients;
    p.m_sampling = coefficients;
    return p;
}

// Returns the matrix text file's rows of numbers after its two count lines.
std::vector<std::vector<double>> ReadMatrixFile(const std::string& path, int& rows, int& cols) {
    std::istringstream in(TempDir::ReadText(path));
    in >> rows >> cols;
    std::vector<std::vector<double>> values(size_t(rows), std::vector<double>(size_t(cols), 0.0));
    for (auto& r : values) {
        for (double& v : r) in >> v;
    }
    return values;
}

// Largest distance in pixels between points b and points a mapped by the least-squares
// projective transformation from a to b.
double ProjectiveDistance(const std::vector<double>& ax, const std::vector<double>& ay,
                          const std::vector<double>& bx, const std::vector<double>& by) {
    CEntzerrung fit;
    fit.m_imageX = ax;
    fit.m_imageY = ay;
    fit.m_refX = bx;
    for (double v : by) fit.m_refY.push_back(-v);
    if (!fit.Adjust()) return 1e9;
    double worst = 0;
    for (size_t k = 0; k < ax.size(); ++k) {
        double X, Y;
        fit.Transform(ax[k], ay[k], X, Y);
        worst = std::max(
            {worst, std::fabs(X + fit.GetMeanX() - bx[k]), std::fabs(Y - fit.GetMeanY() - by[k])});
    }
    return worst;
}

}  // namespace

class CDistortionCalibrationTest : public ::testing::Test {
protected:
    TempDir dir{true};  // the solves write their matrix files into the current directory
    CScriptedUserInterface ui;
    CRecordingProgress progress;
};

TEST_F(CDistortionCalibrationTest, EveryModelIsRecoveredFromADistortedField) {
    struct Case {
        int typ;
        std::vector<double> coefficients;
    };
    // About 1 to 2 pixels of distortion in the image corners (r = 1250 pixels). The fixed 50
    // iterations converge linearly; larger distortions of the first three models leave more
    // than 0.05 pixels.
    const Case cases[] = {
        {0, {3e-7, 1.5e-13, 1.5e-20}},
        {1, {5e-7, -4e-7}},
        {2, {3e-7, 2e-13, 0, 3e-7, 2e-7}},
        {3, {1.2e-9}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typ);
        const Field f = MakeField(Truth(c.typ, c.coefficients));
        CDistortionCalibration cal;
        cal.GetParameters().m_typ = c.typ;
        ASSERT_EQ(cal.Calibrate(f.x, f.y, f.refX, f.refY, f.use, 1, kWidth, kHeight, &progress), 1);
        EXPECT_TRUE(ui.messages.empty());
        const CVerzeichnungPar& p = cal.GetParameters();
        EXPECT_EQ(p.m_valid, 1);
        EXPECT_EQ(p.m_sizeX, kWidth);
        EXPECT_EQ(p.m_sizeY, kHeight);
        ASSERT_EQ(p.m_sampling.size(), c.coefficients.size());

        // The calibration fixes the ideal positions only up to a projective transformation
        // (a projective adjustment takes part in every iteration), so the corrected points
        // are compared with the ideal ones after the best such transformation.
        cal.SetImageRange(0, 0, kWidth, kHeight);
        std::vector<double> cx, cy;
        ASSERT_EQ(cal.ApplyToPoints(f.x, f.y, cx, cy, 0), 1);
        EXPECT_LT(ProjectiveDistance(f.idealX, f.idealY, cx, cy), 0.05);
        // And the backward list takes ideal positions back to the measured ones.
        ASSERT_EQ(cal.ApplyToPoints(cx, cy, cx, cy, 1), 1);
        EXPECT_LT(ProjectiveDistance(f.x, f.y, cx, cy), 0.05);
    }
}

TEST_F(CDistortionCalibrationTest, ProgressListsAndMatrixFiles) {
    const Field f = MakeField(Truth(3, {1e-9}));
    CDistortionCalibration cal;
    cal.GetParameters().m_typ = 2;
    cal.GetParameters().m_offset = 1;
    ASSERT_EQ(cal.Calibrate(f.x, f.y, f.refX, f.refY, f.use, 1, kWidth, kHeight, &progress), 1);
    EXPECT_EQ(progress.lower, 0);
    EXPECT_EQ(progress.upper, 51);
    EXPECT_EQ(progress.steps, 51);
    EXPECT_EQ(progress.pos, 0);
    EXPECT_EQ(ui.waitDepth, 0);
    EXPECT_EQ(cal.GetParameters().m_sampling.size(), 7u);
    EXPECT_EQ(cal.GetParameters().m_resampling.size(), 7u);

    const int m = int(f.x.size());
    struct File {
        const char* name;
        int rows, cols;
    };
    for (const File& file :
         {File{"V_A", 2 * m, 7}, File{"V_l", 2 * m, 1}, File{"V_N", 7, 7}, File{"V_Q", 7, 7},
          File{"V_H", 7, 2 * m}, File{"V_P", 7, 1}, File{"V_v", 2 * m, 1}}) {
        SCOPED_TRACE(file.name);
        const std::string text = TempDir::ReadText(file.name);
        const std::string head =
            " " + std::to_string(file.rows) + "\r\n " + std::to_string(file.cols) + "\r\n";
        EXPECT_EQ(text.substr(0, head.size()), head);
        // One CR LF line per row, each value " %.6f".
        size_t lines = 0;
        for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2) ++lines;
        EXPECT_EQ(lines, size_t(file.rows) + 2);
        const std::string firstRow =
            text.substr(head.size(), text.find("\r\n", head.size()) - head.size());
        size_t values = 0;
        for (size_t pos = 0; (pos = firstRow.find(' ', pos)) != std::string::npos; ++pos) ++values;
        EXPECT_EQ(values, size_t(file.cols));
        EXPECT_EQ(firstRow.find(','), std::string::npos);
    }
    // The last solve is the Resampling one: V_P holds that list to six decimals.
    int rows, cols;
    const auto p = ReadMatrixFile("V_P", rows, cols);
    for (int k = 0; k < 7; ++k) {
        // Tolerance: the file keeps six decimals.
        EXPECT_NEAR(p[size_t(k)][0], cal.GetParameters().m_resampling[size_t(k)], 5e-7);
    }
}

TEST_F(CDistortionCalibrationTest, InactivePointsTakeNoPart) {
    const Field f = MakeField(Truth(0, {2e-6, 0, 0}));
    CDistortionCalibration plain;
    plain.GetParameters().m_typ = 3;
    ASSERT_EQ(plain.Calibrate(f.x, f.y, f.refX, f.refY, f.use, 1, kWidth, kHeight, nullptr), 1);

    Field mixed = f;
    for (int k = 0; k < 3; ++k) {
        mixed.x.insert(mixed.x.begin() + 5 * k, 1e4 * k);
        mixed.y.insert(mixed.y.begin() + 5 * k, -7.0);
        mixed.refX.insert(mixed.refX.begin() + 5 * k, 1e6);
        mixed.refY.insert(mixed.refY.begin() + 5 * k, 3.0);
        mixed.use.insert(mixed.use.begin() + 5 * k, 0);
    }
    CDistortionCalibration cal;
    cal.GetParameters().m_typ = 3;
    ASSERT_EQ(cal.Calibrate(mixed.x, mixed.y, mixed.refX, mixed.refY, mixed.use, 1, kWidth, kHeight,
                            nullptr),
              1);
    EXPECT_EQ(cal.GetParameters().m_sampling, plain.GetParameters().m_sampling);
    EXPECT_EQ(cal.GetParameters().m_resampling, plain.GetParameters().m_resampling);
}

TEST_F(CDistortionCalibrationTest, FailuresLeaveTheSetInvalid) {
    const Field f = MakeField(Truth(3, {1e-9}));
    std::vector<double> lineX, lineY;
    for (size_t k = 0; k < f.x.size(); ++k) {
        lineX.push_back(double(k));
        lineY.push_back(2.0 * double(k));
    }
    struct Case {
        const char* what;
        std::vector<double> x, y;
        std::vector<int> use;
        int width, height;
        int message;
    };
    std::vector<int> three(f.use.size(), 0);
    three[0] = three[1] = three[2] = 1;
    const Case cases[] = {
        {"three active points", f.x, f.y, three, kWidth, kHeight, 0},
        {"one pixel wide", f.x, f.y, f.use, 1, kHeight, 0},
        {"one pixel high", f.x, f.y, f.use, kWidth, 1, 0},
        {"collinear image points", lineX, lineY, f.use, kWidth, kHeight, 10058},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CDistortionCalibration cal;
        cal.GetParameters().m_typ = 3;
        ASSERT_EQ(cal.Calibrate(f.x, f.y, f.refX, f.refY, f.use, 1, kWidth, kHeight, nullptr), 1);
        ui.messages.clear();
        EXPECT_EQ(cal.Calibrate(c.x, c.y, f.refX, f.refY, c.use, 1, c.width, c.height, &progress),
                  0);
        EXPECT_EQ(cal.GetParameters().m_valid, 0);
        EXPECT_EQ(progress.pos, 0);
        EXPECT_EQ(ui.waitDepth, 0);
        if (c.message) {
            ASSERT_EQ(ui.messages.size(), 1u);
            EXPECT_EQ(ui.messages[0], strings::Load(c.message));
        }
        std::vector<double> ox = {1}, oy = {1};
        EXPECT_EQ(cal.ApplyToPoints(f.x, f.y, ox, oy, 0), 0);
        EXPECT_TRUE(ox.empty() && oy.empty());
    }
}

TEST_F(CDistortionCalibrationTest, SolveOfPointsAtTheCentreIsSingular) {
    for (int typ : {0, 3}) {
        CDistortionCalibration cal;
        cal.GetParameters().m_typ = typ;
        cal.GetParameters().m_sampling = {42};
        const std::vector<double> zero(6, 0.0), projected = {1, 2, 3, 4, 5, 6};
        ui.messages.clear();
        EXPECT_EQ(cal.Solve(zero, zero, projected, projected, 0), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], strings::Load(10101));
        EXPECT_EQ(cal.GetParameters().m_sampling, std::vector<double>{42});
        EXPECT_EQ(cal.GetParameters().m_valid, 0);
        EXPECT_TRUE(std::filesystem::exists("V_Q"));  // dumped whether or not it succeeded
    }
}
