// GIF decoding: header, frames, extensions and the LZW code reader.
#include "CRasterGIF.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "CRasterStream.h"

namespace {

constexpr const char* kNotGif = "Not a GIF file";
constexpr const char* kNoFrame = "GIF frame not found";
constexpr const char* kTruncated = "Error reading GIF data";
constexpr const char* kTooLarge = "GIF image too large";
constexpr const char* kNoMemory = "Can't allocate memory";
constexpr const char* kCancelled = "Cancelled";

// What a frame may claim. LZW codes grow to 12 bits and a code's string is at most 4091 pixels
// long, so data of n bytes cannot describe more than about 2731 × n pixels; a frame claiming
// more than 4096 pixels per byte of the data the file holds for it lies about its size (a file
// cut short holds less, so what it still claims must be covered by what is left). One small
// image's worth of slack is shared by all frames of a file, so that frames with hardly any
// data cannot each claim it.
constexpr uint64_t kMaxLzwExpansion = 4096;
constexpr uint64_t kSizeSlack = uint64_t{1} << 20;

constexpr int32_t kLzwEnd = -1;       // the data ended
constexpr int32_t kLzwBadSize = -20;  // minimum code size outside 2..9
constexpr int32_t kLzwNoMemory = -10;

}  // namespace

bool CRasterGIF::Decode(CRasterStream* stream) {
    if (!stream) return false;
    const char* error;
    try {
        error = DecodeFrames(stream);
    } catch (...) {
        error = kNoMemory;
    }
    if (error) {
        Destroy();
        SetLastError(error);
        return false;
    }
    return true;
}

long CRasterGIF::ReadByte(CRasterStream* stream) {
    if (m_readPos >= m_readFill) {
        if (m_readEnd) return -1;
        const size_t n = stream->Read(m_readBuffer, 1, kReadBlock);
        m_readFill = static_cast<int32_t>(n);
        m_readPos = 0;
        if (n == 0) {
            m_readEnd = true;
            return -1;
        }
    }
    return m_readBuffer[m_readPos++];
}

int32_t CRasterGIF::ReadSome(CRasterStream* stream, uint8_t* buffer, int32_t count) {
    int32_t done = 0;
    while (done < count) {
        if (m_readPos >= m_readFill) {
            const long first = ReadByte(stream);
            if (first < 0) break;
            buffer[done++] = static_cast<uint8_t>(first);
            continue;
        }
        const int32_t n = std::min(count - done, m_readFill - m_readPos);
        std::memcpy(buffer + done, m_readBuffer + m_readPos, static_cast<size_t>(n));
        m_readPos += n;
        done += n;
    }
    return done;
}

bool CRasterGIF::ReadBytes(CRasterStream* stream, uint8_t* buffer, int32_t count) {
    return ReadSome(stream, buffer, count) == count;
}

long CRasterGIF::StreamPosition(CRasterStream* stream) const {
    return stream->Tell() - (m_readFill - m_readPos);
}

bool CRasterGIF::Rewind(CRasterStream* stream, long position) {
    m_readPos = m_readFill = 0;
    m_readEnd = false;
    return stream->Seek(position, 0);
}

bool CRasterGIF::ReadColorTable(CRasterStream* stream, uint8_t flags, ColorTable& table) {
    table.size = 2 << (flags & 7);
    return ReadBytes(stream, table.rgb, table.size * 3);
}

// descriptor: left, top, width, height, flags.
bool CRasterGIF::ReadDescriptor(CRasterStream* stream, int32_t descriptor[5]) {
    uint8_t d[9];
    if (!ReadBytes(stream, d, sizeof(d))) return false;
    for (int i = 0; i < 4; ++i) descriptor[i] = static_cast<int32_t>(LoadU16LE(d + 2 * i));
    descriptor[4] = d[8];
    return true;
}

bool CRasterGIF::SkipSubBlocks(CRasterStream* stream) {
    uint8_t junk[255];
    for (;;) {
        const long size = ReadByte(stream);
        if (size < 0) return false;
        if (size == 0) return true;
        if (!ReadBytes(stream, junk, static_cast<int32_t>(size))) return false;
    }
}

