#include "CRasterTGA.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ByteOrder.h"
#include "CRasterStream.h"
#include "CodecGuard.h"

namespace {

constexpr size_t kHeaderSize = 18;
constexpr uint32_t kMaxColorMap = 256;
constexpr uint8_t kRightToLeft = 0x10;
constexpr uint8_t kTopToBottom = 0x20;
// Pixels read at a time from an uncompressed run.
constexpr uint32_t kChunkPixels = 128;
// A run-length packet of two bytes or more stands for at most 128 pixels.
constexpr uint64_t kMaxPixelsPerByte = 64;

uint32_t BytesPerPixel(int depth) { return static_cast<uint32_t>(depth + 7) / 8; }

// A 15- or 16-bit pixel: blue in bits 0..4, green in 5..9, red in 10..14; bit 15 is ignored.
RGBQUAD Widen555(const uint8_t* p) {
    const uint32_t v = LoadU16LE(p);
    RGBQUAD c{};
    c.rgbBlue = static_cast<uint8_t>((v & 0x1F) << 3);
    c.rgbGreen = static_cast<uint8_t>(((v >> 5) & 0x1F) << 3);
    c.rgbRed = static_cast<uint8_t>(((v >> 10) & 0x1F) << 3);
    return c;
}

void ReadOrThrow(CRasterStream& stream, void* buffer, size_t count) {
    if (!stream.ReadBytes(buffer, count)) throw "corrupted TGA";
}

}  // namespace

bool CRasterTGA::Decode(CRasterStream* stream) {
    if (!stream) return false;
    return RunDecodeStep(*this, {"TGA Create failed", "corrupted TGA"},
                         [&] { DecodeOrThrow(*stream); });
}

void CRasterTGA::DecodeOrThrow(CRasterStream& stream) {
    uint8_t h[kHeaderSize];
    if (!stream.ReadBytes(h, sizeof(h))) throw "Not a TGA";
    const uint8_t idLength = h[0];
    const uint8_t colorMapType = h[1];
    const uint8_t type = h[2];
    const uint32_t mapLength = LoadU16LE(h + 5);
    const int mapEntrySize = h[7];
    const uint32_t width = LoadU16LE(h + 12);
    const uint32_t height = LoadU16LE(h + 14);
    const int depth = h[16];
    const uint8_t descriptor = h[17];

    const bool rle = type >= 9 && type <= 11;
    if (!rle && (type < 1 || type > 3)) throw "Unknown TGA image type";
    if (width == 0 || height == 0 || depth == 0 || mapLength > kMaxColorMap) {
        throw "bad TGA header";
    }
    if (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32) {
        throw "bad TGA header";
    }
    // Colour-mapped pixels are 8-bit indices, grey pixels 8 bits of grey, or 16 bits of grey
    // (low byte) and alpha; true-colour pixels are colours. A colour-mapped image needs its map.
    const bool mapped = type == 1 || type == 9;
    const bool grey = type == 3 || type == 11;
    m_greyAlpha = grey && depth == 16;
    if ((mapped || grey) != (depth == 8 || m_greyAlpha)) throw "bad TGA header";
    if (mapped && (colorMapType == 0 || mapLength == 0)) throw "bad TGA header";
    const bool hasMap = colorMapType != 0 && mapLength > 0;
    if (hasMap && mapEntrySize != 15 && mapEntrySize != 16 && mapEntrySize != 24 &&
        mapEntrySize != 32) {
        throw "bad TGA header";
    }
    const uint32_t mapBytes = hasMap ? mapLength * BytesPerPixel(mapEntrySize) : 0;

    // Refuse a file far too short for its image before allocating the image.
    const uint64_t pixels = uint64_t{width} * height;
    const long size = stream.Size();
    const long position = stream.Tell();
    if (size >= 0 && position >= 0 && size >= position) {
        const uint64_t available = static_cast<uint64_t>(size - position);
        const uint64_t header = uint64_t{idLength} + mapBytes;
        const uint64_t data = available > header ? available - header : 0;
        if (available < header ||
            (rle ? data * kMaxPixelsPerByte < pixels : data < pixels * BytesPerPixel(depth))) {
            throw "corrupted TGA";
        }
    }

    uint8_t skip[255];
    ReadOrThrow(stream, skip, idLength);

    if (!Create(width, height, m_greyAlpha ? 8 : static_cast<uint32_t>(depth), FORMAT_TGA)) {
        throw "TGA Create failed";
    }
    if ((depth == 32 || m_greyAlpha) && !CreateAlpha()) throw "TGA Create failed";
    if (m_info.nEscape) throw "Cancelled";

    if (hasMap) {
        const uint32_t entryBytes = BytesPerPixel(mapEntrySize);
        std::vector<uint8_t> map(mapBytes);
        ReadOrThrow(stream, map.data(), map.size());
        for (uint32_t i = 0; i < mapLength; ++i) {
            const uint8_t* e = map.data() + size_t{i} * entryBytes;
            const RGBQUAD c = entryBytes == 2 ? Widen555(e) : RGBQUAD{e[0], e[1], e[2], 0};
            SetPaletteColor(static_cast<uint8_t>(i), c.rgbRed, c.rgbGreen, c.rgbBlue);
        }
    }
    if (grey) SetGrayPalette();

    RlePacket carry;
    for (uint32_t y = 0; y < height; ++y) {
        if (m_info.nEscape) throw "Cancelled";
        const uint32_t row = (descriptor & kTopToBottom) ? height - 1 - y : y;
        if (rle) {
            ReadRleLine(GetBits(row), depth, stream, width, row, carry);
        } else {
            ReadRawLine(GetBits(row), depth, stream, width, row, 0);
        }
    }
    if ((descriptor & kRightToLeft) && !Mirror()) throw "TGA Create failed";
}

