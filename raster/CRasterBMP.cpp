#include "CRasterBMP.h"

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "ByteOrder.h"
#include "CRasterStream.h"

namespace {

constexpr uint16_t kMagic = 0x4D42;  // "BM"
constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;

// What a header may claim, checked before the image is made. Uncompressed rows are stored as
// they are: a whole file holds all of them, and a file cut short still loads (the rows it lacks
// zero) while it holds at least a sixteenth of them. Run-length data as encoders write it covers
// at most 255 pixels with 2 bytes, 127.5 pixels per byte; deltas and end-of-line codes skip
// pixels without data and would let a few bytes claim any size, so a claim beyond twice that
// rate is no picture the data describes. Any image up to the slack passes.
constexpr uint64_t kMinHeldShare = 16;
constexpr uint64_t kMaxRlePixelsPerByte = 256;
constexpr uint64_t kSizeSlack = uint64_t{1} << 20;

constexpr const char* kNotBmp = "Not a BMP";
constexpr const char* kBadInfo = "Error reading BMP info";
constexpr const char* kNoMemory = "Can't allocate memory";
constexpr const char* kCancelled = "Cancelled";
constexpr const char* kBadCompression = "compression type not supported";
constexpr const char* kUnknownCompression = "unknown compression";
constexpr const char* kNoBufferMemory = "can't allocate memory";
constexpr const char* kTruncated = "Error reading BMP data";
constexpr const char* kWriteError = "Error writing BMP file";

// Reads up to count bytes of pixel data; the rest of the buffer stays as it is. False when the
// data ends before its first byte.
bool ReadPixelData(CRasterStream* stream, void* buffer, size_t count) {
    return stream->Read(buffer, 1, count) > 0;
}

// Reads and drops count bytes; false when the stream ends first.
bool SkipBytes(CRasterStream* stream, uint64_t count) {
    uint8_t junk[512];
    while (count > 0) {
        const size_t n = count < sizeof(junk) ? static_cast<size_t>(count) : sizeof(junk);
        if (!stream->ReadBytes(junk, n)) return false;
        count -= n;
    }
    return true;
}

// Bytes of rows × (bits × width padded to 32 bits) as a header describes them; values no image
// can have (a non-positive or overlong row) give UINT64_MAX, so that nothing overflows.
uint64_t HeaderImageBytes(const BITMAPINFOHEADER& h) {
    const int64_t rowBits = int64_t{h.biBitCount} * h.biWidth;
    if (rowBits <= 0 || rowBits > (int64_t{1} << 35)) return UINT64_MAX;
    const uint64_t rows = h.biHeight < 0 ? uint64_t(-int64_t{h.biHeight}) : uint64_t(h.biHeight);
    return uint64_t((rowBits + 31) / 32) * 4 * rows;
}

bool IsSupportedBitCount(uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

struct FreeDeleter {
    void operator()(uint8_t* p) const { std::free(p); }
};

}  // namespace

uint32_t CRasterBMP::StrideFor(int64_t width, uint32_t bpp) {
    if (width <= 0 || bpp > 64) return 0;
    const int64_t stride = ((int64_t{bpp} * width + 31) / 32) * 4;
    return stride > INT32_MAX ? 0 : static_cast<uint32_t>(stride);
}

bool CRasterBMP::ReadInfoHeader(CRasterStream* stream, BITMAPINFOHEADER* header, uint32_t* masks) {
    if (!stream || !header) return false;
    BITMAPINFOHEADER h{};
    if (!stream->ReadU32LE(h.biSize)) return false;
    if (h.biSize == 12) {
        uint8_t core[8];
        if (!stream->ReadBytes(core, sizeof(core))) return false;
        h.biWidth = LoadU16LE(core);
        h.biHeight = LoadU16LE(core + 2);
        h.biPlanes = LoadU16LE(core + 4);
        h.biBitCount = LoadU16LE(core + 6);
    } else if (h.biSize >= 40) {
        uint8_t b[36];
        if (!stream->ReadBytes(b, sizeof(b))) return false;
        h.biWidth = static_cast<int32_t>(LoadU32LE(b));
        h.biHeight = static_cast<int32_t>(LoadU32LE(b + 4));
        h.biPlanes = LoadU16LE(b + 8);
        h.biBitCount = LoadU16LE(b + 10);
        h.biCompression = LoadU32LE(b + 12);
        h.biSizeImage = LoadU32LE(b + 16);
        h.biXPelsPerMeter = static_cast<int32_t>(LoadU32LE(b + 20));
        h.biYPelsPerMeter = static_cast<int32_t>(LoadU32LE(b + 24));
        h.biClrUsed = LoadU32LE(b + 28);
        h.biClrImportant = LoadU32LE(b + 32);
        if (h.biSize == 64) {
            if (!SkipBytes(stream, 24)) return false;
        } else if (h.biSize > 40) {
            // Later header versions: accepted when the first 40 bytes describe a plain image
            // whose size matches. Those with bit fields carry the masks in bytes 40..51.
            const bool bitFields = h.biCompression == kBitFields && h.biSize >= 52 &&
                                   (h.biBitCount == 16 || h.biBitCount == 32);
            if (h.biPlanes != 1 || h.biClrUsed != 0 || (h.biCompression != kRgb && !bitFields) ||
                h.biSizeImage != HeaderImageBytes(h)) {
                return false;
            }
            uint64_t rest = h.biSize - 40;
            if (bitFields) {
                uint8_t m[12];
                if (!stream->ReadBytes(m, sizeof(m))) return false;
                if (masks) {
                    masks[0] = LoadU32LE(m);
                    masks[1] = LoadU32LE(m + 4);
                    masks[2] = LoadU32LE(m + 8);
                }
                rest -= sizeof(m);
            }
            if (!SkipBytes(stream, rest)) return false;
        }
    } else {
        return false;
    }
    if (h.biSizeImage == 0) {
        const uint64_t bytes = HeaderImageBytes(h);
        h.biSizeImage = bytes > UINT32_MAX ? 0 : static_cast<uint32_t>(bytes);
    }
    if (h.biClrUsed == 0 && h.biBitCount <= 8) h.biClrUsed = 1u << h.biBitCount;
    *header = h;
    return true;
}

bool CRasterBMP::Decode(CRasterStream* stream) {
    if (!stream) return false;
    if (const char* error = DecodeBody(stream)) {
        Destroy();
        SetLastError(error);
        return false;
    }
    return true;
}

const char* CRasterBMP::DecodeBody(CRasterStream* stream) {
    const long start = stream->Tell();
    uint8_t fileHeader[14];
    if (stream->Read(fileHeader, sizeof(fileHeader), 1) != 1) return kNotBmp;
    uint32_t offBits = LoadU32LE(fileHeader + 10);
    if (LoadU16LE(fileHeader) != kMagic) {
        // Bare bitmap data: the info header starts right here.
        offBits = 0;
        if (!stream->Seek(start, 0)) return kNotBmp;
    }

    BITMAPINFOHEADER h{};
    uint32_t masks[3] = {0, 0, 0};
    if (!ReadInfoHeader(stream, &h, masks)) return kBadInfo;
    const uint32_t compression = h.biCompression;
    const uint32_t bits = h.biBitCount;
    const bool core = h.biSize == 12;
    const bool headerMasks = masks[0] | masks[1] | masks[2];
    // Sizes that are no image, and depths this reader has no pixel layout for.
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT_MIN || !IsSupportedBitCount(bits)) {
        return kBadInfo;
    }
    const bool topDown = h.biHeight < 0;
    const uint32_t width = static_cast<uint32_t>(h.biWidth);
    const uint32_t height = static_cast<uint32_t>(topDown ? -h.biHeight : h.biHeight);

