/* The plot layer's entry points: plain functions of pointers, integers, booleans and doubles
   through which the application drives the time-frequency map without knowing its classes.
   All are called on the GUI thread. Integer codes:
     axis id:            0 left (frequency), 1 right (colour bar), 2 bottom (depth/time), 3 top
     colour-map index:   0 linear, 1 hue, 2 saturation, 3 value, 4 saturation-value, 5 alpha,
                         6 viridis, 7 cividis, 8 greyscale (other values act as 0)
     colour-table type:  0 none, 1 256 colours, 2 1024, 3 16384 (other values act as 0)
     resample mode:      0 nearest neighbour, 1 bilinear interpolation
   Arrays are copied before a function returns; no pointer is kept. */
#ifndef TONALITH_PLOT_API_H
#define TONALITH_PLOT_API_H

#include <stdint.h>

#ifdef __cplusplus
class QWidget;
class Plot;
class SeriesPlot;
class WindowPanel;
class WholeRecordFigure;
class AgeModelPlot;
class TimeOptFigure;
class MisfitFigure;
extern "C" {
#else
#include <stdbool.h>
typedef struct QWidget QWidget;
typedef struct Plot Plot;
typedef struct SeriesPlot SeriesPlot;
typedef struct WindowPanel WindowPanel;
typedef struct WholeRecordFigure WholeRecordFigure;
typedef struct AgeModelPlot AgeModelPlot;
typedef struct TimeOptFigure TimeOptFigure;
typedef struct MisfitFigure MisfitFigure;
#endif

/* The integer codes, by name. */
enum PlotAxisCode { PLOT_Y_LEFT = 0, PLOT_Y_RIGHT = 1, PLOT_X_BOTTOM = 2, PLOT_X_TOP = 3 };
enum PlotColorMapCode {
    PLOT_MAP_LINEAR = 0,
    PLOT_MAP_HUE = 1,
    PLOT_MAP_SATURATION = 2,
    PLOT_MAP_VALUE = 3,
    PLOT_MAP_SATURATION_VALUE = 4,
    PLOT_MAP_ALPHA = 5,
    PLOT_MAP_VIRIDIS = 6,
    PLOT_MAP_CIVIDIS = 7,
    PLOT_MAP_GREYSCALE = 8
};
enum PlotColorTableCode {
    PLOT_TABLE_NONE = 0,
    PLOT_TABLE_256 = 1,
    PLOT_TABLE_1024 = 2,
    PLOT_TABLE_16384 = 3
};
enum PlotResampleCode { PLOT_NEAREST_NEIGHBOUR = 0, PLOT_BILINEAR = 1 };

typedef double (*PlotValueFunction)(double x, double y);

Plot* plotCreate(QWidget* parent);
void plotSetColorMap(Plot* plot, int colorMapIndex);
void plotShowContour(Plot* plot, bool on);
void plotSetColorTableSize(Plot* plot, int colorTableType);
void plotSetAlpha(Plot* plot, int alpha);
void plotSetContourLevels(Plot* plot, const double* levels, int count);
void plotSetValueFunction(Plot* plot, PlotValueFunction function);
void plotSetMatrix(Plot* plot, const double* values, int64_t count, int numColumns,
                   int resampleMode, double xmin, double xmax, double ymin, double ymax,
                   double zmin, double zmax);
void plotSetMatrixWithContours(Plot* plot, const double* values, const double* contourValues,
                               int64_t count, int numColumns, int resampleMode, double xmin,
                               double xmax, double ymin, double ymax, double zmin, double zmax);
void plotSetAxisScale(Plot* plot, int axisId, double min, double max, double step);
void plotSetIntervals(Plot* plot, double xmin, double xmax, double ymin, double ymax, double zmin,
                      double zmax);
void plotGetIntervals(Plot* plot, double* xmin, double* xmax, double* ymin, double* ymax,
                      double* zmin, double* zmax);
void plotRepaintAxis(Plot* plot, int axisId);
/* Cells whose contour value (the F-test probability) lies below level are drawn transparent,
   each cell whole; level <= 0 draws every cell. Replots. */
void plotSetMaskLevel(Plot* plot, double level);
/* The mask reads these values instead of the contour values (same layout and intervals as the
   last matrix); null goes back to the contour values. */
void plotSetMaskValues(Plot* plot, const double* values, int64_t count);
/* An axis running from its maximum to its minimum (for ages with the oldest on the left). */
void plotSetAxisReversed(Plot* plot, int axisId, bool reversed);
void plotSetAxisTitle(Plot* plot, int axisId, const char* title);
void plotExportPdf(Plot* plot);
/* Renders the plot into fileName (.pdf, .png or .svg): width x height in pixels for PNG, in
   millimetres for PDF and SVG, 0 for the format's default (PDF: A4 landscape). Returns true when
   the file was written whole; otherwise the reason goes to message (when not null). */
bool plotWriteFigure(Plot* plot, const char* fileName, double width, double height, char* message,
                     int messageSize);
void plotDestroy(Plot* plot);

/* Pointer over the map: moved and clicked (either may be null) receive ctx and the plot
   coordinates (depth/time, frequency) under the pointer. */
typedef void (*PlotPointerFunction)(void* ctx, double x, double y);
void plotSetPointerCallbacks(Plot* plot, void* ctx, PlotPointerFunction moved,
                             PlotPointerFunction clicked);
/* The callbacks set last (any pointer may be null), to be handed back after the map was lent
   to another picture. */
void plotGetPointerCallbacks(Plot* plot, void** ctx, PlotPointerFunction* moved,
                             PlotPointerFunction* clicked);
/* The frequency axis labelled in periods (1/f) and/or on a logarithmic scale; replots. */
void plotSetFrequencyAxis(Plot* plot, bool periods, bool logarithmic);
/* The positions' name in the axis titles (a column title such as "age_ka"; empty: none). */
void plotSetPositionUnit(Plot* plot, const char* unit);
/* The unit the positions are measured in ("m"; empty: not known), for the axis titles. */
void plotSetPositionMeasure(Plot* plot, const char* measure);
/* The title line above the map (empty: none), and the title PDF and SVG files carry in their
   metadata. */
void plotSetTitle(Plot* plot, const char* title);
void plotSetDocumentTitle(Plot* plot, const char* title);
/* A traced line over the map: n points (n = 0 clears), filled where significant[i] (may be
   null: all), and the band of half-width band around it (0: none). */
void plotSetTrace(Plot* plot, const double* x, const double* f, const unsigned char* significant,
                  int n, double band);
/* The trace's points drawn as flagged (a cross) where flagged[i] is set; n must match the
   trace's points (otherwise, or with null, none is). Set after plotSetTrace, which clears them. */
void plotSetTraceFlags(Plot* plot, const unsigned char* flagged, int n);
/* Each trace point's interval (a rate's or a frequency's), from low[i] to high[i], shaded under
   the line; n must match the trace's points (otherwise, or with null, none is); a pair that is
   not finite leaves its point out. Set after plotSetTrace, which clears them. */
void plotSetTraceIntervals(Plot* plot, const double* low, const double* high, int n);
/* Dragging a trace point reports its index and the frequency it was dropped at. */
typedef void (*PlotTraceDragFunction)(void* ctx, int index, double frequency);
void plotSetTraceDragCallback(Plot* plot, void* ctx, PlotTraceDragFunction dragged);
void plotGetTraceDragCallback(Plot* plot, void** ctx, PlotTraceDragFunction* dragged);
/* Horizontal guide lines at frequencies f[0..n-1], labelled (labels[i] may be null); any guides
   before them go. */
void plotSetGuides(Plot* plot, const double* f, const char* const* labels, int n);
/* Guides that follow a rate along the positions, in place of any guides: guide i runs through
   (x[j], f[i * points + j]) for j < points (x increasing), labelled at its end. */
void plotSetGuideCurves(Plot* plot, const double* x, const double* f, int points,
                        const char* const* labels, int n);
/* Over the evolutive test's map: columns from from[i] to to[i] along the position axis hatched
   and dimmed (windows not significant), and marks at (x[i], y[i]) (identified rates); n = 0
   clears either. */
void plotSetShadedColumns(Plot* plot, const double* from, const double* to, int n);
void plotSetMarks(Plot* plot, const double* x, const double* y, int n);
/* A vertical line on the map at position x (a selected window's centre); on false hides it. */
void plotMarkPosition(Plot* plot, double x, bool on);

/* The analysed series above the map. */
SeriesPlot* seriesCreate(QWidget* parent);
void seriesSetData(SeriesPlot* series, const double* positions, const double* values, int count);
void seriesSetXRange(SeriesPlot* series, double min, double max);
/* The title of the series' value axis (the column's name). */
void seriesSetTitle(SeriesPlot* series, const char* title);
void seriesSetXReversed(SeriesPlot* series, bool reversed);
/* The span of the selected window shaded over the series (from > to: none). */
void seriesSetSpan(SeriesPlot* series, double from, double to);
/* The series' plot area kept right above the map's, for a shared position axis. */
void seriesFollowPlot(SeriesPlot* series, Plot* plot);
/* A second curve over the series (the removed trend); count 0 removes it. */
void seriesSetOverlay(SeriesPlot* series, const double* positions, const double* values, int count);
/* A band-passed series over the series: filtered + centre, and centre +/- envelope; count 0
   removes them. */
void seriesSetBandPass(SeriesPlot* series, const double* positions, const double* filtered,
                       const double* envelope, int count, double centre);

/* The spectrum of one window: amplitude and F-test probability against frequency, with
   horizontal lines at the significance levels; title names the window. */
WindowPanel* windowPanelCreate(QWidget* parent);
void windowPanelSetData(WindowPanel* panel, const double* frequency, const double* amplitude,
                        const double* probability, int count, const char* title);
void windowPanelSetLevels(WindowPanel* panel, const double* levels, int count);
void windowPanelSetFrequencyAxis(WindowPanel* panel, bool periods, bool logarithmic);
/* The record's position unit in the frequency axis title ("m"; empty: not known). */
void windowPanelSetFrequencyUnit(WindowPanel* panel, const char* unit);
/* A vertical line at frequency f on both panels (the traced line's); on false hides it. */
void windowPanelSetMark(WindowPanel* panel, double f, bool on);

/* The spectrum of a whole record: log power with the background and its three levels, marked
   bins (marked may be null), the F-test probability below with a line at level. */
WholeRecordFigure* wholeRecordFigureCreate(QWidget* parent);
void wholeRecordFigureSetData(WholeRecordFigure* figure, const double* frequency,
                              const double* power, const double* background, const double* level90,
                              const double* level95, const double* level99,
                              const double* probability, const unsigned char* marked, int count,
                              double level, const char* title);
void wholeRecordFigureSetFrequencyAxis(WholeRecordFigure* figure, bool periods, bool logarithmic);
/* The levels shaded as not to be trusted below frequency `below` (0: nowhere). */
void wholeRecordFigureSetUnreliableBelow(WholeRecordFigure* figure, double below);
// The record's position unit in the frequency axis title ("m"; empty: not known).
void wholeRecordFigureSetFrequencyUnit(WholeRecordFigure* figure, const char* unit);
/* As plotWriteFigure. */
bool wholeRecordFigureWrite(WholeRecordFigure* figure, const char* fileName, double width,
                            double height, char* message, int messageSize);
void wholeRecordFigureDestroy(WholeRecordFigure* figure);

/* The astronomical test: r2_envelope, r2_power and r2_opt against count trial rates (cm/kyr,
   increasing) on a logarithmic axis, the optimum's rate marked with its r2_opt (optimumR2) and,
   when pValue >= 0, its p-value from `simulations` simulations. */
TimeOptFigure* timeOptFigureCreate(QWidget* parent);
void timeOptFigureSetData(TimeOptFigure* figure, const double* rate, const double* envelope,
                          const double* power, const double* opt, int count, double optimum,
                          double optimumR2, double pValue, int simulations, const char* title);
/* The interval of the rate shaded from low to high (cm/kyr), with its label; low >= high or
   not finite: none. */
void timeOptFigureSetInterval(TimeOptFigure* figure, double low, double high, const char* label);
/* As plotWriteFigure. */
bool timeOptFigureWrite(TimeOptFigure* figure, const char* fileName, double width, double height,
                        char* message, int messageSize);
void timeOptFigureDestroy(TimeOptFigure* figure);

/* The spectral misfit: misfit (cycles/kyr) and null probability against count trial rates
   (cm/kyr, increasing), the best rate marked with its misfit and null probability corrected
   for the rates tried, from `simulations` random line sets. */
MisfitFigure* misfitFigureCreate(QWidget* parent);
void misfitFigureSetData(MisfitFigure* figure, const double* rate, const double* misfit,
                         const double* pNull, int count, double best, double bestMisfit,
                         double bestCorrected, int simulations, const char* title);

/* The age model: sedimentation rate and age against position (unit: the positions' name). */
AgeModelPlot* ageModelPlotCreate(QWidget* parent);
void ageModelPlotSetData(AgeModelPlot* plot, const double* position, const double* age,
                         const double* rate, int count, const char* unit);
/* The axis titles: positions, rate and age, in the record's units. */
void ageModelPlotSetTitles(AgeModelPlot* plot, const char* position, const char* rate,
                           const char* age);
/* The age band (low to high) with its median at count positions; count 0 removes it. */
void ageModelPlotSetBand(AgeModelPlot* plot, const double* position, const double* low,
                         const double* median, const double* high, int count);
/* A click on the age panel hands ctx and the position clicked to `clicked` (null: none). */
typedef void (*AgeModelClickFunction)(void* ctx, double position);
void ageModelPlotSetClickCallback(AgeModelPlot* plot, void* ctx, AgeModelClickFunction clicked);
/* Stretches from first[i] to last[i] (positions) shaded in both panels; count 0: none. */
void ageModelPlotSetStretches(AgeModelPlot* plot, const double* first, const double* last,
                              int count);

#ifdef __cplusplus
}
#endif

#endif
