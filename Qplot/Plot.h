// The time-frequency map widget: one raster item that paints a matrix as a coloured image
// and contour lines of a second matrix, frequency on the left axis, depth or time on the
// bottom axis and a colour bar on the right. Exports itself to an A4 landscape PDF.
#pragma once

#include "Qplot/TonalithData.h"

#include <qwt_plot.h>

#include <functional>
#include <memory>

class QwtPlotTonalith2;
class TestOverlay;
class TraceOverlay;

class Plot : public QwtPlot {
    Q_OBJECT
public:
    explicit Plot(QWidget* parent = nullptr);
    ~Plot() override;

    void setColorMap(int index);
    void setColorTableSize(int type);
    void setAlpha(int value);
    void showContour(bool on);
    void showImage(bool on);
    void setContourLevels(const double* levels, int count);
    void setValueFunction(ValueFunction function);
    void setMatrix(const double* values, qint64 count, int numColumns, int resampleMode,
                   double xmin, double xmax, double ymin, double ymax, double zmin, double zmax);
    void setMatrixWithContours(const double* values, const double* contourValues, qint64 count,
                               int numColumns, int resampleMode, double xmin, double xmax,
                               double ymin, double ymax, double zmin, double zmax);
    void setIntervals(double xmin, double xmax, double ymin, double ymax, double zmin, double zmax);
    void intervals(double* xmin, double* xmax, double* ymin, double* ymax, double* zmin,
                   double* zmax) const;
    void repaintAxis(int axisId);
    void setMaskLevel(double level);
    void setMaskValues(const double* values, qint64 count);
    void setAxisReversed(int axisId, bool reversed);
    void exportPdf();
    void printInfo();

    // Renders the whole plot into an A4 landscape PDF at `fileName`, written to a temporary
    // file in the same folder and renamed into place. Returns false (and says why) when the
    // file could not be written; an existing file of that name is then left as it was.
    bool writePdf(const QString& fileName, QString* why);

    // Renders the whole plot into a figure file, PDF, PNG or SVG by the file's extension:
    // width x height in pixels for PNG (default 1200 x 800), in millimetres for PDF and SVG
    // (default 297 x 210, A4 landscape). Written whole or not at all, like writePdf.
    bool writeFigure(const QString& fileName, double width, double height, QString* why);

    // Called with plot coordinates when the pointer moves over the canvas and when the canvas
    // is clicked (null: no call).
    using PointerFunction = void (*)(void* ctx, double x, double y);
    void setPointerCallbacks(void* ctx, PointerFunction moved, PointerFunction clicked);
    // The callbacks set last, so that a caller can lend the map out and hand them back.
    void pointerCallbacks(void** ctx, PointerFunction* moved, PointerFunction* clicked) const;

    // The frequency axis labelled in periods (1/f, same map and scale) and/or logarithmic.
    void setFrequencyAxis(bool periods, bool logarithmic);
    // The positions' name (a column title such as "age_ka"; empty: none known): the axes'
    // titles say it, the frequency in cycles per that unit.
    void setPositionUnit(const QString& unit);
    // The unit the positions are measured in ("m", "kyr"; empty: not known): the axes read
    // "depth_m (m)" and "Frequency (cycles/m)".
    void setPositionMeasure(const QString& measure);
    // The title PDF and SVG figures carry in their metadata.
    void setDocumentTitle(const QString& title) { documentTitle_ = title; }
    QString documentTitle() const { return documentTitle_; }
    // The traced line over the map; dragging one of its points calls `dragged` with the
    // point's index and the frequency it was dropped at (no click is reported then).
    TraceOverlay* traceOverlay() const { return trace_.get(); }
    using TraceDragFunction = void (*)(void* ctx, int index, double frequency);
    void setTraceDragCallback(void* ctx, TraceDragFunction dragged);
    void traceDragCallback(void** ctx, TraceDragFunction* dragged) const;
    // The evolutive test's shaded windows and identified rates over its r2_opt map.
    TestOverlay* testOverlay() const { return test_.get(); }
    // A vertical line at one window's centre (on: shown).
    void markPosition(double x, bool on);
    bool periodLabels() const { return periodLabels_; }
    bool logarithmicFrequency() const { return logarithmic_; }

    QwtPlotTonalith2* item() const { return rasterItem; }
    int colorMapIndexValue() const { return colorMapIndex; }
    int alphaValue() const { return alpha; }

    // Asks for the PDF file name: (parent, caption, proposed name, filter) -> name, or empty
    // when cancelled. The default shows the save dialog; tests install their own.
    using SaveFileNameProvider =
        std::function<QString(QWidget*, const QString&, const QString&, const QString&)>;
    static void setSaveFileNameProvider(SaveFileNameProvider provider);
    // Where the PDF export proposes to write: Tonalith.pdf on the user's Desktop.
    static QString defaultPdfPath();

signals:
    // After an export attempt: whether the file was written, its name, and why not.
    void pdfExportFinished(bool written, const QString& fileName, const QString& message);

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void drawItems(QPainter* painter, const QRectF& canvasRect,
                   const QwtScaleMap maps[axisCnt]) const override;

private:
    QwtPlotTonalith2* rasterItem = nullptr;
    int colorMapIndex = 0;
    int alpha = 255;
    void* pointerContext_ = nullptr;
    PointerFunction moved_ = nullptr;
    PointerFunction clicked_ = nullptr;
    void updateAxisTitles();
    QString unit_;
    QString measure_;
    QString documentTitle_;
    std::unique_ptr<TraceOverlay> trace_;
    std::unique_ptr<TestOverlay> test_;
    void* dragContext_ = nullptr;
    TraceDragFunction dragged_ = nullptr;
    int dragging_ = -1; // the trace point being dragged
    class QwtPlotMarker* windowMark_ = nullptr;
    bool periodLabels_ = false;
    bool logarithmic_ = false;
};
