#include "CDistortionGridCtrl.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "CDistortionCalibration.h"

namespace {

// One displaced grid point, clamped and with its fraction dropped; false when not finite.
bool Displaced(double x, double y, double dx, double dy, int factor, QPoint& point) {
    const double px = x - factor * dx;
    const double py = y - factor * dy;
    if (!std::isfinite(px) || !std::isfinite(py)) return false;
    const double limit = CDistortionGridCtrl::kCoordinateLimit;
    point = QPoint(int(std::clamp(px, -limit, limit)), int(std::clamp(py, -limit, limit)));
    return true;
}

}  // namespace

CDistortionGridCtrl::CDistortionGridCtrl(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setAutoFillBackground(false);
}

CDistortionGridCtrl::Lines CDistortionGridCtrl::BuildLines(int width, int height) const {
    Lines lines;
    if (!m_calibration || m_calibration->GetParameters().m_valid == 0) return lines;
    if (m_gridParameter < 1) return lines;
    const int q = 3 * m_gridParameter;
    const int halfW = width / 2, halfH = height / 2;
    const int remX = halfW % q, remY = halfH % q;
    const int left = remX + 2 * q, right = width - remX - 2 * q;
    const int top = remY + 2 * q, bottom = height - remY - 2 * q;
    m_calibration->SetImageRange(left, top, right, bottom);

    // Walks one line; outer fixed, inner running from first to last.
    auto walk = [&](bool horizontal, int fixed, int first, int last, std::vector<Polyline>& out) {
        Polyline line;
        for (int run = first; run <= last; run += q) {
            const int x = horizontal ? run : fixed;
            const int y = horizontal ? fixed : run;
            double dx = 0.0, dy = 0.0;
            m_calibration->ComputeCorrection(x, y, 0, dx, dy);
            QPoint point;
            if (Displaced(x, y, dx, dy, m_factor, point)) {
                line.push_back(point);
            } else if (!line.empty()) {
                out.push_back(std::move(line));
                line.clear();
            }
        }
        if (!line.empty()) out.push_back(std::move(line));
    };
    for (int y = top; y <= bottom; y += q) walk(true, y, left, right, lines.horizontal);
    for (int x = left; x <= right; x += q) walk(false, x, top, bottom, lines.vertical);
    return lines;
}

void CDistortionGridCtrl::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRect client = contentsRect();
    QPainter painter(this);
    painter.fillRect(client, QColor(255, 255, 255));
    painter.setClipRect(client.adjusted(2, 2, -2, -2));
    painter.translate(client.topLeft());
    painter.setPen(QPen(Qt::black, 0));
    const Lines lines = BuildLines(client.width(), client.height());
    for (const auto* group : {&lines.horizontal, &lines.vertical}) {
        for (const Polyline& line : *group) {
            if (line.size() == 1)
                painter.drawPoint(line.front());
            else
                painter.drawPolyline(line.data(), int(line.size()));
        }
    }
}
