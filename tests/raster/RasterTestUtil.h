#pragma once
// Helpers shared by the format tests: little-endian byte building, decoding from memory,
// pixel comparison and the independent tools' view of a file as top-down RGB bytes.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CRaster.h"
#include "CRasterMemoryStream.h"
#include "ExternalTools.h"

namespace rastertest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }

inline bool DecodeBytes(CRaster& image, Bytes data, uint32_t format) {
    CRasterMemoryStream stream(data.data(), static_cast<long>(data.size()));
    return image.Decode(&stream, format);
}

inline Bytes ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()),
              static_cast<std::streamsize>(data.size()));
}

// The image as top-down rows of red, green, blue bytes.
inline Bytes TopDownRgb(const CRaster& image) {
    Bytes rgb;
    for (int32_t y = static_cast<int32_t>(image.GetHeight()) - 1; y >= 0; --y) {
        for (int32_t x = 0; x < static_cast<int32_t>(image.GetWidth()); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y);
            rgb.insert(rgb.end(), {c.rgbRed, c.rgbGreen, c.rgbBlue});
        }
    }
    return rgb;
}

// Pillow's decoding of a file (first frame, or frame `frame`) as top-down RGB, empty on failure.
inline Bytes PillowRgb(const std::string& file, const std::string& rawOut, int frame = 0) {
    const std::string script = "from PIL import Image; im = Image.open('" + file + "'); im.seek(" +
                               std::to_string(frame) + "); open('" + rawOut +
                               "', 'wb').write(im.convert('RGB').tobytes())";
    if (!external::Run(external::PillowPython() + " -c \"" + script + "\"")) return {};
    return ReadFile(rawOut);
}

// ImageMagick's decoding of a file (frame `frame`) as top-down RGB, empty on failure.
inline Bytes MagickRgb(const std::string& file, const std::string& rawOut, int frame = 0) {
    if (!external::Run(external::kConvert + " '" + file + "[" + std::to_string(frame) +
                       "]' -depth 8 rgb:'" + rawOut + "'")) {
        return {};
    }
    return ReadFile(rawOut);
}

// Largest channel difference of two equally long RGB buffers, or 256 when sizes differ.
inline int MaxDifference(const Bytes& a, const Bytes& b) {
    if (a.size() != b.size()) return 256;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

// A deterministic pattern: index image with every palette entry used, or a colour gradient.
inline void FillPattern(CRaster& image, uint32_t seed = 1) {
    const uint32_t w = image.GetWidth(), h = image.GetHeight();
    const uint32_t colors = image.GetNumColors();
    for (uint32_t i = 0; i < colors; ++i) {
        image.SetPaletteColor(static_cast<uint8_t>(i), static_cast<uint8_t>(i * 37 + seed),
                              static_cast<uint8_t>(255 - i * 11), static_cast<uint8_t>(i * 5));
    }
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            const uint32_t v = (x * 7 + y * 13 + seed) * 2654435761u >> 13;
            if (colors) {
                image.SetPixelIndex(x, y, static_cast<uint8_t>(v % colors));
            } else {
                image.SetPixelColor(
                    x, y,
                    RGBQUAD{static_cast<uint8_t>(x * 9 + seed), static_cast<uint8_t>(y * 17),
                            static_cast<uint8_t>(v), 0});
            }
        }
    }
}

}  // namespace rastertest
