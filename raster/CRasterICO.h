#pragma once
// CRasterICO: Windows icon files. Reads one image of an icon file, the one whose number is the
// wanted frame (the frame count becomes the directory's count): uncompressed device-independent
// bitmaps of 1, 4, 8, 24 and 32 bits; the AND mask becomes a transparent index (palette images
// with an unused index), a transparent colour (24-bit images whose masked pixels share one
// colour) or the alpha plane. Writes a file with one image of at most 255 × 255 pixels, 24-bit
// images with an alpha plane at 32 bits, and builds the AND mask from alpha and transparency.
//
// Sizes are in pixels; bitmap and mask rows are bottom-up like the image's rows.

#include <cstdint>

#include "CRaster.h"

class CRasterStream;

class CRasterICO : public CRaster {
public:
    CRasterICO() : CRaster(FORMAT_ICO) {}

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);

private:
    void DecodeOrThrow(CRasterStream& stream);
    void EncodeOrThrow(CRasterStream& stream);
    // Turns the AND mask (1 = transparent) into transparency as the class comment says; an
    // alpha plane present already came from a 32-bit bitmap.
    void ApplyMask(const uint8_t* mask, uint32_t maskRowBytes);
    bool IsMasked(uint32_t x, uint32_t y) const;
};
