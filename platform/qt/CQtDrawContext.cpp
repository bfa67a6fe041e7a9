#include "CQtDrawContext.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstring>

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

// The header fields a bitmap needs to be drawn, checked for sense.
struct DibLayout {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t bpp = 0;
    uint32_t colors = 0;
    const uint8_t* palette = nullptr;
    size_t stride = 0;

    bool Parse(const void* info) {
        const auto* p = static_cast<const uint8_t*>(info);
        const uint32_t size = ReadU32(p);
        width = static_cast<int32_t>(ReadU32(p + 4));
        height = static_cast<int32_t>(ReadU32(p + 8));
        bpp = uint32_t{p[14]} | uint32_t{p[15]} << 8;
        colors = ReadU32(p + 32);
        if (size < 40 || width <= 0 || height <= 0) return false;
        if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24) return false;
        if (bpp < 24 && colors == 0) colors = 1u << bpp;
        if (colors > 256) return false;
        palette = p + size;
        stride = ((size_t(width) * bpp + 31) / 32) * 4;
        return true;
    }

    QRgb Pixel(const uint8_t* row, int32_t x) const {
        uint32_t index;
        switch (bpp) {
            case 24: {
                const uint8_t* q = row + size_t(x) * 3;
                return qRgb(q[2], q[1], q[0]);
            }
            case 8:
                index = row[x];
                break;
            case 4:
                index = (x & 1) ? (row[x >> 1] & 0x0F) : (row[x >> 1] >> 4);
                break;
            default:
                index = (row[x >> 3] >> (7 - (x & 7))) & 1;
                break;
        }
        if (index >= colors) return qRgb(0, 0, 0);
        const uint8_t* e = palette + 4 * index;
        return qRgb(e[2], e[1], e[0]);
    }
};

QRect ToQRect(const CDrawContext::Rect& r) {
    if (r.right <= r.left || r.bottom <= r.top) return QRect();
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QRect DeviceRect(const QPainter& painter) {
    const QPaintDevice* device = painter.device();
    return device ? QRect(0, 0, device->width(), device->height()) : QRect();
}

}  // namespace

CDrawContext::Rect CQtDrawContext::GetClipBox() const {
    QRect box = DeviceRect(m_painter);
    if (m_painter.hasClipping()) box &= m_painter.clipBoundingRect().toAlignedRect();
    if (box.isEmpty()) return Rect{0, 0, 0, 0};
    return Rect{box.left(), box.top(), box.right() + 1, box.bottom() + 1};
}

void CQtDrawContext::IntersectClip(const Rect& rect) {
    const QRect r = ToQRect(rect);
    if (m_painter.hasClipping()) {
        m_painter.setClipRect(r, Qt::IntersectClip);
    } else {
        m_painter.setClipRect(r & DeviceRect(m_painter), Qt::ReplaceClip);
    }
}

void CQtDrawContext::UniteClip(const Rect& rect) {
    // Without clipping everything is reachable already.
    if (!m_painter.hasClipping()) return;
    m_painter.setClipRegion(m_painter.clipRegion().united(QRegion(ToQRect(rect))));
}

void CQtDrawContext::PutDibRows(int32_t x, int32_t y, int32_t width, int32_t height,
                                const void* bitmapInfo, const void* bits) {
    DibLayout dib;
    if (!bitmapInfo || !bits || !dib.Parse(bitmapInfo)) return;
    const int32_t w = std::min(width, dib.width);
    const int32_t h = std::min(height, dib.height);
    if (w <= 0 || h <= 0) return;
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) return;
    const auto* rows = static_cast<const uint8_t*>(bits);
    for (int32_t line = 0; line < h; ++line) {
        const uint8_t* src = rows + size_t(h - 1 - line) * dib.stride;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(line));
        for (int32_t c = 0; c < w; ++c) out[c] = dib.Pixel(src, c);
    }
    m_painter.drawImage(QPoint(x, y), image);
}

bool CQtDrawContext::ReadRows(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rows,
                              size_t stride) const {
    QPaintDevice* device = m_painter.device();
    if (!device || device->devType() != QInternal::Image || !rows) return false;
    if (width <= 0 || height <= 0) return true;
    const auto* target = static_cast<const QImage*>(device);
    const QRect wanted(x, y, width, height);
    const QRect have = wanted & DeviceRect(m_painter);
    if (have.isEmpty()) return true;
    const QImage part = target->copy(have).convertToFormat(QImage::Format_RGB32);
    for (int32_t line = 0; line < part.height(); ++line) {
        const auto* src = reinterpret_cast<const QRgb*>(part.constScanLine(line));
        // Device line have.top() + line is rectangle line (have.top() - y + line) from the top.
        const int32_t fromTop = have.top() - y + line;
        uint8_t* out = rows + size_t(height - 1 - fromTop) * stride + size_t(have.left() - x) * 3;
        for (int32_t c = 0; c < part.width(); ++c, out += 3) {
            out[0] = static_cast<uint8_t>(qBlue(src[c]));
            out[1] = static_cast<uint8_t>(qGreen(src[c]));
            out[2] = static_cast<uint8_t>(qRed(src[c]));
        }
    }
    return true;
}
