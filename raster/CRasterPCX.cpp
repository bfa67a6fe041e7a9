#include "CRasterPCX.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ByteOrder.h"
#include "CRasterMemoryStream.h"
#include "CRasterStream.h"
#include "CodecGuard.h"

namespace {

constexpr size_t kHeaderSize = 128;
constexpr uint8_t kManufacturer = 10;
constexpr uint8_t kRleEncoding = 1;
constexpr uint8_t kPaletteMarker = 12;
constexpr int kMaxPlanes = 4;
constexpr int kMaxRun = 63;
// One coded byte stands for at most 31.5 image bytes (a two-byte run of 63).
constexpr uint64_t kMaxExpansion = 32;

struct PcxHeader {
    uint8_t manufacturer;
    uint8_t encoding;
    int bitsPerPixel;
    uint16_t xMin, yMin, xMax, yMax;
    uint16_t hDpi, vDpi;
    uint8_t colorMap[48];  // 16 entries of red, green, blue
    int planes;            // a signed byte in the file
    uint16_t bytesPerLine;
};

PcxHeader ParseHeader(const uint8_t* b) {
    PcxHeader h{};
    h.manufacturer = b[0];
    h.encoding = b[2];
    h.bitsPerPixel = b[3];
    h.xMin = LoadU16LE(b + 4);
    h.yMin = LoadU16LE(b + 6);
    h.xMax = LoadU16LE(b + 8);
    h.yMax = LoadU16LE(b + 10);
    h.hDpi = LoadU16LE(b + 12);
    h.vDpi = LoadU16LE(b + 14);
    std::memcpy(h.colorMap, b + 16, sizeof(h.colorMap));
    h.planes = static_cast<int8_t>(b[65]);
    h.bytesPerLine = LoadU16LE(b + 66);
    return h;
}

// Reads the run-length coded image data as one stream, a line at a time; runs may cross lines.
class RleReader {
public:
    RleReader(CRasterStream& stream, uint64_t total) : m_stream(stream), m_remaining(total) {}

    void Fill(uint8_t* dst, size_t n) {
        while (n > 0) {
            if (m_runLeft > 0) {
                const size_t take = std::min<size_t>(m_runLeft, n);
                std::memset(dst, m_runValue, take);
                dst += take;
                n -= take;
                m_runLeft -= static_cast<int>(take);
                continue;
            }
            const long c = m_stream.GetC();
            if (c < 0) throw "corrupted PCX";
            if (c < 0xC0) {
                *dst++ = static_cast<uint8_t>(c);
                --n;
                --m_remaining;
                continue;
            }
            const int count = static_cast<int>(c & 0x3F);
            const long value = m_stream.GetC();
            if (value < 0) throw "corrupted PCX";
            if (static_cast<uint64_t>(count) > m_remaining) throw "repeat count spans end of image";
            m_remaining -= count;
            m_runValue = static_cast<uint8_t>(value);
            m_runLeft = count;
        }
    }

private:
    CRasterStream& m_stream;
    uint64_t m_remaining;  // image bytes not yet produced, pending run included
    uint8_t m_runValue = 0;
    int m_runLeft = 0;
};

// Packs one index byte per pixel into an image row of 1, 4 or 8 bits per pixel.
void PackIndexRow(uint8_t* row, const uint8_t* indices, uint32_t width, uint32_t bpp) {
    switch (bpp) {
        case 8:
            std::memcpy(row, indices, width);
            break;
        case 4:
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t v = indices[x] & 0x0F;
                row[x / 2] = (x & 1) ? static_cast<uint8_t>((row[x / 2] & 0xF0) | v)
                                     : static_cast<uint8_t>((row[x / 2] & 0x0F) | (v << 4));
            }
            break;
        default:
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
                if (indices[x] & 1) {
                    row[x / 8] |= mask;
                } else {
                    row[x / 8] &= static_cast<uint8_t>(~mask);
                }
            }
            break;
    }
}

bool WriteRun(int value, int count, CRasterStream& stream) {
    if (count == 1 && value < 0xC0) return stream.PutC(static_cast<uint8_t>(value));
    return stream.PutC(static_cast<uint8_t>(0xC0 | count)) &&
           stream.PutC(static_cast<uint8_t>(value));
}

}  // namespace

bool CRasterPCX::Decode(CRasterStream* stream) {
    if (!stream) return false;
    return RunDecodeStep(*this, {"Out of memory reading PCX", "corrupted PCX"},
                         [&] { DecodeOrThrow(*stream); });
}

