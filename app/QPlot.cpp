#include "app/QPlot.h"

#include "Qplot/MapView.h"
#include "app/NumberText.h"
#include "app/ParameterRefusals.h"
#include "app/PlatformServices.h"
#include "core/analysis/RunParameters.h"
#include "core/results/ResultFiles.h"
#include "core/results/ResultGrids.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QProgressBar>
#include <QThreadPool>
#include <QWidget>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

MyPlot* sharedPlot = nullptr;

namespace PlotCodes {
namespace {
template <typename Code> std::optional<Code> within(int raw, int first, int last) {
    return raw >= first && raw <= last ? std::optional(static_cast<Code>(raw)) : std::nullopt;
}
} // namespace

std::optional<AxisId> axisId(int raw) {
    return within<AxisId>(raw, PLOT_Y_LEFT, PLOT_X_TOP);
}
std::optional<QwtRasterDataInterpolationMode> interpolationMode(int raw) {
    return within<QwtRasterDataInterpolationMode>(raw, PLOT_NEAREST_NEIGHBOUR, PLOT_BILINEAR);
}
std::optional<QwtColorTableSize> colorTableSize(int raw) {
    return within<QwtColorTableSize>(raw, PLOT_TABLE_NONE, PLOT_TABLE_16384);
}
std::optional<QwtColorMap> colorMap(int raw) {
    return within<QwtColorMap>(raw, PLOT_MAP_LINEAR, PLOT_MAP_ALPHA);
}
} // namespace PlotCodes

using PlotCodes::AxisId;

AxisRanges& axisRanges() {
    static AxisRanges ranges;
    return ranges;
}

// ---- QPlot -------------------------------------------------------------------------------

QPlot::QPlot(QWidget* parent) : plot_(plotCreate(parent)) {}

QPlot::QPlot(Plot* existing) : plot_(existing) {}

QPlot::~QPlot() {
    plot_ = nullptr;
}

QWidget* QPlot::widget() const {
    return reinterpret_cast<QWidget*>(plot_);
}

void QPlot::setAlpha(int alpha) {
    plotSetAlpha(plot_, alpha);
}

void QPlot::setContourLevels(const QVector<double>& levels) {
    plotSetContourLevels(plot_, levels.constData(), levels.size());
}

void QPlot::exportPdf() {
    plotExportPdf(plot_);
}

void QPlot::setMatrix(const QVector<double>& values, int numColumns,
                      PlotCodes::QwtRasterDataInterpolationMode mode, double xmin, double xmax,
                      double ymin, double ymax, double zmin, double zmax) {
    plotSetMatrix(plot_, values.constData(), values.size(), numColumns, static_cast<int>(mode),
                  xmin, xmax, ymin, ymax, zmin, zmax);
    plotSetAxisScale(plot_, static_cast<int>(AxisId::xBottom), xmin, xmax, 0);
    plotSetAxisScale(plot_, static_cast<int>(AxisId::yLeft), ymin, ymax, 0);
}

void QPlot::setMatrixWithContours(const QVector<double>& values,
                                  const QVector<double>& contourValues, int numColumns,
                                  PlotCodes::QwtRasterDataInterpolationMode mode, double xmin,
                                  double xmax, double ymin, double ymax, double zmin, double zmax) {
    plotSetMatrixWithContours(plot_, values.constData(), contourValues.constData(), values.size(),
                              numColumns, static_cast<int>(mode), xmin, xmax, ymin, ymax, zmin,
                              zmax);
    plotSetAxisScale(plot_, static_cast<int>(AxisId::xBottom), xmin, xmax, 0);
    plotSetAxisScale(plot_, static_cast<int>(AxisId::yLeft), ymin, ymax, 0);
}

void QPlot::setValueFunction(PlotValueFunction function) {
    plotSetValueFunction(plot_, function);
}

void QPlot::setIntervals(double xmin, double xmax, double ymin, double ymax, double zmin,
                         double zmax) {
    plotSetIntervals(plot_, xmin, xmax, ymin, ymax, zmin, zmax);
}