bool CRasterGIF::ReadExtension(CRasterStream* stream) {
    const long label = ReadByte(stream);
    if (label < 0) return false;
    uint8_t data[256];
    bool good = true;
    if (label == 0xF9) {
        const long size = ReadByte(stream);
        good = size == 4 && ReadBytes(stream, data, 4);
        if (good) {
            m_gceFlags = data[0];
            m_gceDelay = static_cast<uint16_t>(LoadU16LE(data + 1));
            m_gceIndex = data[3];
            if (m_gceFlags & 1) SetTransIndex(m_gceIndex);
            SetFrameDelay(m_gceDelay);
        }
    } else if (label == 0xFE || label == 0xFF) {
        long size = ReadByte(stream);
        if (label == 0xFF) {
            good = size == 11 && ReadBytes(stream, data, 11);
            if (good) size = ReadByte(stream);
        }
        good = good && size >= 0 && ReadBytes(stream, data, static_cast<int32_t>(size));
        if (good && label == 0xFE) {
            std::memcpy(m_comment, data, static_cast<size_t>(size));
            m_comment[size] = '\0';
        }
        // A zero-length sub-block already ended the extension.
        if (good && size == 0) return true;
    }
    return good && SkipSubBlocks(stream);
}

int32_t CRasterGIF::CountFrames(CRasterStream* stream) {
    const long start = StreamPosition(stream);
    int32_t count = 0;
    bool ended = false;  // the data ended before the trailer
    for (;;) {
        const long b = ReadByte(stream);
        if (b < 0) {
            ended = true;
            break;
        }
        if (b == ';') break;
        if (b == '!') {
            ReadExtension(stream);
            continue;
        }
        if (b != ',') continue;
        // A frame counts once its descriptor, colour table and code size are in the file; its
        // data may be cut short.
        int32_t d[5];
        ColorTable table;
        if (!ReadDescriptor(stream, d) || ((d[4] & 0x80) && !ReadColorTable(stream, d[4], table)) ||
            ReadByte(stream) < 0) {
            ended = true;
            break;
        }
        const long dataStart = StreamPosition(stream);
        ended = !SkipSubBlocks(stream);
        if (d[2] > 0 && d[3] > 0 && d[0] + d[2] <= m_screenWidth && d[1] + d[3] <= m_screenHeight) {
            ++count;
            m_frameBytes.push_back(static_cast<uint64_t>(StreamPosition(stream) - dataStart));
        }
        if (ended) break;
    }
    if (!Rewind(stream, start)) return -1;
    return ended && count == 0 ? -1 : count;
}

