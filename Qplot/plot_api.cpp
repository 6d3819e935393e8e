#include "Qplot/plot_api.h"

#include "Qplot/AgeModelPlot.h"
#include "Qplot/MisfitFigure.h"
#include "Qplot/Plot.h"
#include "Qplot/SeriesPlot.h"
#include "Qplot/TestOverlay.h"
#include "Qplot/TimeOptFigure.h"
#include "Qplot/TraceOverlay.h"
#include "Qplot/WholeRecordFigure.h"
#include "Qplot/WindowPanel.h"

Plot* plotCreate(QWidget* parent) {
    auto* plot = new Plot(parent);
    plot->setColorMap(1);
    plot->setAlpha(255);
    plot->showImage(true);
    plot->showContour(true);
    return plot;
}

void plotSetColorMap(Plot* plot, int colorMapIndex) {
    plot->setColorMap(colorMapIndex);
}

void plotShowContour(Plot* plot, bool on) {
    plot->showContour(on);
}

void plotSetColorTableSize(Plot* plot, int colorTableType) {
    plot->setColorTableSize(colorTableType);
}

void plotSetAlpha(Plot* plot, int alpha) {
    plot->setAlpha(alpha);
}

void plotSetContourLevels(Plot* plot, const double* levels, int count) {
    plot->setContourLevels(levels, count);
}

void plotSetValueFunction(Plot* plot, PlotValueFunction function) {
    plot->setValueFunction(function);
}

void plotSetMatrix(Plot* plot, const double* values, int64_t count, int numColumns,
                   int resampleMode, double xmin, double xmax, double ymin, double ymax,
                   double zmin, double zmax) {
    plot->setMatrix(values, count, numColumns, resampleMode, xmin, xmax, ymin, ymax, zmin, zmax);
    plot->setAxisScale(QwtPlot::yRight, zmin, zmax, 0);
}

void plotSetMatrixWithContours(Plot* plot, const double* values, const double* contourValues,
                               int64_t count, int numColumns, int resampleMode, double xmin,
                               double xmax, double ymin, double ymax, double zmin, double zmax) {
    plot->setMatrixWithContours(values, contourValues, count, numColumns, resampleMode, xmin, xmax,
                                ymin, ymax, zmin, zmax);
    plot->setAxisScale(QwtPlot::yRight, zmin, zmax, 0);
}

void plotSetAxisScale(Plot* plot, int axisId, double min, double max, double step) {
    plot->setAxisScale(axisId, min, max, step);
}

void plotSetIntervals(Plot* plot, double xmin, double xmax, double ymin, double ymax, double zmin,
                      double zmax) {
    plot->setIntervals(xmin, xmax, ymin, ymax, zmin, zmax);
    plot->setAxisScale(QwtPlot::xBottom, xmin, xmax, 0);
    plot->setAxisScale(QwtPlot::yLeft, ymin, ymax, 0);
    plot->setAxisScale(QwtPlot::yRight, zmin, zmax, 0);
}

void plotGetIntervals(Plot* plot, double* xmin, double* xmax, double* ymin, double* ymax,
                      double* zmin, double* zmax) {
    plot->intervals(xmin, xmax, ymin, ymax, zmin, zmax);
}

void plotRepaintAxis(Plot* plot, int axisId) {
    plot->repaintAxis(axisId);
}

void plotSetMaskLevel(Plot* plot, double level) {
    plot->setMaskLevel(level);
}

void plotSetMaskValues(Plot* plot, const double* values, int64_t count) {
    plot->setMaskValues(values, count);
}

void plotSetAxisReversed(Plot* plot, int axisId, bool reversed) {
    plot->setAxisReversed(axisId, reversed);
}

void plotSetAxisTitle(Plot* plot, int axisId, const char* title) {
    plot->setAxisTitle(axisId, QString::fromUtf8(title));
}

void plotExportPdf(Plot* plot) {
    plot->exportPdf();
}

void plotDestroy(Plot* plot) {
    delete plot;
}

bool plotWriteFigure(Plot* plot, const char* fileName, double width, double height, char* message,
                     int messageSize) {
    QString why;
    const bool written = plot->writeFigure(QString::fromUtf8(fileName), width, height, &why);
    if (!written && message && messageSize > 0)
        qstrncpy(message, why.toUtf8().constData(), static_cast<uint>(messageSize));
    return written;
}

void plotSetPointerCallbacks(Plot* plot, void* ctx, PlotPointerFunction moved,
                             PlotPointerFunction clicked) {
    plot->setPointerCallbacks(ctx, moved, clicked);
}

