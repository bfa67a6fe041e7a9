#include "CMeasureMarkers.h"

#include <QImage>
#include <cmath>

namespace {

constexpr int kN = CMeasureMarkers::kSize;
constexpr int kC = CMeasureMarkers::kOffset;  // centre pixel

const QRgb kClear = qRgba(0, 0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kWhite = qRgb(255, 255, 255);

// Paints colour on every clear pixel that touches (4-neighbourhood) a pixel of colour `of`.
void Edge(QImage& image, QRgb of, QRgb colour) {
    const QImage before = image.copy();
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            if (before.pixel(x, y) != kClear && before.pixel(x, y) != kRed) continue;
            const bool touches = (x > 0 && before.pixel(x - 1, y) == of) ||
                                 (x < kN - 1 && before.pixel(x + 1, y) == of) ||
                                 (y > 0 && before.pixel(x, y - 1) == of) ||
                                 (y < kN - 1 && before.pixel(x, y + 1) == of);
            if (touches) image.setPixel(x, y, colour);
        }
    }
}

QImage Blank() {
    QImage image(kN, kN, QImage::Format_ARGB32);
    image.fill(kClear);
    return image;
}

QImage MakePointMarker() {
    QImage image = Blank();
    for (int y = 0; y < kN; ++y) {
        for (int x = 0; x < kN; ++x) {
            const double d = std::hypot(x - kC, y - kC);
            if (d >= 4.5 && d < 5.5) image.setPixel(x, y, kRed);
        }
    }
    for (int i = 1; i < kN - 1; ++i) {
        image.setPixel(kC, i, kWhite);
        image.setPixel(i, kC, kWhite);
    }
    Edge(image, kWhite, kBlack);
    return image;
}

QImage MakeCornerMarker() {
    QImage image = Blank();
    for (int i = 1; i < kN - 1; ++i) {
        image.setPixel(i, i, kWhite);
        image.setPixel(i, kN - 1 - i, kWhite);
    }
    Edge(image, kWhite, kBlack);
    Edge(image, kBlack, kRed);
    return image;
}

}  // namespace

const QImage& CMeasureMarkers::PointMarker() {
    static const QImage marker = MakePointMarker();
    return marker;
}

const QImage& CMeasureMarkers::CornerMarker() {
    static const QImage marker = MakeCornerMarker();
    return marker;
}