    // Uncompressed pixel rows as stored on file; refuse sizes the stream cannot plausibly hold
    // before anything is allocated for them.
    uint64_t fileRowBytes = StrideFor(width, bits);
    if (bits == 16) fileRowBytes = uint64_t{(width + 1) / 2} * 4;
    if (bits == 32) fileRowBytes = uint64_t{width} * 4;
    const uint64_t filePixelBytes = fileRowBytes * height;
    const long total = stream->Size();
    const bool compressed = bits <= 8 && (compression == kRle8 || compression == kRle4);
    if (fileRowBytes == 0) return kBadInfo;
    const long here = stream->Tell();
    if (total >= 0 && here >= 0) {
        const uint64_t available = total > here ? uint64_t(total - here) : 0;
        if (!compressed && filePixelBytes > available * kMinHeldShare + kSizeSlack) {
            return kTruncated;
        }
        if (compressed &&
            uint64_t{width} * height > available * kMaxRlePixelsPerByte + kSizeSlack) {
            return kBadInfo;
        }
    }

    h.biSize = 40;
    h.biHeight = static_cast<int32_t>(height);
    m_head = h;
    if (!Create(width, height, bits, FORMAT_BMP)) return kNoMemory;
    SetDpiFromFile(h.biXPelsPerMeter * 254.0 / 10000.0, h.biYPelsPerMeter * 254.0 / 10000.0);
    m_head.biXPelsPerMeter = h.biXPelsPerMeter;
    m_head.biYPelsPerMeter = h.biYPelsPerMeter;

