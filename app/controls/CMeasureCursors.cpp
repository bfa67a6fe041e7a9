#include "CMeasureCursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kSize = 32;

// Draws a path twice: a wide white edge, then the black line, so that it shows on dark and
// light images alike.
void StrokeEdged(QPainter& p, const QPainterPath& path, qreal width = 1.0) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, width + 2.0, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.drawPath(path);
}

// Dotted rectangle: black and white pixels in turn.
void DottedRect(QPainter& p, int left, int top, int right, int bottom) {
    p.setPen(Qt::NoPen);
    int i = 0;
    auto dot = [&](int x, int y) { p.fillRect(x, y, 1, 1, (i++ & 1) ? Qt::white : Qt::black); };
    for (int x = left; x <= right; ++x) dot(x, top);
    for (int y = top + 1; y <= bottom; ++y) dot(right, y);
    for (int x = right - 1; x >= left; --x) dot(x, bottom);
    for (int y = bottom - 1; y > top; --y) dot(left, y);
}

// The magnifying glass: lens around (15, 8) with cross hairs, handle to the lower right.
void DrawGlass(QPainter& p) {
    QPainterPath lens;
    lens.addEllipse(QPointF(15.5, 8.5), 7.0, 7.0);
    StrokeEdged(p, lens);
    QPainterPath hairs;
    hairs.moveTo(15.5, 3.5);
    hairs.lineTo(15.5, 13.5);
    hairs.moveTo(10.5, 8.5);
    hairs.lineTo(20.5, 8.5);
    StrokeEdged(p, hairs);
    QPainterPath handle;
    handle.moveTo(21.0, 14.0);
    handle.lineTo(27.0, 20.0);
    StrokeEdged(p, handle, 3.0);
}

QPixmap Paint(int id) {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    switch (id) {
        case CMeasureCursors::kControlPoints: {
            DrawGlass(p);
            QPainterPath target;
            target.addEllipse(QPointF(6.5, 25.5), 4.0, 4.0);
            target.moveTo(6.5, 19.5);
            target.lineTo(6.5, 31.0);
            target.moveTo(0.5, 25.5);
            target.lineTo(12.5, 25.5);
            StrokeEdged(p, target);
            break;
        }
        case CMeasureCursors::kRectangle:
            DrawGlass(p);
            DottedRect(p, 1, 20, 12, 29);
            break;
        case CMeasureCursors::kMeasure: {
            DrawGlass(p);
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(Qt::white);
            p.drawRect(0, 23, 13, 6);
            for (int x = 2; x <= 12; x += 2) p.drawLine(x, 23, x, x % 4 == 0 ? 27 : 25);
            break;
        }
        case CMeasureCursors::kCrop: {
            QPainterPath hairs;
            hairs.moveTo(9.5, 1.5);
            hairs.lineTo(9.5, 17.5);
            hairs.moveTo(1.5, 9.5);
            hairs.lineTo(17.5, 9.5);
            StrokeEdged(p, hairs);
            DottedRect(p, 12, 12, 23, 21);
            QPainterPath scissors;
            scissors.addEllipse(QPointF(21.5, 27.5), 2.5, 2.5);
            scissors.addEllipse(QPointF(27.5, 27.5), 2.5, 2.5);
            scissors.moveTo(22.5, 25.0);
            scissors.lineTo(28.5, 17.5);
            scissors.moveTo(26.5, 25.0);
            scissors.lineTo(20.5, 17.5);
            p.setRenderHint(QPainter::Antialiasing);
            StrokeEdged(p, scissors);
            break;
        }
        case CMeasureCursors::kPick: {
            QPainterPath circle;
            circle.addEllipse(QPointF(15.5, 15.5), 9.0, 9.0);
            circle.moveTo(15.5, 2.5);
            circle.lineTo(15.5, 12.5);
            circle.moveTo(15.5, 18.5);
            circle.lineTo(15.5, 28.5);
            circle.moveTo(2.5, 15.5);
            circle.lineTo(12.5, 15.5);
            circle.moveTo(18.5, 15.5);
            circle.lineTo(28.5, 15.5);
            StrokeEdged(p, circle);
            break;
        }
        case CMeasureCursors::kPan: {
            QPainterPath hand;
            // Palm with four fingers and a thumb, seen from the back.
            hand.addRoundedRect(QRectF(9.5, 14.5, 14.0, 12.0), 4.0, 4.0);
            for (int f = 0; f < 4; ++f)
                hand.addRoundedRect(
                    QRectF(9.5 + f * 3.5, 6.5 + (f == 0 || f == 3 ? 2 : 0), 3.5, 9.0), 1.5, 1.5);
            hand.addRoundedRect(QRectF(4.5, 15.5, 6.0, 3.5), 1.5, 1.5);
            hand.setFillRule(Qt::WindingFill);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(QPen(Qt::black, 1));
            p.setBrush(Qt::white);
            p.drawPath(hand.simplified());
            break;
        }
        default:
            return QPixmap();
    }
    return pixmap;
}

QPoint HotSpot(int id) {
    switch (id) {
        case CMeasureCursors::kCrop:
            return {9, 9};
        case CMeasureCursors::kPick:
            return {15, 15};
        case CMeasureCursors::kPan:
            return {16, 16};
        default:
            return {15, 8};
    }
}

}  // namespace

QPixmap CMeasureCursors::Picture(int id) { return Paint(id); }

QCursor CMeasureCursors::Cursor(int id) {
    const QPixmap picture = Paint(id);
    if (picture.isNull()) return QCursor(Qt::ArrowCursor);
    const QPoint hot = HotSpot(id);
    return QCursor(picture, hot.x(), hot.y());
}
