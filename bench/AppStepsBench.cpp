// The steps the user waits for around a 24-bit 6000 × 4000 image (24 MP), each beside the
// library's own call and, where one does the same work, beside a peer tool:
// - save/FMT: "Bild Speichern unter" of a target image as JPEG, PNG, TIFF or BMP until its view
//   has painted again (encode, safe write with its sync, display rebuild, world and
//   georeferencing files), beside CRaster::Encode alone into a plain file and beside Pillow
//   saving the same pixels in the same format (quality 90 for JPEG and JPEG-in-TIFF);
// - mirror/horizontal, mirror/vertical: the command until the view has painted, beside
//   CRaster::Mirror or Flip alone;
// - crop: the crop command on a region of 5000 × 3000 until the new window has painted,
//   beside CRaster::Crop alone;
// - zoom/out: on a freshly opened image, the zoom-out steps from 100 % until the whole image
//   shows, each painted, beside the library drawing the image at the last zoom into a bitmap of
//   the window's size;
// - scroll: on a freshly opened image at 100 % in the maximized window, page steps across its
//   width until the right edge shows, each painted, beside the library drawing each step's
//   visible part;
// - pick: on a freshly opened image, a point pick's magnifier dialog until it has painted,
//   beside the same pick once the display is drawn;
// - open/png, open/tif (LZW): File Open until the view has painted, beside Pillow decoding the
//   same file;
// - planefit/N: the plane fit of the plane dialog through N reference points (its normal
//   equations have 2 N + 15 unknowns), alone;
// - calibration/N: the distortion calibration from N points, with its matrix files.
// Times are processor seconds (Pillow's own, taken inside its process around the save or the
// decode alone); every iteration times the program and then its peers, ratios pair by pair.
#include <QImage>
#include <QMdiSubWindow>
#include <QPainter>
#include <QScrollBar>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "AppBenchSupport.h"
#include "CDistortionCalibration.h"
#include "CQtDrawContext.h"
#include "CRaster.h"
#include "controls/CZoomPickerCtrl.h"
#include "dialogs/CErgebnisseEbeneDlg.h"
#include "dialogs/CPunktAuswaehlenDlg.h"

namespace {

constexpr uint32_t kWidth = 6000;
constexpr uint32_t kHeight = 4000;
constexpr uint32_t kLzw = 5;  // the TIFF compression code of LZW

// Pillow in a process of its own, given MODE FILE [OUTPUT]: "open" decodes FILE, "save" loads
// FILE and saves it as OUTPUT (by its extension; JPEG and JPEG-in-TIFF at quality 90). It
// prints the processor seconds of the decode or of the save alone.
constexpr const char* kPillowScript = R"(import sys, time
from PIL import Image
mode, path = sys.argv[1], sys.argv[2]
if mode == 'open':
    start = time.process_time()
    Image.open(path).load()
else:
    image = Image.open(path)
    image.load()
    output = sys.argv[3]
    options = {'jpg': {'quality': 90}, 'tif': {'compression': 'jpeg', 'quality': 90}}
    start = time.process_time()
    image.save(output, **options.get(output.rsplit('.', 1)[-1], {}))
print(time.process_time() - start)
)";

struct Fixture {
    Program program;
    QString jpeg, png, tiff, ppm, pillowScript;
    CTesseloDoc* target = nullptr;  // a 24 MP target document
    bool ready = false;
};

Fixture* g_fixture = nullptr;

bool SaveImage(CRaster& image, const QString& path, uint32_t type) {
    return image.Save(QFile::encodeName(path).constData(), type);
}

// A target document holding the whole photograph, with an extent and both side files asked.
CTesseloDoc* MakeTarget(CTesseloDoc* source) {
    source->m_cropX0 = source->m_cropY0 = 0;
    source->m_cropX1 = kWidth - 1;
    source->m_cropY1 = kHeight - 1;
    source->m_cropValid = 1;
    source->OnCrop();
    CTesseloDoc* target = GetActiveDocument();
    if (target == source || !target || !Program::Paint(target)) return nullptr;
    target->m_extentLeft = 1000;
    target->m_extentBottom = 2000;
    target->m_extentRight = 1060;
    target->m_extentTop = 2040;
    target->m_worldFile = target->m_geoRefFile = 1;
    return target;
}

