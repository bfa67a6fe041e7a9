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
#include <new>

#include "CDrawContext.h"
#include "CRaster.h"

namespace {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

template <typename T>
std::unique_ptr<T, FreeDeleter> AllocateZeroed(size_t count, size_t size) {
    return std::unique_ptr<T, FreeDeleter>(static_cast<T*>(std::calloc(count, size)));
}

// Rows of the visible part are resampled and blended a band at a time, so that the off-screen
// bitmap stays small however large the target rectangle is.
constexpr size_t kBandBytes = size_t{1} << 20;

// A bottom-up 24-bit bitmap of one band of the visible part of the target rectangle.
struct OffscreenBitmap {
    BITMAPINFOHEADER header{};
    std::unique_ptr<uint8_t, FreeDeleter> rows;
    size_t stride = 0;

    bool Create(int32_t width, int32_t height) {
        if (width <= 0 || height <= 0) return false;
        stride = ((size_t(width) * 24 + 31) / 32) * 4;
        if (uint64_t{stride} * uint64_t(height) > RASTER_MAX_MEMORY) return false;
        rows = AllocateZeroed<uint8_t>(size_t(height), stride);
        if (!rows) return false;
        header.biSize = sizeof(BITMAPINFOHEADER);
        header.biWidth = width;
        header.biPlanes = 1;
        header.biBitCount = 24;
        SetHeight(height);
        return true;
    }
    // The band's row count, at most the height it was created with.
    void SetHeight(int32_t height) {
        header.biHeight = height;
        header.biSizeImage = static_cast<uint32_t>(stride * size_t(height));
    }
    uint8_t* Row(int32_t r) const { return rows.get() + size_t(r) * stride; }
};

CDrawContext::Rect ToContextRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// The colour of a source pixel: the palette entry with its fourth byte, or blue, green, red
// and 0.
RGBQUAD SourceColor(const CRaster& image, int32_t col, int32_t row) {
    if (image.GetNumColors()) return image.GetPaletteColor(image.GetPixelIndex(col, row));
    const uint8_t* p = image.GetBits(0) + size_t(row) * image.GetRowStride() + size_t(col) * 3;
    return RGBQUAD{p[0], p[1], p[2], 0};
}

// Path b for one band: the source colour of every band pixel.
void ResampleBand(const CRaster& image, const OffscreenBitmap& off, int32_t rows,
                  const int32_t* srcCol, const int32_t* srcRow) {
    const int32_t w = off.header.biWidth;
    for (int32_t r = 0; r < rows; ++r) {
        uint8_t* out = off.Row(r);
        for (int32_t c = 0; c < w; ++c, out += 3) {
            const RGBQUAD color = SourceColor(image, srcCol[c], srcRow[r]);
            out[0] = color.rgbBlue;
            out[1] = color.rgbGreen;
            out[2] = color.rgbRed;
        }
    }
}

// Path c for one band: blends every band pixel over the device's content already in it.
void BlendBand(const CRaster& image, const OffscreenBitmap& off, int32_t rows,
               const int32_t* srcCol, const int32_t* srcRow) {
    const int32_t width = static_cast<int32_t>(image.GetWidth());
    const int32_t w = off.header.biWidth;
    const uint8_t* alpha = image.GetAlphaPointer();
    const bool paletteAlpha = image.IsPaletteAlphaEnabled() && image.GetNumColors() != 0;
    const bool transparent = image.GetTransIndex() != -1;
    const RGBQUAD transColor = image.GetTransparentColor();
    const uint32_t alphaMax = uint32_t{image.GetAlphaMax()} + 1;
    for (int32_t r = 0; r < rows; ++r) {
        uint8_t* out = off.Row(r);
        const int32_t row = srcRow[r];
        for (int32_t c = 0; c < w; ++c, out += 3) {
            const int32_t col = srcCol[c];
            uint32_t a = alpha ? alpha[size_t(col) + size_t(row) * size_t(width)] : 255;
            a = (a * alphaMax) >> 8;
            const RGBQUAD color = SourceColor(image, col, row);
            if (paletteAlpha) a = (a * (uint32_t{color.rgbReserved} + 1)) >> 8;
            if ((transparent && color == transColor) || a == 0) continue;
            if (a == 255) {
                out[0] = color.rgbBlue;
                out[1] = color.rgbGreen;
                out[2] = color.rgbRed;
                continue;
            }
            out[0] = static_cast<uint8_t>((out[0] * (255 - a) + color.rgbBlue * a) >> 8);
            out[1] = static_cast<uint8_t>((out[1] * (255 - a) + color.rgbGreen * a) >> 8);
            out[2] = static_cast<uint8_t>((out[2] * (255 - a) + color.rgbRed * a) >> 8);
        }
    }
}

// Paths b and c: resamples (and for !opaque blends) the part of the target rectangle x, y,
// cx × cy that lies in the device's clip box, and puts it to the device band by band. A visible
// part that is empty or cannot be allocated is not put to the device.
void DrawVisiblePart(const CRaster& image, CDrawContext& dc, int32_t x, int32_t y, int32_t cx,
                     int32_t cy, bool opaque) {
    const int32_t width = static_cast<int32_t>(image.GetWidth());
    const int32_t height = static_cast<int32_t>(image.GetHeight());
    const CDrawContext::Rect box = dc.GetClipBox();
    const int32_t left = std::min(std::max(x, box.left), box.right);
    const int32_t right = static_cast<int32_t>(
        std::max<int64_t>(std::min<int64_t>(int64_t{x} + cx, box.right), box.left));
    const int32_t top = std::min(std::max(y, box.top), box.bottom);
    const int32_t bottom = static_cast<int32_t>(
        std::max<int64_t>(std::min<int64_t>(int64_t{y} + cy, box.bottom), box.top));
    const int32_t w = right - left;
    const int32_t h = bottom - top;
    if (w <= 0 || h <= 0) return;

    auto srcCol = AllocateZeroed<int32_t>(size_t(w), sizeof(int32_t));
    auto srcRow = AllocateZeroed<int32_t>(size_t(h), sizeof(int32_t));
    if (!srcCol || !srcRow) return;

    // Source column of each visible column and source row (bottom-up) of each visible row, 0
    // being the bottom one. The scale factors are single-precision; the clamps keep the
    // rounding of huge targets inside the image.
    const bool direct = !opaque && cx == width && cy == height;
    const float sx = static_cast<float>(width) / static_cast<float>(cx);
    const float sy = static_cast<float>(height) / static_cast<float>(cy);
    for (int32_t c = 0; c < w; ++c) {
        const int64_t v =
            direct
                ? int64_t{left} - x + c
                : static_cast<int64_t>(std::floor(static_cast<float>(int64_t{c} + left - x) * sx));
        srcCol.get()[c] = static_cast<int32_t>(std::clamp<int64_t>(v, 0, width - 1));
    }
    for (int32_t r = 0; r < h; ++r) {
        const int64_t v = direct ? int64_t{height} - bottom + y + r
                                 : height - static_cast<int64_t>(std::ceil(
                                                static_cast<float>(int64_t{bottom} - r - y) * sy));
        srcRow.get()[r] = static_cast<int32_t>(std::clamp<int64_t>(v, 0, height - 1));
    }

    const size_t stride = ((size_t(w) * 24 + 31) / 32) * 4;
    const int32_t bandRows =
        static_cast<int32_t>(std::clamp<size_t>(kBandBytes / stride, 1, size_t(h)));
    OffscreenBitmap off;
    if (!off.Create(w, bandRows)) return;
    for (int32_t bandTop = top; bandTop < bottom; bandTop += bandRows) {
        const int32_t rows = std::min(bandRows, bottom - bandTop);
        off.SetHeight(rows);
        // Band row 0 is the band's bottom line, visible row bottom - bandTop - rows.
        const int32_t* bandSrcRow = srcRow.get() + (bottom - bandTop - rows);
        if (opaque) {
            ResampleBand(image, off, rows, srcCol.get(), bandSrcRow);
        } else {
            // A device that cannot be read back leaves a black background to blend over.
            std::memset(off.rows.get(), 0, off.stride * size_t(rows));
            dc.ReadRows(left, bandTop, w, rows, off.rows.get(), off.stride);
            BlendBand(image, off, rows, srcCol.get(), bandSrcRow);
        }
        dc.PutDibRows(left, bandTop, w, rows, &off.header, off.rows.get());
    }
}

}  // namespace

bool CRaster::IsOpaque() const {
    return m_info.nBkgndIndex == -1 && !m_pAlpha && !m_info.bAlphaPaletteEnabled;
}

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
    if (cx < 0) cx = m_head.biWidth;
    if (cy < 0) cy = m_head.biHeight;
    // An image of zero size has nothing to show; the device stays as it is.
    if (m_head.biWidth <= 0 || m_head.biHeight <= 0) return true;

    const bool opaque = IsOpaque();

    CDrawContext::Rect previousClip{};
    if (clip) {
        previousClip = dc->GetClipBox();
        dc->IntersectClip(ToContextRect(*clip));
    }
    if (opaque && cx == m_head.biWidth && cy == m_head.biHeight) {
        // The bitmap block goes to the device as it is, without a copy.
        dc->PutDibRows(x, y, cx, cy, m_pDib, m_info.pImage);
    } else {
        DrawVisiblePart(*this, *dc, x, y, cx, cy, opaque);
    }
    if (clip) dc->UniteClip(previousClip);
    return true;
}
