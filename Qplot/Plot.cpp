#include "Qplot/Plot.h"

#include "Qplot/AxisDirection.h"
#include "Qplot/ColorMaps.h"
#include "Qplot/FigureFile.h"
#include "Qplot/LogScaleEngine.h"
#include "Qplot/OverlayColours.h"
#include "Qplot/PeriodScaleDraw.h"
#include "Qplot/QwtPlotTonalith2.h"
#include "Qplot/RasterData.h"
#include "Qplot/TestOverlay.h"
#include "Qplot/TraceOverlay.h"
#include "Qplot/plot_api.h"
#include "core/io/AtomicFile.h"

#include <qwt_matrix_raster_data.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_layout.h>
#include <qwt_plot_marker.h>
#include <qwt_plot_renderer.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_engine.h>
#include <qwt_scale_widget.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QMouseEvent>
#include <QPrinter>
#include <QPrinterInfo>

#include <cstdio>

namespace {

Plot::SaveFileNameProvider& saveFileNameProvider() {
    static Plot::SaveFileNameProvider provider = [](QWidget* parent, const QString& caption,
                                                    const QString& name, const QString& filter) {
        return QFileDialog::getSaveFileName(parent, caption, name, filter);
    };
    return provider;
}

void setBlackText(QPalette& palette) {
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setBrush(group, QPalette::WindowText, QBrush(Qt::black, Qt::SolidPattern));
        palette.setBrush(group, QPalette::Text, QBrush(Qt::black, Qt::SolidPattern));
    }
}

QPen contourPen(int colorMap) {
    return QPen(QBrush(contourColour(colorMap), Qt::SolidPattern), 0, Qt::SolidLine, Qt::SquareCap,
                Qt::BevelJoin);
}

QwtMatrixRasterData* newMatrix(const QVector<double>& values, int numColumns, int resampleMode,
                               double xmin, double xmax, double ymin, double ymax,
                               const QwtInterval& z) {
    auto* m = new QwtMatrixRasterData();
    m->setValueMatrix(values, numColumns);
    m->setInterval(Qt::XAxis, QwtInterval(xmin, xmax, QwtInterval::ExcludeMaximum));
    m->setInterval(Qt::YAxis, QwtInterval(ymin, ymax, QwtInterval::ExcludeMaximum));
    m->setInterval(Qt::ZAxis, z);
    m->setResampleMode(static_cast<QwtMatrixRasterData::ResampleMode>(resampleMode));
    return m;
}

} // namespace

// The proposal "~/Desktop/Tonalith.pdf" with the home folder expanded; the home folder itself
// where there is no Desktop folder.
QString Plot::defaultPdfPath() {
    const QString desktop = QDir::home().filePath("Desktop");
    return QDir(QFileInfo(desktop).isDir() ? desktop : QDir::homePath()).filePath("Tonalith.pdf");
}

void Plot::setSaveFileNameProvider(SaveFileNameProvider provider) {
    saveFileNameProvider() = std::move(provider);
}

Plot::Plot(QWidget* parent) : QwtPlot(parent) {
    alpha = 255;

    auto* canvas = new QwtPlotCanvas();
    canvas->setBorderRadius(5.0);
    setCanvas(canvas);

    rasterItem = new QwtPlotTonalith2(QString());
    rasterItem->setRenderThreadCount(2);
    rasterItem->setCachePolicy(QwtPlotRasterItem::NoCache);

    QList<double> levels;
    for (double level = 0.0; level < 1.2; level += 0.2)
        levels += level;
    rasterItem->setContourLevels(levels);

    rasterItem->setData(new RasterData());
    rasterItem->attach(this);
    trace_ = std::make_unique<TraceOverlay>(this);
    test_ = std::make_unique<TestOverlay>(this);
    const QwtInterval z = rasterItem->interval(Qt::ZAxis);

    setAxisTitle(yLeft, "Frequency");
    setAxisTitle(xBottom, "Depth/Time");
    setAxisTitle(yRight, "Intensity");
    QwtScaleWidget* right = axisWidget(yRight);
    right->setColorBarEnabled(true);
    QPalette rightPalette = right->palette();
    setBlackText(rightPalette);
    right->setPalette(rightPalette);

    setAxisScale(yRight, z.minValue(), z.maxValue());
    enableAxis(yRight);
    plotLayout()->setAlignCanvasToScales(true);

    setColorMap(0);
    setAxisMaxMinor(yLeft, 0);

    static_cast<QwtMatrixRasterData*>(rasterItem->data())
        ->setResampleMode(QwtMatrixRasterData::BilinearInterpolation);
    replot();

    QPalette palette = axisWidget(xBottom)->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::WindowText, QColor(0, 0, 0, 255));
        palette.setColor(group, QPalette::Text, QColor(0, 0, 0, 255));
    }
    for (int axis : {xBottom, yLeft, yRight})
        axisWidget(axis)->setPalette(palette);
}

