#include "CRasterWBMP.h"

#include <vector>

#include "CRasterStream.h"
#include "CodecGuard.h"

namespace {

constexpr uint32_t kMaxSaveSide = 255;
// A multi-byte integer of more than 4 bytes would exceed 28 bits: no image of this library.
constexpr int kMaxIntegerBytes = 4;

uint32_t ReadMultiByte(CRasterStream& stream) {
    uint32_t value = 0;
    for (int i = 0; i < kMaxIntegerBytes; ++i) {
        uint8_t byte = 0;
        if (!stream.ReadU8(byte)) throw "Corrupted WBMP";
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80)) return value;
    }
    throw "Corrupted WBMP";
}

uint64_t DataSize(uint32_t width, uint32_t height) {
    return uint64_t{height} * ((uint64_t{width} + 7) / 8);
}

bool WriteMultiByte(CRasterStream& stream, uint32_t value) {
    if (value >= 0x80 && !stream.WriteU8(static_cast<uint8_t>(0x80 | (value >> 7)))) return false;
    return stream.WriteU8(static_cast<uint8_t>(value & 0x7F));
}

}  // namespace

bool CRasterWBMP::Decode(CRasterStream* stream) {
    if (!stream) return false;
    return RunDecodeStep(*this, {"WBMP Create failed", "Corrupted WBMP"},
                         [&] { DecodeOrThrow(*stream); });
}

void CRasterWBMP::DecodeOrThrow(CRasterStream& stream) {
    const long start = stream.Tell();
    uint8_t type = 0;
    if (!stream.ReadU8(type)) throw "Not a WBMP";
    if (type != 0) throw "Unsupported WBMP type";
    uint8_t fixedHeader = 0;
    if (!stream.ReadU8(fixedHeader)) throw "Corrupted WBMP";
    uint32_t width = 0, height = 0;
    bool parsed = true;
    try {
        width = ReadMultiByte(stream);
        height = ReadMultiByte(stream);
    } catch (const char*) {
        parsed = false;
    }

    // The data must be there before the image is allocated. A file that does not parse or fit
    // with multi-byte integers but fits exactly with single-byte width and height is an old one.
    const long size = stream.Size();
    const long position = stream.Tell();
    const bool known = size >= 0 && start >= 0 && position >= start && size >= position;
    if (!parsed || width == 0 || height == 0 ||
        (known && DataSize(width, height) > static_cast<uint64_t>(size - position))) {
        uint8_t old[2];
        if (!known || !stream.Seek(start + 2, 0) || !stream.ReadBytes(old, 2) ||
            ((old[0] | old[1]) & 0x80) == 0 ||
            static_cast<uint64_t>(size - start) != 4 + DataSize(old[0], old[1])) {
            throw "Corrupted WBMP";
        }
        width = old[0];
        height = old[1];
    }
    if (width == 0 || height == 0) throw "Corrupted WBMP";

    if (!Create(width, height, 1, FORMAT_WBMP)) throw "WBMP Create failed";
    SetGrayPalette();
    const size_t rowBytes = (size_t{width} + 7) / 8;
    for (uint32_t y = height; y-- > 0;) {
        if (!stream.ReadBytes(GetBits(y), rowBytes)) throw "Corrupted WBMP";
    }
}

bool CRasterWBMP::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    return RunCodecStep(*this, {"Out of memory writing WBMP", "cannot write WBMP image"},
                        [&] { EncodeOrThrow(*stream); });
}

void CRasterWBMP::EncodeOrThrow(CRasterStream& stream) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    if (width == 0 || height == 0 || width > kMaxSaveSide || height > kMaxSaveSide ||
        GetBpp() != 1) {
        throw "Can't save this image as WBMP";
    }
    if (!stream.WriteU8(0) || !stream.WriteU8(0) || !WriteMultiByte(stream, width) ||
        !WriteMultiByte(stream, height)) {
        throw "cannot write WBMP image";
    }
    // The file's bit 1 is white: write the indices inverted when entry 0 is the brighter one.
    const RGBQUAD* palette = GetPalette();
    const bool invert = CompareByLuminance(&palette[0], &palette[1]) > 0;
    const size_t rowBytes = (size_t{width} + 7) / 8;
    // Bits past the last pixel are written as 0.
    const uint8_t lastMask = static_cast<uint8_t>(0xFF << ((8 - width % 8) % 8));
    std::vector<uint8_t> line(rowBytes);
    for (uint32_t y = height; y-- > 0;) {
        const uint8_t* row = GetBits(y);
        for (size_t i = 0; i < rowBytes; ++i) line[i] = invert ? uint8_t(~row[i]) : row[i];
        line[rowBytes - 1] &= lastMask;
        if (!stream.WriteBytes(line.data(), rowBytes)) throw "cannot write WBMP image";
    }
}