const char* CRasterGIF::DecodeFrames(CRasterStream* stream) {
    m_readPos = m_readFill = 0;
    m_readEnd = false;
    m_frameBytes.clear();
    uint8_t header[13];
    if (!ReadBytes(stream, header, sizeof(header)) || std::memcmp(header, "GIF8", 4) != 0) {
        return kNotGif;
    }
    const int32_t screenWidth = m_screenWidth = static_cast<int32_t>(LoadU16LE(header + 6));
    const int32_t screenHeight = m_screenHeight = static_cast<int32_t>(LoadU16LE(header + 8));
    const uint8_t screenFlags = header[10];
    const bool hasGlobal = screenFlags & 0x80;
    ColorTable global;
    global.size = 2 << (screenFlags & 7);
    if (hasGlobal && !ReadColorTable(stream, screenFlags, global)) return kTruncated;
    int32_t mosaic = hasGlobal ? 0 : 1;

    // The counting pass reads the extensions too; what it sets must not reach the first frame.
    const int32_t transIndex = GetTransIndex();
    const uint32_t delay = GetFrameDelay();
    const int32_t count = CountFrames(stream);
    SetTransIndex(transIndex);
    SetFrameDelay(delay);
    m_gceFlags = 0;
    if (count < 0) return kTruncated;
    m_info.nNumFrames = count;
    int32_t wanted = GetFrame();
    if (wanted < 0 || wanted >= count) return kNoFrame;

    uint64_t allFrameBytes = 0;
    for (uint64_t bytes : m_frameBytes) allFrameBytes += bytes;
    uint64_t budget = kSizeSlack;  // pixels the next frame may claim beyond its own data's worth

    std::unique_ptr<CRaster> overlay;  // a frame with disposal method 1, drawn over the picture
    std::unique_ptr<CRaster> picture;  // the 24-bit picture of a mosaic
    int32_t firstTransIndex = -1;
    int32_t j = 0;
    bool decodedAny = false;
    // The data may end anywhere: reading stops and the frames decoded so far are the result.
    for (;;) {
        if (GetEscape()) return kCancelled;
        const long b = ReadByte(stream);
        if (b < 0 || b == ';') break;
        if (b == '!') {
            if (ReadExtension(stream)) continue;
            // A broken extension ends the file; before any image there is nothing to show.
            if (!decodedAny) return kTruncated;
            break;
        }
        if (b != ',') continue;

        int32_t d[5];
        if (!ReadDescriptor(stream, d)) break;
        const int32_t left = d[0], top = d[1], width = d[2], height = d[3];
        const uint8_t flags = static_cast<uint8_t>(d[4]);
        ColorTable local;
        const bool hasLocal = flags & 0x80;
        if (hasLocal && !ReadColorTable(stream, flags, local)) break;
        // Empty frames and frames reaching past the screen are passed over whole.
        if (width == 0 || height == 0 || left + width > screenWidth ||
            top + height > screenHeight) {
            if (ReadByte(stream) < 0 || !SkipSubBlocks(stream)) break;
            continue;
        }
        if (size_t(j) >= m_frameBytes.size()) break;
        const uint64_t pixels = uint64_t(width) * uint64_t(height);
        budget += m_frameBytes[size_t(j)] * kMaxLzwExpansion;
        if (pixels > budget) return kTooLarge;
        budget -= pixels;

        // No global table and a first frame smaller than the screen: a mosaic of tiles.
        if (j == 0 && (width != screenWidth || height != screenHeight)) ++mosaic;
        const ColorTable& table = hasLocal ? local : global;
        const int32_t n = table.size;
        const uint32_t bits = n <= 2 ? 1 : (n <= 16 ? 4 : 8);
        const uint32_t disposal = (m_gceFlags >> 2) & 7;

        if (j == 0) firstTransIndex = GetTransIndex();
        // A frame with disposal method 1 is decoded on its own, then drawn over the picture.
        if (j > 0 && disposal == 1 && mosaic < 2) overlay = std::make_unique<CRaster>(FORMAT_GIF);
        CRaster& target = overlay ? *overlay : *this;
        if (!target.Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height), bits,
                           FORMAT_GIF)) {
            return kNoMemory;
        }
        target.SetTransIndex(GetTransIndex());
        if (hasLocal || hasGlobal) SetFramePalette(target, table);

        m_target = &target;
        m_interlaced = (flags & 0x40) != 0;
        m_curRow = 0;
        m_rowStep = 8;
        m_pass = 0;
        m_frameHeight = height;
        m_linesStored = 0;
        const int32_t status = DecodeLzw(stream, width);
        m_target = this;
        if (status == kLzwNoMemory) return kNoMemory;
        if (!m_blockEnded) SkipSubBlocks(stream);
        if (GetEscape()) return kCancelled;

        if (overlay) {
            CopyOpaquePixelsFrom(*overlay, -left, top + height - static_cast<int32_t>(GetHeight()));
            SetTransIndex(firstTransIndex);
            overlay.reset();
        }

        if (mosaic >= 2) {
            wanted = count - 1;
            SetFrame(wanted);
            if (!picture) {
                if (uint64_t(screenWidth) * uint64_t(screenHeight) >
                    allFrameBytes * kMaxLzwExpansion + kSizeSlack) {
                    return kTooLarge;
                }
                picture = std::make_unique<CRaster>(screenWidth, screenHeight, 24, FORMAT_GIF);
                if (!picture->IsValid()) return kNoMemory;
            }
            for (int32_t y = 0; y < height; ++y) {
                for (int32_t x = 0; x < width; ++x) {
                    picture->SetPixelColor(left + x, screenHeight - 1 - (top + y),
                                           GetPixelColor(x, height - 1 - y));
                }
            }
        }
        decodedAny = true;
        if (wanted == j) break;
        ++j;
    }
    if (!decodedAny) return kNoFrame;

    if (picture) {
        const bool transparent = m_gceFlags & 1;
        const RGBQUAD transColor = GetTransparentColor();
        const int32_t frames = GetNumFrames();
        const uint32_t frameDelay = GetFrameDelay();
        MoveFrom(*picture);
        m_info.nNumFrames = frames;
        SetFrame(wanted);
        SetFrameDelay(frameDelay);
        if (transparent) {
            SetTransColor(transColor);
            SetTransIndex(0);
        }
    }
    return nullptr;
}

