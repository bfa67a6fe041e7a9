#pragma once
// The drawing context over a QPainter. Painter coordinates are taken as device pixels (no world
// transform). Only a QImage device can be read back for blending.

#include "CDrawContext.h"

class QImage;
class QPainter;
class QRect;

class CQtDrawContext final : public CDrawContext {
public:
    explicit CQtDrawContext(QPainter& painter) : m_painter(painter) {}

    Rect GetClipBox() const override;
    void IntersectClip(const Rect& rect) override;
    void UniteClip(const Rect& rect) override;
    void PutDibRows(int32_t x, int32_t y, int32_t width, int32_t height, const void* bitmapInfo,
                    const void* bits) override;
    bool ReadRows(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rows,
                  size_t stride) const override;

private:
    // The painter's image when rows can be written into it directly, with the part they may go
    // to: a 32-bit image painted without transform, opacity or a blending mode and clipped at
    // most to one rectangle, where drawing an opaque image copies its pixels.
    QImage* DirectTarget(QRect& area) const;

    QPainter& m_painter;
};
