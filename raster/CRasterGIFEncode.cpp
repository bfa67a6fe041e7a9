// GIF encoding: file layout, the 24-bit tile mosaic and the three compressors.
#include <algorithm>
#include <cstring>
#include <memory>

#include "CRasterGIF.h"
#include "CRasterStream.h"

namespace {

constexpr const char* kWriteError = "Write Error in GIF file";
constexpr const char* kTooLarge = "GIF image too large";
constexpr const char* kNoMemory = "Can't allocate memory";

constexpr int32_t kTileWidth = 17, kTileHeight = 15;
constexpr int32_t kMaxCodes = 4096;  // 12-bit codes

}  // namespace

void CRasterGIF::PutRaw(CRasterStream* stream, uint8_t byte) {
    if (!stream->PutC(byte)) m_writeFailed = true;
}

void CRasterGIF::PutWord(uint32_t value, CRasterStream* stream) {
    PutRaw(stream, static_cast<uint8_t>(value & 0xFF));
    PutRaw(stream, static_cast<uint8_t>((value >> 8) & 0xFF));
}

bool CRasterGIF::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    // Sizes and offsets on file are 16-bit: larger images cannot be written without losing data.
    if (GetWidth() > 0xFFFF || GetHeight() > 0xFFFF || GetXOffset() < 0 || GetYOffset() < 0 ||
        GetXOffset() > 0xFFFF || GetYOffset() > 0xFFFF) {
        SetLastError(kTooLarge);
        return false;
    }
    m_writeFailed = false;
    if (GetBpp() > 8) {
        bool made;
        try {
            made = EncodeTrueColor(stream);
        } catch (...) {
            made = false;
        }
        if (!made) {
            SetLastError(kNoMemory);
            return false;
        }
    } else {
        WriteHeader(stream);
        WriteGraphicControl(stream);
        WriteComment(stream);
        WriteImageData(stream, false);
        PutRaw(stream, ';');
    }
    if (m_writeFailed || !stream->Flush()) {
        SetLastError(kWriteError);
        return false;
    }
    return true;
}

bool CRasterGIF::WriteHeader(CRasterStream* stream) {
    if (!stream->WriteBytes("GIF89a", 6)) m_writeFailed = true;
    PutWord(GetWidth(), stream);
    PutWord(GetHeight(), stream);
    const RGBQUAD* palette = GetPalette();
    const uint32_t bpp = GetBpp();
    PutRaw(stream, palette ? static_cast<uint8_t>(0x80 | ((bpp - 1) << 4) | (bpp - 1)) : 0x11);
    PutRaw(stream, 0);  // background index
    PutRaw(stream, 0);  // aspect
    if (palette) {
        for (uint32_t i = 0; i < GetNumColors(); ++i) {
            PutRaw(stream, palette[i].rgbRed);
            PutRaw(stream, palette[i].rgbGreen);
            PutRaw(stream, palette[i].rgbBlue);
        }
    }
    return !m_writeFailed;
}

void CRasterGIF::WriteGraphicControl(CRasterStream* stream) {
    const int32_t transIndex = GetTransIndex();
    PutRaw(stream, 0x21);
    PutRaw(stream, 0xF9);
    PutRaw(stream, 4);
    PutRaw(stream, static_cast<uint8_t>((transIndex != -1 ? 1 : 0) | ((m_disposal & 7) << 2)));
    PutWord(GetFrameDelay(), stream);
    PutRaw(stream, static_cast<uint8_t>(transIndex));
    PutRaw(stream, 0);
}

void CRasterGIF::WriteComment(CRasterStream* stream) {
    const size_t length = strnlen(m_comment, 255);
    if (length == 0) return;
    PutRaw(stream, 0x21);
    PutRaw(stream, 0xFE);
    PutRaw(stream, static_cast<uint8_t>(length));
    if (!stream->WriteBytes(m_comment, length)) m_writeFailed = true;
    PutRaw(stream, 0);
}

