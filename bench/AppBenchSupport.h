#pragma once
// The running program for the benchmarks that time what the user waits for: its settings in a
// temporary folder, message boxes answered with their defaults, dialogs and file choosers
// answered by scripts; and the timing helpers they share.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QCoreApplication>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "CMainFrame.h"
#include "CProfile.h"
#include "CTesseloApp.h"
#include "CTesseloDoc.h"
#include "CTesseloView.h"
#include "CommandIds.h"
#include "FileChooser.h"
#include "ModalRunner.h"
#include "RegistrySettings.h"
#include "UserInterface.h"

inline double ProcessCpuSeconds() {
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

    // The next modal dialog is answered by `script`.
    void PushScript(Script script) { m_scripts.push_back(std::move(script)); }

    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    // The process ends without tearing the program down: the folder goes first.
    void RemoveFiles() { m_dir.remove(); }

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

inline double Median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Each iteration times the program's side and then its peer's, so that both meet the same
// load; the benchmark reports the medians of both and of the pair-by-pair ratios.
class PairedTimes {
public:
    void Add(benchmark::State& state, double own, double peer) {
        state.SetIterationTime(own);
        m_own.push_back(own);
        m_peer.push_back(peer);
        m_ratio.push_back(own / peer);
    }
    // Counters tesselo_ms, PEER_ms and the ratio: "ratio" for the peer named "peer", else
    // PEER_ratio.
    void Report(benchmark::State& state, const std::string& peer = "peer") const {
        state.counters["tesselo_ms"] = Median(m_own) * 1e3;
        state.counters[peer + "_ms"] = Median(m_peer) * 1e3;
        state.counters[peer == "peer" ? "ratio" : peer + "_ratio"] = Median(m_ratio);
    }

private:
    std::vector<double> m_own, m_peer, m_ratio;
};

// Processor seconds of a command's process; negative when it failed.
inline double RunCommand(const std::string& command) {
    const double start = ChildrenCpuSeconds();
    const int status = std::system(command.c_str());
    return status == 0 ? ChildrenCpuSeconds() - start : -1.0;
}

inline std::string SelfCommand() {
    return "'" + std::filesystem::read_symlink("/proc/self/exe").string() + "'";
}

// The usual table; the counters of every benchmark are kept for the closing lines that
// Finalize prints.
class CounterReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            auto& counters = m_counters[run.run_name.function_name];
            for (const auto& [name, counter] : run.counters) counters[name] = counter.value;
        }
    }

protected:
    std::map<std::string, std::map<std::string, double>> m_counters;
};

// Runs the benchmarks that `registerAll` registers inside the program, then ends the process
// without tearing the program down (its documents live on in the fixtures); `removeFiles`
// runs last.
[[noreturn]] inline void RunInProgram(int argc, char** argv, void (*registerAll)(),
                                      CounterReporter& reporter,
                                      const std::function<void()>& removeFiles) {
    benchmark::Initialize(&argc, argv);
    CTesseloApp app(argc, argv);
    registerAll();
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    std::fflush(stdout);
    removeFiles();
    std::_Exit(0);
}
