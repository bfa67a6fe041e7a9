#pragma once
// CRasterJasPer: the JPEG-2000 family, one class for five format ids: JP2 files (10) and
// JPEG-2000 code streams (11) over OpenJPEG, and PGX (12), PNM (13: PBM, PGM, PPM, binary and
// ASCII, up to 16 bits) and Sun raster (14) read and written by the project's own code.
//
// Decode detects the format from the stream and stamps the given id on the image (the
// detected one when the id is 0). Three equal components become a 24-bit image; otherwise each
// component is a frame, decoded as a grey image. Samples other than unsigned 1, 4 or 8 bits are
// first converted to 8-bit sRGB. Encode writes grey (identity-ramp palette) images as one
// component and all others as red, green and blue, 8 bits each; the JPEG quality / 100 is the
// JPEG-2000 rate (the compressed share of the raw size), 0 and 1 or more meaning lossless.

#include <cstdint>

#include "CRaster.h"

class CRasterJasPer : public CRaster {
public:
    CRasterJasPer();

    bool Decode(CRasterStream* stream, uint32_t imageType);
    bool Encode(CRasterStream* stream, uint32_t imageType);
};