void CRasterGIF::WriteImageData(CRasterStream* stream, bool localTable) {
    const uint32_t bpp = GetBpp();
    PutRaw(stream, 0x2C);
    PutWord(static_cast<uint32_t>(GetXOffset()), stream);
    PutWord(static_cast<uint32_t>(GetYOffset()), stream);
    PutWord(GetWidth(), stream);
    PutWord(GetHeight(), stream);
    const RGBQUAD* palette = GetPalette();
    PutRaw(stream, localTable && palette ? static_cast<uint8_t>(0x80 | (bpp - 1)) : 0);
    if (localTable && palette) {
        for (uint32_t i = 0; i < GetNumColors(); ++i) {
            PutRaw(stream, palette[i].rgbRed);
            PutRaw(stream, palette[i].rgbGreen);
            PutRaw(stream, palette[i].rgbBlue);
        }
    }
    const int32_t minCodeSize = bpp == 1 ? 2 : static_cast<int32_t>(bpp);
    PutRaw(stream, static_cast<uint8_t>(minCodeSize));

    m_curX = 0;
    m_curY = static_cast<int32_t>(GetHeight()) - 1;
    m_pixelsLeft = static_cast<int32_t>(GetWidth() * GetHeight());
    switch (GetCodecOption()) {
        case 1:
            EncodeUncompressed(minCodeSize + 1, stream);
            break;
        case 2:
            EncodeLzw(minCodeSize + 1, stream);
            break;
        default:
            EncodeRunLength(minCodeSize + 1, stream);
            break;
    }
    PutRaw(stream, 0);
}

bool CRasterGIF::EncodeTrueColor(CRasterStream* stream) {
    WriteHeader(stream);
    WriteComment(stream);
    auto tile = std::make_unique<CRasterGIF>();
    tile->SetCodecOption(GetCodecOption());
    const int32_t width = static_cast<int32_t>(GetWidth());
    const int32_t height = static_cast<int32_t>(GetHeight());
    const bool transparent = GetTransIndex() != -1;
    for (int32_t y0 = 0; y0 < height; y0 += kTileHeight) {
        for (int32_t x0 = 0; x0 < width; x0 += kTileWidth) {
            const int32_t w = std::min(kTileWidth, width - x0);
            const int32_t h = std::min(kTileHeight, height - y0);
            if (!tile->IsValid() || static_cast<int32_t>(tile->GetWidth()) != w ||
                static_cast<int32_t>(tile->GetHeight()) != h) {
                if (!tile->Create(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 8, 0)) {
                    return false;
                }
            }
            if (transparent) {
                tile->SetTransIndex(0);
                tile->SetPaletteColor(0, GetTransparentColor());
            }
            for (int32_t i = 0; i < h; ++i) {
                for (int32_t j = 0; j < w; ++j) {
                    tile->SetPaletteColor(static_cast<uint8_t>(1 + j + kTileWidth * i),
                                          GetPixelColor(x0 + j, height - y0 - h + i));
                }
            }
            for (int32_t i = 0; i < h; ++i) {
                for (int32_t j = 0; j < w; ++j) {
                    tile->SetPixelIndex(
                        j, i, tile->FindNearestIndex(GetPixelColor(x0 + j, height - y0 - h + i)));
                }
            }
            tile->SetOffset(x0, y0);
            tile->m_writeFailed = false;
            tile->WriteGraphicControl(stream);
            tile->WriteImageData(stream, true);
            if (tile->m_writeFailed) m_writeFailed = true;
        }
    }
    PutRaw(stream, ';');
    return true;
}

int32_t CRasterGIF::NextPixel() {
    if (m_pixelsLeft <= 0) return -1;
    const int32_t index = GetPixelIndex(m_curX, m_curY);
    --m_pixelsLeft;
    if (++m_curX == static_cast<int32_t>(GetWidth())) {
        m_curX = 0;
        --m_curY;
    }
    return index;
}

// Code writer of the uncompressed and the LZW compressor.

