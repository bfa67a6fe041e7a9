#pragma once
// Helpers shared by the benchmarks.

#include <sys/resource.h>

#include <cmath>
#include <cstdint>

#include "CRaster.h"

// User and system time of the finished child processes, in seconds.
inline double ChildrenCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Paints the photograph-like 24-bit image the benchmarks work on: smooth gradients and
// low-frequency waves with a little noise, so that codecs and display do the work a photograph
// asks of them.
inline void PaintPhoto(CRaster& raster) {
    const uint32_t width = raster.GetWidth();
    const uint32_t height = raster.GetHeight();
    uint32_t seed = 12345;
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = raster.GetBits(y);
        for (uint32_t x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double v = double(y) / height;
            const double base[3] = {
                40 + 150 * u + 30 * std::sin(9 * v + 4 * u),
                60 + 120 * v + 35 * std::sin(7 * u * v + 3 * u),
                90 + 80 * (1 - u) * v + 30 * std::cos(11 * u - 5 * v),
            };
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                const int noise = int(seed >> 28) - 8;
                const int value = int(base[c]) + noise;
                row[3 * x + c] = uint8_t(value < 0 ? 0 : (value > 255 ? 255 : value));
            }
        }
    }
}
