#pragma once
// CDrawContext: the drawing device that images are painted into (a window, a display bitmap).
//
// Coordinates are device pixels, x to the right and y downwards, origin at the device's top-left
// corner. Rectangles include left and top and exclude right and bottom.
//
// Pixel blocks cross this interface as Windows device-independent bitmaps: a 40-byte bitmap
// header (little-endian fields: size, width, height > 0, planes, bit count 1, 4, 8 or 24, ...,
// colours used at byte 32), then the palette (colours-used entries of blue, green, red, fourth
// byte), and separately the pixel rows, stored bottom-up and padded to a multiple of 4 bytes.

#include <cstddef>
#include <cstdint>

class CDrawContext {
public:
    struct Rect {
        int32_t left;
        int32_t top;
        int32_t right;
        int32_t bottom;
    };

    virtual ~CDrawContext() = default;

    // The smallest rectangle around the area that drawing can reach now: the clip region's
    // bounding box, limited to the device.
    virtual Rect GetClipBox() const = 0;
    // Limits the clip region to its intersection with the rectangle.
    virtual void IntersectClip(const Rect& rect) = 0;
    // Extends the clip region by the rectangle.
    virtual void UniteClip(const Rect& rect) = 0;

    // Puts the lowest `height` rows and leftmost `width` columns of the bitmap unscaled at
    // (x, y), the bitmap's row height - 1 being the top; parts beyond the bitmap are not drawn.
    // `bitmapInfo` is the header with its palette, `bits` the rows.
    virtual void PutDibRows(int32_t x, int32_t y, int32_t width, int32_t height,
                            const void* bitmapInfo, const void* bits) = 0;

    // Copies the device's current content of the rectangle at (x, y) of size width × height into
    // bottom-up 24-bit rows (blue, green, red) of `stride` bytes; row 0 receives the rectangle's
    // bottom line. Pixels that the device cannot supply are left as they are. False when the
    // device cannot be read back at all.
    virtual bool ReadRows(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t* rows,
                          size_t stride) const = 0;
};
