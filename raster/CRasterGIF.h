#pragma once
// CRasterGIF: GIF files, versions 87a and 89a.
//
// Decode reads the frame the info record asks for (SetFrame) and sets the frame count: local and
// global colour tables, interlaced images, the transparent index, frames with disposal method 1
// drawn over the frame before them, and the mosaic layout (many small frames, no global table)
// that Encode writes for 24-bit images, rebuilt into one 24-bit picture.
//
// Encode writes one GIF89a image: 1-, 4- and 8-bit images as one image block; 24-bit images as
// 17 × 15-pixel tiles, each with its own 256-colour table. The codec option chooses the
// compressor: 1 codes without compression, 2 LZW, anything else run-length codes that every LZW
// decoder reads. Image rows are written top-down; coordinates on file count y from the top.

#include <cstdint>
#include <vector>

#include "CRaster.h"

class CRasterGIF : public CRaster {
public:
    CRasterGIF() : CRaster(FORMAT_GIF) {}

    bool Decode(CRasterStream* stream);
    bool Encode(CRasterStream* stream);

private:
    // Colour table as read from file: R, G, B per entry.
    struct ColorTable {
        uint8_t rgb[256 * 3];
        int32_t size;
    };

    // Decoding.
    const char* DecodeFrames(CRasterStream* stream);
    // Counts the decodable image blocks up to the trailer or the end of the data and sets the
    // stream back; with each one, the number of its image data bytes the file holds goes to
    // m_frameBytes. -1 when the data ends before any frame.
    int32_t CountFrames(CRasterStream* stream);
    void SetFramePalette(CRaster& frame, const ColorTable& table) const;
    bool ReadExtension(CRasterStream* stream);
    bool ReadDescriptor(CRasterStream* stream, int32_t descriptor[5]);
    bool ReadColorTable(CRasterStream* stream, uint8_t flags, ColorTable& table);
    // Reads and drops data sub-blocks up to and including the zero-length one; false when the
    // data ends first.
    bool SkipSubBlocks(CRasterStream* stream);
    long ReadByte(CRasterStream* stream);
    // Reads up to count bytes; returns how many the data held.
    int32_t ReadSome(CRasterStream* stream, uint8_t* buffer, int32_t count);
    bool ReadBytes(CRasterStream* stream, uint8_t* buffer, int32_t count);
    long StreamPosition(CRasterStream* stream) const;
    bool Rewind(CRasterStream* stream, long position);
    int32_t GetNextCode(CRasterStream* stream);
    int32_t DecodeLzw(CRasterStream* stream, int32_t lineWidth);
    int32_t StoreLine(uint8_t* line, int32_t length);
    void InitDecoder(int32_t codeSize);

    // Encoding.
    bool WriteHeader(CRasterStream* stream);
    void WriteGraphicControl(CRasterStream* stream);
    void WriteComment(CRasterStream* stream);
    void WriteImageData(CRasterStream* stream, bool localTable);
    // False only when the tile image cannot be made; write failures set m_writeFailed.
    bool EncodeTrueColor(CRasterStream* stream);
    int32_t NextPixel();
    void PutWord(uint32_t value, CRasterStream* stream);
    void PutRaw(CRasterStream* stream, uint8_t byte);
    void EncodeUncompressed(int32_t initBits, CRasterStream* stream);
    void EncodeLzw(int32_t initBits, CRasterStream* stream);
    void EncodeRunLength(int32_t initBits, CRasterStream* stream);
    void StartCodeWriter(int32_t initBits, CRasterStream* stream);
    void PutCode(int32_t code);
    void PutByte(uint8_t byte);
    void FlushPacket();
    void ClearHashTable(int32_t size);

    // Run-length compressor.
    struct RleState {
        int32_t runPixel, runLength, baseCode, tablePixel, tableMax, justCleared;
        int32_t width, initWidth, codesOut, bump, bumpInit, clearLimit, clearLimitInit;
        int32_t maxCodes, clearCode, endCode;
        uint32_t bitBuffer;
        int32_t bitCount;
        uint8_t block[256];
        int32_t blockLength;
    };
    void RleWriteBits(RleState& s, int32_t code);
    void RlePutCode(RleState& s, int32_t code);
    void RleResetCodes(RleState& s);
    void RleResetClearLimit(RleState& s);
    void RleFlushRun(RleState& s);
    void RleEncodeRun(RleState& s, int32_t count);
    void RleFlushHelper(RleState& s, int32_t count);
    void RleFlushClearOrRepeat(RleState& s, int32_t count);
    static uint32_t RleTriangleCost(uint32_t count, uint32_t largest);
    static uint32_t IntegerSquareRoot(uint32_t x);
    void RlePutByte(RleState& s, uint8_t byte);
    void RleWriteBlock(RleState& s);
    void RleFlushBlock(RleState& s);
    void RleFlushBits(RleState& s);

    // Graphic control record of the last graphic control extension.
    uint8_t m_gceFlags = 0;
    uint16_t m_gceDelay = 0;
    uint8_t m_gceIndex = 0;

    // Logical screen of the file being decoded, and the image data bytes the file holds for
    // each frame the counting pass found.
    int32_t m_screenWidth = 0, m_screenHeight = 0;
    std::vector<uint64_t> m_frameBytes;

    // The frame being decoded (this image, or a frame to be drawn over it), and its interlace
    // and row state.
    CRaster* m_target = this;
    int32_t m_interlaced = 0, m_curRow = 0, m_rowStep = 8, m_frameHeight = 0, m_pass = 0;
    int32_t m_linesStored = 0;

    // Read-ahead block.
    static constexpr int32_t kReadBlock = 16384;
    int32_t m_readPos = 0, m_readFill = 0;
    bool m_readEnd = false;  // the stream ended
    uint8_t m_readBuffer[kReadBlock + 1];

    // LZW code reader.
    int32_t m_codeSize = 0, m_clearCode = 0, m_endCode = 0, m_firstFree = 0, m_topSlot = 0;
    int32_t m_nextSlot = 0, m_bytesLeft = 0, m_bitsLeft = 0;
    bool m_blockEnded = false;  // the zero-length sub-block of the frame was read
    uint8_t m_curByte = 0;
    uint8_t m_subBlock[257];
    int32_t m_subPos = 0;
    uint8_t m_stack[4096];
    uint8_t m_suffix[4096];
    uint16_t m_prefix[4096];

    char m_comment[256] = {};
    uint32_t m_disposal = 0;

    // Encoder state: pixel cursor (row counts bottom-up and starts at the top row).
    int32_t m_curX = 0, m_curY = 0, m_pixelsLeft = 0;
    // Code writer of the uncompressed and the LZW compressor.
    int32_t m_initBits = 0;
    CRasterStream* m_out = nullptr;
    int32_t m_clearFlag = 0;
    uint32_t m_accum = 0;
    int32_t m_accumBits = 0;
    int32_t m_bitsPerCode = 0;
    int32_t m_maxCode = 0;
    int32_t m_codeClear = 0, m_codeEnd = 0, m_freeCode = 0;
    int32_t m_packetLength = 0;
    uint8_t m_packet[256];
    static constexpr int32_t kHashSize = 5003;
    int32_t m_hash[kHashSize];
    uint16_t m_codes[kHashSize];
    bool m_writeFailed = false;
};
