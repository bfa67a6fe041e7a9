// PGX: one grey component of 1..16 bits, signed or unsigned, in either byte order.
#include <string>

#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {
namespace {

constexpr const char* kBadData = "error: cannot load image data";

// Header bytes one at a time; a header is at most a few dozen bytes.
class CHeaderReader {
public:
    explicit CHeaderReader(CRasterStream& stream) : m_stream(stream) {}

    int Peek() {
        if (m_next < 0) m_next = static_cast<int>(m_stream.GetC());
        return m_next;
    }
    int Get() {
        const int c = Peek();
        m_next = -1;
        if (c < 0 || ++m_count > 256) throw JasPerFailure{kBadData};
        return c;
    }
    void SkipBlanks() {
        while (Peek() == ' ' || Peek() == '\t' || Peek() == '\r' || Peek() == '\n') Get();
    }
    uint32_t Number(uint32_t limit) {
        SkipBlanks();
        uint64_t value = 0;
        int digits = 0;
        while (Peek() >= '0' && Peek() <= '9') {
            value = value * 10 + (Get() - '0');
            if (value > limit) throw JasPerFailure{kBadData};
            ++digits;
        }
        if (digits == 0) throw JasPerFailure{kBadData};
        return static_cast<uint32_t>(value);
    }

private:
    CRasterStream& m_stream;
    int m_next = -1;
    int m_count = 0;
};

}  // namespace

void DecodePgx(CRasterStream& stream, Image& image) {
    CHeaderReader in(stream);
    if (in.Get() != 'P' || in.Get() != 'G') throw JasPerFailure{kBadData};
    in.SkipBlanks();
    const int order0 = in.Get(), order1 = in.Get();
    bool bigEndian = false;
    if (order0 == 'M' && order1 == 'L') {
        bigEndian = true;
    } else if (!(order0 == 'L' && order1 == 'M')) {
        throw JasPerFailure{kBadData};
    }
    in.SkipBlanks();
    bool sgnd = false;
    if (in.Peek() == '+' || in.Peek() == '-') sgnd = in.Get() == '-';
    const uint32_t depth = in.Number(16);
    const uint32_t width = in.Number(INT32_MAX);
    const uint32_t height = in.Number(INT32_MAX);
    if (depth == 0 || width == 0 || height == 0) throw JasPerFailure{kBadData};
    in.Get();  // the one blank that ends the header

    const uint64_t sampleBytes = depth > 8 ? 2 : 1;
    const uint64_t samples = uint64_t{width} * height;
    if (samples > kMaxSamples || samples * sampleBytes > Remaining(stream))
        throw JasPerFailure{kBadData};
    std::vector<uint8_t> data(static_cast<size_t>(samples * sampleBytes));
    if (!stream.ReadBytes(data.data(), data.size())) throw JasPerFailure{kBadData};

    Component c = MakeComponent(width, height, (1u << depth) - 1, sgnd, kBadData);
    const uint32_t mask = (1u << depth) - 1;
    for (size_t i = 0; i < c.data.size(); ++i) {
        uint32_t v = data[i * sampleBytes];
        if (sampleBytes == 2) {
            const uint32_t second = data[i * sampleBytes + 1];
            v = bigEndian ? (v << 8) | second : (second << 8) | v;
        }
        v &= mask;
        int32_t value = static_cast<int32_t>(v);
        if (sgnd && (v >> (depth - 1)) != 0) value -= static_cast<int32_t>(1u << depth);
        c.data[i] = value;
    }
    image.comps.push_back(std::move(c));
}

void EncodePgx(CRasterStream& stream, const Image& image) {
    const Component& c = image.comps[0];
    const std::string header =
        "PG ML + 8 " + std::to_string(c.width) + " " + std::to_string(c.height) + "\n";
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (int32_t v : c.data) bytes.push_back(static_cast<uint8_t>(v));
    WriteAll(stream, bytes);
}

}  // namespace jasper
