#pragma once
// Test helpers for exchanging pixels with the independent tools: binary PGM/PPM files (rows
// top-down, grey or red-green-blue bytes) read and written here, and the same layout taken
// from a CRaster (whose rows are bottom-up).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "CRaster.h"

namespace pnm {

struct Pixels {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;      // 1 grey, 3 red-green-blue
    std::vector<uint8_t> data;  // top row first
    uint8_t At(uint32_t x, uint32_t y, uint32_t c) const {
        return data[(size_t{y} * width + x) * channels + c];
    }
};

// Reads a binary P5 or P6 file with maxval 255; false on anything else.
inline bool Read(const std::string& path, Pixels& out) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    char magic[3] = {};
    unsigned w = 0, h = 0, maxval = 0;
    const bool header = std::fscanf(f, "%2s %u %u %u", magic, &w, &h, &maxval) == 4 &&
                        std::fgetc(f) != EOF && maxval == 255;
    const std::string m = magic;
    if (!header || (m != "P5" && m != "P6")) {
        std::fclose(f);
        return false;
    }
    out.width = w;
    out.height = h;
    out.channels = m == "P5" ? 1 : 3;
    out.data.resize(size_t{w} * h * out.channels);
    const bool ok = std::fread(out.data.data(), 1, out.data.size(), f) == out.data.size();
    std::fclose(f);
    return ok;
}

inline bool Write(const std::string& path, const Pixels& p) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fprintf(f, "%s\n%u %u\n255\n", p.channels == 1 ? "P5" : "P6", p.width, p.height);
    const bool ok = std::fwrite(p.data.data(), 1, p.data.size(), f) == p.data.size();
    return std::fclose(f) == 0 && ok;
}

// The image's colours top row first: grey (red byte of each colour) or red-green-blue.
inline Pixels FromRaster(const CRaster& image, uint32_t channels) {
    Pixels p;
    p.width = image.GetWidth();
    p.height = image.GetHeight();
    p.channels = channels;
    p.data.reserve(size_t{p.width} * p.height * channels);
    for (int32_t y = int32_t(p.height) - 1; y >= 0; --y) {
        for (int32_t x = 0; x < int32_t(p.width); ++x) {
            const RGBQUAD c = image.GetPixelColor(x, y);
            p.data.push_back(c.rgbRed);
            if (channels == 3) {
                p.data.push_back(c.rgbGreen);
                p.data.push_back(c.rgbBlue);
            }
        }
    }
    return p;
}

// Largest and mean absolute difference of two images of the same layout.
struct Difference {
    int maximum = 0;
    double mean = 0;
};

inline Difference Compare(const Pixels& a, const Pixels& b) {
    Difference d;
    if (a.data.size() != b.data.size() || a.data.empty()) return Difference{256, 256};
    uint64_t sum = 0;
    for (size_t i = 0; i < a.data.size(); ++i) {
        const int e = a.data[i] > b.data[i] ? a.data[i] - b.data[i] : b.data[i] - a.data[i];
        sum += e;
        if (e > d.maximum) d.maximum = e;
    }
    d.mean = double(sum) / a.data.size();
    return d;
}

}  // namespace pnm