void plotGetPointerCallbacks(Plot* plot, void** ctx, PlotPointerFunction* moved,
                             PlotPointerFunction* clicked) {
    void* c = nullptr;
    Plot::PointerFunction m = nullptr, k = nullptr;
    plot->pointerCallbacks(&c, &m, &k);
    if (ctx)
        *ctx = c;
    if (moved)
        *moved = m;
    if (clicked)
        *clicked = k;
}

void plotSetFrequencyAxis(Plot* plot, bool periods, bool logarithmic) {
    plot->setFrequencyAxis(periods, logarithmic);
}

void plotSetPositionUnit(Plot* plot, const char* unit) {
    plot->setPositionUnit(QString::fromUtf8(unit));
}

void plotSetPositionMeasure(Plot* plot, const char* measure) {
    plot->setPositionMeasure(QString::fromUtf8(measure));
}

void plotSetTitle(Plot* plot, const char* title) {
    plot->setTitle(QString::fromUtf8(title));
}

void plotSetDocumentTitle(Plot* plot, const char* title) {
    plot->setDocumentTitle(QString::fromUtf8(title));
}

void plotSetTrace(Plot* plot, const double* x, const double* f, const unsigned char* significant,
                  int n, double band) {
    plot->traceOverlay()->setTrace(x, f, significant, n, band);
}

void plotSetTraceFlags(Plot* plot, const unsigned char* flagged, int n) {
    plot->traceOverlay()->setFlags(flagged, n);
}

void plotSetTraceIntervals(Plot* plot, const double* low, const double* high, int n) {
    plot->traceOverlay()->setIntervals(low, high, n);
}

void plotSetTraceDragCallback(Plot* plot, void* ctx, PlotTraceDragFunction dragged) {
    plot->setTraceDragCallback(ctx, dragged);
}

void plotGetTraceDragCallback(Plot* plot, void** ctx, PlotTraceDragFunction* dragged) {
    void* c = nullptr;
    Plot::TraceDragFunction d = nullptr;
    plot->traceDragCallback(&c, &d);
    if (ctx)
        *ctx = c;
    if (dragged)
        *dragged = d;
}

void plotSetGuides(Plot* plot, const double* f, const char* const* labels, int n) {
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << (labels && labels[i] ? QString::fromUtf8(labels[i]) : QString());
    plot->traceOverlay()->setGuides(f, names);
}

void plotSetGuideCurves(Plot* plot, const double* x, const double* f, int points,
                        const char* const* labels, int n) {
    QStringList names;
    for (int i = 0; i < n; ++i)
        names << (labels && labels[i] ? QString::fromUtf8(labels[i]) : QString());
    plot->traceOverlay()->setGuideCurves(x, f, points, names);
}

void plotSetShadedColumns(Plot* plot, const double* from, const double* to, int n) {
    plot->testOverlay()->setShadedColumns(from, to, n);
}

void plotSetMarks(Plot* plot, const double* x, const double* y, int n) {
    plot->testOverlay()->setMarks(x, y, n);
}

void plotMarkPosition(Plot* plot, double x, bool on) {
    plot->markPosition(x, on);
}

void seriesSetTitle(SeriesPlot* series, const char* title) {
    series->setAxisTitle(QwtPlot::yLeft, QString::fromUtf8(title));
}

void seriesSetSpan(SeriesPlot* series, double from, double to) {
    series->setSpan(from, to);
}

void seriesFollowPlot(SeriesPlot* series, Plot* plot) {
    series->follow(plot->canvas());
}

SeriesPlot* seriesCreate(QWidget* parent) {
    return new SeriesPlot(parent);
}

void seriesSetData(SeriesPlot* series, const double* positions, const double* values, int count) {
    series->setSeries(positions, values, count);
}

void seriesSetXRange(SeriesPlot* series, double min, double max) {
    series->setXRange(min, max);
}

void seriesSetXReversed(SeriesPlot* series, bool reversed) {
    series->setXReversed(reversed);
}

void seriesSetOverlay(SeriesPlot* series, const double* positions, const double* values,
                      int count) {
    series->setOverlay(positions, values, count);
}

void seriesSetBandPass(SeriesPlot* series, const double* positions, const double* filtered,
                       const double* envelope, int count, double centre) {
    series->setBandPass(positions, filtered, envelope, count, centre);
}

WindowPanel* windowPanelCreate(QWidget* parent) {
    return new WindowPanel(parent);
}

void windowPanelSetData(WindowPanel* panel, const double* frequency, const double* amplitude,
                        const double* probability, int count, const char* title) {
    panel->setSpectrum(frequency, amplitude, probability, count, QString::fromUtf8(title));
}

void windowPanelSetFrequencyAxis(WindowPanel* panel, bool periods, bool logarithmic) {
    panel->setFrequencyAxis(periods, logarithmic);
}

