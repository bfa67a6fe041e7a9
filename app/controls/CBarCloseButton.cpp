#include "CBarCloseButton.h"

#include <QPainter>
#include <QPalette>

void CBarCloseButton::Paint(QPainter& painter, const QPalette& palette) const {
    const QRect r = Rect();
    painter.save();
    if (pushed || raised) {
        const QColor light = palette.color(QPalette::Light);
        const QColor shadow = palette.color(QPalette::Dark);
        const QColor& topLeft = pushed ? shadow : light;
        const QColor& bottomRight = pushed ? light : shadow;
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    }
    // The cross, 2 pixels in from the frame.
    painter.setPen(QPen(palette.color(QPalette::ButtonText), 1.5));
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF cross = QRectF(r).adjusted(3, 3, -3, -3);
    painter.drawLine(cross.topLeft(), cross.bottomRight());
    painter.drawLine(cross.topRight(), cross.bottomLeft());
    painter.restore();
}
