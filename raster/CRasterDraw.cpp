// Drawing of CRaster into a device through the drawing-context interface.
//
// Three paths: an unscaled opaque image hands its own bitmap block to the device; a scaled
// opaque image is resampled into a 24-bit off-screen bitmap that covers only the visible part;
// an image with a transparent colour, an alpha plane or palette alpha is blended over the
// device's current content of the visible part.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "CDrawContext.h"
#include "CRaster.h"

namespace {

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

// A bottom-up 24-bit bitmap of the visible part of the target rectangle.
struct OffscreenBitmap {
    BITMAPINFOHEADER header{};
    std::unique_ptr<uint8_t, FreeDeleter> rows;
    size_t stride = 0;

    bool Create(int32_t width, int32_t height) {
        if (width <= 0 || height <= 0) return false;
        stride = ((size_t(width) * 24 + 31) / 32) * 4;
        if (uint64_t{stride} * uint64_t(height) > RASTER_MAX_MEMORY) return false;
        rows.reset(static_cast<uint8_t*>(std::calloc(size_t(height), stride)));
        if (!rows) return false;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = width;
        header.biHeight = height;
        header.biPlanes = 1;
        header.biBitCount = 24;
        header.biSizeImage = static_cast<uint32_t>(stride * size_t(height));
        return true;
    }
    uint8_t* Row(int32_t r) const { return rows.get() + size_t(r) * stride; }
};

CDrawContext::Rect ToContextRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

}  // namespace

bool CRaster::Draw(CDrawContext* dc, const RECT& target, const RECT* clip) const {
    const int64_t cx = int64_t{target.right} - target.left;
    const int64_t cy = int64_t{target.bottom} - target.top;
    if (cx > INT32_MAX || cy > INT32_MAX || cx < INT32_MIN || cy < INT32_MIN) return false;
    return Draw(dc, target.left, target.top, static_cast<int32_t>(cx), static_cast<int32_t>(cy),
                clip);
}

