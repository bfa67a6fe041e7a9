#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "CEntzerrung.h"
#include "StringTable.h"
#include "engine/ScriptedUserInterface.h"

namespace {

// A perspective view of a plane: image pixels (x right, y down) to plane units.
constexpr double kTrueP[8] = {2e-4, -1e-4, 3.0, 0.01, 0.002, -1.5, -0.001, 0.012};

void Forward(const double (&p)[8], double x, double y, double& X, double& Y) {
    const double w = 1 + p[0] * x + p[1] * y;
    X = (p[2] + p[3] * x + p[4] * y) / w;
    Y = (p[5] + p[6] * x + p[7] * y) / w;
}

// Image points spread over a 1000 × 800 photo, n of them, in a fixed pseudo-random order.
void ImagePoints(int n, std::vector<double>& x, std::vector<double>& y) {
    x.clear();
    y.clear();
    for (int k = 0; k < n; ++k) {
        x.push_back(std::fmod(37.0 + k * 613.7, 1000.0));
        y.push_back(std::fmod(91.0 + k * 457.3, 800.0));
    }
}

// Fills a transformation with points mapped through kTrueP, reference second axis upwards and
// offset, plus optional noise on the reference coordinates.
void Fill(CEntzerrung& e, int n, double noise) {
    ImagePoints(n, e.m_imageX, e.m_imageY);
    e.m_refX.clear();
    e.m_refY.clear();
    for (int k = 0; k < n; ++k) {
        double X, Y;
        Forward(kTrueP, e.m_imageX[k], e.m_imageY[k], X, Y);
        const double nx = noise * std::sin(k * 1.7), ny = noise * std::cos(k * 2.3);
        e.m_refX.push_back(1000.0 + X + nx);
        e.m_refY.push_back(500.0 - Y + ny);
    }
}

// Independent least squares: Householder QR of the design matrix in long double.
std::vector<long double> SolveByQr(std::vector<std::vector<long double>> a,
                                   std::vector<long double> b) {
    const size_t m = a.size(), n = a[0].size();
    for (size_t k = 0; k < n; ++k) {
        long double norm = 0;
        for (size_t i = k; i < m; ++i) norm += a[i][k] * a[i][k];
        norm = std::sqrt(norm);
        const long double alpha = a[k][k] > 0 ? -norm : norm;
        std::vector<long double> v(m, 0);
        for (size_t i = k; i < m; ++i) v[i] = a[i][k];
        v[k] -= alpha;
        long double vv = 0;
        for (size_t i = k; i < m; ++i) vv += v[i] * v[i];
        for (size_t j = k; j < n; ++j) {
            long double s = 0;
            for (size_t i = k; i < m; ++i) s += v[i] * a[i][j];
            for (size_t i = k; i < m; ++i) a[i][j] -= 2 * s / vv * v[i];
        }
        long double s = 0;
        for (size_t i = k; i < m; ++i) s += v[i] * b[i];
        for (size_t i = k; i < m; ++i) b[i] -= 2 * s / vv * v[i];
    }
    std::vector<long double> x(n);
    for (size_t k = n; k-- > 0;) {
        long double s = b[k];
        for (size_t j = k + 1; j < n; ++j) s -= a[k][j] * x[j];
        x[k] = s / a[k][k];
    }
    return x;
}

}  // namespace

TEST(CEntzerrung, ExactControlFieldGivesBackTheParameters) {
    for (int n : {4, 5, 9, 20}) {
        SCOPED_TRACE(n);
        CScriptedUserInterface ui;
        CEntzerrung e;
        Fill(e, n, 0.0);
        ASSERT_EQ(e.Adjust(), 1);
        EXPECT_TRUE(ui.messages.empty());

        // Centring shifts the plane by the means of the true plane values.
        double mX = 0, mY = 0;
        for (int k = 0; k < n; ++k) {
            double X, Y;
            Forward(kTrueP, e.m_imageX[k], e.m_imageY[k], X, Y);
            mX += X / n;
            mY += Y / n;
        }
        const double expected[8] = {kTrueP[0],
                                    kTrueP[1],
                                    kTrueP[2] - mX,
                                    kTrueP[3] - mX * kTrueP[0],
                                    kTrueP[4] - mX * kTrueP[1],
                                    kTrueP[5] - mY,
                                    kTrueP[6] - mY * kTrueP[0],
                                    kTrueP[7] - mY * kTrueP[1]};
        for (int k = 0; k < 8; ++k) {
            // Tolerance: exact data, the normal equations lose about 6 of 16 digits.
            EXPECT_NEAR(e.GetParameter(k + 1), expected[k], 1e-9 * std::fabs(expected[k])) << k;
        }
        EXPECT_NEAR(e.GetMeanX(), 1000.0 + mX, 1e-9);
        for (int r = 1; r <= 2 * n; ++r) {
            // Tolerance: residuals in plane units of a field about 10 units wide.
            EXPECT_NEAR(e.GetResiduals().GetAt(r, 1), 0.0, 1e-9);
        }
        // Back-transformation: the image points return from the plane.
        for (int k = 0; k < n; ++k) {
            double x, y;
            ASSERT_EQ(e.InverseTransform(e.m_refX[k], -e.m_refY[k], x, y), 1);
            // Tolerance: pixels of a 1000-pixel photo after a 3 × 3 inversion.
            EXPECT_NEAR(x, e.m_imageX[k], 1e-7);
            EXPECT_NEAR(y, e.m_imageY[k], 1e-7);
        }
    }
}