void CRasterGIF::StartCodeWriter(int32_t initBits, CRasterStream* stream) {
    m_initBits = initBits;
    m_out = stream;
    m_codeClear = 1 << (initBits - 1);
    m_codeEnd = m_codeClear + 1;
    m_freeCode = m_codeClear + 2;
    m_bitsPerCode = initBits;
    m_maxCode = (1 << initBits) - 1;
    m_accum = 0;
    m_accumBits = 0;
    m_clearFlag = 0;
    m_packetLength = 0;
}

void CRasterGIF::PutCode(int32_t code) {
    m_accum &= (1u << m_accumBits) - 1;
    m_accum |= static_cast<uint32_t>(code) << m_accumBits;
    m_accumBits += m_bitsPerCode;
    while (m_accumBits >= 8) {
        PutByte(static_cast<uint8_t>(m_accum & 0xFF));
        m_accum >>= 8;
        m_accumBits -= 8;
    }
    // The code width grows as a decoder's does, and returns to the start after a clear.
    if (m_freeCode > m_maxCode || m_clearFlag) {
        if (m_clearFlag) {
            m_bitsPerCode = m_initBits;
            m_maxCode = (1 << m_bitsPerCode) - 1;
            m_clearFlag = 0;
        } else {
            ++m_bitsPerCode;
            m_maxCode = m_bitsPerCode == 12 ? kMaxCodes : (1 << m_bitsPerCode) - 1;
        }
    }
    if (code == m_codeEnd) {
        while (m_accumBits > 0) {
            PutByte(static_cast<uint8_t>(m_accum & 0xFF));
            m_accum >>= 8;
            m_accumBits -= 8;
        }
        m_accumBits = 0;
        FlushPacket();
        if (!m_out->Flush() || m_out->Error()) m_writeFailed = true;
    }
}

void CRasterGIF::PutByte(uint8_t byte) {
    m_packet[m_packetLength++] = byte;
    if (m_packetLength >= 254) FlushPacket();
}

void CRasterGIF::FlushPacket() {
    if (m_packetLength <= 0) return;
    PutRaw(m_out, static_cast<uint8_t>(m_packetLength));
    if (!m_out->WriteBytes(m_packet, static_cast<size_t>(m_packetLength))) m_writeFailed = true;
    m_packetLength = 0;
}

void CRasterGIF::ClearHashTable(int32_t size) {
    for (int32_t i = 0; i < size; ++i) m_hash[i] = -1;
}

void CRasterGIF::EncodeUncompressed(int32_t initBits, CRasterStream* stream) {
    StartCodeWriter(initBits, stream);
    int32_t pixel = NextPixel();
    PutCode(m_codeClear);
    while (pixel != -1) {
        const int32_t next = NextPixel();
        PutCode(pixel);
        if (m_freeCode < kMaxCodes) {
            ++m_freeCode;
        } else {
            m_freeCode = m_codeClear + 2;
            m_clearFlag = 1;
            PutCode(m_codeClear);
        }
        pixel = next;
    }
    PutCode(m_codeEnd);
}

void CRasterGIF::EncodeLzw(int32_t initBits, CRasterStream* stream) {
    StartCodeWriter(initBits, stream);
    int32_t shift = 0;
    for (int32_t f = kHashSize; f < 65536; f *= 2) ++shift;
    shift = 8 - shift;
    ClearHashTable(kHashSize);
    PutCode(m_codeClear);
    int32_t prefix = NextPixel();
    if (prefix == -1) {
        PutCode(m_codeEnd);
        return;
    }
    for (int32_t c = NextPixel(); c != -1; c = NextPixel()) {
        const int32_t key = (c << 12) + prefix;
        int32_t slot = (c << shift) ^ prefix;
        bool hit = m_hash[slot] == key;
        if (!hit && m_hash[slot] >= 0) {
            const int32_t step = slot == 0 ? 1 : kHashSize - slot;
            do {
                slot -= step;
                if (slot < 0) slot += kHashSize;
                hit = m_hash[slot] == key;
            } while (!hit && m_hash[slot] > 0);
        }
        if (hit) {
            prefix = m_codes[slot];
            continue;
        }
        PutCode(prefix);
        if (m_freeCode < kMaxCodes) {
            m_codes[slot] = static_cast<uint16_t>(m_freeCode++);
            m_hash[slot] = key;
        } else {
            ClearHashTable(kHashSize);
            m_freeCode = m_codeClear + 2;
            m_clearFlag = 1;
            PutCode(m_codeClear);
        }
        prefix = c;
    }
    PutCode(prefix);
    PutCode(m_codeEnd);
}

