#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "CPolygonCalc.h"
#include "StringTable.h"
#include "Undefined.h"

namespace {

struct Polygon {
    const char* what;
    std::vector<double> x, y;
    int areaResult;
    double area;
    int messageId;  // 0: none
    double perimeter;
    std::vector<double> sides;
};

constexpr double U = UNDEFINED_VALUE;

}  // namespace

TEST(CPolygonCalc, AreaPerimeterAndCrossings) {
    const Polygon cases[] = {
        {"unit square", {0, 1, 1, 0}, {0, 0, 1, 1}, 1, 1.0, 0, 4.0, {1, 1, 1, 1}},
        {"concave L", {0, 2, 2, 1, 1, 0}, {0, 0, 1, 1, 2, 2}, 1, 3.0, 0, 8.0, {2, 1, 1, 1, 1, 2}},
        {"bow tie",
         {0, 1, 1, 0},
         {0, 1, 0, 1},
         0,
         0.0,
         10007,
         2 + 2 * std::sqrt(2.0),
         {std::sqrt(2.0), 1, std::sqrt(2.0), 1}},
        {"side 2 ends on side 0",
         {0, 2, 1, 1},
         {0, 0, 1, 0},
         1,
         0.5,
         0,
         4 + std::sqrt(2.0),
         {2, std::sqrt(2.0), 1, 1}},
        {"triangle", {0, 4, 0}, {0, 0, 3}, 1, 6.0, 0, 12.0, {4, 5, 3}},
        {"two points", {0, 3}, {0, 4}, 0, 0.0, 10006, 10.0, {5, 5}},
        {"one point", {2}, {2}, 0, 0.0, 10006, 0.0, {0}},
        {"collinear", {0, 1, 2}, {0, 0, 0}, 1, 0.0, 0, 4.0, {1, 1, 2}},
        {"undefined third point", {0, 1, U, 0}, {0, 0, 1, 1}, 0, 0.0, 0, 1.0, {1}},
        {"undefined first point", {U, 1, 1, 0}, {0, 0, 1, 1}, 0, 0.0, 0, 0.0, {}},
    };
    CPolygonCalc calc;
    for (const Polygon& p : cases) {
        SCOPED_TRACE(p.what);
        const std::vector<std::string> names(p.x.size(), "P");
        double area = -1.0;
        std::string message;
        EXPECT_EQ(calc.Area(names, p.x, p.y, area, message), p.areaResult);
        if (p.areaResult) {
            EXPECT_DOUBLE_EQ(area, p.area);
        }
        EXPECT_EQ(message, p.messageId ? strings::Load(p.messageId) : "");
        if (p.messageId == 10007) {
            EXPECT_EQ(area, -1.0);  // refused areas leave the output
        }

        std::vector<double> sides = {99};
        EXPECT_DOUBLE_EQ(calc.Perimeter(p.x, p.y, sides), p.perimeter);
        ASSERT_EQ(sides.size(), p.sides.size());
        for (size_t k = 0; k < sides.size(); ++k) EXPECT_DOUBLE_EQ(sides[k], p.sides[k]);
    }
}

TEST(CPolygonCalc, OrientationFollowsTheRingDirection) {
    CPolygonCalc calc;
    std::string message;
    int orientation = 0;
    const std::vector<std::string> names(4);
    EXPECT_EQ(calc.ComputeArea(names, {0, 1, 1, 0}, {0, 0, 1, 1}, message, orientation), 1.0);
    EXPECT_EQ(orientation, -1);  // counter-clockwise in a y-up frame
    calc.ComputeArea(names, {0, 0, 1, 1}, {0, 1, 1, 0}, message, orientation);
    EXPECT_EQ(orientation, 1);
}

TEST(CPolygonCalc, CrossingReportNamesTheSidesAndStopsAfterTen) {
    CPolygonCalc calc;
    int crossings = 0;
    std::string report;
    EXPECT_EQ(calc.CheckSelfIntersection({"A", "B", "C", "D"}, {0, 1, 1, 0}, {0, 1, 0, 1},
                                         crossings, report),
              0);
    EXPECT_EQ(crossings, 1);
    EXPECT_EQ(report, "\nSeite Nr. 1 ( 'A'-'B')\n     schneidet Seite Nr. 3 ('C'-'D')");

    // A star polygon with many crossings: the report ends after the tenth.
    std::vector<double> x, y;
    for (int k = 0; k < 11; ++k) {
        const double a = 2 * std::numbers::pi * (k * 5 % 11) / 11;
        x.push_back(std::cos(a));
        y.push_back(std::sin(a));
    }
    report.clear();
    EXPECT_EQ(
        calc.CheckSelfIntersection(std::vector<std::string>(11, "P"), x, y, crossings, report), 0);
    EXPECT_EQ(crossings, 11);
    EXPECT_EQ(report.substr(report.size() - 4), "\n...");
}

TEST(CPolygonCalc, SegmentTestIgnoresEndsParallelsAndUndefined) {
    EXPECT_EQ(CPolygonCalc::SegmentsIntersect(0, 0, 2, 2, 0, 2, 2, 0), 1);
    EXPECT_EQ(CPolygonCalc::SegmentsIntersect(0, 0, 2, 2, 2, 2, 3, 0), 0);  // shared end
    EXPECT_EQ(CPolygonCalc::SegmentsIntersect(0, 0, 2, 0, 1, 0, 3, 0), 0);  // collinear overlap
    EXPECT_EQ(CPolygonCalc::SegmentsIntersect(0, 0, 2, 2, 0, 2, U, 0), 0);
}
