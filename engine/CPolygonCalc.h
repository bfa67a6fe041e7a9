#pragma once
// CPolygonCalc: area, perimeter and self-intersection of a measured polygon.
//
// Points are three parallel lists (names, x, y) of the same length n in any plane frame;
// side k runs from point k to point k + 1, side n - 1 closes the ring back to point 0.
// A coordinate may be UNDEFINED_VALUE.

#include <string>
#include <vector>

class CPolygonCalc {
public:
    CPolygonCalc() = default;
    virtual ~CPolygonCalc() = default;

    // 0 with message 10007 (area unchanged) when sides cross; else the area of ComputeArea
    // and 1, or 0 when that is undefined.
    int Area(const std::vector<std::string>& names, const std::vector<double>& x,
             const std::vector<double>& y, double& area, std::string& message) const;
    // The perimeter; every side length appended in side order. Stops at the first point with
    // an undefined coordinate (no side into it, nor any later one, is counted).
    double Perimeter(const std::vector<double>& x, const std::vector<double>& y,
                     std::vector<double>& sides) const;
    // 1 when no two non-adjacent sides cross, else 0. report receives a line per crossing
    // (at most ten, then "...").
    int CheckSelfIntersection(const std::vector<std::string>& names, const std::vector<double>& x,
                              const std::vector<double>& y, int& crossings,
                              std::string& report) const;
    // Shoelace area, or UNDEFINED_VALUE (message 10006 for fewer than 3 points). Orientation
    // +1, -1 or 0 by the sign of the sum; counter-clockwise in a y-up frame gives -1.
    double ComputeArea(const std::vector<std::string>& names, const std::vector<double>& x,
                       const std::vector<double>& y, std::string& message, int& orientation) const;
    // 1 when the segments cross in the interior of both.
    static int SegmentsIntersect(double x1, double y1, double x2, double y2, double x3, double y3,
                                 double x4, double y4);
};
