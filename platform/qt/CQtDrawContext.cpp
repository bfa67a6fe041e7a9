#include "CQtDrawContext.h"

#include <QImage>
#include <QPaintDevice>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstring>
#include <iterator>

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
};

// Converts bitmap rows into 32-bit pixels; an index beyond the palette gives black.
class RowConverter {
public:
    explicit RowConverter(const DibLayout& dib) : m_bpp(dib.bpp) {
        if (m_bpp == 24) return;
        std::fill(std::begin(m_colors), std::end(m_colors), qRgb(0, 0, 0));
        for (uint32_t i = 0; i < dib.colors; ++i) {
            const uint8_t* e = dib.palette + 4 * i;
            m_colors[i] = qRgb(e[2], e[1], e[0]);
        }
    }

    // Columns first .. first + count - 1 of the row.
    void Convert(const uint8_t* row, int32_t first, int32_t count, QRgb* out) const {
        switch (m_bpp) {
            case 24:
                Convert24(row + size_t(first) * 3, count, out);
                break;
            case 8:
                for (int32_t c = 0; c < count; ++c) out[c] = m_colors[row[first + c]];
                break;
            case 4:
                for (int32_t c = 0, x = first; c < count; ++c, ++x) {
                    const uint8_t pair = row[x >> 1];
                    out[c] = m_colors[(x & 1) ? (pair & 0x0F) : (pair >> 4)];
                }
                break;
            default:
                for (int32_t c = 0, x = first; c < count; ++c, ++x) {
                    out[c] = m_colors[(row[x >> 3] >> (7 - (x & 7))) & 1];
                }
                break;
        }
    }

private:
    // Four pixels at a time from three words: b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3; the
    // alpha byte covers the neighbour's byte that each shift leaves on top.
    static void Convert24(const uint8_t* p, int32_t count, QRgb* out) {
        constexpr QRgb kOpaque = 0xFF000000u;
        int32_t c = 0;
        for (; c + 4 <= count; c += 4, p += 12) {
            const uint32_t w0 = ReadU32(p), w1 = ReadU32(p + 4), w2 = ReadU32(p + 8);
            out[c] = kOpaque | w0;
            out[c + 1] = kOpaque | w0 >> 24 | w1 << 8;
            out[c + 2] = kOpaque | w1 >> 16 | w2 << 16;
            out[c + 3] = kOpaque | w2 >> 8;
        }
        for (; c < count; ++c, p += 3) out[c] = qRgb(p[2], p[1], p[0]);
    }

    uint32_t m_bpp;
    QRgb m_colors[256] = {};
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
    const auto* rows = static_cast<const uint8_t*>(bits);
    const RowConverter converter(dib);
    // Block line `line` from the top is bitmap row h - 1 - line.
    const auto blockLine = [&](int32_t line) { return rows + size_t(h - 1 - line) * dib.stride; };

    QRect area;
    if (QImage* device = DirectTarget(area)) {
        // Painting an opaque image here would copy its pixels: convert straight into the device.
        const int32_t left = static_cast<int32_t>(std::max<int64_t>(x, area.left()));
        const int32_t top = static_cast<int32_t>(std::max<int64_t>(y, area.top()));
        const int32_t right =
            static_cast<int32_t>(std::min<int64_t>(int64_t{x} + w, area.right() + 1));
        const int32_t bottom =
            static_cast<int32_t>(std::min<int64_t>(int64_t{y} + h, area.bottom() + 1));
        if (right <= left || bottom <= top) return;
        uchar* deviceBits = device->bits();
        const qsizetype deviceStride = device->bytesPerLine();
        for (int32_t line = top; line < bottom; ++line) {
            auto* out = reinterpret_cast<QRgb*>(deviceBits + line * deviceStride) + left;
            converter.Convert(blockLine(static_cast<int32_t>(int64_t{line} - y)),
                              static_cast<int32_t>(int64_t{left} - x), right - left, out);
        }
        return;
    }
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull()) return;
    for (int32_t line = 0; line < h; ++line) {
        converter.Convert(blockLine(line), 0, w, reinterpret_cast<QRgb*>(image.scanLine(line)));
    }
    m_painter.drawImage(QPoint(x, y), image);
}

QImage* CQtDrawContext::DirectTarget(QRect& area) const {
    QPaintDevice* device = m_painter.device();
    if (!device || device->devType() != QInternal::Image) return nullptr;
    auto* image = static_cast<QImage*>(device);
    switch (image->format()) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
            break;
        default:
            return nullptr;
    }
    const QPainter::CompositionMode mode = m_painter.compositionMode();
    if (!m_painter.deviceTransform().isIdentity() || m_painter.opacity() != 1.0 ||
        (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source))
        return nullptr;
    area = image->rect();
    if (m_painter.hasClipping()) {
        const QRegion clip = m_painter.clipRegion();
        if (clip.rectCount() > 1) return nullptr;
        area &= clip.boundingRect();
    }
    return image;
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
