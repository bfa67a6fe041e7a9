// GIF encode (each compressor) and decode, and the 256-colour quantization of a 24-bit
// 6000 × 4000 photograph-like image, in megapixels per second; ImageMagick on the same image
// beside them when it is installed (its times include reading and writing its files).
// BM_GifSaveVsMagick runs the document's whole GIF save and ImageMagick's equivalent in turn and
// prints the ratio of their medians.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

// Reduces the image to 256 colours as the document's GIF save path does (with error diffusion).
void ReduceTo256(CRaster& image, bool errorDiffusion = true) {
    CColorQuantizer quantizer(256, 7);
    quantizer.AddImage(image.GetDIB());
    RGBQUAD palette[256] = {};
    quantizer.WritePalette(palette);
    image.ReduceBpp(8, errorDiffusion, palette, 256);
}

const CRaster& Reduced() {
    static CRaster* image = [] {
        auto* raster = new CRaster(Photo());
        ReduceTo256(*raster);
        return raster;
    }();
    return *image;
}

// Argument 0 without error diffusion (as ImageMagick's "+dither"), 1 with it.
void BM_Quantize256(benchmark::State& state) {
    const CRaster& photo = Photo();  // drawn before the clock runs
    for (auto _ : state) {
        CRaster image(photo);
        ReduceTo256(image, state.range(0) != 0);
        benchmark::DoNotOptimize(image.GetBits(0));
    }
    CountMegapixels(state);
}

// The octree alone: the palette, without mapping the pixels to it.
void BM_QuantizeTree(benchmark::State& state) {
    const CRaster& photo = Photo();  // drawn before the clock runs
    for (auto _ : state) {
        CColorQuantizer quantizer(256, 7);
        quantizer.AddImage(photo.GetDIB());
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

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// A temporary folder holding the benchmark image as a BMP file, for ImageMagick to read.
struct MagickInput {
    std::filesystem::path dir = std::filesystem::temp_directory_path() / "tesselo-gif-bench";
    std::string in = (dir / "in.bmp").string();

    explicit MagickInput(const CRaster& input) {
        std::filesystem::create_directories(dir);
        CRaster copy(input);
        copy.Save(in.c_str(), FORMAT_BMP);
    }
    ~MagickInput() { std::filesystem::remove_all(dir); }
    // options go between the input and the output; coder is ImageMagick's output format.
    std::string Command(const std::string& options, const std::string& coder,
                        const std::string& output) const {
        return kConvert + " '" + in + "' " + options + " " + coder + ":'" +
               (dir / output).string() + "'";
    }
};

bool HaveMagick(benchmark::State& state) {
    if (std::system(("test -x " + kConvert).c_str()) == 0) return true;
    state.SkipWithError("ImageMagick not installed");
    return false;
}

// Times one ImageMagick command per iteration on files of the benchmark image.
void RunMagick(benchmark::State& state, const CRaster& input, const std::string& options,
               const std::string& coder) {
    if (!HaveMagick(state)) return;
    const MagickInput files(input);
    const std::string command = files.Command(options, coder, "out");
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        state.SetIterationTime(Seconds(start));
        if (status != 0) state.SkipWithError("convert failed");
    }
    CountMegapixels(state);
}

// The document's GIF save from a BMP file of the photograph (load, quantize, reduce with error
// diffusion, write the GIF file) and ImageMagick's "-colors 256 -dither FloydSteinberg" on 8
// threads from the same file, in turn, so that both see the same load on the machine. The
// benchmark's time is ours; the counters give both medians in seconds and their ratio.
void BM_GifSaveVsMagick(benchmark::State& state) {
    if (!HaveMagick(state)) return;
    const MagickInput files(Photo());
    const std::string gif = (files.dir / "ours.gif").string();
    const std::string command =
        files.Command("-limit thread 8 -colors 256 -dither FloydSteinberg", "GIF", "magick.gif");
    std::vector<double> ours, magick;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        CRaster image;
        image.Load(files.in.c_str(), FORMAT_BMP);
        ReduceTo256(image);
        const bool saved = image.Save(gif.c_str(), FORMAT_GIF);
        ours.push_back(Seconds(start));
        state.SetIterationTime(ours.back());

        start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        magick.push_back(Seconds(start));
        if (!saved || status != 0) state.SkipWithError("a GIF save failed");
    }
    state.counters["ours_s"] = Median(ours);
    state.counters["magick_s"] = Median(magick);
    state.counters["ratio"] = Median(ours) / Median(magick);
}

void BM_MagickQuantize256(benchmark::State& state) {
    RunMagick(state, Photo(), "-colors 256 +dither", "BMP3");
}

void BM_MagickGifWrite(benchmark::State& state) { RunMagick(state, Reduced(), "", "GIF"); }

}  // namespace

BENCHMARK(BM_QuantizeTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Quantize256)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickQuantize256)->Unit(benchmark::kMillisecond)->UseManualTime();
// 0 run-length codes, 1 codes without compression, 2 LZW.
BENCHMARK(BM_GifEncode)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MagickGifWrite)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_GifDecode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifSaveVsMagick)->Iterations(7)->UseManualTime()->Unit(benchmark::kMillisecond);
