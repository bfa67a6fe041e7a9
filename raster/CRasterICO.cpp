#include "CRasterICO.h"

#include <cstring>
#include <vector>

#include "ByteOrder.h"
#include "CRasterStream.h"
#include "CodecGuard.h"

namespace {

constexpr size_t kDirectoryHeaderSize = 6;
constexpr size_t kEntrySize = 16;
constexpr uint32_t kBitmapHeaderSize = 40;
constexpr uint32_t kMaxSide = 255;

uint32_t MaskRowBytes(uint32_t width) { return ((width + 31) / 32) * 4; }

void ReadOrThrow(CRasterStream& stream, void* buffer, size_t count) {
    if (!stream.ReadBytes(buffer, count)) throw "Corrupted icon";
}

void WriteOrThrow(CRasterStream& stream, const void* buffer, size_t count) {
    if (!stream.WriteBytes(buffer, count)) throw "cannot write icon file";
}

}  // namespace

bool CRasterICO::Decode(CRasterStream* stream) {
    if (!stream) return false;
    return RunDecodeStep(*this, {"Out of memory reading icon", "Corrupted icon"},
                         [&] { DecodeOrThrow(*stream); });
}

void CRasterICO::DecodeOrThrow(CRasterStream& stream) {
    const long start = stream.Tell();
    uint8_t directory[kDirectoryHeaderSize];
    if (start < 0 || !stream.ReadBytes(directory, sizeof(directory))) throw "Not an icon file";
    if (LoadU16LE(directory) != 0 || LoadU16LE(directory + 2) != 1) throw "Not an icon file";
    const int32_t count = LoadU16LE(directory + 4);
    m_info.nNumFrames = count;
    const int32_t frame = m_info.nFrame;
    if (frame < 0 || frame >= count) throw "Icon frame out of range";

    // Only the wanted entry is read.
    uint8_t entry[kEntrySize];
    if (!stream.Seek(start + static_cast<long>(kDirectoryHeaderSize + kEntrySize * frame), 0)) {
        throw "Corrupted icon";
    }
    ReadOrThrow(stream, entry, sizeof(entry));
    const uint32_t width = entry[0];
    const uint32_t height = entry[1];
    const uint32_t offset = LoadU32LE(entry + 12);
    if (width == 0 || height == 0) throw "Unsupported icon image";
    if (!stream.Seek(start + static_cast<long>(offset), 0)) throw "Corrupted icon";

    uint8_t bih[kBitmapHeaderSize];
    ReadOrThrow(stream, bih, sizeof(bih));
    const uint32_t headerSize = LoadU32LE(bih);
    const uint32_t bitCount = LoadU16LE(bih + 14);
    const uint32_t compression = LoadU32LE(bih + 16);
    const uint32_t colorsUsed = LoadU32LE(bih + 32);
    // PNG-compressed entries and bitmaps of other layouts are not read.
    if (headerSize != kBitmapHeaderSize || compression != 0 ||
        (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)) {
        throw "Unsupported icon image";
    }

    if (!Create(width, height, bitCount, FORMAT_ICO)) throw static_cast<const char*>(nullptr);
    const uint32_t colors = GetNumColors();
    if (colors) {
        // A colour count below the depth's stores only that many entries.
        const uint32_t stored = colorsUsed > 0 && colorsUsed < colors ? colorsUsed : colors;
        std::vector<RGBQUAD> palette(colors, RGBQUAD{0, 0, 0, 0});
        ReadOrThrow(stream, palette.data(), stored * sizeof(RGBQUAD));
        SetPalette(palette.data(), colors);
    }

    if (bitCount == 32) {
        std::vector<uint8_t> pixels(size_t{width} * height * 4);
        ReadOrThrow(stream, pixels.data(), pixels.size());
        if (!CreateAlpha()) throw "Out of memory reading icon";
        for (uint32_t y = 0; y < height; ++y) {
            uint8_t* row = GetBits(y);
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t* p = &pixels[(size_t{y} * width + x) * 4];
                std::memcpy(row + 3 * size_t{x}, p, 3);
                m_pAlpha[size_t{y} * width + x] = p[3];
            }
        }
    } else {
        ReadOrThrow(stream, GetBits(0), m_head.biSizeImage);
    }

    const uint32_t maskRow = MaskRowBytes(width);
    std::vector<uint8_t> mask(size_t{maskRow} * height);
    // Some writers leave the mask out of 32-bit images, whose alpha makes it redundant; the
    // entry's size then has no room for it.
    const uint64_t withMask = uint64_t{kBitmapHeaderSize} + size_t{GetNumColors()} * 4 +
                              size_t{width} * height * 4 + mask.size();
    if (bitCount == 32 && LoadU32LE(entry + 8) < withMask) return;
    // An icon cut short inside its mask still shows its pixels, without the mask.
    if (stream.ReadBytes(mask.data(), mask.size())) ApplyMask(mask.data(), maskRow);
}