Plot::~Plot() = default;

void Plot::setTraceDragCallback(void* ctx, TraceDragFunction dragged) {
    dragContext_ = ctx;
    dragged_ = dragged;
}

void Plot::traceDragCallback(void** ctx, TraceDragFunction* dragged) const {
    *ctx = dragContext_;
    *dragged = dragged_;
}

void Plot::setColorMap(int index) {
    QwtScaleWidget* axis = axisWidget(yRight);
    const QwtInterval z = rasterItem->interval(Qt::ZAxis);
    colorMapIndex = index;
    rasterItem->setColorMap(newColorMap(index));
    axis->setColorMap(z, newColorMap(index));
    rasterItem->setAlpha(index == PLOT_MAP_ALPHA ? 255 : alpha);
    if (rasterItem->defaultContourPen().style() != Qt::NoPen) // one colour over the image
        rasterItem->setDefaultContourPen(contourPen(index));
    replot();
}

void Plot::setColorTableSize(int type) {
    const int sizes[] = {0, 256, 1024, 16384};
    rasterItem->setColorTableSize(type >= PLOT_TABLE_256 && type <= PLOT_TABLE_16384 ? sizes[type]
                                                                                     : 0);
    replot();
}

void Plot::setAlpha(int value) {
    alpha = value;
    if (colorMapIndex == PLOT_MAP_ALPHA)
        return;
    rasterItem->setAlpha(value);
    replot();
}

void Plot::showContour(bool on) {
    rasterItem->setDisplayMode(QwtPlotTonalith2::ContourMode, on);
    // The key to the contour lines, below the map while they are drawn.
    QStringList levels;
    for (double level : rasterItem->contourLevels())
        levels << QLocale::c().toString(level, 'g', 4);
    setFooter(on && !levels.isEmpty() ? "Contour lines: F-test probability " + levels.join(", ")
                                      : QString());
    replot();
}

void Plot::showImage(bool on) {
    rasterItem->setDisplayMode(QwtPlotTonalith2::ImageMode, on);
    if (on)
        rasterItem->setDefaultContourPen(contourPen(colorMapIndex));
    else
        rasterItem->setDefaultContourPen(QPen(Qt::NoPen));
    replot();
}

void Plot::setContourLevels(const double* levels, int count) {
    QList<double> list;
    for (int i = 0; i < count; ++i)
        list += levels[i];
    rasterItem->setContourLevels(list);
}

void Plot::setValueFunction(ValueFunction function) {
    auto* data = new TonalithData();
    data->setValueFunction(function);
    rasterItem->setData(data);
}

void Plot::setMatrix(const double* values, qint64 count, int numColumns, int resampleMode,
                     double xmin, double xmax, double ymin, double ymax, double zmin, double zmax) {
    if (!rasterItem)
        return;
    const QVector<double> copy(values, values + count);
    rasterItem->setData(
        newMatrix(copy, numColumns, resampleMode, xmin, xmax, ymin, ymax, QwtInterval(zmin, zmax)));
    replot();
}

void Plot::setMatrixWithContours(const double* values, const double* contourValues, qint64 count,
                                 int numColumns, int resampleMode, double xmin, double xmax,
                                 double ymin, double ymax, double zmin, double zmax) {
    if (!rasterItem)
        return;
    const QVector<double> image(values, values + count);
    const QVector<double> contours(contourValues, contourValues + count);
    rasterItem->setData(newMatrix(image, numColumns, resampleMode, xmin, xmax, ymin, ymax,
                                  QwtInterval(zmin, zmax)));
    rasterItem->setContourData(
        newMatrix(contours, numColumns, resampleMode, xmin, xmax, ymin, ymax, QwtInterval(0, 100)));
    // The mask takes each cell whole, whatever the image's resampling.
    rasterItem->setMaskData(newMatrix(contours, numColumns, QwtMatrixRasterData::NearestNeighbour,
                                      xmin, xmax, ymin, ymax, QwtInterval(0, 100)));
    replot();
}

