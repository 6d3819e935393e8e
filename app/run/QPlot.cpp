#include "app/run/QPlot.h"

#include "Qplot/MapView.h"
#include "app/run/ParameterRefusals.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "core/analysis/RunParameters.h"
#include "core/results/ResultFiles.h"
#include "core/results/ResultGrids.h"
#include "figures/ResultFigures.h"

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
    // Before the window makes its plot, nothing has been drawn: an empty set.
    static AxisRanges none;
    return sharedPlot ? sharedPlot->analysisRun()->ranges() : none = {};
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
    plotGetIntervals(plot_, v.data(), &v[1], &v[2], &v[3], &v[4], &v[5]);
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

MyPlot::MyPlot(QProgressBar* indicator) : run_(new AnalysisRun(this)) {
    run_->setProgressIndicator(indicator);
    connect(run_, &AnalysisRun::runStarted, this, &MyPlot::runStarted);
    connect(run_, &AnalysisRun::runFinished, this, &MyPlot::runFinished);
    connect(run_, &AnalysisRun::mapReady, this, &MyPlot::showMap);
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

// ---- MyPlot: the view of the run ----------------------------------------------------------

MyPlot::~MyPlot() = default;

void MyPlot::runAnalysis(const series::Series& series, const analysis::Provenance& provenance,
                         bool contours) {
    run_->start(series, provenance, contours);
}

void MyPlot::reportProgress(void* ctx, double percent) {
    AnalysisRun::reportProgress(ctx, percent);
}

// On the GUI thread: the hand-off of a new map to the plot.
void MyPlot::showMap(const analysis::Provenance& provenance, const AnalysisRun::Timing& timing) {
    QElapsedTimer clock;
    clock.start();
    contours_ = run_->contours();
    plotSetPositionUnit(plot_, provenance.positionName.c_str());
    plotSetDocumentTitle(plot_, ("Tonalith: " + results::runSummary(provenance)).c_str());
    const results::Grids& g = *run_->lastGrids();
    drawMap();
    Platform::say(QString("%1 %2 %3").arg(g.xmin).arg(g.xmax).arg(g.nfreq));

    // The matrices reach half a cell beyond the grid's ranges; the colour's are what is drawn.
    const std::array<double, 6> v = intervals();
    AxisRanges& r = run_->ranges();
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
                      .arg(timing.engineMs)
                      .arg(timing.reshapeMs)
                      .arg(clock.elapsed())
                      .arg(timing.sincePlotMs));
}

void MyPlot::drawMap() {
    if (!lastGrids())
        return;
    const MapDisplay& d = display_;
    figureShowMap(plot_, *lastGrids(), {d.of, d.colorMap, d.maskLevel, d.fdr, d.reverseX},
                  contours_);
}

void MyPlot::setMapDisplay(const MapDisplay& display) {
    display_ = display;
    if (!lastGrids())
        return;
    drawMap();
    // The colour range follows what the colour shows.
    const std::array<double, 6> v = intervals();
    axisRanges().zmin = v[4];
    axisRanges().zmax = v[5];
}

void MyPlot::setContoursShown(bool on) {
    contours_ = on;
    if (lastGrids())
        plotShowContour(plot_, on);
}