void CRasterPCX::DecodeOrThrow(CRasterStream& stream) {
    uint8_t raw[kHeaderSize];
    if (!stream.ReadBytes(raw, sizeof(raw))) throw "Can't read PCX image";
    const PcxHeader h = ParseHeader(raw);
    if (h.manufacturer != kManufacturer) throw "Error: Not a PCX file";
    if (h.encoding != kRleEncoding) throw "PCX file has unknown encoding scheme";
    if (h.xMax < h.xMin || h.yMax < h.yMin || h.planes <= 0) throw "Error: Not a PCX file";
    if (h.planes > kMaxPlanes) throw "Can't handle image with more than 4 planes";

    const uint32_t width = uint32_t{h.xMax} - h.xMin + 1;
    const uint32_t height = uint32_t{h.yMax} - h.yMin + 1;
    const int bits = h.bitsPerPixel;
    const int planes = h.planes;

    // The layouts this reader can hold, and the image depth each gives.
    uint32_t bpp = 0;
    uint64_t neededPerLine = 0;
    if (planes == 1) {
        if (bits != 1 && bits != 2 && bits != 4 && bits != 8) {
            throw "PCX file has unsupported bits per pixel";
        }
        bpp = bits == 2 ? 4 : static_cast<uint32_t>(bits);
        neededPerLine = (uint64_t{width} * bits + 7) / 8;
    } else if (bits == 1) {
        bpp = 4;
        neededPerLine = (uint64_t{width} + 7) / 8;
    } else if (bits == 8 && planes >= 3) {
        bpp = 24;
        neededPerLine = width;
    } else if (bits == 8) {
        throw "Can't handle packed pixels with more than 1 plane.";
    } else {
        throw "Can't handle more than 1 bit per pixel";
    }
    if (h.bytesPerLine < neededPerLine) throw "Error: Not a PCX file";

    const uint32_t bytesPerLine = h.bytesPerLine;
    const size_t lineBytes = size_t{bytesPerLine} * planes;
    const uint64_t total = uint64_t{lineBytes} * height;
    // Refuse a file far too short for its image before allocating the image.
    const long size = stream.Size();
    const long position = stream.Tell();
    if (size >= 0 && position >= 0 && size >= position &&
        static_cast<uint64_t>(size - position) * kMaxExpansion < total) {
        throw "corrupted PCX";
    }

    if (!Create(width, height, bpp, FORMAT_PCX)) throw static_cast<const char*>(nullptr);
    if (bpp == 24 && planes == 4 && !CreateAlpha()) throw "Out of memory reading PCX";
    SetDpiFromFile(h.hDpi, h.vDpi);
    if (m_info.nEscape) throw "Cancelled";

    std::vector<uint8_t> data(lineBytes);
    std::vector<uint8_t> indices(size_t{bytesPerLine} * 8);
    RleReader reader(stream, total);
    for (uint32_t y = 0; y < height; ++y) {
        if (m_info.nEscape) throw "Cancelled";
        reader.Fill(data.data(), lineBytes);
        const uint32_t row = height - 1 - y;
        uint8_t* dst = GetBits(row);
        if (bpp == 24) {
            const uint8_t* red = data.data();
            const uint8_t* green = red + bytesPerLine;
            const uint8_t* blue = green + bytesPerLine;
            for (uint32_t x = 0; x < width; ++x) {
                dst[3 * x] = blue[x];
                dst[3 * x + 1] = green[x];
                dst[3 * x + 2] = red[x];
            }
            if (planes == 4) {
                const uint8_t* alpha = blue + bytesPerLine;
                std::memcpy(m_pAlpha + size_t{row} * width, alpha, width);
            }
            continue;
        }
        if (planes == 1) {
            UnpackPixels(indices.data(), data.data(), bytesPerLine, planes, bits);
        } else {
            PlanesToPixels(indices.data(), data.data(), bytesPerLine, planes, bits);
        }
        PackIndexRow(dst, indices.data(), width, bpp);
    }

    if (bpp == 24) return;
    if (bits == 8) {
        const long marker = stream.GetC();
        if (marker != kPaletteMarker) throw "bad color map signature";
        uint8_t map[768];
        if (!stream.ReadBytes(map, sizeof(map))) throw "corrupted PCX";
        SetPalette(map, 256);
    } else if (bits == 1 && planes == 1) {
        SetPaletteColor(0, 0, 0, 0);
        SetPaletteColor(1, 255, 255, 255);
    } else {
        SetPalette(h.colorMap, 16);
    }
}

