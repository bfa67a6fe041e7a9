#pragma once
// CRasterTGA: Truevision Targa images. Reads types 1, 2, 3 (uncompressed colour-mapped,
// true-colour, grey) and 9, 10, 11 (their run-length coded forms) at 8, 15, 16, 24 and 32 bits
// per pixel, in either row order and column order; 15-, 16- and 32-bit colour pixels become
// 24-bit pixels, 32-bit files also an alpha plane; 16-bit grey pixels (grey, then alpha) become
// 8-bit grey pixels and an alpha plane. Writes uncompressed 8-bit colour-mapped files and
// 24-bit true-colour files (32 bits when the image has an alpha plane).
//
// Sizes are in pixels. File rows run bottom-up unless the descriptor says top-down; image rows
// are bottom-up.

#include <cstdint>

#include "CRaster.h"

class CRasterStream;

class CRasterTGA : public CRaster {
public:
    CRasterTGA() : CRaster(FORMAT_TGA) {}

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);

    // A run-length packet carried from one row into the next: its header with the count reduced
    // by the pixels already used, and for a repeat packet the pixel value it repeats.
    struct RlePacket {
        static constexpr int kNone = 255;
        int header = kNone;
        uint8_t value[4] = {};
    };

    // Reads one row of run-length packets into image row y (bottom-up), starting with the
    // carried packet and leaving the rest of a packet that runs past the row end in carry.
    // Throws a message text when the stream ends.
    void ReadRleLine(uint8_t* row, int depth, CRasterStream& stream, uint32_t width, uint32_t y,
                     RlePacket& carry);
    // Reads `count` uncompressed pixels into image row y from column x0 on; row points at
    // column x0. Throws a message text when the stream ends.
    void ReadRawLine(uint8_t* row, int depth, CRasterStream& stream, uint32_t count, uint32_t y,
                     uint32_t x0);

private:
    void DecodeOrThrow(CRasterStream& stream);
    void EncodeOrThrow(CRasterStream& stream);
    // Stores one file pixel of the given depth at column x of image row y.
    void StorePixel(uint8_t* dst, const uint8_t* src, int depth, uint32_t x, uint32_t y);

    // The 16-bit pixels of the file being decoded are grey and alpha, not 5-5-5 colour.
    bool m_greyAlpha = false;
};
