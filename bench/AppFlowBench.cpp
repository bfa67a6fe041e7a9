// What the user waits for, on a 24-bit 6000 × 4000 photograph (24 MP), each beside its peer:
// - open: File Open of a JPEG until its view has painted, beside djpeg decoding the same file;
// - rectify: "Bild entzerren" on the rectangle route, from the OK click in the adjustment
//   results until the target's view has painted, beside the engine's own PrepareTarget and
//   Rectify of the same warp and pixel size (a target of about 24 MP), nearest and bilinear;
//   the label says whether both targets have the same pixels;
// - peak: the peak resident memory (VmHWM) of a fresh process that opens the JPEG, then also
//   rectifies it (bilinear), then also saves the target as JPEG, beside the pixel rows of the
//   images it then holds.
// The views draw the tiles of their display bitmaps as they come into view; "whole" adds
// drawing all of them, as zooming out to the whole image does.
// Times are processor seconds of the working process (djpeg's and the engine's own process for
// them), which a busy machine disturbs less than wall time. Every iteration times the program
// and then its peer, and the ratio is taken pair by pair; the closing lines give the medians.
//
// The program runs itself as helper: app_flow_bench --peak=STEP JPEG for one peak measurement,
// app_flow_bench --engine=MODE BMP p1 ... p8 xmin ymin xmax ymax c aspect for the engine.
#include <QCheckBox>
#include <QRadioButton>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "AppBenchSupport.h"
#include "CEntzerrung.h"
#include "CRaster.h"
#include "controls/CNumEdit.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr double kTargetPixels = 24e6;

// The warp of the rectangle route as the adjustment results hold it before the OK click, as
// the arguments of an engine process: p1 ... p8, the extent, the pixel size and the aspect.
struct Warp {
    double values[14] = {};

    std::string Arguments() const {
        std::string text;
        for (double v : values) text += " " + QString::number(v, 'g', 17).toStdString();
        return text;
    }
};

// A source document for the rectangle route: a rectangle of 8 × 5 m photographed slightly
// from the left and below, its corners (bottom left, top left, top right, bottom right).
void MeasureRectangle(CTesseloDoc* doc) {
    doc->m_measureMode = 0;
    const double corners[4][2] = {{500, 3600}, {800, 450}, {5300, 350}, {5650, 3700}};
    for (const auto& c : corners) doc->AddRectangleCorner(c[0], c[1]);
}

// Sets the pixel size that gives a target of about kTargetPixels, and the sampling; the warp as
// the OK click will use it.
Warp ChooseTarget(CErgebnisseAusgleichDlg& results, bool interpolate) {
    results.findChild<QRadioButton*>(QStringLiteral("1022"))->click();
    const double width = std::sqrt(kTargetPixels / results.Aspect());
    auto* pixelSize = results.findChild<CNumEdit*>(QStringLiteral("1018"));
    pixelSize->setText(QString::number(results.ExtentX() / width * 100, 'g', 12));
    results.OnKillFocusPixelSize();
    results.findChild<QCheckBox*>(QStringLiteral("1028"))->setChecked(interpolate);
    Warp warp;
    const CEntzerrung& transformation = results.Transformation();
    for (int k = 1; k <= 8; ++k) warp.values[k - 1] = transformation.GetParameter(k);
    transformation.GetExtent(warp.values[8], warp.values[9], warp.values[10], warp.values[11]);
    warp.values[12] = pixelSize->GetValue() / 100;
    warp.values[13] = results.Aspect();
    return warp;
}

// FNV-1a over the pixel rows, eight bytes at a time (the rows' length is a multiple of 4).
uint64_t Checksum(const CRaster& image) {
    uint64_t hash = 14695981039346656037ull;
    const uint8_t* bits = image.GetBits(0);
    const size_t size = size_t(image.GetRowStride()) * image.GetHeight();
    for (size_t i = 0; i < size; i += 4) {
        uint32_t word;
        std::memcpy(&word, bits + i, 4);
        hash = (hash ^ word) * 1099511628211ull;
    }
    return hash;
}

struct Fixture {
    Program program;
    QString jpeg;
    QString bitmap;  // the decoded photograph, for the engine
    CTesseloDoc* source = nullptr;
    bool ready = false;
};

// Made by the first benchmark that runs; it lives until the process ends.
Fixture* g_fixture = nullptr;

Fixture& GetFixture() {
    static Fixture* fixture = [] {
        auto* f = g_fixture = new Fixture;
        if (!f->program.Start()) return f;
        CRaster photo(kWidth, kHeight, 24, FORMAT_JPG);
        PaintPhoto(photo);
        photo.SetJpegQuality(90);
        f->jpeg = f->program.Path("photo.jpg");
        if (!photo.Save(QFile::encodeName(f->jpeg).constData(), FORMAT_JPG)) return f;
        f->source = f->program.Open(f->jpeg);
        if (!f->source) return f;
        f->bitmap = f->program.Path("photo.bmp");
        if (!f->source->m_image.Save(QFile::encodeName(f->bitmap).constData(), FORMAT_BMP))
            return f;
        MeasureRectangle(f->source);
        f->ready = true;
        return f;
    }();
    return *fixture;
}