void CRasterTGA::StorePixel(uint8_t* dst, const uint8_t* src, int depth, uint32_t x, uint32_t y) {
    switch (depth) {
        case 8:
            *dst = *src;
            break;
        case 16:
            if (m_greyAlpha) {
                *dst = src[0];
                m_pAlpha[size_t{y} * GetWidth() + x] = src[1];
                break;
            }
            [[fallthrough]];
        case 15: {
            const RGBQUAD c = Widen555(src);
            dst[0] = c.rgbBlue;
            dst[1] = c.rgbGreen;
            dst[2] = c.rgbRed;
            break;
        }
        case 32:
            m_pAlpha[size_t{y} * GetWidth() + x] = src[3];
            [[fallthrough]];
        default:
            dst[0] = src[0];
            dst[1] = src[1];
            dst[2] = src[2];
            break;
    }
}

void CRasterTGA::ReadRawLine(uint8_t* row, int depth, CRasterStream& stream, uint32_t count,
                             uint32_t y, uint32_t x0) {
    const uint32_t inBytes = BytesPerPixel(depth);
    const uint32_t outBytes = GetBpp() / 8;
    uint8_t chunk[kChunkPixels * 4];
    for (uint32_t done = 0; done < count;) {
        const uint32_t n = std::min(kChunkPixels, count - done);
        ReadOrThrow(stream, chunk, size_t{n} * inBytes);
        for (uint32_t i = 0; i < n; ++i) {
            StorePixel(row + size_t{done + i} * outBytes, chunk + size_t{i} * inBytes, depth,
                       x0 + done + i, y);
        }
        done += n;
    }
}

void CRasterTGA::ReadRleLine(uint8_t* row, int depth, CRasterStream& stream, uint32_t width,
                             uint32_t y, RlePacket& carry) {
    const uint32_t inBytes = BytesPerPixel(depth);
    const uint32_t outBytes = GetBpp() / 8;
    uint32_t x = 0;
    while (x < width) {
        RlePacket packet = carry;
        carry = RlePacket{};
        const bool carried = packet.header != RlePacket::kNone;
        if (!carried) {
            uint8_t byte = 0;
            if (!stream.ReadU8(byte)) throw "corrupted TGA";
            packet.header = byte;
        }
        const bool repeat = packet.header >= 0x80;
        uint32_t count = repeat ? static_cast<uint32_t>(packet.header) - 127
                                : static_cast<uint32_t>(packet.header) + 1;
        if (x + count > width) {
            carry = packet;
            carry.header = packet.header + static_cast<int>(x) - static_cast<int>(width);
            count = width - x;
        }
        uint8_t* dst = row + size_t{x} * outBytes;
        if (repeat) {
            if (!carried) ReadOrThrow(stream, packet.value, inBytes);
            if (carry.header != RlePacket::kNone) std::memcpy(carry.value, packet.value, 4);
            for (uint32_t i = 0; i < count; ++i) {
                StorePixel(dst + size_t{i} * outBytes, packet.value, depth, x + i, y);
            }
        } else {
            ReadRawLine(dst, depth, stream, count, y, x);
        }
        x += count;
    }
}

bool CRasterTGA::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    return RunCodecStep(*this, {"Out of memory writing TGA", "cannot write TGA image"},
                        [&] { EncodeOrThrow(*stream); });
}

void CRasterTGA::EncodeOrThrow(CRasterStream& stream) {
    const uint32_t bpp = GetBpp();
    if (bpp < 8) throw "Bit depth must be 8 or 24";
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    if (width == 0 || height == 0 || width > 0xFFFF || height > 0xFFFF) {
        throw "Can't save this image as TGA";
    }
    const bool alpha = bpp == 24 && HasAlpha();
    const uint32_t depth = alpha ? 32 : bpp;

    uint8_t h[kHeaderSize] = {};
    h[1] = bpp == 8 ? 1 : 0;
    h[2] = bpp == 8 ? 1 : 2;
    if (bpp == 8) {
        StoreU16LE(h + 5, 256);
        h[7] = 24;
    }
    StoreU16LE(h + 12, width);
    StoreU16LE(h + 14, height);
    h[16] = static_cast<uint8_t>(depth);
    if (!stream.WriteBytes(h, sizeof(h))) throw "cannot write TGA image";

    if (bpp == 8) {
        uint8_t map[256 * 3];
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD c = GetPaletteColor(static_cast<uint8_t>(i));
            map[3 * i] = c.rgbBlue;
            map[3 * i + 1] = c.rgbGreen;
            map[3 * i + 2] = c.rgbRed;
        }
        if (!stream.WriteBytes(map, sizeof(map))) throw "cannot write TGA image";
    }

    std::vector<uint8_t> line(size_t{width} * (depth / 8));
    const uint32_t alphaMax = GetAlphaMax();
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = GetBits(y);
        if (alpha) {
            const uint8_t* a = m_pAlpha + size_t{y} * width;
            for (uint32_t x = 0; x < width; ++x) {
                std::memcpy(&line[4 * size_t{x}], row + 3 * size_t{x}, 3);
                line[4 * size_t{x} + 3] = static_cast<uint8_t>(a[x] * alphaMax / 255);
            }
        } else {
            std::memcpy(line.data(), row, line.size());
        }
        if (!stream.WriteBytes(line.data(), line.size())) throw "cannot write TGA image";
    }
}
