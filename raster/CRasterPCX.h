#pragma once
// CRasterPCX: run-length coded PCX images (ZSoft). Reads palette images of 1 bit in 1 to 4
// planes, 1, 2, 4 or 8 bits packed in one plane, and 24-bit images stored as 3 planes of 8 bits
// (a fourth plane becomes the alpha plane). Writes 1-bit images as 1 plane, 4-bit images as
// 4 planes of 1 bit, 8-bit images with the 256-colour trailer and 24-bit images as 3 or 4 planes.
//
// Sizes are in pixels; file rows run top-down and are stored into the image's bottom-up rows.

#include <cstddef>
#include <cstdint>

#include "CRaster.h"

class CRasterStream;

class CRasterPCX : public CRaster {
public:
    CRasterPCX() : CRaster(FORMAT_PCX) {}

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);

    // State of the streaming run-length writer; a fresh state starts every plane line.
    struct RleState {
        int last = 0;
        int count = 0;
    };
    // End-of-line values for PutRleByte: they never equal a byte and flush the pending run;
    // kRleEndOdd also writes one 0 byte, padding an odd-width line to the even line length.
    static constexpr int kRleEndEven = -1;
    static constexpr int kRleEndOdd = -2;

    // 1-bit planes of one line to one index byte per pixel (8 × bytesPerLine bytes written).
    // Throws a message text for more than 4 planes or more than 1 bit per pixel.
    static void PlanesToPixels(uint8_t* line, const uint8_t* planeData, uint32_t bytesPerLine,
                               int planes, int bitsPerPixel);
    // Packed pixels of one plane to one index byte per pixel. Throws a message text for more
    // than 1 plane; depths other than 1, 2, 4 and 8 leave the line untouched.
    static void UnpackPixels(uint8_t* line, const uint8_t* data, uint32_t bytesPerLine, int planes,
                             int bitsPerPixel);
    // Feeds one byte (or an end-of-line value) to the run-length writer. False when the stream
    // refuses a byte.
    static bool PutRleByte(int value, RleState& state, CRasterStream& stream);
    // Run-length codes a whole buffer with runs of at most 63. False on a refused byte.
    static bool WriteRleLine(const uint8_t* data, size_t length, CRasterStream& stream);
    // Bit `plane` of each of `count` indices into out, most significant bit first; out must hold
    // (count + 7) / 8 bytes.
    static void ExtractBitPlane(const uint8_t* indices, size_t count, uint8_t* out, int plane);

private:
    void DecodeOrThrow(CRasterStream& stream);
    void EncodeOrThrow(CRasterStream& stream);
};