// With `whole` the whole display bitmap is drawn too, as zooming out to the whole image does.
void BM_Open(benchmark::State& state, bool whole) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const std::string djpeg = "djpeg -outfile /dev/null '" + f.jpeg.toStdString() + "'";
    PairedTimes times;
    for (auto _ : state) {
        const double start = ProcessCpuSeconds();
        CTesseloDoc* doc = f.program.Open(f.jpeg);
        if (doc && whole) doc->GetFirstView()->DisplayBitmap();
        const double own = ProcessCpuSeconds() - start;
        if (!doc) return state.SkipWithError("open failed");
        Program::Close(doc);
        const double peer = RunCommand(djpeg);
        if (peer < 0) return state.SkipWithError("djpeg failed");
        times.Add(state, own, peer);
    }
    times.Report(state);
}

// "Bild entzerren" in the program, from the OK click until the target has painted; the warp
// it used and the checksum of its target, for the peer.
double RectifyInProgram(Fixture& f, bool interpolate, Warp& warp, uint64_t& checksum) {
    double start = 0.0;
    f.program.RunRectangleRoute(f.source, [&](QDialog& dialog) {
        auto& results = static_cast<CErgebnisseAusgleichDlg&>(dialog);
        warp = ChooseTarget(results, interpolate);
        start = ProcessCpuSeconds();
        results.findChild<QPushButton*>(QStringLiteral("1"))->click();
        return results.result();
    });
    CTesseloDoc* target = GetActiveDocument();
    const bool painted = target != f.source && Program::Paint(target);
    const double seconds = ProcessCpuSeconds() - start;
    if (!painted) return -1.0;
    checksum = Checksum(target->m_image);
    Program::Close(target);
    return seconds;
}

// Child process: the engine's own PrepareTarget and Rectify of the warp on the photograph's
// pixels, three times; prints the median of their processor seconds, the target's megapixels
// and its checksum.
int RunEngine(bool interpolate, const char* bitmap, char** arguments) {
    CRaster source;
    if (!source.Load(bitmap, FORMAT_BMP)) return 1;
    double v[14];
    for (int i = 0; i < 14; ++i) v[i] = std::strtod(arguments[i], nullptr);
    CEntzerrung transformation;
    const double p[8] = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]};
    transformation.SetParameters(p);
    transformation.SetExtent(v[8], v[9], v[10], v[11]);
    std::vector<double> seconds;
    CRaster target;
    for (int run = 0; run < 3; ++run) {
        target.Destroy();
        const double start = ProcessCpuSeconds();
        const bool done = transformation.PrepareTarget(source, target, v[12], v[13]) &&
                          transformation.Rectify(source, target, nullptr, interpolate, nullptr);
        seconds.push_back(ProcessCpuSeconds() - start);
        if (!done) return 1;
    }
    std::printf("%.6f %.6f %llu\n", Median(seconds),
                double(target.GetWidth()) * target.GetHeight() / 1e6,
                static_cast<unsigned long long>(Checksum(target)));
    return 0;
}

void BM_Rectify(benchmark::State& state, bool interpolate) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const std::string engine = SelfCommand() +
                               " --engine=" + (interpolate ? "bilinear" : "nearest") + " '" +
                               f.jpeg.toStdString() + "'";
    PairedTimes times;
    double megapixels = 0.0;
    bool same = true;
    for (auto _ : state) {
        Warp warp;
        uint64_t ownChecksum = 0, peerChecksum = 0;
        const double own = RectifyInProgram(f, interpolate, warp, ownChecksum);
        if (own < 0) return state.SkipWithError("rectification failed");
        // The engine in a process of its own that reads the pixels from a BMP file: it meets
        // neither this process's memory nor the processor state that JPEG decoding and the
        // program's windows leave behind (on some processors SSE code runs up to three times
        // slower after AVX code that did not clear its upper register halves).
        FILE* child = popen((engine + warp.Arguments()).c_str(), "r");
        double peer = -1.0;
        unsigned long long checksum = 0;
        const bool read =
            child && std::fscanf(child, "%lf %lf %llu", &peer, &megapixels, &checksum) == 3;
        if (child) pclose(child);
        if (!read) return state.SkipWithError("engine failed");
        peerChecksum = checksum;
        same = same && ownChecksum == peerChecksum;
        times.Add(state, own, peer);
    }
    times.Report(state);
    state.counters["target_MP"] = megapixels;
    state.SetLabel(same ? "same pixels" : "PIXELS DIFFER");
}

