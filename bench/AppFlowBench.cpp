// What the user waits for, on a 24-bit 6000 × 4000 photograph (24 MP), each beside its peer in
// the same run:
// - open: File Open of a JPEG until its view has painted, beside djpeg decoding the same file;
// - rectify: "Bild entzerren" on the rectangle route, from the OK click in the adjustment
//   results until the target's view has painted, beside the engine's own PrepareTarget and
//   Rectify of the same warp and pixel size (a target of about 24 MP), nearest and bilinear;
// - peak: the peak resident memory (VmHWM) of a fresh process that opens the JPEG, then also
//   rectifies it (bilinear), then also saves the target as JPEG, beside the pixel rows of the
//   images it then holds.
// Times are processor seconds of the working process (djpeg's own for djpeg), which a busy
// machine disturbs less than wall time. The closing lines give the medians over the
// repetitions and the ratios to the peers.
//
// Run as the program's own helper for one peak measurement: app_flow_bench --peak=STEP FILE.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CEntzerrung.h"
#include "CMainFrame.h"
#include "CProfile.h"
#include "CRaster.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "FileChooser.h"
#include "ModalRunner.h"
#include "RegistrySettings.h"
#include "UserInterface.h"
#include "controls/CNumEdit.h"
#include "dialogs/CErgebnisseAusgleichDlg.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr double kTargetPixels = 24e6;

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// Message boxes are answered with their default and never shown; Escape polls and the wait
// cursor stay the program's own.
class QuietUserInterface : public ui::CUserInterface {
public:
    explicit QuietUserInterface(ui::CUserInterface& program) : m_program(program) {}
    ui::Answer MessageBox(const std::string&, ui::Buttons buttons, ui::Icon) override {
        return buttons == ui::Buttons::YesNo || buttons == ui::Buttons::YesNoCancel
                   ? ui::Answer::Yes
                   : ui::Answer::Ok;
    }
    bool EscapePressed() override { return m_program.EscapePressed(); }
    void BeginWaitCursor() override { m_program.BeginWaitCursor(); }
    void EndWaitCursor() override { m_program.EndWaitCursor(); }

private:
    ui::CUserInterface& m_program;
};

// The warp of the rectangle route as the adjustment results hold it before the OK click.
struct Warp {
    CEntzerrung transformation;
    double aspect = 0.0;
    double pixelSize = 0.0;
};

// The running program with its settings in a temporary folder; dialogs and file choosers are
// answered by scripts.
class Program {
public:
    using Script = std::function<int(QDialog&)>;

    bool Start() {
        if (!m_dir.isValid()) return false;
        CProfile::SetFile(m_dir.filePath(QStringLiteral("settings.ini")));
        WriteSetting(settings::kLanguage, 0);
        if (!CTesseloApp::Instance()->InitInstance(QStringList())) return false;
        m_quiet = std::make_unique<QuietUserInterface>(ui::Get());
        ui::Install(m_quiet.get());
        modal::SetRunner([this](QDialog& dialog) {
            if (m_scripts.empty()) return int(QDialog::Rejected);
            Script script = std::move(m_scripts.front());
            m_scripts.pop_front();
            return script(dialog);
        });
        filechooser::SetChooser([this](const filechooser::Request&, QString* path) {
            *path = m_chosen;
            return !m_chosen.isEmpty();
        });
        Settle();
        return true;
    }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }

    static void Settle() {
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::sendPostedEvents(nullptr, 0);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCoreApplication::processEvents();
        }
    }

    // Paints the document's view now, as its first paint event after an image change does.
    static bool Paint(CTesseloDoc* doc) {
        CTesseloView* view = doc ? doc->GetFirstView() : nullptr;
        if (!view) return false;
        view->viewport()->repaint();
        return !view->RedrawPending();
    }

    // File Open of the file, and the new view's paint; the new document or null.
    CTesseloDoc* Open(const QString& path) {
        m_chosen = path;
        CTesseloApp::Instance()->MainFrame()->OnFileOpen();
        CTesseloDoc* doc = GetActiveDocument();
        return doc && doc->m_image.IsValid() && Paint(doc) ? doc : nullptr;
    }

    // The rectangle route up to the adjustment results, whose dialog `results` then handles.
    void RunRectangleRoute(CTesseloDoc* source, Script results) {
        CTesseloApp::Instance()->SetActiveDocument(source);
        m_scripts.push_back([](QDialog& dialog) {
            dialog.findChild<QLineEdit*>(QStringLiteral("1025"))->setText(QStringLiteral("8"));
            dialog.findChild<QLineEdit*>(QStringLiteral("1026"))->setText(QStringLiteral("5"));
            dialog.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return dialog.result();
        });
        m_scripts.push_back(std::move(results));
        CTesseloApp::Instance()->RouteCommand(cmd::ID_RECTIFY);
        m_scripts.clear();
    }

    bool SaveAs(CTesseloDoc* doc, const QString& path) {
        m_chosen = path;
        CTesseloApp::Instance()->SetActiveDocument(doc);
        doc->OnFileSaveAs();
        return QFile::exists(path) && Paint(doc);
    }

    static void Close(CTesseloDoc* doc) {
        doc->OnCloseDocument();
        Settle();
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QuietUserInterface> m_quiet;
    std::deque<Script> m_scripts;
    QString m_chosen;
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
    return Warp{results.Transformation(), results.Aspect(), pixelSize->GetValue() / 100};
}