    if (GetEscape()) return kCancelled;

    if (RGBQUAD* palette = GetPalette()) {
        const uint32_t n = GetNumColors();
        const uint32_t onFile = h.biClrUsed < n ? h.biClrUsed : n;
        if (core) {
            uint8_t* raw = reinterpret_cast<uint8_t*>(palette);
            if (!stream->ReadBytes(raw, size_t{onFile} * 3)) return kTruncated;
            for (uint32_t i = onFile; i-- > 0;) {
                palette[i] = RGBQUAD{raw[3 * i], raw[3 * i + 1], raw[3 * i + 2], 0};
            }
        } else {
            if (!stream->ReadBytes(palette, size_t{onFile} * 4)) return kTruncated;
            for (uint32_t i = 0; i < onFile; ++i) palette[i].rgbReserved = 0;
        }
        // Bare data has no pixel offset: step over entries beyond what the image holds.
        if (offBits == 0 && h.biClrUsed > n &&
            !stream->Seek(static_cast<long>(uint64_t{h.biClrUsed - n} * (core ? 3 : 4)), 1)) {
            return kTruncated;
        }
    }

    if (GetEscape()) return kCancelled;

    auto seekToPixels = [&]() { return offBits == 0 || stream->Seek(start + long{offBits}, 0); };
    switch (bits) {
        case 1:
        case 4:
        case 8:
            if (!seekToPixels()) return kTruncated;
            if (compression == kRgb) {
                if (!ReadPixelData(stream, GetBits(0), m_head.biSizeImage)) return kTruncated;
            } else if (compression == kRle8 || compression == kRle4) {
                if (const char* error = DecodeRle(stream, compression == kRle4)) return error;
            } else {
                return kBadCompression;
            }
            break;
        case 16:
        case 32: {
            uint32_t red = 0x7C00, green = 0x03E0, blue = 0x001F;
            if (bits == 16 && compression == kBitFields) {
                if (!headerMasks) {
                    uint8_t m[12];
                    if (!stream->ReadBytes(m, sizeof(m))) return kTruncated;
                    masks[0] = LoadU32LE(m);
                    masks[1] = LoadU32LE(m + 4);
                    masks[2] = LoadU32LE(m + 8);
                }
                red = masks[0] & 0xFFFF;
                green = masks[1] & 0xFFFF;
                blue = masks[2] & 0xFFFF;
            } else if (bits == 32 && compression != kRgb && compression != kBitFields) {
                return kUnknownCompression;
            }
            if (!seekToPixels()) return kTruncated;
            // The 16- and 32-bit rows are read into a buffer of their own: converted in place
            // they would be overwritten by the wider 24-bit rows before they are read.
            std::unique_ptr<uint8_t, FreeDeleter> buffer(
                static_cast<uint8_t*>(std::calloc(1, static_cast<size_t>(filePixelBytes))));
            if (!buffer) return kNoBufferMemory;
            if (!ReadPixelData(stream, buffer.get(), static_cast<size_t>(filePixelBytes))) {
                return kTruncated;
            }
            ConvertBitfieldsToRgb(buffer.get(), red, green, blue, static_cast<uint8_t>(bits));
            break;
        }
        case 24:
            if (!seekToPixels()) return kTruncated;
            if (compression != kRgb) return kUnknownCompression;
            if (!ReadPixelData(stream, GetBits(0), m_head.biSizeImage)) return kTruncated;
            break;
        default:
            return kBadInfo;
    }

