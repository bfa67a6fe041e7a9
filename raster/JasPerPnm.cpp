// PNM: PBM (P1, P4), PGM (P2, P5) and PPM (P3, P6), ASCII and binary, samples up to 16 bits.
#include <string>

#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {
namespace {

constexpr const char* kBadData = "error: cannot load image data";

// The file's bytes after the stream position, read at once; sizes are checked against them.
class CTextReader {
public:
    explicit CTextReader(CRasterStream& stream) {
        const uint64_t size = Remaining(stream);
        if (size == 0 || size > kMaxSamples * 6 + 64) throw JasPerFailure{kBadData};
        m_bytes.resize(static_cast<size_t>(size));
        if (!stream.ReadBytes(m_bytes.data(), m_bytes.size())) throw JasPerFailure{kBadData};
    }

    // Skips blanks and "#" comments up to the next token.
    void SkipSpace() {
        while (m_pos < m_bytes.size()) {
            const uint8_t c = m_bytes[m_pos];
            if (c == '#') {
                while (m_pos < m_bytes.size() && m_bytes[m_pos] != '\n' && m_bytes[m_pos] != '\r')
                    ++m_pos;
            } else if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') {
                ++m_pos;
            } else {
                return;
            }
        }
    }

    // A decimal number of at most limit; anything else fails.
    uint32_t Number(uint32_t limit) {
        SkipSpace();
        uint64_t value = 0;
        size_t digits = 0;
        while (m_pos < m_bytes.size() && m_bytes[m_pos] >= '0' && m_bytes[m_pos] <= '9') {
            value = value * 10 + (m_bytes[m_pos++] - '0');
            if (value > limit) throw JasPerFailure{kBadData};
            ++digits;
        }
        if (digits == 0) throw JasPerFailure{kBadData};
        return static_cast<uint32_t>(value);
    }

    // One PBM digit: ASCII bitmaps need no blanks between their pixels.
    uint32_t Bit() {
        SkipSpace();
        if (m_pos >= m_bytes.size() || (m_bytes[m_pos] != '0' && m_bytes[m_pos] != '1'))
            throw JasPerFailure{kBadData};
        return m_bytes[m_pos++] - '0';
    }

    // The single blank between the header and binary data.
    void EndOfHeader() {
        if (m_pos >= m_bytes.size()) throw JasPerFailure{kBadData};
        ++m_pos;
    }

    uint64_t Left() const { return m_bytes.size() - m_pos; }
    const uint8_t* Here() const { return m_bytes.data() + m_pos; }
    uint8_t Magic(size_t i) const { return i < m_bytes.size() ? m_bytes[i] : 0; }
    void Skip(size_t n) { m_pos += n; }

private:
    std::vector<uint8_t> m_bytes;
    size_t m_pos = 0;
};

}  // namespace

void DecodePnm(CRasterStream& stream, Image& image) {
    CTextReader in(stream);
    if (in.Magic(0) != 'P' || in.Magic(1) < '1' || in.Magic(1) > '6') throw JasPerFailure{kBadData};
    const int type = in.Magic(1) - '0';
    in.Skip(2);
    const bool bitmap = type == 1 || type == 4;
    const bool ascii = type <= 3;
    const uint32_t channels = (type == 3 || type == 6) ? 3 : 1;
    const uint32_t width = in.Number(INT32_MAX);
    const uint32_t height = in.Number(INT32_MAX);
    const uint32_t maxval = bitmap ? 1 : in.Number(65535);
    if (maxval == 0 || width == 0 || height == 0) throw JasPerFailure{kBadData};
    if (!ascii) in.EndOfHeader();

    // Every sample takes at least one byte (ASCII) or its binary size: the file must hold them.
    const uint64_t samples = uint64_t{width} * height * channels;
    const uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    const uint64_t needed = ascii    ? samples
                            : bitmap ? (uint64_t{width} + 7) / 8 * height
                                     : samples * sampleBytes;
    if (samples > kMaxSamples || needed > in.Left()) throw JasPerFailure{kBadData};

    for (uint32_t k = 0; k < channels; ++k)
        image.comps.push_back(MakeComponent(width, height, maxval, false, kBadData));

    const uint8_t* data = ascii ? nullptr : in.Here();
    const uint64_t rowBytes = (uint64_t{width} + 7) / 8;
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            for (uint32_t k = 0; k < channels; ++k) {
                uint32_t v = 0;
                if (bitmap) {
                    const uint32_t bit =
                        ascii ? in.Bit() : (data[y * rowBytes + x / 8] >> (7 - x % 8)) & 1;
                    v = 1 - bit;  // PBM: 1 is black
                } else if (ascii) {
                    v = in.Number(maxval);
                } else {
                    const size_t at = (i * channels + k) * sampleBytes;
                    v = sampleBytes == 2 ? (uint32_t{data[at]} << 8) | data[at + 1] : data[at];
                    if (v > maxval) throw JasPerFailure{kBadData};
                }
                image.comps[k].data[i] = static_cast<int32_t>(v);
            }
        }
    }
}

void EncodePnm(CRasterStream& stream, const Image& image) {
    const Component& first = image.comps[0];
    const bool colour = image.comps.size() == 3;
    const std::string header = std::string(colour ? "P6\n" : "P5\n") + std::to_string(first.width) +
                               " " + std::to_string(first.height) + "\n255\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.reserve(bytes.size() + first.data.size() * image.comps.size());
    for (size_t i = 0; i < first.data.size(); ++i) {
        for (const Component& c : image.comps) bytes.push_back(static_cast<uint8_t>(c.data[i]));
    }
    WriteAll(stream, bytes);
}

}  // namespace jasper
