#pragma once
// The markers drawn over measured points, 11 x 11 pixels on a transparent background, drawn
// with their top-left corner at the point's window position minus (5, 5):
// the point marker, a red ring with an upright white cross edged in black (control points and
// measurement points); the corner marker, a diagonal white cross edged in black and red
// (rectangle corners and distance end points).

#include <QImage>

class CMeasureMarkers {
public:
    static constexpr int kSize = 11;
    static constexpr int kOffset = 5;  // from the marker's top-left corner to the point

    static const QImage& PointMarker();
    static const QImage& CornerMarker();
};
