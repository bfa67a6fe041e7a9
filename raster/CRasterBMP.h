#pragma once
// CRasterBMP: Windows device-independent bitmap files (".bmp"), and bare bitmap data that starts
// directly with an info header.
//
// Reads 1-, 4-, 8-bit (uncompressed, RLE8, RLE4), 16-bit (5-5-5 or bit fields), 24- and 32-bit
// files with bottom-up or top-down rows; 16- and 32-bit pixels become 24-bit images. A file cut
// inside its pixel data keeps what it holds, the rest of the pixels zero. Writes the image's
// own bitmap block: 1, 4, 8 or 24 bits, uncompressed, rows bottom-up and padded to 4 bytes. All
// values on file are little-endian.

#include <cstdint>

#include "CRaster.h"

class CRasterBMP : public CRaster {
public:
    CRasterBMP() : CRaster(FORMAT_BMP) {}

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);

    // Reads the info header at the stream's position into header and normalises it: a 12-byte
    // core header is widened to the 40-byte form, a zero biSizeImage and (up to 8 bits) a zero
    // biClrUsed are filled in. Longer headers are skipped past their first 40 bytes; when such a
    // header declares bit fields (16 or 32 bits), its red, green and blue masks (header bytes
    // 40..51) go to masks, if given. False for a null argument, a short read or a refused
    // header. Leaves the stream directly behind the header on file. ICO images reuse it.
    static bool ReadInfoHeader(CRasterStream* stream, BITMAPINFOHEADER* header,
                               uint32_t* masks = nullptr);

    // Row stride in bytes of bpp × width pixels padded to 4 bytes, or 0 for sizes that are no
    // image (non-positive width, more than 64 bits per pixel, stride above 2^31).
    static uint32_t StrideFor(int64_t width, uint32_t bpp);

private:
    // Each returns null on success, else the error text.
    const char* DecodeBody(CRasterStream* stream);
    const char* DecodeRle(CRasterStream* stream, bool fourBit);
};