void CRasterPCX::PlanesToPixels(uint8_t* line, const uint8_t* planeData, uint32_t bytesPerLine,
                                int planes, int bitsPerPixel) {
    if (planes > kMaxPlanes) throw "Can't handle more than 4 planes";
    if (bitsPerPixel != 1) throw "Can't handle more than 1 bit per pixel";
    std::memset(line, 0, size_t{bytesPerLine} * 8);
    for (int p = 0; p < planes; ++p) {
        const uint8_t* plane = planeData + size_t{bytesPerLine} * p;
        const uint8_t weight = static_cast<uint8_t>(1 << p);
        for (uint32_t i = 0; i < bytesPerLine; ++i) {
            for (int bit = 0; bit < 8; ++bit) {
                if (plane[i] & (0x80 >> bit)) line[size_t{i} * 8 + bit] |= weight;
            }
        }
    }
}

void CRasterPCX::UnpackPixels(uint8_t* line, const uint8_t* data, uint32_t bytesPerLine, int planes,
                              int bitsPerPixel) {
    if (planes != 1) throw "Can't handle packed pixels with more than 1 plane.";
    switch (bitsPerPixel) {
        case 8:
            std::memcpy(line, data, bytesPerLine);
            break;
        case 4:
            for (uint32_t i = 0; i < bytesPerLine; ++i) {
                *line++ = static_cast<uint8_t>(data[i] >> 4);
                *line++ = static_cast<uint8_t>(data[i] & 0x0F);
            }
            break;
        case 2:
            for (uint32_t i = 0; i < bytesPerLine; ++i) {
                for (int shift = 6; shift >= 0; shift -= 2) {
                    *line++ = static_cast<uint8_t>((data[i] >> shift) & 0x03);
                }
            }
            break;
        case 1:
            for (uint32_t i = 0; i < bytesPerLine; ++i) {
                for (int shift = 7; shift >= 0; --shift) {
                    *line++ = static_cast<uint8_t>((data[i] >> shift) & 0x01);
                }
            }
            break;
        default:
            break;
    }
}

bool CRasterPCX::Encode(CRasterStream* stream) {
    if (CheckEncodeInput(stream)) return false;
    return RunCodecStep(*this, {"Out of memory writing PCX", "cannot write PCX image"},
                        [&] { EncodeOrThrow(*stream); });
}

