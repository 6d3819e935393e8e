// One Plot press on the sample, in the window (offscreen): from the press to the map handed to
// the plot, split into the engine's call and the window's own part (reading and preparing the
// record, the questions, the hand-off and drawing the map).
//   QT_QPA_PLATFORM=offscreen bench_plot_press
#include "app/run/AnalysisRun.h"
#include "app/run/QPlot.h"
#include "app/window/ViewController.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

namespace {

void plotPress(benchmark::State& state) {
    ViewController w;
    w.chooseFileAt(TONALITH_SAMPLE);
    double engine = 0, whole = 0;
    for (auto _ : state) {
        AnalysisRun::Timing timing;
        const auto taken = QObject::connect(
            sharedPlot->analysisRun(), &AnalysisRun::mapReady,
            [&](const analysis::Provenance&, const AnalysisRun::Timing& t) { timing = t; });
        QSignalSpy finished(sharedPlot, &MyPlot::runFinished);
        QElapsedTimer clock;
        clock.start();
        w.setupPlot();
        if (!finished.wait(60000) || !finished.first().at(0).toBool()) {
            state.SkipWithError("the sample was not plotted");
            break;
        }
        const double ms = clock.nsecsElapsed() / 1e6;
        QObject::disconnect(taken);
        state.SetIterationTime(ms / 1e3);
        whole += ms;
        engine += static_cast<double>(timing.engineMs);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["whole_ms"] = whole / n;
    state.counters["engine_ms"] = engine / n;
    state.counters["window_ms"] = (whole - engine) / n;
}
BENCHMARK(plotPress)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    QApplication app(argc, argv);
    QSettings().clear();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