struct Fixture {
    Program program;
    QString jpeg;
    CTesseloDoc* source = nullptr;
    bool ready = false;
};

Fixture& GetFixture() {
    static Fixture* fixture = [] {
        auto* f = new Fixture;
        if (!f->program.Start()) return f;
        CRaster photo(kWidth, kHeight, 24, FORMAT_JPG);
        PaintPhoto(photo);
        photo.SetJpegQuality(90);
        f->jpeg = f->program.Path("photo.jpg");
        if (!photo.Save(QFile::encodeName(f->jpeg).constData(), FORMAT_JPG)) return f;
        f->source = f->program.Open(f->jpeg);
        if (!f->source) return f;
        MeasureRectangle(f->source);
        f->ready = true;
        return f;
    }();
    return *fixture;
}

void BM_OpenTesselo(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    for (auto _ : state) {
        const double start = ProcessCpuSeconds();
        CTesseloDoc* doc = f.program.Open(f.jpeg);
        const double end = ProcessCpuSeconds();
        if (!doc) return state.SkipWithError("open failed");
        state.SetIterationTime(end - start);
        Program::Close(doc);
    }
}

void BM_OpenDjpeg(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const std::string command = "djpeg -outfile /dev/null '" + f.jpeg.toStdString() + "'";
    for (auto _ : state) {
        const double start = ChildrenCpuSeconds();
        const int status = std::system(command.c_str());
        const double end = ChildrenCpuSeconds();
        if (status != 0) return state.SkipWithError("djpeg failed");
        state.SetIterationTime(end - start);
    }
}

void BM_RectifyTesselo(benchmark::State& state, bool interpolate) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    for (auto _ : state) {
        double start = 0.0;
        f.program.RunRectangleRoute(f.source, [&](QDialog& dialog) {
            auto& results = static_cast<CErgebnisseAusgleichDlg&>(dialog);
            ChooseTarget(results, interpolate);
            start = ProcessCpuSeconds();
            results.findChild<QPushButton*>(QStringLiteral("1"))->click();
            return results.result();
        });
        CTesseloDoc* target = GetActiveDocument();
        const bool painted = target != f.source && Program::Paint(target);
        const double end = ProcessCpuSeconds();
        if (!painted) return state.SkipWithError("rectification failed");
        state.SetIterationTime(end - start);
        state.counters["MP"] =
            double(target->m_image.GetWidth()) * target->m_image.GetHeight() / 1e6;
        Program::Close(target);
    }
}

void BM_RectifyEngine(benchmark::State& state, bool interpolate) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    std::unique_ptr<Warp> warp;
    f.program.RunRectangleRoute(f.source, [&](QDialog& dialog) {
        warp = std::make_unique<Warp>(
            ChooseTarget(static_cast<CErgebnisseAusgleichDlg&>(dialog), interpolate));
        return int(QDialog::Rejected);
    });
    if (!warp) return state.SkipWithError("no adjustment");
    const CRaster& source = f.source->m_image;
    for (auto _ : state) {
        const double start = ProcessCpuSeconds();
        CRaster target;
        const bool done =
            warp->transformation.PrepareTarget(source, target, warp->pixelSize, warp->aspect) &&
            warp->transformation.Rectify(source, target, nullptr, interpolate, nullptr);
        const double end = ProcessCpuSeconds();
        if (!done) return state.SkipWithError("rectification failed");
        state.SetIterationTime(end - start);
        state.counters["MP"] = double(target.GetWidth()) * target.GetHeight() / 1e6;
    }
}

void BM_DisplayBuild(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    for (auto _ : state) {
        const double start = ProcessCpuSeconds();
        f.source->GetFirstView()->BuildDisplayBitmap(true);
        const double end = ProcessCpuSeconds();
        state.SetIterationTime(end - start);
    }
}

void BM_Load(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    for (auto _ : state) {
        const double start = ProcessCpuSeconds();
        CRaster image;
        image.Load(QFile::encodeName(f.jpeg).constData(), FORMAT_JPG);
        const double end = ProcessCpuSeconds();
        state.SetIterationTime(end - start);
    }
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
        if (step == "save" && !program.SaveAs(target, program.Path("target.jpg"))) return 1;
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
    // The measurement is taken; the process ends without tearing the program down.
    std::_Exit(peakKiB > 0 ? 0 : 1);
}