TEST(CEntzerrung, NoisyControlFieldGivesTheLeastSquaresSolution) {
    CScriptedUserInterface ui;
    CEntzerrung e;
    Fill(e, 12, 0.02);
    ASSERT_EQ(e.Adjust(), 1);

    // The same observation equations, solved by QR instead of the normal equations.
    std::vector<std::vector<long double>> a;
    std::vector<long double> l;
    for (size_t i = 0; i < e.m_imageX.size(); ++i) {
        const long double x = e.m_imageX[i], y = e.m_imageY[i];
        const long double X = e.m_refX[i], Y = e.m_refY[i];
        a.push_back({x * X, y * X, -1, -x, -y, 0, 0, 0});
        l.push_back(-X);
        a.push_back({-x * Y, -y * Y, 0, 0, 0, -1, -x, -y});
        l.push_back(Y);
    }
    const std::vector<long double> p = SolveByQr(a, l);
    double sumSquares = 0;
    for (int k = 0; k < 8; ++k) {
        // Tolerance: the normal equations square the condition number (about 1e5 here).
        EXPECT_NEAR(e.GetParameter(k + 1), double(p[k]), 1e-6 * std::fabs(double(p[k]))) << k;
    }
    for (size_t r = 0; r < a.size(); ++r) {
        long double v = -l[r];
        for (int k = 0; k < 8; ++k) v += a[r][k] * p[k];
        // Tolerance: residuals of about 0.02 units agree to 1e-9 units.
        EXPECT_NEAR(e.GetResiduals().GetAt(int(r + 1), 1), double(v), 1e-9);
        sumSquares += double(v * v);
    }
    EXPECT_GT(sumSquares, 1e-6);  // the noise really shows in the residuals
}

TEST(CEntzerrung, ShiftedCopyShowsTheReversedSecondAxis) {
    CScriptedUserInterface ui;
    CEntzerrung e;
    e.m_imageX = {0, 100, 100, 0};
    e.m_imageY = {0, 0, 50, 50};
    e.m_refX = {10, 110, 110, 10};
    e.m_refY = {20, 20, 70, 70};
    ASSERT_EQ(e.Adjust(), 1);
    const double expected[8] = {0, 0, -50, 1, 0, 25, 0, -1};
    // Tolerance: rounding of an exact 4-point fit.
    for (int k = 0; k < 8; ++k) EXPECT_NEAR(e.GetParameter(k + 1), expected[k], 1e-9) << k;

    // A second adjustment centres the centred values again.
    ASSERT_EQ(e.Adjust(), 1);
    EXPECT_NEAR(e.GetMeanX(), 0.0, 1e-12);
    EXPECT_NEAR(e.GetMeanY(), 0.0, 1e-12);
}

TEST(CEntzerrung, SingularSystemsReport10058AndKeepThePreviousFit) {
    struct Case {
        const char* what;
        std::vector<double> x, y, X, Y;
    };
    const Case cases[] = {
        {"no point", {}, {}, {}, {}},
        {"collinear image points", {0, 1, 2, 3}, {0, 1, 2, 3}, {0, 1, 5, 2}, {0, 4, 1, 3}},
        // A regular normal matrix, but every reference point on one line: the fitted
        // transformation flattens the plane and cannot be inverted.
        {"flat fit",
         {0, 100, 100, 0, 50, 30},
         {0, 0, 100, 100, 50, 70},
         {0, 100, 100, 0, 50, 30},
         {5, 5, 5, 5, 5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CScriptedUserInterface ui;
        CEntzerrung e;
        e.m_imageX = {0, 100, 100, 0};
        e.m_imageY = {0, 0, 50, 50};
        e.m_refX = {10, 110, 110, 10};
        e.m_refY = {20, 20, 70, 70};
        ASSERT_EQ(e.Adjust(), 1);
        const double p4 = e.GetParameter(4);
        const CGMatrix residuals = e.GetResiduals();

        e.m_imageX = c.x, e.m_imageY = c.y, e.m_refX = c.X, e.m_refY = c.Y;
        EXPECT_EQ(e.Adjust(), 0);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0], strings::Load(10058));
        EXPECT_EQ(e.GetParameter(4), p4);
        EXPECT_EQ(e.GetResiduals().GetData(), residuals.GetData());
        double x = 0, y = 0;
        EXPECT_EQ(e.InverseTransform(0, 0, x, y), 1);
        EXPECT_TRUE(std::isfinite(x) && std::isfinite(y));
    }
}

TEST(CEntzerrung, ZeroDenominatorLeavesTheOutputs) {
    CEntzerrung e;
    e.SetParameters({0.01, 0, 0, 1, 0, 0, 0, 1});
    double X = 7, Y = 8;
    EXPECT_EQ(e.Transform(-100, 5, X, Y), 0);  // w = 1 - 100 * 0.01
    EXPECT_EQ(X, 7);
    EXPECT_EQ(Y, 8);
    ASSERT_EQ(e.Transform(50, 20, X, Y), 1);
    double x, y;
    ASSERT_EQ(e.InverseTransform(X, Y, x, y), 1);
    // Tolerance: one forward and one back mapping in double.
    EXPECT_NEAR(x, 50, 1e-12);
    EXPECT_NEAR(y, 20, 1e-12);
}
