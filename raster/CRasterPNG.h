#pragma once
// CRasterPNG: the PNG format class (format id FORMAT_PNG) over libpng 1.6.
// Decoding gives 1-, 4- (also for 2-bit files) and 8-bit palette or grey images and 24-bit
// blue-green-red images; files with an alpha channel (8-bit RGBA, 16-bit grey with alpha) get
// an alpha plane, other transparency is composited against the file's background or light grey.
// 16-bit samples are cut to 8 bits. DPI comes from the pHYs chunk (0 without one).
// Encoding writes palette images as palette PNGs (8-bit grey too), 24-bit images as RGB and
// images with an alpha plane as 8-bit RGBA; the resolution goes into pHYs in pixels per metre.

#include "CRaster.h"

class CRasterStream;

class CRasterPNG : public CRaster {
public:
    CRasterPNG();

    bool Decode(CRasterStream* stream);
    // Saving a palette image whose transparent index is not 0 renumbers its palette and pixels
    // so that the transparent colour becomes entry 0, in the caller's image too.
    bool Encode(CRasterStream* stream);

    // Widens a row of 2-bit pixels into 4-bit pixels in place (leftmost pixel in the highest
    // bits); the buffer must hold (width + 1) / 2 bytes.
    static void Widen2BitTo4Bit(uint8_t* row, uint32_t width);
};