std::array<double, 6> QPlot::intervals() const {
    std::array<double, 6> v{};
    plotGetIntervals(plot_, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
    return v;
}

void QPlot::setAxisScale(AxisId axis, double min, double max, double step) {
    plotSetAxisScale(plot_, static_cast<int>(axis), min, max, step);
}

void QPlot::repaintAxis(AxisId axis) {
    plotRepaintAxis(plot_, static_cast<int>(axis));
}

// ---- MyPlot: creation ----------------------------------------------------------------------

const QVector<double>& MyPlot::placeholderLevels() {
    static const QVector<double> levels = [] {
        QVector<double> l;
        // Each level is one fused multiply-add of its index, not an accumulated sum.
        for (int i = 0; std::fma(i, 0.2, 0.0) < 1; ++i)
            l << std::fma(i, 0.2, 0.0);
        return l;
    }();
    return levels;
}

MyPlot::MyPlot(QProgressBar* indicator) : progressIndicator(indicator) {
    plot_ = plotCreate(nullptr);
    widget()->setGeometry(0, 0, 900, 700);
    const double zero = 0.0;
    plotSetMatrixWithContours(plot_, &zero, &zero, 1, 1,
                              static_cast<int>(PlotCodes::QwtRasterDataInterpolationMode::bilinear),
                              0, 1, 0, 1, 0, 1);
    setAxisScale(AxisId::xBottom, 0, 1, 0);
    setAxisScale(AxisId::yLeft, 0, 1, 0);
    setContourLevels(placeholderLevels());
    // Shown once it is placed in the window: shown now, without a parent, it would flash up
    // as a window of its own.
}

// ---- MyPlot: the run -----------------------------------------------------------------------

struct ContextInfo : std::enable_shared_from_this<ContextInfo> {
    QFuture<void> group; // the engine call and what follows it on the run's queue
    QPointer<QProgressBar> progressIndicator;
};

// The run's side of the analysis service: progress to the indicator, Stop to the service.
struct MyPlot::Run : service::RunControl {
    QPointer<MyPlot> owner; // made on the GUI thread; read there by the hand-offs
    series::Series series;
    results::ResultSet result; // its provenance carries the parameters
    service::Execution execution;
    bool contours = true;
    std::shared_ptr<ContextInfo> context;
    QThreadPool* resultQueue = nullptr;
    service::RunOutcome outcome;
    results::Grids grids; // filled by finishAnalysis
    QElapsedTimer clock;
    qint64 engineMs = 0, reshapeMs = 0;

    void progress(double percent) override { reportProgress(context.get(), percent); }
};

void MyPlot::reportProgress(void* ctx, double percent) {
    if (!ctx)
        return;
    // The task holds the context until it has run, however late.
    std::shared_ptr<ContextInfo> context = static_cast<ContextInfo*>(ctx)->shared_from_this();
    Platform::postToMainThread([context, percent] {
        if (context->progressIndicator)
            context->progressIndicator->setValue(qRound(percent * 10));
    });
}

void MyPlot::runAnalysis(const series::Series& series, const analysis::Provenance& provenance,
                         bool contours) {
    if (series.xpos.empty())
        return;
    if (running_) {
        emit runFinished(false, "A run is already in progress.");
        return;
    }
    if (progressIndicator) {
        progressIndicator->setValue(0);
        progressIndicator->show();
    }

    auto run = std::make_shared<Run>();
    run->clock.start();
    const analysis::RunParameters& p = provenance.params;
    const int samples = static_cast<int>(series.xpos.size());
    // The caller prepared the run; a run the engine would refuse still never reaches it.
    if (const auto problem = analysis::checkParameters(p, samples, provenance.deltat)) {
        Platform::say("problem: " + QString::fromStdString(problem->text));
        endRun(false, "Not plotted: " + refusalNamingPreference(*problem) + ".");
        return;
    }
    const std::size_t cellCount = static_cast<std::size_t>(analysis::windowCount(p, samples)) *
                                  static_cast<std::size_t>(analysis::binCount(p));
    Platform::say(QString("%1 %2").arg(cellCount).arg(samples));
    run->series = series;
    run->result.provenance = provenance;
    run->contours = contours;

    run->owner = this;
    current_ = run;
    run->resultQueue = new QThreadPool(this);
    run->resultQueue->setObjectName("spectralQueue");
    run->resultQueue->setMaxThreadCount(1);
    run->context = std::make_shared<ContextInfo>();
    run->context->progressIndicator = progressIndicator;
    run->execution = execution_;
    running_ = true;
    emit runStarted();
    run->context->group = QtConcurrent::run(run->resultQueue, [this, run] {
        QElapsedTimer engineClock;
        engineClock.start();
        run->outcome = service::analyseMap(run->series, run->result, *run, run->execution);
        run->engineMs = engineClock.elapsed();
        finishAnalysis(run);
    });
}

MyPlot::~MyPlot() {
    cancel();
    if (current_)
        current_->context->group.waitForFinished();
}

void MyPlot::cancel() {
    if (running_ && current_)
        current_->cancel();
}

// On the run's queue, after the engine returned.
void MyPlot::finishAnalysis(const std::shared_ptr<Run>& run) {
    if (run->outcome.end == service::RunEnd::Cancelled) {
        Platform::postToMainThread([run] {
            if (run->owner)
                run->owner->endRun(false,
                                   "The run was cancelled; the map shows the previous results.");
        });
        return;
    }
    if (!run->outcome.finished()) {
        const QString why = QString::fromStdString(run->outcome.problem);
        Platform::postToMainThread([run, why] {
            if (run->owner)
                run->owner->endRun(false, "Not plotted: " + why + ".");
        });
        return;
    }
    Platform::say(QString::fromUtf8("Spectrum calculation complete 👍"));
    QElapsedTimer clock;
    clock.start();
    const results::ResultSet& rows = run->result;
    auto grids = results::reshape(rows.xcent, rows.freq, rows.ampl, rows.prob);
    run->reshapeMs = clock.elapsed();
    if (!grids) {
        Platform::postToMainThread([run] {
            if (run->owner)
                run->owner->endRun(false,
                                   "Not plotted: the results could not be arranged into a map.");
        });
        return;
    }
    run->grids = std::move(*grids);
    Platform::postToMainThread([run] {
        if (run->owner)
            run->owner->showResults(run);
    });
}

// On the GUI thread: the hand-off to the plot.
void MyPlot::showResults(const std::shared_ptr<Run>& run) {
    QElapsedTimer clock;
    clock.start();
    contours_ = run->contours;
    plotSetPositionUnit(plot_, run->result.provenance.positionName.c_str());
    plotSetDocumentTitle(plot_,
                         ("Tonalith: " + results::runSummary(run->result.provenance)).c_str());
    lastGrids_ = std::make_shared<const results::Grids>(std::move(run->grids));
    const results::Grids& g = *lastGrids_;
    drawMap();
    Platform::say(QString("%1 %2 %3").arg(g.xmin).arg(g.xmax).arg(g.nfreq));
    if (progressIndicator)
        progressIndicator->hide();

    // The ranges are the grid's: the first and last window centre, the lowest and highest
    // frequency; the matrices themselves reach half a cell further.
    const std::array<double, 6> v = intervals();
    AxisRanges& r = axisRanges();
    r.xmin = g.xmin;
    r.xmax = g.xmax;
    r.ymin = g.flow;
    r.ymax = g.fhigh;
    r.zmin = v[4];
    r.zmax = v[5];
    Platform::say(QString("(xmin: %1, xmax: %2, ymin: %3, ymax: %4, zmin: %5, zmax: %6)")
                      .arg(*r.xmin)
                      .arg(*r.xmax)
                      .arg(*r.ymin)
                      .arg(*r.ymax)
                      .arg(*r.zmin)
                      .arg(*r.zmax));
    Platform::say(QString("timing: engine %1 ms, reshaping %2 ms, hand-off to the plot %3 ms, from "
                          "Plot to hand-off %4 ms (the map is painted at the next screen update)")
                      .arg(run->engineMs)
                      .arg(run->reshapeMs)
                      .arg(clock.elapsed())
                      .arg(run->clock.elapsed()));

    auto result = std::make_shared<results::ResultSet>(std::move(run->result));
    lastResult_ = std::move(result);

    QString message = QString("Spectrum calculation complete: %1 windows x %2 frequencies")
                          .arg(g.nx)
                          .arg(g.nfreq);
    if (v[4] == v[5])
        message +=
            QString(" (every amplitude is %1: nothing to colour)").arg(displayNumberText(v[4]));
    endRun(true, message);
}

void MyPlot::drawMap() {
    if (!lastGrids_)
        return;
    const results::Grids& g = *lastGrids_;
    const std::vector<double> image = results::mapValues(g, display_.of);
    const std::string title = results::mapOfTitle(display_.of);
    MapStyle style;
    style.colorMap = display_.colorMap;
    style.colourBarTitle = title.c_str();
    style.maskLevel = display_.maskLevel;
    style.reverseX = display_.reverseX;
    std::vector<double> kept;
    if (display_.fdr > 0 && display_.maskLevel > 0) {
        kept = results::falseDiscoveryMask(g, display_.fdr);
        style.maskValues = kept.data();
        style.maskLevel = 0.5;
    }
    mapShow(plot_,
            {image.data(), g.sgrid.data(), static_cast<int64_t>(image.size()),
             static_cast<int>(g.nx), g.xmin, g.xmax, g.flow, g.fhigh},
            contours_, style);
}

void MyPlot::setMapDisplay(const MapDisplay& display) {
    display_ = display;
    if (!lastGrids_)
        return;
    drawMap();
    // The colour range follows what the colour shows.
    const std::array<double, 6> v = intervals();
    axisRanges().zmin = v[4];
    axisRanges().zmax = v[5];
}

void MyPlot::setContoursShown(bool on) {
    contours_ = on;
    if (lastGrids_)
        plotShowContour(plot_, on);
}

void MyPlot::endRun(bool shown, const QString& message) {
    if (progressIndicator)
        progressIndicator->hide();
    running_ = false;
    current_.reset();
    for (QThreadPool* pool : findChildren<QThreadPool*>("spectralQueue"))
        pool->deleteLater();
    emit runFinished(shown, message);
}