Fixture& GetFixture() {
    static Fixture* fixture = [] {
        auto* f = g_fixture = new Fixture;
        if (!f->program.Start()) return f;
        CRaster photo(kWidth, kHeight, 24, FORMAT_JPG);
        PaintPhoto(photo);
        photo.SetJpegQuality(90);
        f->jpeg = f->program.Path("photo.jpg");
        f->png = f->program.Path("photo.png");
        f->tiff = f->program.Path("photo.tif");
        f->ppm = f->program.Path("photo.ppm");
        photo.SetCodecOption(kLzw);
        if (!SaveImage(photo, f->jpeg, FORMAT_JPG) || !SaveImage(photo, f->png, FORMAT_PNG) ||
            !SaveImage(photo, f->tiff, FORMAT_TIF) || !SaveImage(photo, f->ppm, FORMAT_PNM))
            return f;
        f->pillowScript = f->program.Path("pillow.py");
        QFile script(f->pillowScript);
        if (!script.open(QIODevice::WriteOnly) || script.write(kPillowScript) < 0) return f;
        script.close();
        CTesseloDoc* source = f->program.Open(f->png);
        if (!source) return f;
        f->target = MakeTarget(source);
        Program::Close(source);
        f->ready = f->target != nullptr;
        return f;
    }();
    return *fixture;
}

double PillowSeconds(const Fixture& f, const std::string& arguments) {
    const std::string command =
        "/usr/bin/python3 '" + f.pillowScript.toStdString() + "' " + arguments;
    FILE* child = popen(command.c_str(), "r");
    if (!child) return -1.0;
    double seconds = -1.0;
    if (std::fscanf(child, "%lf", &seconds) != 1) seconds = -1.0;
    return pclose(child) == 0 ? seconds : -1.0;
}

// Processor seconds of `step`; negative when it reports failure.
double Timed(const std::function<bool()>& step) {
    const double start = ProcessCpuSeconds();
    const bool done = step();
    const double seconds = ProcessCpuSeconds() - start;
    return done ? seconds : -1.0;
}

struct SaveCase {
    const char* extension;
    uint32_t type;
};

void BM_Save(benchmark::State& state, SaveCase format) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const QString saved = f.program.Path("saved.") + QLatin1String(format.extension);
    const QString plain = f.program.Path("plain.") + QLatin1String(format.extension);
    const std::string peerFile = f.program.Path("peer.").toStdString() + format.extension;
    PairedTimes library, pillow;
    for (auto _ : state) {
        const double own = Timed([&] { return f.program.SaveAs(f.target, saved); });
        const double encode = Timed([&] {
            FILE* file = std::fopen(QFile::encodeName(plain).constData(), "wb");
            const bool ok = file && f.target->m_image.Encode(file, format.type);
            return file && std::fclose(file) == 0 && ok;
        });
        const double peer =
            PillowSeconds(f, "save '" + f.ppm.toStdString() + "' '" + peerFile + "'");
        if (own < 0 || encode < 0 || peer < 0) return state.SkipWithError("save failed");
        library.Add(state, own, encode);
        pillow.Add(state, own, peer);
    }
    library.Report(state, "library");
    pillow.Report(state, "pillow");
}

void BM_Mirror(benchmark::State& state, bool horizontal) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    CRaster alone;
    alone.Copy(f.target->m_image);
    PairedTimes library;
    for (auto _ : state) {
        const double own = Timed([&] {
            CTesseloApp::Instance()->SetActiveDocument(f.target);
            CTesseloApp::Instance()->RouteCommand(horizontal ? cmd::ID_MIRROR_HORIZONTAL
                                                             : cmd::ID_MIRROR_VERTICAL);
            return Program::Paint(f.target);
        });
        const double raster = Timed([&] { return horizontal ? alone.Mirror() : alone.Flip(); });
        if (own < 0 || raster < 0) return state.SkipWithError("mirror failed");
        library.Add(state, own, raster);
    }
    library.Report(state, "library");
}

