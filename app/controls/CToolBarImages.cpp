#include "CToolBarImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPolygonF>
#include <cmath>

#include "CommandIds.h"

namespace {

enum class Mode { Normal, Hot, Disabled };

struct Palette {
    QColor ink, fill, accent, paper;
};

Palette ColoursFor(Mode mode) {
    switch (mode) {
        case Mode::Hot:
            return {QColor(0, 40, 120), QColor(255, 214, 90), QColor(230, 40, 30), Qt::white};
        case Mode::Disabled:
            return {QColor(150, 150, 150), QColor(215, 215, 215), QColor(170, 170, 170),
                    QColor(235, 235, 235)};
        case Mode::Normal:
            break;
    }
    return {QColor(20, 20, 60), QColor(240, 190, 60), QColor(200, 30, 30), Qt::white};
}

void Magnifier(QPainter& p, const Palette& c, const QString& sign) {
    p.setPen(QPen(c.ink, 2));
    p.setBrush(c.paper);
    p.drawEllipse(QRectF(4, 3, 17, 17));
    p.setPen(QPen(c.ink, 4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(19, 18), QPointF(27, 26));
    p.setPen(QPen(c.accent, 2));
    QFont font = p.font();
    font.setPixelSize(sign.size() > 1 ? 8 : 14);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(4, 3, 17, 17), Qt::AlignCenter, sign);
}

void Cross(QPainter& p, QPointF at, double r) {
    p.drawLine(at - QPointF(r, 0), at + QPointF(r, 0));
    p.drawLine(at - QPointF(0, r), at + QPointF(0, r));
}

void Document(QPainter& p, const Palette& c) {
    QPolygonF page({{6, 3}, {19, 3}, {25, 9}, {25, 27}, {6, 27}});
    p.setPen(QPen(c.ink, 1.5));
    p.setBrush(c.paper);
    p.drawPolygon(page);
    p.drawPolyline(QPolygonF({{19, 3}, {19, 9}, {25, 9}}));
    QFont font = p.font();
    font.setPixelSize(11);
    font.setBold(true);
    p.setFont(font);
    p.drawText(QRectF(6, 9, 19, 16), Qt::AlignCenter, QStringLiteral("P"));
}

void Arrow(QPainter& p, const Palette& c, QPointF from, QPointF to) {
    p.setPen(QPen(c.accent, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(from, to);
    const QPointF d = (to - from) / std::hypot(to.x() - from.x(), to.y() - from.y());
    const QPointF n(-d.y(), d.x());
    p.setBrush(c.accent);
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygonF({to + d * 2, to - d * 4 + n * 4, to - d * 4 - n * 4}));
}

void Draw(QPainter& p, int id, const Palette& c) {
    using namespace cmd;
    switch (id) {
        case ID_FILE_OPEN: {
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(c.fill.darker(115));
            p.drawPolygon(QPolygonF({{3, 8}, {11, 8}, {13, 11}, {26, 11}, {26, 25}, {3, 25}}));
            p.setBrush(c.fill);
            p.drawPolygon(QPolygonF({{3, 25}, {8, 14}, {30, 14}, {26, 25}}));
            break;
        }
        case ID_FILE_SAVE_AS: {
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(QColor(c.ink).lighter(250));
            p.drawRect(QRectF(5, 3, 22, 24));
            p.setBrush(c.paper);
            p.drawRect(QRectF(9, 3, 14, 9));
            p.setBrush(c.ink);
            p.drawRect(QRectF(10, 18, 12, 9));
            p.setPen(QPen(c.accent, 2));
            p.drawLine(QPointF(11, 7), QPointF(21, 7));
            break;
        }
        case ID_MEASURE_CONTROL_POINTS: {
            p.setPen(QPen(c.ink, 1));
            p.setBrush(c.paper);
            p.drawRect(QRectF(3, 3, 26, 24));
            p.setPen(QPen(c.accent, 2));
            Cross(p, {10, 10}, 4);
            Cross(p, {22, 9}, 4);
            Cross(p, {9, 21}, 4);
            Cross(p, {22, 21}, 4);
            break;
        }
        case ID_MEASURE_RECTANGLE: {
            p.setPen(QPen(c.ink, 2));
            p.setBrush(c.fill);
            p.drawPolygon(QPolygonF({{5, 8}, {27, 5}, {25, 25}, {7, 23}}));
            p.setPen(Qt::NoPen);
            p.setBrush(c.accent);
            for (QPointF corner : {QPointF(5, 8), QPointF(27, 5), QPointF(25, 25), QPointF(7, 23)})
                p.drawEllipse(corner, 2.5, 2.5);
            break;
        }
        case ID_ZOOM_IN:
            Magnifier(p, c, QStringLiteral("+"));
            break;
        case ID_ZOOM_OUT:
            Magnifier(p, c, QStringLiteral("-"));
            break;
        case ID_ZOOM_100:
            Magnifier(p, c, QStringLiteral("1:1"));
            break;
        case ID_LOAD_PARAMETERS:
            Document(p, c);
            Arrow(p, c, {30, 4}, {21, 13});
            break;
        case ID_SAVE_PARAMETERS:
            Document(p, c);
            Arrow(p, c, {19, 18}, {29, 27});
            break;
        case ID_RECTIFY: {
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(c.fill);
            p.drawPolygon(QPolygonF({{2, 9}, {12, 5}, {12, 25}, {2, 21}}));
            p.drawRect(QRectF(19, 6, 11, 18));
            Arrow(p, c, {12, 15}, {17, 15});
            break;
        }
        case ID_MIRROR_VERTICAL: {
            p.setPen(QPen(c.ink, 1, Qt::DashLine));
            p.drawLine(QPointF(2, 15), QPointF(30, 15));
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(c.fill);
            p.drawPolygon(QPolygonF({{8, 12}, {24, 12}, {8, 3}}));
            p.setBrush(c.accent);
            p.drawPolygon(QPolygonF({{8, 18}, {24, 18}, {8, 27}}));
            break;
        }
        case ID_MIRROR_HORIZONTAL: {
            p.setPen(QPen(c.ink, 1, Qt::DashLine));
            p.drawLine(QPointF(16, 2), QPointF(16, 28));
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(c.fill);
            p.drawPolygon(QPolygonF({{13, 6}, {13, 24}, {3, 24}}));
            p.setBrush(c.accent);
            p.drawPolygon(QPolygonF({{19, 6}, {19, 24}, {29, 24}}));
            break;
        }
        case ID_TOOL_DISTANCE: {
            p.setPen(QPen(c.ink, 2));
            p.drawLine(QPointF(5, 24), QPointF(27, 6));
            p.setPen(QPen(c.accent, 2));
            Cross(p, {5, 24}, 3.5);
            Cross(p, {27, 6}, 3.5);
            break;
        }
        case ID_TOOL_POINTS: {
            p.setPen(QPen(c.accent, 2));
            Cross(p, {8, 8}, 4);
            Cross(p, {23, 12}, 4);
            Cross(p, {12, 22}, 4);
            break;
        }
        case ID_TOOL_AREA: {
            QPolygonF area({{5, 10}, {18, 4}, {28, 14}, {21, 26}, {7, 23}});
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(c.fill);
            p.drawPolygon(area);
            p.setPen(QPen(c.accent, 2));
            for (QPointF corner : area) Cross(p, corner, 2.5);
            break;
        }
        case ID_FINISH_MEASURE: {
            QFont font = p.font();
            font.setPixelSize(20);
            font.setBold(true);
            p.setFont(font);
            p.setPen(c.ink);
            p.drawText(QRectF(1, 1, 20, 26), Qt::AlignCenter, QString(QChar(0x03A3)));
            p.setPen(QPen(c.accent, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPolyline(QPolygonF({{17, 19}, {21, 24}, {29, 12}}));
            break;
        }
        case ID_TOOL_CROP: {
            p.setPen(QPen(c.ink, 1));
            p.setBrush(c.paper);
            p.drawRect(QRectF(3, 3, 26, 24));
            p.setPen(QPen(c.accent, 1.5, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(QRectF(8, 8, 16, 14));
            break;
        }
        case ID_CROP: {
            p.setPen(QPen(c.ink, 3, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
            p.drawPolyline(QPolygonF({{8, 2}, {8, 22}, {28, 22}}));
            p.drawPolyline(QPolygonF({{2, 8}, {22, 8}, {22, 28}}));
            p.setPen(Qt::NoPen);
            p.setBrush(c.fill);
            p.drawRect(QRectF(10, 10, 11, 11));
            break;
        }
        case ID_APP_ABOUT: {
            p.setPen(QPen(c.ink, 1.5));
            p.setBrush(c.fill);
            p.drawEllipse(QRectF(4, 2, 25, 25));
            QFont font = p.font();
            font.setPixelSize(18);
            font.setBold(true);
            p.setFont(font);
            p.setPen(c.ink);
            p.drawText(QRectF(4, 2, 25, 25), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        default:
            break;
    }
}

QPixmap Picture(int id, Mode mode) {
    QPixmap pixmap(CToolBarImages::kWidth, CToolBarImages::kHeight);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    Draw(p, id, ColoursFor(mode));
    return pixmap;
}

bool HasPicture(int id) {
    using namespace cmd;
    switch (id) {
        case ID_FILE_OPEN:
        case ID_FILE_SAVE_AS:
        case ID_MEASURE_CONTROL_POINTS:
        case ID_MEASURE_RECTANGLE:
        case ID_ZOOM_IN:
        case ID_ZOOM_OUT:
        case ID_ZOOM_100:
        case ID_LOAD_PARAMETERS:
        case ID_SAVE_PARAMETERS:
        case ID_RECTIFY:
        case ID_MIRROR_VERTICAL:
        case ID_MIRROR_HORIZONTAL:
        case ID_TOOL_DISTANCE:
        case ID_TOOL_POINTS:
        case ID_TOOL_AREA:
        case ID_FINISH_MEASURE:
        case ID_TOOL_CROP:
        case ID_CROP:
        case ID_APP_ABOUT:
            return true;
        default:
            return false;
    }
}

}  // namespace

QIcon CToolBarImages::Icon(int id) {
    if (!HasPicture(id)) return QIcon();
    QIcon icon;
    icon.addPixmap(Picture(id, Mode::Normal), QIcon::Normal);
    icon.addPixmap(Picture(id, Mode::Hot), QIcon::Active);
    icon.addPixmap(Picture(id, Mode::Disabled), QIcon::Disabled);
    return icon;
}

QIcon CToolBarImages::ProgramIcon() {
    QIcon icon;
    for (int size : {16, 32, 48}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 32.0, size / 32.0);
        p.translate(0, 1);
        Draw(p, cmd::ID_RECTIFY, ColoursFor(Mode::Normal));
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QPixmap CToolBarImages::RectificationPicture(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double w = width, h = height;
    // The photograph: a facade seen at a slant, with its window grid.
    const QPolygonF slanted(
        {{0.02 * w, 0.25 * h}, {0.40 * w, 0.05 * h}, {0.40 * w, 0.95 * h}, {0.02 * w, 0.75 * h}});
    const QRectF rectified(0.60 * w, 0.10 * h, 0.38 * w, 0.80 * h);
    p.setPen(QPen(QColor(20, 20, 60), 1.5));
    p.setBrush(QColor(240, 200, 120));
    p.drawPolygon(slanted);
    p.drawRect(rectified);
    p.setPen(QPen(QColor(20, 20, 60), 1));
    for (int i = 1; i < 4; ++i) {
        const double t = i / 4.0;
        // Lines of the grid in the slanted view join the corresponding edge points.
        p.drawLine(slanted[0] + (slanted[1] - slanted[0]) * t,
                   slanted[3] + (slanted[2] - slanted[3]) * t);
        p.drawLine(slanted[0] + (slanted[3] - slanted[0]) * t,
                   slanted[1] + (slanted[2] - slanted[1]) * t);
        p.drawLine(QPointF(rectified.left() + rectified.width() * t, rectified.top()),
                   QPointF(rectified.left() + rectified.width() * t, rectified.bottom()));
        p.drawLine(QPointF(rectified.left(), rectified.top() + rectified.height() * t),
                   QPointF(rectified.right(), rectified.top() + rectified.height() * t));
    }
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(0.44 * w, 0.5 * h), QPointF(0.55 * w, 0.5 * h));
    p.setBrush(QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawPolygon(
        QPolygonF({{0.57 * w, 0.5 * h}, {0.53 * w, 0.5 * h - 6}, {0.53 * w, 0.5 * h + 6}}));
    return pixmap;
}
