// The 3D road through the real dialogs with the same control points measured in different
// orders, on a tilted facade and on a horizontal ground plan, in both 3D systems: the target
// shows the object as the photograph does, never mirrored, and the 3D coordinates measured in
// it with the points tool are those of the object.
#include <array>
#include <cmath>

#include "CTesseloView.h"
#include "RectifyChainFixture.h"
#include "controls/CListCtrlEx.h"

namespace {

enum class Object { TiltedFacade, GroundPlan };

struct OrientationCase {
    const char* name;
    Object object;
    int koosys;
};

// Where a facade point (X, Y) lies in space: O + X U + Y V, east, north, height in metres.
struct Placement {
    std::array<double, 3> o, u, v;

    std::array<double, 3> At(double X, double Y) const {
        return {o[0] + X * u[0] + Y * v[0], o[1] + X * u[1] + Y * v[1], o[2] + X * u[2] + Y * v[2]};
    }
};

Placement PlacementOf(Object object) {
    if (object == Object::TiltedFacade) {
        // U horizontal, V leaning 20 degrees back from the vertical.
        return {{1000.0, 2000.0, 300.0},
                {std::cos(0.5), std::sin(0.5), 0.0},
                {-std::sin(0.5) * std::sin(0.35), std::cos(0.5) * std::sin(0.35), std::cos(0.35)}};
    }
    // Seen from above, turned a little against north.
    return {{500.0, 800.0, 12.0},
            {std::cos(0.2), std::sin(0.2), 0.0},
            {-std::sin(0.2), std::cos(0.2), 0.0}};
}

// Three marks in black cells: bottom left, bottom right, top middle (RGBQUAD is blue, green,
// red).
const SyntheticFacade::Mark kMarks[3] = {
    {1.5, 1.5, {0, 0, 255, 0}}, {8.5, 2.5, {255, 0, 0, 0}}, {5.5, 5.5, {255, 0, 255, 0}}};

// Measuring orders of the nine control points, as indexes into the grid taken in rows from the
// bottom, each from left to right.
const struct {
    const char* name;
    int order[9];
} kOrders[] = {
    {"left to right", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
    {"right to left", {2, 1, 0, 5, 4, 3, 8, 7, 6}},
    {"from the top", {6, 7, 8, 3, 4, 5, 0, 1, 2}},
    {"random", {4, 8, 0, 6, 2, 7, 1, 5, 3}},
};

// Twice the signed area of the triangle (x right, y down): positive when it runs clockwise.
double Turn(const double* x, const double* y) {
    return (x[1] - x[0]) * (y[2] - y[0]) - (y[1] - y[0]) * (x[2] - x[0]);
}

class PlaneOrientationTest : public RectifyChainFixture,
                             public ::testing::WithParamInterface<OrientationCase> {
protected:
    void SetUp() override {
        RectifyChainFixture::SetUp();
        m_facade.marks.assign(std::begin(kMarks), std::end(kMarks));
        OpenPhoto();
    }

    // Centre of the target pixels in the mark's colour (column, row from the top).
    static bool FindMark(const CRaster& image, const RGBQUAD& colour, double& i, double& t) {
        const int w = int(image.GetWidth()), h = int(image.GetHeight());
        const auto matches = [](uint8_t value, uint8_t wanted) {
            return wanted ? value > 150 : value < 60;
        };
        double sumI = 0.0, sumT = 0.0;
        int count = 0;
        for (int row = 0; row < h; ++row)
            for (int column = 0; column < w; ++column) {
                const RGBQUAD p = image.GetPixelColor(column, h - 1 - row);
                if (matches(p.rgbBlue, colour.rgbBlue) && matches(p.rgbGreen, colour.rgbGreen) &&
                    matches(p.rgbRed, colour.rgbRed)) {
                    sumI += column;
                    sumT += row;
                    ++count;
                }
            }
        i = sumI / count;
        t = sumT / count;
        // A mark covers about 110 target pixels.
        return count > 50;
    }

    // The marks' 3D coordinates as the coordinates dialog shows them after they were picked
    // with the points tool, in the system's column order.
    std::vector<std::array<double, 3>> MeasureMarks(CTesseloDoc& target, const double* i,
                                                    const double* t) {
        target.GetFirstView()->m_tool = 3;
        target.m_measurePoints.Clear();
        // The sample of target pixel (i, t) lies at its left and lower edge.
        for (int k = 0; k < 3; ++k) EXPECT_EQ(target.AddMeasurePoint(i[k], t[k] + 1), 1);
        std::vector<std::array<double, 3>> values;
        m_dialogScripts.push_back([&values](QDialog& dialog) {
            dialog.findChild<QRadioButton*>(QStringLiteral("1025"))->click();
            auto* list = dialog.findChild<CListCtrlEx*>(QStringLiteral("1044"));
            for (int row = 0; row < list->GetItemCount(); ++row)
                values.push_back({list->GetItemTextStr(row, 1).toDouble(),
                                  list->GetItemTextStr(row, 2).toDouble(),
                                  list->GetItemTextStr(row, 3).toDouble()});
            return int(QDialog::Accepted);
        });
        EXPECT_TRUE(App()->RouteCommand(cmd::ID_FINISH_MEASURE));
        return values;
    }
};

}  // namespace

TEST_P(PlaneOrientationTest, TargetIsNeverMirroredAndMeasuresTheObject) {
    const OrientationCase& c = GetParam();
    const Placement placement = PlacementOf(c.object);
    std::vector<std::pair<double, double>> grid;
    for (double Y : {0.5, 3.5, 6.5})
        for (double X : {0.5, 5.0, 9.5}) grid.emplace_back(X, Y);
    double photoX[3], photoY[3];
    for (int k = 0; k < 3; ++k) m_facade.ToImage(kMarks[k].X, kMarks[k].Y, photoX[k], photoY[k]);

    for (const auto& order : kOrders) {
        SCOPED_TRACE(order.name);
        m_source->m_koosys = c.koosys;
        m_source->m_is3D = 1;
        std::vector<std::pair<double, double>> points;
        for (int index : order.order) points.push_back(grid[size_t(index)]);
        MeasureControlPoints(points, [&](double X, double Y) {
            const std::array<double, 3> p = placement.At(X, Y);
            const int first = c.koosys == 0 ? 0 : 1;
            return QStringLiteral("%1 %2 %3")
                .arg(p[size_t(first)], 0, 'f', 6)
                .arg(p[size_t(1 - first)], 0, 'f', 6)
                .arg(p[2], 0, 'f', 6);
        });
        m_dialogScripts.push_back(ClickOk);  // no distortion correction
        m_dialogScripts.push_back(ClickOk);  // the plane
        RectifyWith(false);
        CTesseloDoc* target = RunChain();
        ASSERT_NE(target, nullptr);
        ASSERT_EQ(target->m_koosys, c.koosys);

        double targetI[3], targetT[3];
        for (int k = 0; k < 3; ++k)
            ASSERT_TRUE(FindMark(target->m_image, kMarks[k].colour, targetI[k], targetT[k])) << k;
        // Marks that run clockwise in the photo run clockwise in the target, and the left one
        // of two stays left.
        EXPECT_EQ(Turn(photoX, photoY) > 0, Turn(targetI, targetT) > 0);
        for (int a = 0; a < 3; ++a)
            for (int b = a + 1; b < 3; ++b)
                EXPECT_EQ(photoX[a] < photoX[b], targetI[a] < targetI[b]) << a << " " << b;

        const std::vector<std::array<double, 3>> measured = MeasureMarks(*target, targetI, targetT);
        ASSERT_EQ(measured.size(), 3u);
        for (int k = 0; k < 3; ++k) {
            const std::array<double, 3> truth = placement.At(kMarks[k].X, kMarks[k].Y);
            const std::array<double, 3> shown =
                c.koosys == 0 ? truth : std::array<double, 3>{truth[1], truth[0], truth[2]};
            // The marks' centres come out within a fifth of a 5 cm pixel, the small
            // uncorrected lens distortion included.
            for (int d = 0; d < 3; ++d)
                EXPECT_NEAR(measured[size_t(k)][size_t(d)], shown[size_t(d)], 0.01)
                    << "mark " << k << " column " << d;
        }
        target->OnCloseDocument();
        ProcessEvents();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Objects, PlaneOrientationTest,
    ::testing::Values(OrientationCase{"TiltedFacadeEastNorth", Object::TiltedFacade, 0},
                      OrientationCase{"TiltedFacadeNorthEast", Object::TiltedFacade, 1},
                      OrientationCase{"GroundPlanEastNorth", Object::GroundPlan, 0},
                      OrientationCase{"GroundPlanNorthEast", Object::GroundPlan, 1}),
    [](const ::testing::TestParamInfo<OrientationCase>& info) { return info.param.name; });
