// The main road end to end: a synthetic facade photo is opened through the open command, its
// control points (or rectangle corners) are added as the point picking adds them, the reference
// coordinates are imported from a text file, and "Bild entzerren" runs the dialog chain through
// the modal runner seam into a new target document, whose pattern must be true to scale; the
// target is then saved.
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "RectifyChainFixture.h"

namespace {

enum class Route { Points2D, Points3D, Rectangle };

struct ChainCase {
    const char* name;
    Route route;
    int koosys;
    bool interpolate;
};

// The tilted facade plane of the 3D case, east, north, height in metres: a facade point
// (X, Y) lies at O + X U + Y V; U is horizontal, V leans 20 degrees back from the vertical.
constexpr double kO[3] = {1000.0, 2000.0, 300.0};
const double kU[3] = {std::cos(0.5), std::sin(0.5), 0.0};
const double kV[3] = {-std::sin(0.5) * std::sin(0.35), std::cos(0.5) * std::sin(0.35),
                      std::cos(0.35)};

class RectifyChainTest : public RectifyChainFixture,
                         public ::testing::WithParamInterface<ChainCase> {
protected:
    void SetUp() override {
        RectifyChainFixture::SetUp();
        OpenPhoto();
    }

    // Nine control points in rows from the bottom, each from left to right; the distortion
    // correction stays off.
    void MeasureControlPoints(int koosys) {
        m_source->m_koosys = koosys;
        m_source->m_is3D = koosys < 2 ? 1 : 0;
        std::vector<std::pair<double, double>> points;
        for (double Y : {0.5, 3.5, 6.5})
            for (double X : {0.5, 5.0, 9.5}) points.emplace_back(X, Y);
        RectifyChainFixture::MeasureControlPoints(points, [koosys](double X, double Y) {
            if (koosys != 0) return QStringLiteral("%1 %2").arg(X, 0, 'f', 6).arg(Y, 0, 'f', 6);
            QStringList values;
            for (int k = 0; k < 3; ++k)
                values << QString::number(kO[k] + X * kU[k] + Y * kV[k], 'f', 6);
            return values.join(QLatin1Char(' '));
        });
        m_dialogScripts.push_back(ClickOk);
        if (koosys < 2) m_dialogScripts.push_back(ClickOk);
    }

    void MeasureRectangle() {
        m_source->m_measureMode = 0;
        for (const auto& [X, Y] : {std::pair{1.0, 1.0}, {1.0, 6.0}, {9.0, 6.0}, {9.0, 1.0}}) {
            double mx, my;
            m_facade.ToImage(X, Y, mx, my);
            ASSERT_EQ(m_source->AddRectangleCorner(mx, my), 1);
        }
        m_dialogScripts.push_back([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("1025"))->setText(QStringLiteral("8"));
            dialog.findChild<QLineEdit*>(QStringLiteral("1026"))->setText(QStringLiteral("5"));
            dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return dialog.result();
        });
    }

    // Facade coordinates of the reference point a target pixel samples (column i, row t from
    // the top: its left and lower edge).
    void FacadeOf(const CTesseloDoc& target, int i, int t, double& X, double& Y) const {
        double u, v;
        target.PixelToTarget(i, t + 1, u, v);
        switch (GetParam().route) {
            case Route::Points2D:
                X = u;
                Y = v;
                break;
            case Route::Rectangle:
                X = u + 1.0;
                Y = v + 1.0;
                break;
            case Route::Points3D: {
                double d[3];
                target.PixelToPlane3D(i, t + 1, d[0], d[1], d[2]);
                for (int k = 0; k < 3; ++k) d[k] -= kO[k];
                X = d[0] * kU[0] + d[1] * kU[1] + d[2] * kU[2];
                Y = d[0] * kV[0] + d[1] * kV[1] + d[2] * kV[2];
                break;
            }
        }
    }

    // Whether the target pixel samples the photo well inside its edges.
    bool SeesPhoto(const CTesseloDoc& target, int i, int t) const {
        double X, Y, mx, my;
        FacadeOf(target, i, t, X, Y);
        m_facade.ToImage(X, Y, mx, my);
        return mx > 2 && my > 2 && mx < SyntheticFacade::kWidth - 2 &&
               my < SyntheticFacade::kHeight - 2;
    }
};

}  // namespace