// Run-length compressor: runs of one pixel value become codes that an LZW decoder expands to
// runs, using only the strings such a decoder builds while reading them.

void CRasterGIF::EncodeRunLength(int32_t initBits, CRasterStream* stream) {
    m_out = stream;
    RleState s{};
    s.initWidth = initBits;
    s.clearCode = 1 << (initBits - 1);
    s.endCode = s.clearCode + 1;
    s.baseCode = s.endCode + 1;
    s.bumpInit = s.clearCode - 1;
    s.clearLimitInit = initBits <= 3 ? 9 : s.bumpInit - 1;
    s.maxCodes = 4093 - s.clearCode;
    s.runPixel = -1;
    s.runLength = 0;
    RleResetCodes(s);
    RleWriteBits(s, s.clearCode);
    for (;;) {
        const int32_t c = NextPixel();
        if (s.runLength > 0 && c != s.runPixel) RleFlushRun(s);
        if (c == -1) break;
        if (c == s.runPixel) {
            ++s.runLength;
        } else {
            s.runPixel = c;
            s.runLength = 1;
        }
    }
    RleWriteBits(s, s.endCode);
    RleFlushBits(s);
    if (!stream->Flush() || stream->Error()) m_writeFailed = true;
}

void CRasterGIF::RleWriteBits(RleState& s, int32_t code) {
    s.bitBuffer |= static_cast<uint32_t>(code) << s.bitCount;
    s.bitCount += s.width;
    while (s.bitCount >= 8) {
        RlePutByte(s, static_cast<uint8_t>(s.bitBuffer & 0xFF));
        s.bitBuffer >>= 8;
        s.bitCount -= 8;
    }
}

void CRasterGIF::RlePutByte(RleState& s, uint8_t byte) {
    s.block[s.blockLength++] = byte;
    if (s.blockLength >= 255) RleWriteBlock(s);
}

void CRasterGIF::RleWriteBlock(RleState& s) {
    PutRaw(m_out, static_cast<uint8_t>(s.blockLength));
    if (!m_out->WriteBytes(s.block, static_cast<size_t>(s.blockLength))) m_writeFailed = true;
    s.blockLength = 0;
}

void CRasterGIF::RleFlushBlock(RleState& s) {
    if (s.blockLength > 0) RleWriteBlock(s);
}

void CRasterGIF::RleFlushBits(RleState& s) {
    if (s.bitCount > 0) RlePutByte(s, static_cast<uint8_t>(s.bitBuffer & 0xFF));
    RleFlushBlock(s);
}

void CRasterGIF::RleResetCodes(RleState& s) {
    s.width = s.initWidth;
    s.bump = s.bumpInit;
    s.clearLimit = s.clearLimitInit;
    s.codesOut = 0;
    s.tableMax = 0;
    s.justCleared = 1;
}

void CRasterGIF::RlePutCode(RleState& s, int32_t code) {
    s.justCleared = 0;
    RleWriteBits(s, code);
    ++s.codesOut;
    if (s.codesOut >= s.bump) {
        s.bump += 1 << s.width;
        ++s.width;
    }
    if (s.codesOut >= s.clearLimit) {
        RleWriteBits(s, s.clearCode);
        RleResetCodes(s);
    }
}

void CRasterGIF::RleResetClearLimit(RleState& s) {
    s.clearLimit = s.clearLimitInit;
    if (s.codesOut >= s.clearLimit) {
        RleWriteBits(s, s.clearCode);
        RleResetCodes(s);
    }
}