    if (topDown && !Flip()) return kNoMemory;
    return nullptr;
}

const char* CRasterBMP::DecodeRle(CRasterStream* stream, bool fourBit) {
    uint8_t* pixels = GetBits(0);
    const int64_t size = m_head.biSizeImage;
    const int64_t stride = GetRowStride();
    const int64_t height = GetHeight();
    // x counts bytes (RLE8) or pixels (RLE4) and is not clipped to the row: a run passing the
    // row end goes on in the row above. Nothing lands outside the pixel buffer.
    int64_t x = 0, y = 0;
    auto put = [&](uint8_t value) {
        const int64_t offset = y * stride + (fourBit ? x / 2 : x);
        if (offset < size) {
            uint8_t& byte = pixels[offset];
            if (!fourBit) {
                byte = value;
            } else if (x & 1) {
                byte = static_cast<uint8_t>((byte & 0xF0) | (value & 0x0F));
            } else {
                byte = static_cast<uint8_t>(value << 4);
            }
        }
        ++x;
    };
    auto next = [&](long& value) { return (value = stream->GetC()) >= 0; };

    // Decoding ends at the end-of-bitmap escape, once the rows pass the image height, or where
    // the data ends: what was decoded stays. Data without a byte is no picture.
    bool started = false;
    while (y < height) {
        long count, value;
        if (!next(count)) return started ? nullptr : kTruncated;
        started = true;
        if (!next(value)) return nullptr;
        if (count > 0) {
            for (long i = 0; i < count; ++i) {
                put(fourBit ? static_cast<uint8_t>((i & 1) ? value & 0x0F : value >> 4)
                            : static_cast<uint8_t>(value));
            }
            continue;
        }
        switch (value) {
            case 0:
                x = 0;
                ++y;
                break;
            case 1:
                return nullptr;
            case 2: {
                long dx, dy;
                if (!next(dx) || !next(dy)) return nullptr;
                x += dx;
                y += dy;
                break;
            }
            default: {
                const long bytes = fourBit ? (value + 1) / 2 : value;
                long byte = 0;
                for (long i = 0; i < value; ++i) {
                    if (!fourBit) {
                        if (!next(byte)) return nullptr;
                        put(static_cast<uint8_t>(byte));
                    } else {
                        if (!(i & 1) && !next(byte)) return nullptr;
                        put(static_cast<uint8_t>((i & 1) ? byte & 0x0F : byte >> 4));
                    }
                }
                long pad;
                if ((bytes & 1) && !next(pad)) return nullptr;
                break;
            }
        }
    }
    return nullptr;
}

bool CRasterBMP::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    const uint32_t paletteBytes = m_head.biClrUsed * 4;
    const uint8_t* block = static_cast<const uint8_t*>(m_pDib);
    // The header goes out field by field from m_head (the block is shared with the caller's
    // image and not written to); palette and rows follow from the block as they are in memory.
    bool ok = stream->WriteU16LE(kMagic) && stream->WriteU32LE(GetSize() + 14) &&
              stream->WriteU16LE(0) && stream->WriteU16LE(0) &&
              stream->WriteU32LE(40 + paletteBytes + 14);
    ok = ok && stream->WriteU32LE(40) &&
         stream->WriteU32LE(static_cast<uint32_t>(m_head.biWidth)) &&
         stream->WriteU32LE(static_cast<uint32_t>(m_head.biHeight)) && stream->WriteU16LE(1) &&
         stream->WriteU16LE(m_head.biBitCount) && stream->WriteU32LE(kRgb) &&
         stream->WriteU32LE(m_head.biSizeImage) &&
         stream->WriteU32LE(static_cast<uint32_t>(GetXPelsPerMeter())) &&
         stream->WriteU32LE(static_cast<uint32_t>(GetYPelsPerMeter())) &&
         stream->WriteU32LE(m_head.biClrUsed) && stream->WriteU32LE(m_head.biClrImportant);
    ok = ok && stream->WriteBytes(block + sizeof(BITMAPINFOHEADER), GetSize() - 40);
    if (!ok) {
        SetLastError(kWriteError);
        return false;
    }
    return true;
}
