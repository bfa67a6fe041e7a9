#include "CPolygonCalc.h"

#include <algorithm>
#include <cmath>

#include "CNumberText.h"
#include "StringTable.h"
#include "Undefined.h"

namespace {

constexpr int kMsgCrossingLine = 10005;
constexpr int kMsgTooFewPoints = 10006;
constexpr int kMsgSidesCross = 10007;
constexpr int kMaxReportedCrossings = 10;
constexpr double kEdge = 1e-10;

size_t PointCount(const std::vector<double>& x, const std::vector<double>& y) {
    return std::min(x.size(), y.size());
}

}  // namespace

int CPolygonCalc::SegmentsIntersect(double x1, double y1, double x2, double y2, double x3,
                                    double y3, double x4, double y4) {
    for (double v : {x1, y1, x2, y2, x3, y3, x4, y4}) {
        if (IsUndefined(v)) return 0;
    }
    const double d = (x2 - x1) * (y4 - y3) - (y2 - y1) * (x4 - x3);
    if (d == 0.0) return 0;
    const double t = ((x3 - x1) * (y4 - y3) - (y3 - y1) * (x4 - x3)) / d;
    const double u = ((x3 - x1) * (y2 - y1) - (y3 - y1) * (x2 - x1)) / d;
    return (t > kEdge && t < 1 - kEdge && u > kEdge && u < 1 - kEdge) ? 1 : 0;
}

int CPolygonCalc::CheckSelfIntersection(const std::vector<std::string>& names,
                                        const std::vector<double>& x, const std::vector<double>& y,
                                        int& crossings, std::string& report) const {
    crossings = 0;
    const size_t n = PointCount(x, y);
    if (n < 4) return 1;
    auto name = [&](size_t k) { return k < names.size() ? names[k].c_str() : ""; };
    const std::string line = strings::Load(kMsgCrossingLine);
    for (size_t i = 0; i + 2 < n; ++i) {
        for (size_t j = i + 2; j < n; ++j) {
            const size_t i2 = i + 1, j2 = (j + 1) % n;
            if (j2 == i) continue;  // the closing side meets side 0 at point 0
            if (!SegmentsIntersect(x[i], y[i], x[i2], y[i2], x[j], y[j], x[j2], y[j2])) continue;
            if (++crossings > kMaxReportedCrossings) {
                report += "\n...";
                return 0;
            }
            report += "\n";
            report += CNumberText::Format(line.c_str(), int(i + 1), name(i), name(i2), int(j + 1),
                                          name(j), name(j2));
        }
    }
    return crossings == 0 ? 1 : 0;
}

double CPolygonCalc::ComputeArea(const std::vector<std::string>&, const std::vector<double>& x,
                                 const std::vector<double>& y, std::string& message,
                                 int& orientation) const {
    const size_t n = PointCount(x, y);
    if (n < 3) {
        message = strings::Load(kMsgTooFewPoints);
        return UNDEFINED_VALUE;
    }
    double sum = 0.0;
    size_t prev = n - 1;
    bool undefined = false;
    for (size_t k = 0; k < n; ++k) {
        if (IsUndefined(x[k]) || IsUndefined(y[k])) undefined = true;
        sum += (x[prev] + x[k]) * (y[prev] - y[k]);
        prev = k;
    }
    if (undefined) {
        orientation = 0;
        return UNDEFINED_VALUE;
    }
    orientation = sum > 0 ? 1 : (sum < 0 ? -1 : 0);
    return std::fabs(sum) / 2;
}

int CPolygonCalc::Area(const std::vector<std::string>& names, const std::vector<double>& x,
                       const std::vector<double>& y, double& area, std::string& message) const {
    int crossings = 0;
    std::string report;
    if (!CheckSelfIntersection(names, x, y, crossings, report)) {
        message = strings::Load(kMsgSidesCross);
        return 0;
    }
    int orientation = 0;
    area = ComputeArea(names, x, y, message, orientation);
    return IsUndefined(area) ? 0 : 1;
}

double CPolygonCalc::Perimeter(const std::vector<double>& x, const std::vector<double>& y,
                               std::vector<double>& sides) const {
    sides.clear();
    const size_t n = PointCount(x, y);
    if (n == 0) return 0.0;
    auto defined = [&](size_t k) { return !IsUndefined(x[k]) && !IsUndefined(y[k]); };
    double sum = 0.0;
    auto add = [&](size_t a, size_t b) {
        const double dx = x[b] - x[a], dy = y[b] - y[a];
        const double length = std::sqrt(dx * dx + dy * dy);
        sum += length;
        sides.push_back(length);
    };
    if (!defined(0)) return 0.0;
    for (size_t k = 1; k < n; ++k) {
        if (!defined(k)) return sum;
        add(k - 1, k);
    }
    add(n - 1, 0);
    return sum;
}