// Child process: runs the steps up to `step` once and prints its peak resident memory and the
// bytes of its images' pixel rows.
int MeasurePeak(const std::string& step, const QString& jpeg) {
    Program program;
    if (!program.Start()) return 1;
    CTesseloDoc* source = program.Open(jpeg);
    if (!source) return 1;
    std::vector<const CRaster*> images{&source->m_image};
    if (step != "open") {
        MeasureRectangle(source);
        program.RunRectangleRoute(source, [](QDialog& dialog) {
            auto& results = static_cast<CErgebnisseAusgleichDlg&>(dialog);
            ChooseTarget(results, true);
            results.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return results.result();
        });
        CTesseloDoc* target = GetActiveDocument();
        if (target == source || !Program::Paint(target)) return 1;
        images.push_back(&target->m_image);
        if (step != "rectify" && !program.SaveAs(target, program.Path("target.jpg"))) return 1;
        if (step == "whole") {
            source->GetFirstView()->DisplayBitmap();
            target->GetFirstView()->DisplayBitmap();
        }
    }
    double buffers = 0;
    for (const CRaster* image : images)
        buffers += double(image->GetRowStride()) * image->GetHeight();
    long peakKiB = 0;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status)) {
            if (std::strncmp(line, "VmHWM:", 6) == 0) peakKiB = std::strtol(line + 6, nullptr, 10);
        }
        std::fclose(status);
    }
    std::printf("%ld %.0f\n", peakKiB, buffers);
    std::fflush(stdout);
    program.RemoveFiles();
    std::_Exit(peakKiB > 0 ? 0 : 1);
}

void BM_Peak(benchmark::State& state, const char* step) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const std::string command =
        SelfCommand() + " --peak=" + step + " '" + f.jpeg.toStdString() + "'";
    std::vector<double> peaks, ratios;
    double buffers = 0;
    for (auto _ : state) {
        FILE* child = popen(command.c_str(), "r");
        long peakKiB = 0;
        const bool read = child && std::fscanf(child, "%ld %lf", &peakKiB, &buffers) == 2;
        if (child) pclose(child);
        if (!read || buffers <= 0) return state.SkipWithError("measurement failed");
        state.SetIterationTime(1.0);
        peaks.push_back(peakKiB / 1024.0);
        ratios.push_back(peakKiB * 1024.0 / buffers);
    }
    state.counters["peak_MiB"] = Median(peaks);
    state.counters["pixels_MiB"] = buffers / 1048576.0;
    state.counters["ratio"] = Median(ratios);
}

// The closing lines: one per comparison.
class RatioReporter : public CounterReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedians (processor time; ratios pair by pair):\n");
        Times("open to first paint", "open", "djpeg");
        Times("open, whole image drawn", "open/whole", "djpeg");
        Times("Bild entzerren nearest", "rectify/nearest", "engine");
        Times("Bild entzerren bilinear", "rectify/bilinear", "engine");
        for (const char* step : {"open", "rectify", "save", "whole"}) {
            auto it = m_counters.find("peak/" + std::string(step));
            if (it == m_counters.end()) continue;
            std::printf("%-24s peak %6.1f MiB   pixel rows %6.1f MiB   ratio %.2f\n",
                        ("peak memory " + std::string(step)).c_str(), it->second["peak_MiB"],
                        it->second["pixels_MiB"], it->second["ratio"]);
        }
    }

private:
    void Times(const char* label, const std::string& name, const char* peer) {
        auto it = m_counters.find(name);
        if (it == m_counters.end()) return;
        std::printf("%-24s Tesselo %7.1f ms   %-6s %7.1f ms   ratio %.2f\n", label,
                    it->second["tesselo_ms"], peer, it->second["peer_ms"], it->second["ratio"]);
    }
};

void Register() {
    for (const bool whole : {false, true}) {
        benchmark::RegisterBenchmark(whole ? "open/whole" : "open", BM_Open, whole)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(9);
    }
    for (const bool interpolate : {false, true}) {
        benchmark::RegisterBenchmark(interpolate ? "rectify/bilinear" : "rectify/nearest",
                                     BM_Rectify, interpolate)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime()
            ->Iterations(15);
    }
    for (const char* step : {"open", "rectify", "save", "whole"}) {
        benchmark::RegisterBenchmark(("peak/" + std::string(step)).c_str(), BM_Peak, step)
            ->UseManualTime()
            ->Iterations(3);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 17 && std::strncmp(argv[1], "--engine=", 9) == 0) {
        return RunEngine(std::strcmp(argv[1] + 9, "bilinear") == 0, argv[2], argv + 3);
    }
    if (argc == 3 && std::strncmp(argv[1], "--peak=", 7) == 0) {
        CTesseloApp app(argc, argv);
        return MeasurePeak(argv[1] + 7, QString::fromLocal8Bit(argv[2]));
    }
    RatioReporter reporter;
    RunInProgram(argc, argv, Register, reporter, [] {
        if (g_fixture) g_fixture->program.RemoveFiles();
    });
}