void BM_Peak(benchmark::State& state, const char* step) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const std::string command = "'" + std::filesystem::read_symlink("/proc/self/exe").string() +
                                "' --peak=" + step + " '" + f.jpeg.toStdString() + "'";
    for (auto _ : state) {
        FILE* child = popen(command.c_str(), "r");
        long peakKiB = 0;
        double buffers = 0;
        const bool read = child && std::fscanf(child, "%ld %lf", &peakKiB, &buffers) == 2;
        if (child) pclose(child);
        if (!read || buffers <= 0) return state.SkipWithError("measurement failed");
        state.SetIterationTime(1.0);
        state.counters["peak_MiB"] = peakKiB / 1024.0;
        state.counters["pixels_MiB"] = buffers / 1048576.0;
        state.counters["ratio"] = peakKiB * 1024.0 / buffers;
    }
}

// The usual table, then one line per step: the median of each side and their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Sample sample{run.GetAdjustedRealTime(), {}};
            for (const auto& [name, counter] : run.counters) sample.counters[name] = counter.value;
            const std::string& name = run.run_name.function_name;
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") m_medians[name] = sample;
            } else {
                m_samples[name].push_back(sample);
            }
        }
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedians (processor time):\n");
        Pair("open to first paint", "open/tesselo", "open/djpeg", "djpeg");
        Pair("Bild entzerren nearest", "rectify/tesselo/nearest", "rectify/engine/nearest",
             "engine");
        Pair("Bild entzerren bilinear", "rectify/tesselo/bilinear", "rectify/engine/bilinear",
             "engine");
        for (const char* step : {"open", "rectify", "save"}) {
            Sample s;
            if (!Median("peak/" + std::string(step), s)) continue;
            std::printf("%-26s peak %7.1f MiB   pixel rows %7.1f MiB   ratio %.2f\n",
                        ("peak memory " + std::string(step)).c_str(), s.counters["peak_MiB"],
                        s.counters["pixels_MiB"], s.counters["ratio"]);
        }
    }

private:
    struct Sample {
        double time = 0.0;
        std::map<std::string, double> counters;
    };

    bool Median(const std::string& name, Sample& out) const {
        if (auto it = m_medians.find(name); it != m_medians.end()) {
            out = it->second;
            return true;
        }
        auto it = m_samples.find(name);
        if (it == m_samples.end() || it->second.empty()) return false;
        std::vector<Sample> samples = it->second;
        std::sort(samples.begin(), samples.end(),
                  [](const Sample& a, const Sample& b) { return a.time < b.time; });
        out.time = samples[samples.size() / 2].time;
        for (auto& [counter, value] : samples.front().counters) {
            std::vector<double> values;
            for (const Sample& s : samples) values.push_back(s.counters.at(counter));
            std::sort(values.begin(), values.end());
            out.counters[counter] = values[values.size() / 2];
        }
        return true;
    }

    void Pair(const char* label, const std::string& own, const std::string& peer,
              const char* peerName) const {
        Sample a, b;
        if (!Median(own, a) || !Median(peer, b)) return;
        std::printf("%-26s Tesselo %8.1f ms   %-6s %8.1f ms   ratio %.2f\n", label, a.time,
                    peerName, b.time, a.time / b.time);
    }

    std::map<std::string, Sample> m_medians;
    std::map<std::string, std::vector<Sample>> m_samples;
};

void Register() {
    const auto timed = [](benchmark::internal::Benchmark* b, int iterations) {
        b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(iterations)->Repetitions(5);
    };
    timed(benchmark::RegisterBenchmark("open/tesselo", BM_OpenTesselo), 2);
    timed(benchmark::RegisterBenchmark("open/djpeg", BM_OpenDjpeg), 2);
    timed(benchmark::RegisterBenchmark("x/display", BM_DisplayBuild), 2);
    timed(benchmark::RegisterBenchmark("x/load", BM_Load), 2);
    for (const bool interpolate : {false, true}) {
        const std::string mode = interpolate ? "bilinear" : "nearest";
        timed(benchmark::RegisterBenchmark(("rectify/tesselo/" + mode).c_str(), BM_RectifyTesselo,
                                           interpolate),
              2);
        timed(benchmark::RegisterBenchmark(("rectify/engine/" + mode).c_str(), BM_RectifyEngine,
                                           interpolate),
              2);
    }
    for (const char* step : {"open", "rectify", "save"}) {
        benchmark::RegisterBenchmark(("peak/" + std::string(step)).c_str(), BM_Peak, step)
            ->UseManualTime()
            ->Iterations(1)
            ->Repetitions(3);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strncmp(argv[1], "--peak=", 7) == 0) {
        CTesseloApp app(argc, argv);
        return MeasurePeak(argv[1] + 7, QString::fromLocal8Bit(argv[2]));
    }
    benchmark::Initialize(&argc, argv);
    CTesseloApp app(argc, argv);
    Register();
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    // The program and its documents live on in the fixture; the process ends here.
    std::fflush(stdout);
    std::_Exit(0);
}