void Plot::setMaskValues(const double* values, qint64 count) {
    const auto* contours = dynamic_cast<const QwtMatrixRasterData*>(rasterItem->contourData());
    if (!contours || (values && count != contours->valueMatrix().size()))
        return;
    const QVector<double> mask =
        values ? QVector<double>(values, values + count) : contours->valueMatrix();
    rasterItem->setMaskData(newMatrix(
        mask, contours->numColumns(), QwtMatrixRasterData::NearestNeighbour,
        contours->interval(Qt::XAxis).minValue(), contours->interval(Qt::XAxis).maxValue(),
        contours->interval(Qt::YAxis).minValue(), contours->interval(Qt::YAxis).maxValue(),
        QwtInterval(0, 100)));
    replot();
}

void Plot::setMaskLevel(double level) {
    rasterItem->setMaskLevel(level);
    replot();
}

void Plot::setAxisReversed(int axisId, bool reversed) {
    setAxisDirection(this, axisId, reversed);
    replot();
}

void Plot::setIntervals(double xmin, double xmax, double ymin, double ymax, double zmin,
                        double zmax) {
    if (!rasterItem)
        return;
    // Only a matrix takes new intervals; an analytic data set keeps its fixed ones.
    if (auto* matrix = dynamic_cast<QwtMatrixRasterData*>(rasterItem->data())) {
        matrix->setInterval(Qt::XAxis, QwtInterval(xmin, xmax, QwtInterval::ExcludeMaximum));
        matrix->setInterval(Qt::YAxis, QwtInterval(ymin, ymax, QwtInterval::ExcludeMaximum));
        matrix->setInterval(Qt::ZAxis, QwtInterval(zmin, zmax, QwtInterval::ExcludeMaximum));
    }
    replot();
}

void Plot::intervals(double* xmin, double* xmax, double* ymin, double* ymax, double* zmin,
                     double* zmax) const {
    if (!rasterItem)
        return;
    const QwtInterval x = rasterItem->interval(Qt::XAxis);
    const QwtInterval y = rasterItem->interval(Qt::YAxis);
    const QwtInterval z = rasterItem->interval(Qt::ZAxis);
    *xmin = x.minValue();
    *xmax = x.maxValue();
    *ymin = y.minValue();
    *ymax = y.maxValue();
    *zmin = z.minValue();
    *zmax = z.maxValue();
}

void Plot::repaintAxis(int axisId) {
    QwtScaleWidget* scale = axisWidget(axisId);
    if (!scale)
        return;
    scale->repaint();
    if (QWidget* parent = scale->parentWidget())
        parent->repaint();
}

void Plot::setPointerCallbacks(void* ctx, PointerFunction moved, PointerFunction clicked) {
    pointerContext_ = ctx;
    moved_ = moved;
    clicked_ = clicked;
    canvas()->setMouseTracking(moved != nullptr);
}

void Plot::pointerCallbacks(void** ctx, PointerFunction* moved, PointerFunction* clicked) const {
    *ctx = pointerContext_;
    *moved = moved_;
    *clicked = clicked_;
}

void Plot::setFrequencyAxis(bool periods, bool logarithmic) {
    if (periods != periodLabels_) {
        periodLabels_ = periods;
        setAxisScaleDraw(yLeft, periods ? new PeriodScaleDraw() : new QwtScaleDraw());
        updateAxisTitles();
    }
    if (logarithmic != logarithmic_) {
        logarithmic_ = logarithmic;
        setAxisScaleEngine(yLeft, logarithmic ? static_cast<QwtScaleEngine*>(new LogScaleEngine())
                                              : new QwtLinearScaleEngine());
    }
    replot();
}

void Plot::markPosition(double x, bool on) {
    if (!windowMark_) {
        windowMark_ = new QwtPlotMarker();
        windowMark_->setLineStyle(QwtPlotMarker::VLine);
        windowMark_->setLinePen(QColor(255, 255, 255), 1.5, Qt::DashLine);
        windowMark_->setZ(20);
        windowMark_->attach(this);
    }
    windowMark_->setXValue(x);
    windowMark_->setVisible(on);
    replot();
}

void Plot::setPositionUnit(const QString& unit) {
    unit_ = unit;
    updateAxisTitles();
    replot();
}

void Plot::setPositionMeasure(const QString& measure) {
    measure_ = measure;
    updateAxisTitles();
    replot();
}

void Plot::updateAxisTitles() {
    if (!measure_.isEmpty()) {
        setAxisTitle(xBottom, unit_.isEmpty() ? measure_ : unit_ + " (" + measure_ + ")");
        setAxisTitle(yLeft, periodLabels_ ? "Period (" + measure_ + ")"
                                          : "Frequency (cycles/" + measure_ + ")");
        return;
    }
    if (unit_.isEmpty()) {
        setAxisTitle(xBottom, "Depth/Time");
        setAxisTitle(yLeft, periodLabels_ ? "Period" : "Frequency");
        return;
    }
    setAxisTitle(xBottom, unit_);
    setAxisTitle(yLeft,
                 periodLabels_ ? "Period (" + unit_ + ")" : "Frequency (cycles per " + unit_ + ")");
}