void CRasterICO::ApplyMask(const uint8_t* mask, uint32_t maskRowBytes) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    const uint32_t bpp = GetBpp();
    // A 32-bit bitmap brought its own alpha, which the mask only completes.
    const bool ownAlpha = HasAlpha();
    bool used = ownAlpha;
    if (!used) {
        if (!CreateAlpha()) throw "Out of memory reading icon";
        FillAlpha(255);
    }
    uint32_t maskedCount = 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = mask + size_t{y} * maskRowBytes;
        for (uint32_t x = 0; x < width; ++x) {
            if (row[x / 8] & (0x80 >> (x % 8))) {
                m_pAlpha[size_t{y} * width + x] = 0;
                ++maskedCount;
            }
        }
    }
    if (maskedCount > 0) used = true;
    if (!used) {
        DeleteAlpha();
        return;
    }
    if (ownAlpha || maskedCount == 0) return;

    auto masked = [&](uint32_t x, uint32_t y) { return m_pAlpha[size_t{y} * width + x] == 0; };
    if (bpp == 24) {
        // All masked pixels of one colour: that colour is the transparent colour.
        bool first = true, same = true;
        RGBQUAD color{};
        for (uint32_t y = 0; y < height && same; ++y) {
            for (uint32_t x = 0; x < width && same; ++x) {
                if (!masked(x, y)) continue;
                const uint8_t* p = GetBits(y) + 3 * size_t{x};
                const RGBQUAD c{p[0], p[1], p[2], 0};
                if (first) color = c;
                same = first || c == color;
                first = false;
            }
        }
        if (same) {
            SetTransColor(color);
            SetTransIndex(0);
            DeleteAlpha();
        }
        return;
    }

    // Palette images: the lowest index no pixel uses becomes the masked pixels' index.
    std::vector<bool> inUse(GetNumColors(), false);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            inUse[GetPixelIndex(static_cast<int32_t>(x), static_cast<int32_t>(y))] = true;
        }
    }
    for (uint32_t i = 0; i < inUse.size(); ++i) {
        if (inUse[i]) continue;
        for (uint32_t y = 0; y < height; ++y) {
            for (uint32_t x = 0; x < width; ++x) {
                if (masked(x, y)) {
                    SetPixelIndex(static_cast<int32_t>(x), static_cast<int32_t>(y),
                                  static_cast<uint8_t>(i));
                }
            }
        }
        SetTransIndex(static_cast<int32_t>(i));
        DeleteAlpha();
        return;
    }
}

bool CRasterICO::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    return RunCodecStep(*this, {"Out of memory writing icon", "cannot write icon file"},
                        [&] { EncodeOrThrow(*stream); });
}

bool CRasterICO::IsMasked(uint32_t x, uint32_t y) const {
    const int32_t ix = static_cast<int32_t>(x), iy = static_cast<int32_t>(y);
    if (m_pAlpha && m_pAlpha[size_t{y} * GetWidth() + x] == 0) return true;
    if (GetBpp() <= 8) {
        const uint8_t index = GetPixelIndex(ix, iy);
        if (IsPaletteAlphaEnabled() && GetPaletteColor(index).rgbReserved == 0) return true;
        // By index, so that other entries of the same colour stay opaque.
        return GetTransIndex() >= 0 && index == GetTransIndex();
    }
    return GetTransIndex() >= 0 && GetPixelColor(ix, iy) == GetTransparentColor();
}

void CRasterICO::EncodeOrThrow(CRasterStream& stream) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) {
        throw "Can't save this image as icon";
    }
    const uint32_t maskRow = MaskRowBytes(width);
    const uint32_t maskSize = maskRow * height;
    const bool alpha32 = GetBpp() == 24 && HasAlpha();
    const uint32_t bitCount = alpha32 ? 32 : GetBpp();
    const uint32_t imageSize = alpha32 ? height * width * 4 : m_head.biSizeImage;
    const uint32_t paletteSize = GetPaletteSize();

    uint8_t head[kDirectoryHeaderSize + kEntrySize + kBitmapHeaderSize] = {};
    StoreU16LE(head + 2, 1);
    StoreU16LE(head + 4, 1);
    uint8_t* entry = head + kDirectoryHeaderSize;
    entry[0] = static_cast<uint8_t>(width);
    entry[1] = static_cast<uint8_t>(height);
    entry[2] = static_cast<uint8_t>(GetNumColors() & 0xFF);
    StoreU16LE(entry + 6, bitCount);
    StoreU32LE(entry + 8, imageSize + paletteSize + maskSize + kBitmapHeaderSize);
    StoreU32LE(entry + 12, kDirectoryHeaderSize + kEntrySize);
    uint8_t* bih = entry + kEntrySize;
    StoreU32LE(bih, kBitmapHeaderSize);
    StoreU32LE(bih + 4, width);
    StoreU32LE(bih + 8, height * 2);
    StoreU16LE(bih + 12, 1);
    StoreU16LE(bih + 14, bitCount);
    StoreU32LE(bih + 20, imageSize);
    WriteOrThrow(stream, head, sizeof(head));
    if (paletteSize) WriteOrThrow(stream, GetPalette(), paletteSize);

    if (alpha32) {
        std::vector<uint8_t> line(size_t{width} * 4);
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* row = GetBits(y);
            for (uint32_t x = 0; x < width; ++x) {
                std::memcpy(&line[4 * size_t{x}], row + 3 * size_t{x}, 3);
                line[4 * size_t{x} + 3] = m_pAlpha[size_t{y} * width + x];
            }
            WriteOrThrow(stream, line.data(), line.size());
        }
    } else {
        WriteOrThrow(stream, GetBits(0), m_head.biSizeImage);
    }

    std::vector<uint8_t> mask(maskSize, 0);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            if (IsMasked(x, y)) mask[size_t{y} * maskRow + x / 8] |= uint8_t(0x80 >> (x % 8));
        }
    }
    WriteOrThrow(stream, mask.data(), mask.size());
}