bool CRaster::Draw(CDrawContext* dc, int32_t x, int32_t y, int32_t cx, int32_t cy,
                   const RECT* clip) const {
    if (!m_pDib || !dc || cx == 0 || cy == 0 || !m_info.bEnabled) return false;

    const int32_t width = m_head.biWidth;
    const int32_t height = m_head.biHeight;
    if (cx < 0) cx = width;
    if (cy < 0) cy = height;
    // An image of zero size has nothing to show; the device stays as it is.
    if (width <= 0 || height <= 0) return true;

    const bool transparent = m_info.nBkgndIndex != -1;
    const bool alphaPlane = m_pAlpha != nullptr;
    const bool paletteAlpha = m_info.bAlphaPaletteEnabled != 0;
    const bool opaque = !transparent && !alphaPlane && !paletteAlpha;
    const bool unscaled = cx == width && cy == height;

    CDrawContext::Rect previousClip{};
    if (clip) {
        previousClip = dc->GetClipBox();
        dc->IntersectClip(ToContextRect(*clip));
    }

    if (opaque && unscaled) {
        dc->PutDibRows(x, y, cx, cy, m_pDib, m_info.pImage);
    } else {
        // Visible part: the target rectangle inside the clip box.
        const CDrawContext::Rect box = dc->GetClipBox();
        const int64_t x1 = int64_t{x} + cx;
        const int64_t y1 = int64_t{y} + cy;
        const int32_t left = std::min(std::max(x, box.left), box.right);
        const int32_t right =
            static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(x1, box.right), box.left));
        const int32_t top = std::min(std::max(y, box.top), box.bottom);
        const int32_t bottom =
            static_cast<int32_t>(std::max<int64_t>(std::min<int64_t>(y1, box.bottom), box.top));
        const int32_t w = right - left;
        const int32_t h = bottom - top;

        OffscreenBitmap off;
        // A visible part that is empty or cannot be allocated is not copied to the device.
        if (off.Create(w, h)) {
            // Source column of each off-screen column and source row of each off-screen row
            // (bottom-up). Float scale factors as the resampling is specified; the clamps keep
            // rounding of huge targets inside the image.
            const float sx = static_cast<float>(width) / static_cast<float>(cx);
            const float sy = static_cast<float>(height) / static_cast<float>(cy);
            const bool direct = !opaque && unscaled;
            std::vector<int32_t> srcCol(static_cast<size_t>(w));
            std::vector<int32_t> srcRow(static_cast<size_t>(h));
            for (int32_t c = 0; c < w; ++c) {
                int64_t v;
                if (direct) {
                    v = int64_t{left} - x + c;
                } else {
                    v = static_cast<int64_t>(
                        std::floor(static_cast<float>(int64_t{c} + left - x) * sx));
                }
                srcCol[size_t(c)] = static_cast<int32_t>(std::clamp<int64_t>(v, 0, width - 1));
            }
            for (int32_t r = 0; r < h; ++r) {
                int64_t v;
                if (direct) {
                    v = int64_t{height} - bottom + y + r;
                } else {
                    v = height - static_cast<int64_t>(
                                     std::ceil(static_cast<float>(int64_t{bottom} - r - y) * sy));
                }
                srcRow[size_t(r)] = static_cast<int32_t>(std::clamp<int64_t>(v, 0, height - 1));
            }

            const bool palette = m_head.biClrUsed != 0;
            auto sourceColor = [&](int32_t col, int32_t row) {
                if (palette) return GetPaletteColor(GetPixelIndex(col, row));
                const uint8_t* p =
                    m_info.pImage + size_t(row) * m_info.dwEffWidth + size_t(col) * 3;
                return RGBQUAD{p[0], p[1], p[2], 0};
            };

            if (opaque) {
                for (int32_t r = 0; r < h; ++r) {
                    uint8_t* out = off.Row(r);
                    for (int32_t c = 0; c < w; ++c, out += 3) {
                        const RGBQUAD color = sourceColor(srcCol[size_t(c)], srcRow[size_t(r)]);
                        out[0] = color.rgbBlue;
                        out[1] = color.rgbGreen;
                        out[2] = color.rgbRed;
                    }
                }
            } else {
                dc->ReadRows(left, top, w, h, off.rows.get(), off.stride);
                const RGBQUAD transColor = GetTransparentColor();
                const uint32_t alphaMax = uint32_t{m_info.nAlphaMax} + 1;
                for (int32_t r = 0; r < h; ++r) {
                    uint8_t* out = off.Row(r);
                    const int32_t row = srcRow[size_t(r)];
                    for (int32_t c = 0; c < w; ++c, out += 3) {
                        const int32_t col = srcCol[size_t(c)];
                        uint32_t a =
                            alphaPlane ? m_pAlpha[size_t(col) + size_t(row) * size_t(width)] : 255;
                        a = (a * alphaMax) >> 8;
                        const RGBQUAD color = sourceColor(col, row);
                        if (palette && paletteAlpha)
                            a = (a * (uint32_t{color.rgbReserved} + 1)) >> 8;
                        if (transparent && color == transColor) continue;
                        if (a == 0) continue;
                        if (a == 255) {
                            out[0] = color.rgbBlue;
                            out[1] = color.rgbGreen;
                            out[2] = color.rgbRed;
                            continue;
                        }
                        out[0] =
                            static_cast<uint8_t>((out[0] * (255 - a) + color.rgbBlue * a) >> 8);
                        out[1] =
                            static_cast<uint8_t>((out[1] * (255 - a) + color.rgbGreen * a) >> 8);
                        out[2] = static_cast<uint8_t>((out[2] * (255 - a) + color.rgbRed * a) >> 8);
                    }
                }
            }
            dc->PutDibRows(left, top, w, h, &off.header, off.rows.get());
        }
    }

    if (clip) dc->UniteClip(previousClip);
    return true;
}