bool Plot::eventFilter(QObject* object, QEvent* event) {
    if (object == canvas() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && dragged_)
            dragging_ = trace_->pointNear(this, mouse->pos().x(), mouse->pos().y(), 6);
    }
    if (object == canvas() &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::MouseButtonRelease)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const double x = canvasMap(xBottom).invTransform(mouse->pos().x());
        const double y = canvasMap(yLeft).invTransform(mouse->pos().y());
        if (dragging_ >= 0) {
            // A trace point follows the pointer up and down, within its window.
            if (event->type() == QEvent::MouseMove) {
                trace_->movePoint(dragging_, y);
            } else {
                const int index = dragging_;
                dragging_ = -1;
                dragged_(dragContext_, index, y);
            }
            return QwtPlot::eventFilter(object, event);
        }
        if (event->type() == QEvent::MouseMove && moved_)
            moved_(pointerContext_, x, y);
        else if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton &&
                 clicked_)
            clicked_(pointerContext_, x, y);
    }
    return QwtPlot::eventFilter(object, event);
}

void Plot::resizeEvent(QResizeEvent* event) {
    // The layout must follow the new size, or the canvas keeps its old geometry.
    QwtPlot::resizeEvent(event);
    resize(size());
    replot();
}

void Plot::drawItems(QPainter* painter, const QRectF& canvasRect,
                     const QwtScaleMap maps[axisCnt]) const {
    QwtPlot::drawItems(painter, canvasRect, maps);
}

// NOLINTNEXTLINE(readability-convert-member-functions-to-static): a named entry point, a member
void Plot::printInfo() {
    qDebug() << "List of printers";
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        qDebug() << info.printerName();
}

void Plot::exportPdf() {
    printInfo();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const QString name = saveFileNameProvider()(
        this, QCoreApplication::translate("QwtPlot", "Select Output Filename for PDF"),
        defaultPdfPath(),
        QCoreApplication::translate("QwtPlot", "Portable Document Format (*.pdf);;All Files (*)"));
    if (name.isEmpty())
        return;
    QString why;
    if (!writePdf(name, &why)) {
        const QString message = "cannot write the PDF file " + name + ": " + why;
        std::printf("%s\n", message.toLocal8Bit().constData());
        std::fflush(stdout);
        qWarning().noquote() << message;
        emit pdfExportFinished(false, name, message);
        return;
    }
    emit pdfExportFinished(true, name, QString());
}

bool Plot::writeFigure(const QString& fileName, double width, double height, QString* why) {
    const QString format = figure::formatOf(fileName, why);
    if (format.isEmpty())
        return false;
    if (format == "pdf" && (width <= 0 || height <= 0))
        return writePdf(fileName, why); // A4 landscape, as the application exports it
    return figure::write(
        fileName, width, height, documentTitle_,
        [this](QPainter* painter, const QRectF& rect) {
            QwtPlotRenderer().render(this, painter, rect);
        },
        why);
}

bool Plot::writePdf(const QString& fileName, QString* why) {
    const QFileInfo target(fileName);
    if (target.isDir()) {
        *why = "it is a folder";
        return false;
    }
    io::AtomicFile file; // the PDF engine opens the file by name itself
    std::string reason;
    if (!file.openForWriterByName(QFile::encodeName(fileName).toStdString(), &reason)) {
        *why = figure::reasonOnly(reason);
        return false;
    }
    const QString temp = QFile::decodeName(file.temporaryPath().c_str());

    QPrinter printer(QPrinter::PrinterResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setOutputFileName(temp);
    printer.setDocName(documentTitle_.isEmpty() ? QString("Tonalith") : documentTitle_);

    QwtPlotRenderer renderer;
    if (printer.colorMode() == QPrinter::GrayScale) {
        renderer.setDiscardFlag(QwtPlotRenderer::DiscardBackground);
        renderer.setDiscardFlag(QwtPlotRenderer::DiscardCanvasBackground);
        renderer.setDiscardFlag(QwtPlotRenderer::DiscardCanvasFrame);
        renderer.setLayoutFlag(QwtPlotRenderer::FrameWithScales);
    }
    renderer.renderTo(this, printer);

    // The PDF writer reports nothing itself: check that a whole document arrived.
    if (!figure::looksComplete(temp, "pdf")) {
        *why = "the PDF could not be written completely (is the disk full?)";
        return false;
    }
    return figure::commit(file, why);
}