// The frame's palette from its colour table; with a transparent index the entries the table
// does not fill are white, so that the transparent index always has a colour.
void CRasterGIF::SetFramePalette(CRaster& frame, const ColorTable& table) const {
    const int32_t n = table.size;
    RGBQUAD palette[256] = {};
    for (int32_t i = 0; i < n; ++i) {
        palette[i] = RGBQUAD{table.rgb[3 * i + 2], table.rgb[3 * i + 1], table.rgb[3 * i], 0};
    }
    if (GetTransIndex() != -1) {
        for (int32_t i = n; i < 256; ++i) palette[i] = RGBQUAD{255, 255, 255, 0};
        frame.SetPalette(palette, 256);
    } else {
        frame.SetPalette(palette, static_cast<uint32_t>(n));
    }
}

void CRasterGIF::InitDecoder(int32_t codeSize) {
    m_codeSize = codeSize + 1;
    m_topSlot = 1 << (codeSize + 1);
    m_clearCode = 1 << codeSize;
    m_endCode = m_clearCode + 1;
    m_firstFree = m_nextSlot = m_clearCode + 2;
    m_bitsLeft = 0;
    m_bytesLeft = 0;
    m_blockEnded = false;
    std::memset(m_stack, 0, sizeof(m_stack));
    std::memset(m_suffix, 0, sizeof(m_suffix));
    std::memset(m_prefix, 0, sizeof(m_prefix));
}

int32_t CRasterGIF::GetNextCode(CRasterStream* stream) {
    // 0: a byte was taken; 1: the zero-length sub-block ended the data; -1: the stream ended.
    auto nextByte = [&]() -> int32_t {
        if (m_bytesLeft <= 0) {
            if (m_blockEnded) return 1;
            const long size = ReadByte(stream);
            if (size < 0) return -1;
            if (size == 0) {
                m_blockEnded = true;
                return 1;
            }
            // A sub-block cut short by the end of the data still gives its bytes.
            const int32_t got = ReadSome(stream, m_subBlock, static_cast<int32_t>(size));
            if (got == 0) return -1;
            m_subPos = 0;
            m_bytesLeft = got;
        }
        m_curByte = m_subBlock[m_subPos++];
        --m_bytesLeft;
        return 0;
    };
    if (m_bitsLeft == 0) {
        const int32_t r = nextByte();
        if (r != 0) return r < 0 ? kLzwEnd : m_endCode;
        m_bitsLeft = 8;
    }
    int32_t code = m_curByte >> (8 - m_bitsLeft);
    while (m_codeSize > m_bitsLeft) {
        const int32_t r = nextByte();
        if (r != 0) return r < 0 ? kLzwEnd : m_endCode;
        code |= m_curByte << m_bitsLeft;
        m_bitsLeft += 8;
    }
    m_bitsLeft -= m_codeSize;
    return code & ((1 << m_codeSize) - 1);
}

