// GIF encode (each compressor) and decode, and the 256-colour quantization of a 24-bit
// 6000 × 4000 photograph-like image, in megapixels per second; ImageMagick on the same image
// beside them when it is installed (its times include reading and writing its files).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CColorQuantizer.h"
#include "CRaster.h"
#include "CRasterMemoryStream.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
const std::string kConvert = "/usr/bin/convert";

void CountMegapixels(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(double(kWidth) * kHeight / 1e6 * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

// Smooth shading, a soft highlight, texture and noise, like a photograph's colour spread.
const CRaster& Photo() {
    static CRaster* image = [] {
        auto* raster = new CRaster(kWidth, kHeight, 24, FORMAT_BMP);
        uint32_t seed = 99;
        for (uint32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = raster->GetBits(y);
            const double v = double(y) / kHeight;
            for (uint32_t x = 0; x < kWidth; ++x) {
                const double u = double(x) / kWidth;
                seed = seed * 1103515245u + 12345u;
                const int noise = int((seed >> 16) % 13) - 6;
                const double sun = std::exp(-((u - 0.6) * (u - 0.6) + (v - 0.4) * (v - 0.4)) * 20);
                const double texture = 0.5 + 0.5 * std::sin(x * 0.05 + std::sin(y * 0.03) * 4);
                auto clamp = [](double c) { return uint8_t(c < 0 ? 0 : c > 255 ? 255 : c); };
                row[3 * x + 0] = clamp(40 + 180 * (1 - v) * (1 - sun) + 25 * texture + noise);
                row[3 * x + 1] = clamp(70 + 90 * (1 - v) + 140 * sun + 50 * texture * v + noise);
                row[3 * x + 2] = clamp(50 + 110 * (1 - v) + 190 * sun + 40 * texture * v + noise);
            }
        }
        return raster;
    }();
    return *image;
}

// The photograph reduced to 256 colours as the document's GIF save path does it.
const CRaster& Reduced() {
    static CRaster* image = [] {
        auto* raster = new CRaster(Photo());
        CColorQuantizer quantizer(256, 7);
        quantizer.AddImage(raster->GetDIB());
        RGBQUAD palette[256] = {};
        quantizer.WritePalette(palette);
        raster->ReduceBpp(8, true, palette, 256);
        return raster;
    }();
    return *image;
}

void BM_Quantize256(benchmark::State& state) {
    for (auto _ : state) {
        CRaster image(Photo());
        CColorQuantizer quantizer(256, 7);
        quantizer.AddImage(image.GetDIB());
        RGBQUAD palette[256] = {};
        quantizer.WritePalette(palette);
        // Without error diffusion, as ImageMagick's "+dither".
        image.ReduceBpp(8, false, palette, 256);
        benchmark::DoNotOptimize(image.GetBits(0));
    }
    CountMegapixels(state);
}

// The octree alone: the palette, without mapping the pixels to it.
void BM_QuantizeTree(benchmark::State& state) {
    for (auto _ : state) {
        CColorQuantizer quantizer(256, 7);
        quantizer.AddImage(Photo().GetDIB());
        RGBQUAD palette[256] = {};
        quantizer.WritePalette(palette);
        benchmark::DoNotOptimize(palette);
    }
    CountMegapixels(state);
}

void BM_GifEncode(benchmark::State& state) {
    CRaster image(Reduced());
    image.SetCodecOption(static_cast<uint32_t>(state.range(0)));
    for (auto _ : state) {
        CRasterMemoryStream stream;
        stream.Open();
        image.Encode(&stream, FORMAT_GIF);
        state.counters["bytes"] = double(stream.Size());
    }
    CountMegapixels(state);
}

void BM_GifDecode(benchmark::State& state) {
    CRaster image(Reduced());
    image.SetCodecOption(2);
    CRasterMemoryStream encoded;
    encoded.Open();
    image.Encode(&encoded, FORMAT_GIF);
    for (auto _ : state) {
        encoded.Seek(0, 0);
        CRaster decoded;
        decoded.Decode(&encoded, FORMAT_GIF);
        benchmark::DoNotOptimize(decoded.GetBits(0));
    }
    CountMegapixels(state);
}

// Times one ImageMagick command per iteration on files of the benchmark image.
// options go between the input and the output; coder is ImageMagick's output format.
void RunMagick(benchmark::State& state, const CRaster& input, const std::string& options,
               const std::string& coder) {
    if (std::system(("test -x " + kConvert).c_str()) != 0) {
        state.SkipWithError("ImageMagick not installed");
        return;
    }
    const auto dir = std::filesystem::temp_directory_path() / "tesselo-gif-bench";
    std::filesystem::create_directories(dir);
    const std::string in = (dir / "in.bmp").string(), out = (dir / "out").string();
    CRaster copy(input);
    copy.Save(in.c_str(), FORMAT_BMP);
    const std::string command =
        kConvert + " '" + in + "' " + options + " " + coder + ":'" + out + "'";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (status != 0) state.SkipWithError("convert failed");
    }
    std::filesystem::remove_all(dir);
    CountMegapixels(state);
}

void BM_MagickQuantize256(benchmark::State& state) {
    RunMagick(state, Photo(), "-colors 256 +dither", "BMP3");
}

void BM_MagickGifWrite(benchmark::State& state) { RunMagick(state, Reduced(), "", "GIF"); }

}  // namespace

BENCHMARK(BM_QuantizeTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quantize256)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickQuantize256)->Unit(benchmark::kMillisecond)->UseManualTime();
// 0 run-length codes, 1 codes without compression, 2 LZW.
BENCHMARK(BM_GifEncode)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickGifWrite)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond);
