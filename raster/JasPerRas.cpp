// Sun raster: 1-, 8-, 24- and 32-bit files, raw or run-length encoded, with an optional
// RGB colour map; rows are padded to 16 bits.
#include "CRasterStream.h"
#include "JasPerImage.h"

namespace jasper {
namespace {

constexpr const char* kBadData = "error: cannot load image data";
constexpr uint32_t kMagic = 0x59A66A95;
// Types 0 (old) and 1 (standard) hold raw rows alike.
constexpr uint32_t kTypeStandard = 1, kTypeRle = 2, kTypeRgb = 3;
constexpr uint32_t kMapNone = 0, kMapRgb = 1;
constexpr uint32_t kMaxMapBytes = 768;
constexpr uint8_t kRleEscape = 0x80;

// Expands the run-length data of the rest of the stream into out (all of it must be filled).
void ReadRle(CRasterStream& stream, std::vector<uint8_t>& out) {
    size_t n = 0;
    while (n < out.size()) {
        uint8_t c;
        if (!stream.ReadU8(c)) throw JasPerFailure{kBadData};
        if (c != kRleEscape) {
            out[n++] = c;
            continue;
        }
        uint8_t count;
        if (!stream.ReadU8(count)) throw JasPerFailure{kBadData};
        if (count == 0) {
            out[n++] = kRleEscape;
            continue;
        }
        uint8_t value;
        if (!stream.ReadU8(value)) throw JasPerFailure{kBadData};
        const size_t run = size_t{count} + 1;
        if (run > out.size() - n) throw JasPerFailure{kBadData};
        for (size_t i = 0; i < run; ++i) out[n++] = value;
    }
}

}  // namespace

void DecodeRas(CRasterStream& stream, Image& image) {
    uint32_t magic, width, height, depth, length, type, mapType, mapLength;
    if (!stream.ReadU32BE(magic) || !stream.ReadU32BE(width) || !stream.ReadU32BE(height) ||
        !stream.ReadU32BE(depth) || !stream.ReadU32BE(length) || !stream.ReadU32BE(type) ||
        !stream.ReadU32BE(mapType) || !stream.ReadU32BE(mapLength) || magic != kMagic) {
        throw JasPerFailure{kBadData};
    }
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX ||
        (depth != 1 && depth != 8 && depth != 24 && depth != 32) || type > kTypeRgb ||
        (mapType != kMapNone && mapType != kMapRgb) || mapLength > kMaxMapBytes ||
        mapLength % 3 != 0 || (mapType == kMapNone && mapLength != 0)) {
        throw JasPerFailure{kBadData};
    }
    uint8_t map[kMaxMapBytes] = {};
    if (!stream.ReadBytes(map, mapLength)) throw JasPerFailure{kBadData};
    const uint32_t mapEntries = mapLength / 3;

    const uint64_t rowBytes = (uint64_t{width} * depth + 15) / 16 * 2;
    const uint64_t dataBytes = rowBytes * height;
    const uint64_t left = Remaining(stream);
    // A raw file holds its rows; a run of three bytes gives at most 256.
    const uint64_t mostFromInput = type == kTypeRle ? left / 3 * 256 + left : left;
    // Colour-mapped pixels become three components, like true-colour ones: all of them count.
    const bool mapped = mapEntries > 0 && depth <= 8;
    const uint32_t channels = (depth >= 24 || mapped) ? 3 : 1;
    if (uint64_t{width} * height * channels > kMaxSamples || dataBytes > mostFromInput)
        throw JasPerFailure{kBadData};
    std::vector<uint8_t> data(static_cast<size_t>(dataBytes));
    if (type == kTypeRle) {
        ReadRle(stream, data);
    } else if (!stream.ReadBytes(data.data(), data.size())) {
        throw JasPerFailure{kBadData};
    }

    for (uint32_t k = 0; k < channels; ++k)
        image.comps.push_back(
            MakeComponent(width, height, depth == 1 && !mapped ? 1 : 255, false, kBadData));
    const bool rgbOrder = type == kTypeRgb;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = data.data() + y * rowBytes;
        for (uint32_t x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            if (depth >= 24) {
                const uint8_t* p = row + static_cast<size_t>(x) * (depth / 8) + (depth == 32);
                image.comps[0].data[i] = rgbOrder ? p[0] : p[2];
                image.comps[1].data[i] = p[1];
                image.comps[2].data[i] = rgbOrder ? p[2] : p[0];
                continue;
            }
            const uint32_t index = depth == 8 ? row[x] : (row[x / 8] >> (7 - x % 8)) & 1;
            if (mapped) {
                // Indices beyond the map are black.
                const bool inMap = index < mapEntries;
                for (uint32_t k = 0; k < 3; ++k)
                    image.comps[k].data[i] = inMap ? map[k * mapEntries + index] : 0;
            } else {
                // Without a map a set bit is black; 8-bit values are grey levels.
                image.comps[0].data[i] = static_cast<int32_t>(depth == 1 ? 1 - index : index);
            }
        }
    }
}

void EncodeRas(CRasterStream& stream, const Image& image) {
    const Component& first = image.comps[0];
    const bool colour = image.comps.size() == 3;
    const uint32_t depth = colour ? 24 : 8;
    const uint64_t rowBytes = (uint64_t{first.width} * depth + 15) / 16 * 2;
    const uint64_t dataBytes = rowBytes * first.height;
    if (dataBytes > UINT32_MAX) throw JasPerFailure{"error: cannot encode image\n"};
    std::vector<uint8_t> bytes;
    bytes.reserve(static_cast<size_t>(32 + dataBytes));
    for (uint32_t v : {kMagic, first.width, first.height, depth, static_cast<uint32_t>(dataBytes),
                       kTypeStandard, kMapNone, 0u}) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.push_back(static_cast<uint8_t>(v >> shift));
    }
    for (uint32_t y = 0; y < first.height; ++y) {
        const size_t rowStart = bytes.size();
        for (uint32_t x = 0; x < first.width; ++x) {
            const size_t i = static_cast<size_t>(y) * first.width + x;
            if (colour) {
                bytes.push_back(static_cast<uint8_t>(image.comps[2].data[i]));
                bytes.push_back(static_cast<uint8_t>(image.comps[1].data[i]));
                bytes.push_back(static_cast<uint8_t>(image.comps[0].data[i]));
            } else {
                bytes.push_back(static_cast<uint8_t>(first.data[i]));
            }
        }
        bytes.resize(rowStart + static_cast<size_t>(rowBytes), 0);
    }
    WriteAll(stream, bytes);
}

}  // namespace jasper
