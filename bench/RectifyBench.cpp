// Rectification of a 24-bit 6000 × 4000 photograph into a 24-megapixel target, nearest and
// bilinear; with OpenCV present the same mapping through cv::warpPerspective on one thread.
// Every benchmark runs in nine repetitions, interleaved at random so that a noisy machine
// slows both sides alike, and the closing lines compare the medians of the repetitions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "CEntzerrung.h"
#include "CRaster.h"

#ifdef TESSELO_HAVE_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr double kTargetPixels = 24e6;

struct Setup {
    CRaster source{kWidth, kHeight, 24, FORMAT_JPG};
    CEntzerrung transformation;
    CRaster target;
#ifdef TESSELO_HAVE_OPENCV
    cv::Mat cvTarget;
#endif
};

Setup& GetSetup() {
    static Setup* setup = [] {
        auto* s = new Setup;
        for (uint32_t y = 0; y < kHeight; ++y) {
            uint8_t* row = s->source.GetBits(y);
            for (uint32_t x = 0; x < 3 * kWidth; ++x) {
                row[x] = static_cast<uint8_t>((x * 7) ^ (y * 13));
            }
        }
        // A facade photographed slightly from the left and below.
        s->transformation.SetParameters({4e-5, -2e-5, 0.0, 0.01, 0.0005, 0.0, 0.0003, 0.011});
        int width, height;
        double extentX;
        const double aspect =
            s->transformation.ComputeTargetExtent(s->source, width, height, extentX);
        // The target is extentX / c wide and aspect times that high.
        const double c = extentX / std::sqrt(kTargetPixels / aspect);
        s->transformation.PrepareTarget(s->source, s->target, c, aspect);
        // Written once before timing, so that no run pays for the first touch of its pages.
        s->transformation.Rectify(s->source, s->target, nullptr, false, nullptr);
#ifdef TESSELO_HAVE_OPENCV
        s->cvTarget =
            cv::Mat::zeros(int(s->target.GetHeight()), int(s->target.GetWidth()), CV_8UC3);
#endif
        return s;
    }();
    return *setup;
}

void Counters(benchmark::State& state, const CRaster& target) {
    state.counters["MP"] = benchmark::Counter(
        double(target.GetWidth()) * target.GetHeight() / 1e6 * double(state.iterations()),
        benchmark::Counter::kIsRate);
}

void BM_Rectify(benchmark::State& state, bool interpolate) {
    Setup& s = GetSetup();
    for (auto _ : state) {
        s.transformation.Rectify(s.source, s.target, nullptr, interpolate, nullptr);
        benchmark::DoNotOptimize(s.target.GetBits(0)[0]);
    }
    Counters(state, s.target);
}

#ifdef TESSELO_HAVE_OPENCV
// The engine's mapping as a 3 × 3 matrix on the stored rows, which both sides index the same
// way (row 0 is the first in memory, the bottom of the picture). Stored target row j samples
// plane row r = Ht - j, and the engine's source row sy counts from the top, so the stored
// source row is Hs - sy:
//   w = m0 + m1 i + m2 (Ht - j),  x w = m3 + m4 i + m5 (Ht - j),
//   (Hs - sy) w = Hs w - (m6 + m7 i + m8 (Ht - j)).
// OpenCV rounds to the nearest pixel where the engine drops the fraction; for nearest
// sampling half a pixel less makes both pick the same source pixel.
cv::Matx33d OpenCvMatrix(const CEntzerrung& e, const CRaster& source, const CRaster& target,
                         bool interpolate) {
    const double* m = e.GetCoefficients();
    const double ht = target.GetHeight(), hs = source.GetHeight();
    const double w0 = m[0] + m[2] * ht;
    const cv::Matx33d map(m[4], -m[5], m[3] + m[5] * ht,                                     //
                          hs * m[1] - m[7], m[8] - hs * m[2], hs * w0 - (m[6] + m[8] * ht),  //
                          m[1], -m[2], w0);
    if (interpolate) return map;
    return cv::Matx33d(1, 0, -0.5, 0, 1, -0.5, 0, 0, 1) * map;
}

void BM_OpenCvWarpPerspective(benchmark::State& state, bool interpolate) {
    Setup& s = GetSetup();
    cv::setNumThreads(1);
    cv::Mat source(int(kHeight), int(kWidth), CV_8UC3, s.source.GetBits(0),
                   s.source.GetRowStride());
    const cv::Matx33d m = OpenCvMatrix(s.transformation, s.source, s.target, interpolate);
    for (auto _ : state) {
        cv::warpPerspective(
            source, s.cvTarget, m, s.cvTarget.size(),
            (interpolate ? cv::INTER_LINEAR : cv::INTER_NEAREST) | cv::WARP_INVERSE_MAP,
            cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0));
        benchmark::DoNotOptimize(s.cvTarget.data[0]);
    }
    Counters(state, s.target);
}
#endif

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Prints the usual table, then per mode the median time of each side and their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const std::string name = run.run_name.function_name;
            // Seconds per iteration of one repetition, or the median the library computed
            // when only aggregates are reported.
            const double seconds = run.real_accumulated_time / double(run.iterations);
            if (run.run_type == Run::RT_Iteration) {
                m_runs[name].push_back(seconds);
            } else if (run.aggregate_name == "median") {
                m_medians[name] = seconds;
            }
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* mode : {"nearest", "bilinear"}) {
            const double own = MedianOf(std::string("BM_Rectify/") + mode);
            const double cv = MedianOf(std::string("BM_OpenCvWarpPerspective/") + mode);
            if (own > 0 && cv > 0) {
                std::printf(
                    "%-8s  median Tesselo %7.1f ms   OpenCV %7.1f ms   Tesselo/OpenCV %.2f\n", mode,
                    own * 1e3, cv * 1e3, own / cv);
            } else if (own > 0) {
                std::printf("%-8s  median Tesselo %7.1f ms   (OpenCV not built)\n", mode,
                            own * 1e3);
            }
        }
    }

private:
    double MedianOf(const std::string& name) const {
        if (auto it = m_medians.find(name); it != m_medians.end()) return it->second;
        if (auto it = m_runs.find(name); it != m_runs.end()) return Median(it->second);
        return 0;
    }
    std::map<std::string, std::vector<double>> m_runs;
    std::map<std::string, double> m_medians;
};

}  // namespace

BENCHMARK_CAPTURE(BM_Rectify, nearest, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Rectify, bilinear, true)->Unit(benchmark::kMillisecond)->UseRealTime();
#ifdef TESSELO_HAVE_OPENCV
BENCHMARK_CAPTURE(BM_OpenCvWarpPerspective, nearest, false)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenCvWarpPerspective, bilinear, true)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
#endif

int main(int argc, char** argv) {
    // Defaults first, so that the same options given on the command line win.
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=9";
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.push_back(repetitions.data());
    args.push_back(interleave.data());
    args.insert(args.end(), argv + 1, argv + argc);
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