void CRasterGIF::RleFlushRun(RleState& s) {
    if (s.runLength == 1) {
        RlePutCode(s, s.runPixel);
    } else if (s.justCleared) {
        RleEncodeRun(s, s.runLength);
    } else if (s.tableMax > 1 && s.tablePixel == s.runPixel) {
        RleFlushHelper(s, s.runLength);
    } else {
        RleFlushClearOrRepeat(s, s.runLength);
    }
    s.runLength = 0;
}

void CRasterGIF::RleEncodeRun(RleState& s, int32_t count) {
    s.clearLimit = s.maxCodes;
    s.tablePixel = s.runPixel;
    int32_t k = 1;
    while (count > 0) {
        if (k == 1) {
            s.tableMax = 1;
            RlePutCode(s, s.runPixel);
            --count;
        } else if (count >= k) {
            s.tableMax = k;
            RlePutCode(s, s.baseCode + k - 2);
            count -= k;
        } else {
            ++s.tableMax;
            RlePutCode(s, count == 1 ? s.runPixel : s.baseCode + count - 2);
            count = 0;
        }
        k = s.codesOut == 0 ? 1 : k + 1;
    }
    RleResetClearLimit(s);
}

void CRasterGIF::RleFlushHelper(RleState& s, int32_t count) {
    int32_t repeats = count / s.tableMax;
    int32_t rest = count % s.tableMax;
    int32_t restCodes = rest > 0 ? 1 : 0;
    if (s.codesOut + repeats + restCodes > s.maxCodes) {
        repeats = s.maxCodes - s.codesOut;
        rest = count - repeats * s.tableMax;
        restCodes = 1 + static_cast<int32_t>(RleTriangleCost(static_cast<uint32_t>(rest),
                                                             static_cast<uint32_t>(s.maxCodes)));
    }
    if (1 + static_cast<int32_t>(
                RleTriangleCost(static_cast<uint32_t>(count), static_cast<uint32_t>(s.maxCodes))) <
        repeats + restCodes) {
        RleWriteBits(s, s.clearCode);
        RleResetCodes(s);
        RleEncodeRun(s, count);
        return;
    }
    s.clearLimit = s.maxCodes;
    for (; repeats > 0; --repeats) RlePutCode(s, s.baseCode + s.tableMax - 2);
    if (rest > 0) {
        if (s.justCleared) {
            RleEncodeRun(s, rest);
        } else if (rest == 1) {
            RlePutCode(s, s.runPixel);
        } else {
            RlePutCode(s, s.baseCode + rest - 2);
        }
    }
    RleResetClearLimit(s);
}

void CRasterGIF::RleFlushClearOrRepeat(RleState& s, int32_t count) {
    const int32_t withClear =
        1 + static_cast<int32_t>(
                RleTriangleCost(static_cast<uint32_t>(count), static_cast<uint32_t>(s.maxCodes)));
    if (withClear < count) {
        RleWriteBits(s, s.clearCode);
        RleResetCodes(s);
        RleEncodeRun(s, count);
    } else {
        for (; count > 0; --count) RlePutCode(s, s.runPixel);
    }
}

uint32_t CRasterGIF::RleTriangleCost(uint32_t count, uint32_t largest) {
    const uint32_t perRepeat = largest * (largest + 1) / 2;
    uint32_t cost = 0;
    while (count >= perRepeat) {
        cost += largest;
        count -= perRepeat;
    }
    if (count > 0) {
        uint32_t k = IntegerSquareRoot(count);
        while (k * (k + 1) >= 2 * count) --k;
        while (k * (k + 1) < 2 * count) ++k;
        cost += k;
    }
    return cost;
}

uint32_t CRasterGIF::IntegerSquareRoot(uint32_t x) {
    if (x < 2) return x;
    uint32_t r = 1;
    for (uint32_t v = x; v; v >>= 2) r <<= 1;
    for (;;) {
        const uint32_t u = (x / r + r) / 2;
        if (u == r || u == r + 1) return r;
        r = u;
    }
}