TEST_P(RectifyChainTest, TargetPatternIsTrueToScale) {
    const ChainCase& c = GetParam();
    if (c.route == Route::Rectangle)
        MeasureRectangle();
    else
        MeasureControlPoints(c.koosys);
    RectifyWith(c.interpolate);

    CTesseloDoc* target = RunChain();
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(m_ui.messages.size() == (c.route == Route::Rectangle ? 0u : 1u))
        << (m_ui.messages.empty() ? "" : m_ui.messages.back());
    EXPECT_EQ(target->m_isSource, 0);
    EXPECT_EQ(target->GetTitle(), QStringLiteral("ZIEL  -  unbenannt"));
    EXPECT_EQ(App()->MainFrame()->AssistantStep(), 8);
    EXPECT_EQ(m_source->m_workflowStep, 7);
    // The rectangle route leaves the source's system alone and gives the target a 2D one.
    if (c.route == Route::Rectangle) {
        EXPECT_EQ(m_source->m_is3D, 1);
        EXPECT_EQ(target->m_koosys, 2);
        EXPECT_EQ(target->m_is3D, 0);
    } else {
        EXPECT_EQ(target->m_koosys, c.koosys);
    }

    const CRaster& image = target->m_image;
    const int w = int(image.GetWidth()), h = int(image.GetHeight());
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    // The extent spans exactly the sampled pixel grid.
    EXPECT_NEAR((target->m_extentRight - target->m_extentLeft) / w, kPixel, 1e-12);
    EXPECT_NEAR((target->m_extentTop - target->m_extentBottom) / h, kPixel, 1e-12);

    // Every pixel that samples the facade farther than one pixel from a cell edge has the
    // cell's colour: scale, squareness and position are right within the pixel size.
    int checked = 0, wrong = 0;
    for (int t = 0; t < h; ++t)
        for (int i = 0; i < w; ++i) {
            double X, Y;
            FacadeOf(*target, i, t, X, Y);
            if (!SeesPhoto(*target, i, t) || SyntheticFacade::EdgeDistance(X, Y) <= kPixel)
                continue;
            ++checked;
            wrong += White(image, i, t) != SyntheticFacade::Cell(X, Y);
        }
    EXPECT_GT(checked, w * h / 4);
    EXPECT_EQ(wrong, 0);

    // Cell edges along the middle row and column lie one cell (20 pixels) apart, within a pixel.
    const double cellPixels = SyntheticFacade::kCell / kPixel;
    for (const bool alongRow : {true, false}) {
        std::vector<int> edges;
        const int n = alongRow ? w : h;
        for (int k = 1; k < n; ++k) {
            const int i = alongRow ? k : w / 2, t = alongRow ? h / 2 : k;
            const int pi = alongRow ? k - 1 : i, pt = alongRow ? t : k - 1;
            if (SeesPhoto(*target, i, t) && SeesPhoto(*target, pi, pt) &&
                White(image, i, t) != White(image, pi, pt))
                edges.push_back(k);
        }
        ASSERT_GE(edges.size(), 4u) << (alongRow ? "row" : "column");
        for (size_t k = 1; k < edges.size(); ++k)
            EXPECT_NEAR(edges[k] - edges[k - 1], cellPixels, 1.0) << (alongRow ? "row" : "column");
    }

    // Saved as the user saves it, the file holds the rectified image and the world file beside
    // it places pixel centres on the extent that the pattern check above proved right.
    const QString saved = m_dir.filePath(QStringLiteral("target.png"));
    target->m_worldFile = 1;
    ChooseFile(saved);
    m_ui.messages.clear();
    ASSERT_TRUE(App()->RouteCommand(cmd::ID_FILE_SAVE_AS));
    ASSERT_FALSE(m_ui.messages.empty());
    EXPECT_EQ(m_ui.messages[0].rfind("File gespeichert:\n" + saved.toStdString(), 0), 0u);
    CRaster reloaded;
    ASSERT_TRUE(reloaded.Load(QFile::encodeName(saved).constData(), FORMAT_PNG));
    EXPECT_EQ(reloaded.GetWidth(), image.GetWidth());
    EXPECT_EQ(reloaded.GetHeight(), image.GetHeight());

    const std::vector<double> v = ReadWorldFile(saved);
    ASSERT_EQ(v.size(), 6u);
    // Six decimals in the file: a micrometre is the resolution.
    EXPECT_NEAR(v[0], kPixel, 1e-6);
    EXPECT_NEAR(v[1], 0.0, 1e-6);
    EXPECT_NEAR(v[2], 0.0, 1e-6);
    EXPECT_NEAR(v[3], -kPixel, 1e-6);
    EXPECT_NEAR(v[4], target->m_extentLeft + kPixel / 2, 1e-6);
    EXPECT_NEAR(v[5], target->m_extentTop - kPixel / 2, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, RectifyChainTest,
    ::testing::Values(ChainCase{"Facade2DNearest", Route::Points2D, 2, false},
                      ChainCase{"Facade2DBilinear", Route::Points2D, 2, true},
                      ChainCase{"TiltedPlane3DNearest", Route::Points3D, 0, false},
                      ChainCase{"TiltedPlane3DBilinear", Route::Points3D, 0, true},
                      ChainCase{"RectangleBilinear", Route::Rectangle, 0, true},
                      ChainCase{"RectangleNearest", Route::Rectangle, 0, false}),
    [](const ::testing::TestParamInfo<ChainCase>& info) { return info.param.name; });
