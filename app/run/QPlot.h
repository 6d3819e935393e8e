// The shell's side of the plot: QPlot wraps one plot-layer widget and forwards to its entry
// points; MyPlot is the application's plot (sharedPlot) and runs the analysis in the
// background, hands the result to the plot and keeps the map's ranges (axisRanges).
#pragma once

#include "Qplot/MapView.h"
#include "Qplot/plot_api.h"
#include "app/run/AnalysisRun.h"
#include "core/results/MapVariant.h"
#include "core/results/ResultGrids.h"
#include "core/results/ResultSet.h"
#include "core/series/SeriesFile.h"
#include "core/service/AnalysisService.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <vector>

class QProgressBar;
class QWidget;

// The integer codes of the plot entry points, by name.
namespace PlotCodes {
enum class AxisId : int {
    yLeft = PLOT_Y_LEFT,
    yRight = PLOT_Y_RIGHT,
    xBottom = PLOT_X_BOTTOM,
    xTop = PLOT_X_TOP
};
enum class QwtRasterDataInterpolationMode : int {
    nearestNeighbour = PLOT_NEAREST_NEIGHBOUR,
    bilinear = PLOT_BILINEAR
};
enum class QwtColorTableSize : int {
    none = PLOT_TABLE_NONE,
    k256 = PLOT_TABLE_256,
    k1024 = PLOT_TABLE_1024,
    k16384 = PLOT_TABLE_16384
};
enum class QwtColorMap : int {
    rgb = PLOT_MAP_LINEAR,
    hue = PLOT_MAP_HUE,
    saturation = PLOT_MAP_SATURATION,
    value = PLOT_MAP_VALUE,
    saturationValue = PLOT_MAP_SATURATION_VALUE,
    alpha = PLOT_MAP_ALPHA
};

// A raw value outside the listed cases gives no value.
std::optional<AxisId> axisId(int raw);
std::optional<QwtRasterDataInterpolationMode> interpolationMode(int raw);
std::optional<QwtColorTableSize> colorTableSize(int raw);
std::optional<QwtColorMap> colorMap(int raw);
} // namespace PlotCodes

// The six ranges of the map as last drawn or edited, application-wide (the application's run
// holds them); empty until the first run completes.
AxisRanges& axisRanges();

// One plot-layer widget, reached through its entry points.
class QPlot : public QObject {
    Q_OBJECT
public:
    explicit QPlot(QWidget* parent); // a new plot through plotCreate
    explicit QPlot(Plot* existing);  // wraps a plot that exists already
    ~QPlot() override;               // never deletes the plot: its Qt parent does

    Plot* plot() const { return plot_; }
    QWidget* widget() const;

    virtual void setAlpha(int alpha);
    virtual void setContourLevels(const QVector<double>& levels);
    virtual void exportPdf();
    virtual void setMatrix(const QVector<double>& values, int numColumns,
                           PlotCodes::QwtRasterDataInterpolationMode mode, double xmin, double xmax,
                           double ymin, double ymax, double zmin, double zmax);
    virtual void setMatrixWithContours(const QVector<double>& values,
                                       const QVector<double>& contourValues, int numColumns,
                                       PlotCodes::QwtRasterDataInterpolationMode mode, double xmin,
                                       double xmax, double ymin, double ymax, double zmin,
                                       double zmax);
    virtual void setValueFunction(PlotValueFunction function);
    virtual void setIntervals(double xmin, double xmax, double ymin, double ymax, double zmin,
                              double zmax);
    virtual std::array<double, 6> intervals() const;
    virtual void setAxisScale(PlotCodes::AxisId axis, double min, double max, double step);
    virtual void repaintAxis(PlotCodes::AxisId axis);

protected:
    QPlot() = default;
    Plot* plot_ = nullptr;
};

// The application's plot: a view of the application's analysis run (AnalysisRun), which it
// owns; it draws the run's map and how the map shows it.
class MyPlot : public QPlot {
    Q_OBJECT
public:
    // The application's plot with the placeholder picture; progressIndicator may be null.
    explicit MyPlot(QProgressBar* progressIndicator);
    ~MyPlot() override;

    // The run this plot shows.
    AnalysisRun* analysisRun() const { return run_; }

    // Forwarded to the run: starts a run of a prepared series and returns at once;
    // runFinished reports its end. The provenance carries the parameters. Refused runs end at
    // once.
    void runAnalysis(const series::Series& series, const analysis::Provenance& provenance,
                     bool contours);
    bool isRunning() const { return run_->isRunning(); }
    // Ends the run at the next window boundary; the previous picture stays.
    void cancel() { run_->cancel(); }
    // How later runs are carried out (workers; a simulated taper status in tests).
    void setExecution(const service::Execution& execution) { run_->setExecution(execution); }
    // The results of the last run that reached the map; empty before the first.
    const std::shared_ptr<const results::ResultSet>& lastResult() const {
        return run_->lastResult();
    }

    // How the map shows the last run and the next: what the colour shows and how. Changing it
    // redraws the map from the kept grids; nothing is recomputed.
    struct MapDisplay {
        results::MapOf of = results::MapOf::Amplitude;
        int colorMap = PLOT_MAP_LINEAR;
        double maskLevel = 0; // 0: every cell coloured
        double fdr = 0;       // > 0: the mask keeps the cells false-discovery control keeps
        bool reverseX = false;
    };
    void setMapDisplay(const MapDisplay& display);
    const MapDisplay& mapDisplay() const { return display_; }
    // Shows or hides the probability contours of the map shown and of later runs.
    void setContoursShown(bool on);
    // The grids of the last map; empty before the first.
    const std::shared_ptr<const results::Grids>& lastGrids() const { return run_->lastGrids(); }

    // The engine's progress callback: hands the percentage to the progress indicator.
    static void reportProgress(void* ctx, double percent);

    static const QVector<double>& placeholderLevels();

signals:
    void runStarted();
    // shown: a new map is on screen. message: what the status bar should say.
    void runFinished(bool shown, const QString& message);

private:
    void showMap(const analysis::Provenance& provenance, const AnalysisRun::Timing& timing);
    void drawMap();

    AnalysisRun* run_;
    MapDisplay display_;
    bool contours_ = true;
};

// The application's one plot, from start-up on.
extern MyPlot* sharedPlot;