void BM_Crop(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    CTesseloDoc* target = f.target;
    PairedTimes library;
    for (auto _ : state) {
        target->m_cropX0 = 500;
        target->m_cropY0 = 400;
        target->m_cropX1 = 5499;
        target->m_cropY1 = 3399;
        target->m_cropValid = 1;
        CTesseloDoc* cropped = nullptr;
        const double own = Timed([&] {
            CTesseloApp::Instance()->SetActiveDocument(target);
            CTesseloApp::Instance()->RouteCommand(cmd::ID_CROP);
            cropped = GetActiveDocument();
            return cropped != target && Program::Paint(cropped);
        });
        if (cropped && cropped != target) Program::Close(cropped);
        CRaster alone;
        const double raster =
            Timed([&] { return target->m_image.Crop(500, 400, 5500, 3400, &alone); });
        if (own < 0 || raster < 0) return state.SkipWithError("crop failed");
        library.Add(state, own, raster);
    }
    library.Report(state, "library");
}

// The photograph freshly opened in a maximized window, painted; null on failure.
CTesseloDoc* OpenMaximized(Fixture& f) {
    CTesseloDoc* doc = f.program.Open(f.jpeg);
    if (!doc) return nullptr;
    QWidget* frame = doc->GetFirstView();
    while (frame && !qobject_cast<QMdiSubWindow*>(frame)) frame = frame->parentWidget();
    if (frame) frame->showMaximized();
    return Program::Paint(doc) ? doc : nullptr;
}

// Zoom-out steps from 100 % until the whole image fits the maximized window, each painted.
void BM_ZoomOut(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    PairedTimes library;
    for (auto _ : state) {
        CTesseloDoc* doc = OpenMaximized(f);
        if (!doc) return state.SkipWithError("open failed");
        CTesseloView* view = doc->GetFirstView();
        const QSize window = view->viewport()->size();
        const double own = Timed([&] {
            while ((view->ScaledSize().width() > window.width() ||
                    view->ScaledSize().height() > window.height()) &&
                   view->Zoom() > CTesseloView::kZoomMin) {
                view->ZoomOutStep();
                view->Repaint();
                if (!Program::Paint(doc)) return false;
            }
            return true;
        });
        const QSize scaled = view->ScaledSize();
        const double raster = Timed([&] {
            QImage bitmap(window, QImage::Format_RGB32);
            QPainter painter(&bitmap);
            CQtDrawContext dc(painter);
            return doc->m_image.Draw(&dc, 0, 0, scaled.width(), scaled.height());
        });
        Program::Close(doc);
        if (own < 0 || raster < 0) return state.SkipWithError("zoom failed");
        library.Add(state, own, raster);
    }
    library.Report(state, "library");
}

// Page steps to the right across the whole width of a freshly opened image at 100 % in the
// maximized window, each painted, beside the library drawing each step's visible part into a
// bitmap of the window's size.
void BM_Scroll(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    PairedTimes library;
    for (auto _ : state) {
        CTesseloDoc* doc = OpenMaximized(f);
        if (!doc) return state.SkipWithError("open failed");
        CTesseloView* view = doc->GetFirstView();
        view->OnScroll(Qt::Horizontal, CTesseloView::SB_THUMBTRACK, 0);
        if (!Program::Paint(doc)) return state.SkipWithError("paint failed");
        const QSize window = view->viewport()->size();
        std::vector<int> positions;
        const double own = Timed([&] {
            for (int steps = 0; steps < 100; ++steps) {
                const int position = view->horizontalScrollBar()->value();
                positions.push_back(position);
                if (position >= view->horizontalScrollBar()->maximum()) break;
                view->OnScroll(Qt::Horizontal, CTesseloView::SB_PAGEDOWN, 0);
                if (!Program::Paint(doc)) return false;
            }
            return true;
        });
        const int top = view->verticalScrollBar()->value();
        const double raster = Timed([&] {
            QImage bitmap(window, QImage::Format_RGB32);
            for (const int left : positions) {
                QPainter painter(&bitmap);
                painter.setClipRect(bitmap.rect());
                CQtDrawContext dc(painter);
                if (!doc->m_image.Draw(&dc, -left, -top, -1, -1)) return false;
            }
            return true;
        });
        Program::Close(doc);
        if (own < 0 || raster < 0) return state.SkipWithError("scroll failed");
        library.Add(state, own, raster);
    }
    library.Report(state, "library");
}

