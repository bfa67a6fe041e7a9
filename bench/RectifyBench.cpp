// Rectification of a 24-bit 6000 × 4000 photograph into a target of about the same size,
// nearest and bilinear, in megapixels per second; with OpenCV present the same homography
// through cv::warpPerspective on one thread, and the ratio of the two at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>

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

struct Setup {
    CRaster source{kWidth, kHeight, 24, FORMAT_JPG};
    CEntzerrung transformation;
    CRaster target;
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
        s->transformation.PrepareTarget(s->source, s->target, extentX / kWidth, aspect);
        return s;
    }();
    return *setup;
}

void Counters(benchmark::State& state, const CRaster& target) {
    state.counters["MP/s"] = benchmark::Counter(
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
// The same homography as a 3 × 3 matrix for OpenCV's top-down rows: target row t counted from
// the top is plane row t + 1, so (i, t, 1) maps to (x w, y w, w) in source pixels.
cv::Matx33d OpenCvMatrix(const CEntzerrung& e) {
    const double* m = e.GetCoefficients();
    return cv::Matx33d(m[4], m[5], m[3] + m[5],  //
                       m[7], m[8], m[6] + m[8],  //
                       m[1], m[2], m[0] + m[2]);
}

void BM_OpenCvWarpPerspective(benchmark::State& state, bool interpolate) {
    Setup& s = GetSetup();
    cv::setNumThreads(1);
    const int ws = int(kWidth), hs = int(kHeight);
    cv::Mat source(hs, ws, CV_8UC3, s.source.GetBits(0), s.source.GetRowStride());
    cv::Mat target(int(s.target.GetHeight()), int(s.target.GetWidth()), CV_8UC3);
    const cv::Matx33d m = OpenCvMatrix(s.transformation);
    for (auto _ : state) {
        cv::warpPerspective(
            source, target, m, target.size(),
            (interpolate ? cv::INTER_LINEAR : cv::INTER_NEAREST) | cv::WARP_INVERSE_MAP,
            cv::BORDER_CONSTANT, cv::Scalar(0, 0, 0));
        benchmark::DoNotOptimize(target.data[0]);
    }
    Counters(state, s.target);
}
#endif

// Prints the usual table, then Tesselo against OpenCV per mode.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            auto it = run.counters.find("MP/s");
            if (it != run.counters.end()) m_rates[run.benchmark_name()] = it->second.value;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        for (const char* mode : {"nearest", "bilinear"}) {
            const std::string own = std::string("BM_Rectify/") + mode;
            const std::string cv = std::string("BM_OpenCvWarpPerspective/") + mode;
            auto a = FindPrefix(own), b = FindPrefix(cv);
            if (a > 0 && b > 0) {
                std::printf("%-8s  Tesselo %8.1f MP/s   OpenCV %8.1f MP/s   ratio %.2f\n", mode, a,
                            b, a / b);
            } else if (a > 0) {
                std::printf("%-8s  Tesselo %8.1f MP/s   (OpenCV not built)\n", mode, a);
            }
        }
    }

private:
    double FindPrefix(const std::string& prefix) const {
        for (const auto& [name, rate] : m_rates) {
            if (name.rfind(prefix, 0) == 0) return rate;
        }
        return 0;
    }
    std::map<std::string, double> m_rates;
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
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
