#pragma once
// CRasterWBMP: wireless bitmaps of type 0. One bit per pixel, rows from the top, each
// (width + 7) / 8 bytes, most significant bit the leftmost pixel, 1 white and 0 black.
// Width and height are stored as WBMP multi-byte integers (7 bits per byte, high bit set on all
// but the last byte); files whose width and height are single bytes of 128 or more, as older
// writers stored them, are recognised by their exact length. The writer takes only 1-bit images
// of at most 255 × 255 pixels.
//
// Sizes are in pixels; image rows are bottom-up.

#include <cstdint>

#include "CRaster.h"

class CRasterStream;

class CRasterWBMP : public CRaster {
public:
    CRasterWBMP() : CRaster(FORMAT_WBMP) {}

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);

private:
    void DecodeOrThrow(CRasterStream& stream);
    void EncodeOrThrow(CRasterStream& stream);
};