// A pick of the region 40 × 30 at the window's centre; the magnifier is painted, then the dialog
// is cancelled.
double PickSeconds(Program& program, CTesseloView* view) {
    program.PushScript([](QDialog& dialog) {
        dialog.show();
        static_cast<CPunktAuswaehlenDlg&>(dialog).Picker()->repaint();
        return int(QDialog::Rejected);
    });
    const QPoint centre = view->viewport()->rect().center();
    const QPointF scrolled = view->ClientToScrolled(QPointF(centre));
    const QRect region(int(scrolled.x()), int(scrolled.y()), 40, 30);
    return Timed([&] { return view->PickPointInRegion(region) == 1; });
}

void BM_Pick(benchmark::State& state) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    PairedTimes again;
    for (auto _ : state) {
        CTesseloDoc* doc = f.program.Open(f.jpeg);
        if (!doc) return state.SkipWithError("open failed");
        CTesseloView* view = doc->GetFirstView();
        const double first = PickSeconds(f.program, view);
        const double second = PickSeconds(f.program, view);
        Program::Close(doc);
        if (first < 0 || second < 0) return state.SkipWithError("pick failed");
        again.Add(state, first, second);
    }
    again.Report(state, "again");
}

void BM_Open(benchmark::State& state, bool png) {
    Fixture& f = GetFixture();
    if (!f.ready) return state.SkipWithError("no fixture");
    const QString& file = png ? f.png : f.tiff;
    PairedTimes pillow;
    for (auto _ : state) {
        CTesseloDoc* doc = nullptr;
        const double own = Timed([&] { return (doc = f.program.Open(file)) != nullptr; });
        if (doc) Program::Close(doc);
        const double peer = PillowSeconds(f, "open '" + file.toStdString() + "'");
        if (own < 0 || peer < 0) return state.SkipWithError("open failed");
        pillow.Add(state, own, peer);
    }
    pillow.Report(state, "pillow");
}

// The plane fit of n reference points on a facade leaning out of the vertical, with noise.
void BM_PlaneFit(benchmark::State& state) {
    const int n = int(state.range(0));
    std::vector<double> eastings(static_cast<size_t>(n)), northings = eastings, heights = eastings;
    uint32_t seed = 7;
    const auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return (double(seed >> 8) / double(1u << 24) - 0.5) * 0.01;
    };
    for (int i = 0; i < n; ++i) {
        const double u = (i * 37 % n) * 20.0 / n, w = (i * 53 % n) * 12.0 / n;
        eastings[size_t(i)] = 1000 + 0.8 * u + noise();
        northings[size_t(i)] = 2000 + 0.6 * u + 0.1 * w + noise();
        heights[size_t(i)] = 300 + 0.99 * w + noise();
    }
    for (auto _ : state) {
        double s[3], a[3], b[3];
        const double start = ProcessCpuSeconds();
        const bool fitted = CErgebnisseEbeneDlg::FitPlane(northings, eastings, heights, s, a, b);
        state.SetIterationTime(ProcessCpuSeconds() - start);
        if (!fitted) return state.SkipWithError("no plane");
    }
}