void CRasterPCX::EncodeOrThrow(CRasterStream& stream) {
    const uint32_t width = GetWidth();
    const uint32_t height = GetHeight();
    const uint32_t bpp = GetBpp();

    int bits = 1;
    int planes = 1;
    uint64_t bytesPerLine = 0;
    if (bpp == 8 || bpp == 24) {
        bits = 8;
        planes = bpp == 8 ? 1 : (HasAlpha() ? 4 : 3);
        bytesPerLine = width;
    } else {
        planes = GetNumColors() == 16 ? 4 : 1;
        bytesPerLine = (uint64_t{width} + 7) / 8;
    }
    bytesPerLine = (bytesPerLine + 1) & ~uint64_t{1};
    // The header holds x max, y max and the line length in 16 bits each.
    if (width == 0 || height == 0 || width > 0x10000 || height > 0x10000 || bytesPerLine > 0xFFFF) {
        throw "Can't save this image as PCX";
    }

    uint8_t header[kHeaderSize] = {};
    header[0] = kManufacturer;
    header[1] = 5;
    header[2] = kRleEncoding;
    header[3] = static_cast<uint8_t>(bits);
    StoreU16LE(header + 8, width - 1);
    StoreU16LE(header + 10, height - 1);
    StoreU16LE(header + 12, static_cast<uint32_t>(std::clamp(GetXDPI(), 0, 0xFFFF)));
    StoreU16LE(header + 14, static_cast<uint32_t>(std::clamp(GetYDPI(), 0, 0xFFFF)));
    if (bits == 1 && planes == 1) {
        std::memset(header + 19, 255, 3);  // entry 0 black, entry 1 white
    } else if (bits == 1) {
        for (uint8_t i = 0; i < 16; ++i) {
            const RGBQUAD c = GetPaletteColor(i);
            header[16 + 3 * i] = c.rgbRed;
            header[17 + 3 * i] = c.rgbGreen;
            header[18 + 3 * i] = c.rgbBlue;
        }
    }
    header[65] = static_cast<uint8_t>(planes);
    StoreU16LE(header + 66, static_cast<uint32_t>(bytesPerLine));
    StoreU16LE(header + 68, bpp == 24 ? 1 : 0);
    if (!stream.WriteBytes(header, sizeof(header))) throw "cannot write PCX header";

    CRasterMemoryStream out;
    if (!out.Open()) throw "Out of memory writing PCX";
    const int endOfLine = (width & 1) ? kRleEndOdd : kRleEndEven;
    bool ok = true;

    if (bits == 8) {
        for (uint32_t y = height; y-- > 0 && ok;) {
            const uint8_t* row = GetBits(y);
            if (bpp == 8) {
                RleState state;
                for (uint32_t x = 0; x < width; ++x) ok = ok && PutRleByte(row[x], state, out);
                ok = ok && PutRleByte(endOfLine, state, out);
                continue;
            }
            // Planes red, green, blue, then alpha.
            for (int p = 0; p < planes; ++p) {
                RleState state;
                for (uint32_t x = 0; x < width; ++x) {
                    const uint8_t v = p == 3 ? m_pAlpha[size_t{y} * width + x] : row[3 * x + 2 - p];
                    ok = ok && PutRleByte(v, state, out);
                }
                ok = ok && PutRleByte(endOfLine, state, out);
            }
        }
        if (bpp == 8) {
            uint8_t trailer[1 + 768];
            trailer[0] = kPaletteMarker;
            for (int i = 0; i < 256; ++i) {
                const RGBQUAD c = GetPaletteColor(static_cast<uint8_t>(i));
                trailer[1 + 3 * i] = c.rgbRed;
                trailer[2 + 3 * i] = c.rgbGreen;
                trailer[3 + 3 * i] = c.rgbBlue;
            }
            ok = ok && out.WriteBytes(trailer, sizeof(trailer));
        }
    } else {
        // A 1-bit file shows entry 0 black and entry 1 white; invert the indices (in the output
        // only) when the image's palette has them the other way round.
        const RGBQUAD* palette = GetPalette();
        const bool invert = bpp == 1 && palette && CompareByLuminance(&palette[0], &palette[1]) > 0;
        std::vector<uint8_t> indices(width);
        std::vector<uint8_t> plane(bytesPerLine, 0);
        for (uint32_t y = height; y-- > 0 && ok;) {
            for (uint32_t x = 0; x < width; ++x) {
                const uint8_t index =
                    GetPixelIndex(static_cast<int32_t>(x), static_cast<int32_t>(y));
                indices[x] = invert ? static_cast<uint8_t>(1 - index) : index;
            }
            for (int p = 0; p < planes && ok; ++p) {
                ExtractBitPlane(indices.data(), width, plane.data(), p);
                ok = WriteRleLine(plane.data(), plane.size(), out);
            }
        }
    }
    if (!ok) throw "Out of memory writing PCX";

    const long size = out.Size();
    if (size > 0 && !stream.WriteBytes(out.GetBuffer(false), static_cast<size_t>(size))) {
        throw "cannot write PCX image";
    }
}

bool CRasterPCX::PutRleByte(int value, RleState& state, CRasterStream& stream) {
    if (value < 0) {
        bool ok = state.count == 0 || WriteRun(state.last, state.count, stream);
        if (value == kRleEndOdd) ok = ok && stream.PutC(0);
        state = RleState{};
        return ok;
    }
    bool ok = true;
    if (value != state.last && state.count > 0) {
        ok = WriteRun(state.last, state.count, stream);
        state.count = 0;
    }
    if (state.count == kMaxRun) {
        ok = ok && WriteRun(state.last, state.count, stream);
        state.count = 0;
    }
    state.last = value;
    ++state.count;
    return ok;
}

bool CRasterPCX::WriteRleLine(const uint8_t* data, size_t length, CRasterStream& stream) {
    if (length == 0) return true;
    int run = 1;
    uint8_t ch = data[0];
    for (size_t i = 1; i < length; ++i) {
        if (data[i] == ch && run < kMaxRun) {
            ++run;
            continue;
        }
        if (!WriteRun(ch, run, stream)) return false;
        run = 1;
        ch = data[i];
    }
    return WriteRun(ch, run, stream);
}

void CRasterPCX::ExtractBitPlane(const uint8_t* indices, size_t count, uint8_t* out, int plane) {
    std::memset(out, 0, (count + 7) / 8);
    for (size_t i = 0; i < count; ++i) {
        if ((indices[i] >> plane) & 1) out[i / 8] |= static_cast<uint8_t>(0x80 >> (i & 7));
    }
}