void windowPanelSetFrequencyUnit(WindowPanel* panel, const char* unit) {
    panel->setFrequencyUnit(QString::fromUtf8(unit));
}

void windowPanelSetMark(WindowPanel* panel, double f, bool on) {
    panel->setMark(f, on);
}

void windowPanelSetLevels(WindowPanel* panel, const double* levels, int count) {
    panel->setLevels(levels, count);
}

WholeRecordFigure* wholeRecordFigureCreate(QWidget* parent) {
    return new WholeRecordFigure(parent);
}

void wholeRecordFigureSetData(WholeRecordFigure* figure, const double* frequency,
                              const double* power, const double* background, const double* level90,
                              const double* level95, const double* level99,
                              const double* probability, const unsigned char* marked, int count,
                              double level, const char* title) {
    figure->setData({frequency, power, background, level90, level95, level99, probability, marked,
                     count, level},
                    QString::fromUtf8(title));
}

void wholeRecordFigureSetFrequencyAxis(WholeRecordFigure* figure, bool periods, bool logarithmic) {
    figure->setFrequencyAxis(periods, logarithmic);
}

void wholeRecordFigureSetUnreliableBelow(WholeRecordFigure* figure, double below) {
    figure->setUnreliableBelow(below);
}

void wholeRecordFigureSetFrequencyUnit(WholeRecordFigure* figure, const char* unit) {
    figure->setFrequencyUnit(QString::fromUtf8(unit));
}

bool wholeRecordFigureWrite(WholeRecordFigure* figure, const char* fileName, double width,
                            double height, char* message, int messageSize) {
    QString why;
    const bool written = figure->write(QString::fromUtf8(fileName), width, height, &why);
    if (!written && message && messageSize > 0)
        qstrncpy(message, why.toUtf8().constData(), static_cast<uint>(messageSize));
    return written;
}

void wholeRecordFigureDestroy(WholeRecordFigure* figure) {
    delete figure;
}

TimeOptFigure* timeOptFigureCreate(QWidget* parent) {
    return new TimeOptFigure(parent);
}

void timeOptFigureSetData(TimeOptFigure* figure, const double* rate, const double* envelope,
                          const double* power, const double* opt, int count, double optimum,
                          double optimumR2, double pValue, int simulations, const char* title) {
    figure->setData({rate, envelope, power, opt, count, optimum, optimumR2, pValue, simulations},
                    QString::fromUtf8(title));
}

void timeOptFigureSetInterval(TimeOptFigure* figure, double low, double high, const char* label) {
    figure->setInterval(low, high, QString::fromUtf8(label ? label : ""));
}

bool timeOptFigureWrite(TimeOptFigure* figure, const char* fileName, double width, double height,
                        char* message, int messageSize) {
    QString why;
    const bool written = figure->write(QString::fromUtf8(fileName), width, height, &why);
    if (!written && message && messageSize > 0)
        qstrncpy(message, why.toUtf8().constData(), static_cast<uint>(messageSize));
    return written;
}

void timeOptFigureDestroy(TimeOptFigure* figure) {
    delete figure;
}

MisfitFigure* misfitFigureCreate(QWidget* parent) {
    return new MisfitFigure(parent);
}

void misfitFigureSetData(MisfitFigure* figure, const double* rate, const double* misfit,
                         const double* pNull, int count, double best, double bestMisfit,
                         double bestCorrected, int simulations, const char* title) {
    figure->setData({rate, misfit, pNull, count, best, bestMisfit, bestCorrected, simulations},
                    QString::fromUtf8(title));
}

AgeModelPlot* ageModelPlotCreate(QWidget* parent) {
    return new AgeModelPlot(parent);
}

void ageModelPlotSetData(AgeModelPlot* plot, const double* position, const double* age,
                         const double* rate, int count, const char* unit) {
    plot->setModel(position, age, rate, count, QString::fromUtf8(unit));
}

void ageModelPlotSetTitles(AgeModelPlot* plot, const char* position, const char* rate,
                           const char* age) {
    plot->setTitles(QString::fromUtf8(position), QString::fromUtf8(rate), QString::fromUtf8(age));
}

void ageModelPlotSetBand(AgeModelPlot* plot, const double* position, const double* low,
                         const double* median, const double* high, int count) {
    plot->setBand(position, low, median, high, count);
}

void ageModelPlotSetClickCallback(AgeModelPlot* plot, void* ctx, AgeModelClickFunction clicked) {
    plot->setClickCallback(ctx, clicked);
}

void ageModelPlotSetStretches(AgeModelPlot* plot, const double* first, const double* last,
                              int count) {
    plot->setStretches(first, last, count);
}
