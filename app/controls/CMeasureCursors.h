#pragma once
// The measuring cursors, drawn in code, 32 x 32 pixels, by their resource ids:
// 130 control points, 133 rectangle corners, 135 measuring tools (a magnifying glass with cross
// hairs, hot spot in the lens centre (15, 8), and a small sign at its lower left: a target, a
// dotted rectangle, a ruler); 132 crop (cross hairs at (9, 9), a dotted rectangle and
// scissors); 131 magnifier pick (a circle with cross hairs, hot spot (15, 15)); 193 pan (a
// hand, hot spot (16, 16)). Black lines edged in white, so they show on any image.

#include <QCursor>

class CMeasureCursors {
public:
    static constexpr int kControlPoints = 130;
    static constexpr int kPick = 131;
    static constexpr int kCrop = 132;
    static constexpr int kRectangle = 133;
    static constexpr int kMeasure = 135;
    static constexpr int kPan = 193;

    // The cursor of a resource id; the arrow for any other id.
    static QCursor Cursor(int id);
    // The cursor's picture (32 x 32, transparent background); a null pixmap for other ids.
    static QPixmap Picture(int id);
};