int32_t CRasterGIF::DecodeLzw(CRasterStream* stream, int32_t lineWidth) {
    m_blockEnded = false;
    const long minSize = ReadByte(stream);
    if (minSize < 0) return kLzwEnd;
    if (minSize < 2 || minSize > 9) return kLzwBadSize;
    InitDecoder(static_cast<int32_t>(minSize));
    std::unique_ptr<uint8_t, decltype(&std::free)> line(
        static_cast<uint8_t*>(std::malloc(static_cast<size_t>(lineWidth) + 1)), &std::free);
    if (!line) return kLzwNoMemory;

    int32_t fill = 0, oldCode = 0, firstChar = 0, status = 0;
    bool full = false;  // every row of the frame is stored; further pixels are dropped
    auto emit = [&](uint8_t value) {
        line.get()[fill++] = value;
        if (fill < lineWidth) return true;
        fill = 0;
        full = StoreLine(line.get(), lineWidth) < 0;
        return !full;
    };
    // A code past the next free slot, a first code after a clear that is no pixel, or a string
    // longer than the stack ends the frame with what was decoded.
    for (;;) {
        int32_t c = GetNextCode(stream);
        if (c < 0) {
            status = c;
            break;
        }
        if (c == m_endCode) break;
        if (c == m_clearCode) {
            m_codeSize = static_cast<int32_t>(minSize) + 1;
            m_nextSlot = m_firstFree;
            m_topSlot = 1 << m_codeSize;
            do {
                c = GetNextCode(stream);
            } while (c == m_clearCode);
            if (c < 0) {
                status = c;
                break;
            }
            if (c == m_endCode || c >= m_nextSlot) break;
            oldCode = firstChar = c;
            if (!emit(static_cast<uint8_t>(c))) break;
            continue;
        }
        if (c > m_nextSlot) break;
        int32_t sp = 0;
        int32_t code = c;
        if (c == m_nextSlot) {
            m_stack[sp++] = static_cast<uint8_t>(firstChar);
            code = oldCode;
        }
        while (code >= m_firstFree && sp < static_cast<int32_t>(sizeof(m_stack))) {
            m_stack[sp++] = m_suffix[code];
            code = m_prefix[code];
        }
        if (sp >= static_cast<int32_t>(sizeof(m_stack))) break;
        m_stack[sp++] = static_cast<uint8_t>(code);
        if (m_nextSlot < m_topSlot) {
            m_suffix[m_nextSlot] = static_cast<uint8_t>(code);
            firstChar = code;
            m_prefix[m_nextSlot] = static_cast<uint16_t>(oldCode);
            ++m_nextSlot;
            oldCode = c;
        }
        if (m_nextSlot >= m_topSlot && m_codeSize < 12) {
            m_topSlot <<= 1;
            ++m_codeSize;
        }
        while (sp > 0 && emit(m_stack[--sp])) {
        }
        if (full) break;
    }
    if (fill > 0 && !full) StoreLine(line.get(), fill);
    return status;
}

int32_t CRasterGIF::StoreLine(uint8_t* line, int32_t length) {
    const int32_t height = static_cast<int32_t>(m_target->GetHeight());
    // Lines past the last row of the frame are dropped.
    if (m_linesStored >= height) return -1;
    const int32_t topDownRow = m_interlaced ? m_curRow : m_linesStored;
    uint8_t* row = m_target->GetBits(static_cast<uint32_t>(height - 1 - topDownRow));
    const int32_t width = std::min(length, static_cast<int32_t>(m_target->GetWidth()));
    switch (m_target->GetBpp()) {
        case 8:
            std::memcpy(row, line, static_cast<size_t>(width));
            break;
        case 4:
            for (int32_t i = 0; i < width; ++i) {
                const uint8_t v = line[i] & 0x0F;
                row[i >> 1] =
                    (i & 1) ? static_cast<uint8_t>(row[i >> 1] | v) : static_cast<uint8_t>(v << 4);
            }
            break;
        default:
            for (int32_t i = 0; i < width; ++i) {
                if (line[i] & 1) row[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
            }
            break;
    }
    ++m_linesStored;
    if (m_interlaced) {
        m_curRow += m_rowStep;
        while (m_curRow >= m_frameHeight && m_pass < 3) {
            ++m_pass;
            if (m_pass > 1) m_rowStep /= 2;
            m_curRow = m_rowStep / 2;
        }
    }
    return 0;
}