// The distortion calibration (radial and tangential, with offsets) from n points of a control
// field seen slightly from the side, in a temporary folder for its matrix files.
void BM_Calibration(benchmark::State& state) {
    const int n = int(state.range(0));
    const int side = int(std::ceil(std::sqrt(double(n))));
    std::vector<double> x, y, refX, refY;
    for (int i = 0; i < n; ++i) {
        const double u = 100 + (i % side) * 3800.0 / side, v = 80 + (i / side) * 2800.0 / side;
        const double r2 = (u - 2000) * (u - 2000) + (v - 1500) * (v - 1500);
        x.push_back(u + 2e-8 * r2 * (u - 2000) / 1000);
        y.push_back(v + 2e-8 * r2 * (v - 1500) / 1000);
        const double w = 1 + 2e-5 * u;
        refX.push_back(u / w * 0.01);
        refY.push_back(-v / w * 0.01);
    }
    const std::vector<int> use(size_t(n), 1);
    QTemporaryDir folder;
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.path().toStdString());
    for (auto _ : state) {
        CDistortionCalibration calibration;
        calibration.GetParameters().m_typ = 2;
        calibration.GetParameters().m_offset = 1;
        const double start = ProcessCpuSeconds();
        const int done = calibration.Calibrate(x, y, refX, refY, use, 1, 4000, 3000, nullptr);
        state.SetIterationTime(ProcessCpuSeconds() - start);
        if (!done) state.SkipWithError("calibration failed");
    }
    std::filesystem::current_path(previous);
}

// The closing lines: one per comparison.
class RatioReporter : public CounterReporter {
public:
    void Finalize() override {
        ConsoleReporter::Finalize();
        std::printf("\nMedians (processor time; ratios pair by pair):\n");
        for (const auto& [name, counters] : m_counters) {
            const auto own = counters.find("tesselo_ms");
            if (own == counters.end()) continue;  // timed alone, in the table above
            std::printf("%-18s Tesselo %7.1f ms", name.c_str(), own->second);
            for (const auto& [key, value] : counters) {
                const size_t at = key.find("_ms");
                if (key == "tesselo_ms" || at == std::string::npos) continue;
                const std::string peer = key.substr(0, at);
                std::printf("   %s %7.1f ms ratio %.2f", peer.c_str(), value,
                            counters.at(peer + "_ratio"));
            }
            std::printf("\n");
        }
    }
};

void Register() {
    const auto timed = [](benchmark::internal::Benchmark* b, int iterations) {
        b->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(iterations);
    };
    const SaveCase saves[] = {
        {"jpg", FORMAT_JPG},
        {"png", FORMAT_PNG},
        {"tif", FORMAT_TIF},
        {"bmp", FORMAT_BMP},
    };
    for (const SaveCase& save : saves)
        timed(benchmark::RegisterBenchmark(("save/" + std::string(save.extension)).c_str(), BM_Save,
                                           save),
              5);
    timed(benchmark::RegisterBenchmark("mirror/horizontal", BM_Mirror, true), 7);
    timed(benchmark::RegisterBenchmark("mirror/vertical", BM_Mirror, false), 7);
    timed(benchmark::RegisterBenchmark("crop", BM_Crop), 7);
    timed(benchmark::RegisterBenchmark("zoom/out", BM_ZoomOut), 5);
    timed(benchmark::RegisterBenchmark("scroll", BM_Scroll), 5);
    timed(benchmark::RegisterBenchmark("pick", BM_Pick), 5);
    benchmark::RegisterBenchmark("planefit", BM_PlaneFit)
        ->RangeMultiplier(2)
        ->Range(25, 400)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    benchmark::RegisterBenchmark("calibration", BM_Calibration)
        ->RangeMultiplier(4)
        ->Range(25, 1600)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
    timed(benchmark::RegisterBenchmark("open/png", BM_Open, true), 5);
    timed(benchmark::RegisterBenchmark("open/tif", BM_Open, false), 5);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    RatioReporter reporter;
    RunInProgram(argc, argv, Register, reporter, [] {
        if (g_fixture) g_fixture->program.RemoveFiles();
    });
}
