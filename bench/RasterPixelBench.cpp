// Pixel access over a 24-bit photograph-sized image, in megapixels per second.
#include <benchmark/benchmark.h>

#include "CRaster.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;

const CRaster& Photo() {
    static CRaster* image = [] {
        auto* raster = new CRaster(kWidth, kHeight, 24, FORMAT_BMP);
        for (uint32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = raster->GetBits(y);
            for (uint32_t x = 0; x < 3 * kWidth; ++x) row[x] = static_cast<uint8_t>(x * 7 + y);
        }
        return raster;
    }();
    return *image;
}

void BM_GetPixelColor(benchmark::State& state) {
    const CRaster& image = Photo();
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int32_t y = 0; y < int32_t(kHeight); ++y) {
            for (int32_t x = 0; x < int32_t(kWidth); ++x) sum += image.GetPixelColor(x, y).rgbGreen;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

void BM_GetPixelColorBilinear(benchmark::State& state) {
    const CRaster& image = Photo();
    for (auto _ : state) {
        uint32_t sum = 0;
        for (int32_t y = 0; y < int32_t(kHeight); ++y) {
            for (int32_t x = 0; x < int32_t(kWidth); ++x) {
                sum += image.GetPixelColorBilinear(x + 0.37, y + 0.61).rgbGreen;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

BENCHMARK(BM_GetPixelColor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetPixelColorBilinear)->Unit(benchmark::kMillisecond);

}  // namespace
