#include "CZoomPickerCtrl.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "CMeasureCursors.h"
#include "CPostedEvents.h"
#include "CommandIds.h"
#include "UserInterface.h"

namespace {

int Trunc(double v) { return static_cast<int>(v); }

}  // namespace

CZoomPickerCtrl::CZoomPickerCtrl(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("1000"));
    setMouseTracking(true);
    setCursor(CMeasureCursors::Cursor(CMeasureCursors::kPick));
}

int CZoomPickerCtrl::SetSource(const QImage* bitmap, int left, int top, int right, int bottom,
                               double factor, int width, int height) {
    if (right - left <= 0 || bottom - top <= 0) {
        ui::MessageId(10073);
        return 0;
    }
    m_bitmap = bitmap;
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    m_factor = factor;
    m_bitmapWidth = width;
    m_bitmapHeight = height;
    m_initialised = false;
    return 1;
}

void CZoomPickerCtrl::SetTextStatics(QLabel* xText, QLabel* yText, QLabel* ratioText) {
    m_xText = xText;
    m_yText = yText;
    m_ratioText = ratioText;
}

void CZoomPickerCtrl::InitialiseScale() {
    if (m_initialised) return;
    m_initialised = true;
    const double cw = width(), ch = height();
    const int rw = m_right - m_left, rh = m_bottom - m_top;
    if (rw <= 0 || rh <= 0) return;
    const double sx = (cw + 1) / (rw + 1), sy = (ch + 1) / (rh + 1);
    if (sx > sy) {
        // Too narrow for the control: widen the region about its centre.
        m_left -= Trunc((rw + 2) * (sx / sy - 1) / 2);
        m_right = m_left + Trunc((rw + 2) * sx / sy);
        m_scaleY = sy;
        m_scaleX = (cw + 1) / (m_right - m_left + 1);
    } else {
        // Too low: heighten it. The scale is that of the stretched copy below ((new height + 1)
        // rows onto ch + 1), so that a click picks the pixel that is drawn under it.
        m_top -= Trunc((sy / sx - 1) * rh / 2);
        m_bottom = m_top + Trunc(sy / sx * rh);
        m_scaleX = sx;
        m_scaleY = (ch + 1) / (m_bottom - m_top + 1);
    }
    if (m_ratioText)
        m_ratioText->setText(QString::asprintf("%5.1f : 1", (m_scaleX + m_scaleY) / 2));
}

void CZoomPickerCtrl::paintEvent(QPaintEvent*) {
    InitialiseScale();
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (!m_bitmap || m_bitmap->isNull()) return;
    const int cw = width(), ch = height();
    int dstX = 0, dstY = 0, dstW = cw + 1, dstH = ch + 1;
    int srcX = m_left, srcY = m_top, srcW = m_right - m_left + 1, srcH = m_bottom - m_top + 1;
    // The widened region may reach past the bitmap on any side: copy only what exists.
    if (srcX < 0) {
        const int shift = Trunc(-srcX * m_scaleX);
        dstX = shift;
        dstW -= shift;
        srcW += srcX;
        srcX = 0;
    }
    if (srcY < 0) {
        const int shift = Trunc(-srcY * m_scaleY);
        dstY = shift;
        dstH -= shift;
        srcH += srcY;
        srcY = 0;
    }
    if (const int e = srcX + srcW - m_bitmapWidth; e > 0) {
        srcW -= e;
        dstW -= Trunc(e * m_scaleX);
    }
    if (const int e = srcY + srcH - m_bitmapHeight; e > 0) {
        srcH -= e;
        dstH -= Trunc(e * m_scaleY);
    }
    if (srcW <= 0 || srcH <= 0 || dstW <= 0 || dstH <= 0) return;
    // A pixel more on every side: the scaler's rounding may reach just past the source.
    if (m_prepare) m_prepare(QRect(srcX - 1, srcY - 1, srcW + 2, srcH + 2));
    painter.drawImage(QRect(dstX, dstY, dstW, dstH), *m_bitmap, QRect(srcX, srcY, srcW, srcH));
}

void CZoomPickerCtrl::ClearTexts() {
    if (m_xText) m_xText->clear();
    if (m_yText) m_yText->clear();
}

void CZoomPickerCtrl::mouseMoveEvent(QMouseEvent* event) {
    InitialiseScale();
    const QPoint mouse = event->position().toPoint();
    if (!rect().contains(mouse)) {
        releaseMouse();
        ClearTexts();
        return;
    }
    if (m_xText && m_yText && m_scaleX != 0 && m_scaleY != 0) {
        m_xText->setText(QString::asprintf("%f", (m_left + mouse.x() / m_scaleX - 0.5) * m_factor));
        m_yText->setText(QString::asprintf("%f", (m_top + mouse.y() / m_scaleY - 0.5) * m_factor));
    }
}

void CZoomPickerCtrl::leaveEvent(QEvent*) { ClearTexts(); }

void CZoomPickerCtrl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    InitialiseScale();
    releaseMouse();
    if (m_scaleX == 0 || m_scaleY == 0) return;
    const QPoint mouse = event->position().toPoint();
    const double dx = m_left + mouse.x() / m_scaleX;
    const double dy = m_top + mouse.y() / m_scaleY;
    // The white margin beside the bitmap holds no image position.
    if (dx < 0 || dy < 0 || dx >= m_bitmapWidth || dy >= m_bitmapHeight) return;
    m_pickedX = (dx - 0.5) * m_factor;
    m_pickedY = (dy - 0.5) * m_factor;
    PostMessageTo(parentWidget(), msg::WM_APP_POINT_PICKED, 0, 0);
}
