// The plot layer with real rendering on the offscreen platform: colours of known matrices,
// the placeholder, gaps, contours, the threaded bands, the entry points, the PDF export and the
// astronomical test's figure.
#include "Qplot/ColorMaps.h"
#include "Qplot/MapView.h"
#include "Qplot/OverlayColours.h"
#include "Qplot/Plot.h"
#include "Qplot/QwtCompat62.h"
#include "Qplot/QwtPlotTonalith2.h"
#include "Qplot/RasterData.h"
#include "Qplot/TimeOptFigure.h"
#include "Qplot/TonalithData.h"
#include "Qplot/TraceOverlay.h"
#include "Qplot/plot_api.h"
#include "core/results/ColourMaps.h"

#include <qwt_matrix_raster_data.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_div.h>
#include <qwt_scale_map.h>
#include <qwt_scale_widget.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <random>
#include <signal.h>
#include <sys/resource.h>

namespace {

// The raster item with its image rendering reachable from the test.
class ExposedItem : public QwtPlotTonalith2 {
public:
    using QwtPlotTonalith2::renderImage;
};

// A matrix data set that declares it has no gaps.
class GaplessMatrix : public QwtMatrixRasterData
#if QWT_VERSION < 0x060200
    ,
                      public QwtRasterDataAttributes
#endif
{
public:
    GaplessMatrix() {
        setAttribute(QwtCompat::WithoutGaps, true);
    }
};

QwtMatrixRasterData* matrix(const QVector<double>& values, int columns, QwtInterval x,
                            QwtInterval y, QwtInterval z,
                            QwtMatrixRasterData* m = new QwtMatrixRasterData()) {
    m->setValueMatrix(values, columns);
    m->setInterval(Qt::XAxis, x);
    m->setInterval(Qt::YAxis, y);
    m->setInterval(Qt::ZAxis, z);
    return m;
}

QwtScaleMap map(double s1, double s2, double p1, double p2) {
    QwtScaleMap m;
    m.setScaleInterval(s1, s2);
    m.setPaintInterval(p1, p2);
    return m;
}

// The canvas as it is on screen, after a replot.
QImage canvasImage(Plot* plot) {
    plot->replot();
    return plot->canvas()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

// Canvas pixel of plot coordinates (x, y).
QPoint pixelOf(Plot* plot, double x, double y) {
    return QPoint(qRound(plot->canvasMap(QwtPlot::xBottom).transform(x)),
                  qRound(plot->canvasMap(QwtPlot::yLeft).transform(y)));
}

QSet<QRgb> coloursIn(const QImage& image, const QRect& rect) {
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y));
    return colours;
}

QRect inner(const QImage& image) {
    return image.rect().adjusted(8, 8, -8, -8);
}

// A 10 x 10 ramp from 0 to 1 along x over [0, 1] x [0, 1], as image and contour data: it
// crosses the level 0.5 once, at x = 0.5.
void setRamp(Plot* plot) {
    QVector<double> ramp;
    for (int r = 0; r < 10; ++r)
        for (int c = 0; c < 10; ++c)
            ramp += c / 9.0;
    plotSetMatrixWithContours(plot, ramp.data(), ramp.data(), ramp.size(), 10, 1, 0, 1, 0, 1, 0, 1);
}

} // namespace

class TestPlot : public QObject {
    Q_OBJECT

private:
    Plot* newPlot() {
        Plot* plot = plotCreate(nullptr);
        plot->resize(640, 480);
        plot->show();
        if (!QTest::qWaitForWindowExposed(plot))
            qFatal("the plot was never shown");
        return plot;
    }

private slots:
    void linearMapColoursAKnownMatrix() {
        Plot* plot = newPlot();
        // Columns of constant value: bottom of z, 10 %, 80 %, top; nearest neighbour, linear map.
        const QVector<double> values = {0.0, 0.1, 0.8, 1.0, 0.0, 0.1, 0.8, 1.0};
        for (int table : {0, 3}) {
            plotSetMatrixWithContours(plot, values.data(), values.data(), values.size(), 4, 0, 0, 4,
                                      0, 2, 0, 1);
            plotSetAxisScale(plot, QwtPlot::xBottom, 0, 4, 0);
            plotSetAxisScale(plot, QwtPlot::yLeft, 0, 2, 0);
            plotShowContour(plot, false);
            plotSetColorTableSize(plot, table);
            plotSetColorMap(plot, 0);
            const QImage image = canvasImage(plot);
            QCOMPARE(QColor(image.pixel(pixelOf(plot, 0.5, 1.0))), QColor(Qt::darkBlue));
            QCOMPARE(QColor(image.pixel(pixelOf(plot, 1.5, 1.0))), QColor(Qt::cyan));
            QCOMPARE(QColor(image.pixel(pixelOf(plot, 2.5, 1.0))), QColor(Qt::red));
            QCOMPARE(QColor(image.pixel(pixelOf(plot, 3.5, 1.0))), QColor(Qt::white));
        }
        plotDestroy(plot);
    }

    void placeholderIsOneColour() {
        Plot* plot = newPlot();
        const QImage image = canvasImage(plot);
        // The data area (the axes are scaled to round numbers around it).
        const QRect data = QRect(pixelOf(plot, -0.4, 7.4), pixelOf(plot, 7.4, -0.4));
        const QSet<QRgb> colours = coloursIn(image, data);
        QCOMPARE(colours.size(), 1);
        // All zeros below the range [1, 6]: the colour the hue map gives below its range.
        HueColorMap hue(QwtColorMap::RGB);
        QCOMPARE(*colours.begin(), hue.rgb(QwtInterval(1, 6), 0.0));
        double xmin, xmax, ymin, ymax, zmin, zmax;
        plotGetIntervals(plot, &xmin, &xmax, &ymin, &ymax, &zmin, &zmax);
        QCOMPARE(xmin, -0.5);
        QCOMPARE(xmax, 7.5);
        QCOMPARE(zmin, 1.0);
        QCOMPARE(zmax, 6.0);
        QCOMPARE(plot->colorMapIndexValue(), 1);
        QCOMPARE(plot->item()->contourLevels(),
                 (QList<double>{0.0, 0.2, 0.4, 0.6000000000000001, 0.8, 1.0}));
        plotDestroy(plot);
    }

    void nanCellsAreTransparentUnlessTheDataHasNoGaps() {
        const double nan = std::nan("");
        const QVector<double> values = {1.0, nan, 2.0, 3.0};
        ExposedItem item;
        item.setColorMap(new LinearColorMap(QwtColorMap::RGB));
        item.setData(matrix(values, 2, QwtInterval(0, 2), QwtInterval(0, 2), QwtInterval(0, 3)));
        const QImage gaps =
            item.renderImage(map(0, 2, 0, 20), map(0, 2, 20, 0), QRectF(0, 0, 2, 2), QSize(20, 20));
        // Row 0 of the matrix is the bottom of the image; column 1 holds the NaN.
        QCOMPARE(qAlpha(gaps.pixel(15, 15)), 0);
        QCOMPARE(qAlpha(gaps.pixel(5, 15)), 255);
        item.setData(matrix(values, 2, QwtInterval(0, 2), QwtInterval(0, 2), QwtInterval(0, 3),
                            new GaplessMatrix()));
        const QImage noGaps =
            item.renderImage(map(0, 2, 0, 20), map(0, 2, 20, 0), QRectF(0, 0, 2, 2), QSize(20, 20));
        QCOMPARE(noGaps.pixel(15, 15),
                 LinearColorMap(QwtColorMap::RGB).rgb(QwtInterval(0, 3), nan));
    }

    void bandsColourEveryRow() {
        ExposedItem item;
        item.setRenderThreadCount(2);
        item.setColorMap(new LinearColorMap(QwtColorMap::RGB));
        item.setData(matrix({0.0, 1.0, 2.0, 3.0}, 2, QwtInterval(0, 2), QwtInterval(0, 2),
                            QwtInterval(0, 3)));
        for (int height : {7, 1, 2, 101}) {
            const QImage image = item.renderImage(map(0, 2, 0, 30), map(0, 2, height, 0),
                                                  QRectF(0, 0, 2, 2), QSize(30, height));
            QCOMPARE(image.height(), height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < 30; ++x)
                    QVERIFY2(qAlpha(image.pixel(x, y)) == 255,
                             qPrintable(QString("row %1 of %2").arg(y).arg(height)));
        }
    }

    void emptyRangeAndMissingDataGiveNoStaleImage() {
        ExposedItem item;
        QVERIFY(
            item.renderImage(map(0, 1, 0, 10), map(0, 1, 10, 0), QRectF(0, 0, 1, 1), QSize(10, 10))
                .isNull());
        item.setData(
            matrix({1.0, 1.0}, 2, QwtInterval(0, 2), QwtInterval(0, 1), QwtInterval(1, 1)));
        const QImage flat =
            item.renderImage(map(0, 2, 0, 10), map(0, 1, 10, 0), QRectF(0, 0, 2, 1), QSize(10, 10));
        QVERIFY(!flat.isNull());
        QCOMPARE(coloursIn(flat, flat.rect()), QSet<QRgb>{0u});
        QVERIFY(
            item.renderImage(map(0, 2, 0, 10), map(0, 1, 10, 0), QRectF(0, 0, 2, 1), QSize(0, 10))
                .isNull());
    }

    void hiddenImageLeavesColouredContourLines() {
        Plot* plot = newPlot();
        setRamp(plot);
        plotSetAxisScale(plot, QwtPlot::xBottom, 0, 1, 0);
        plotSetAxisScale(plot, QwtPlot::yLeft, 0, 1, 0);
        const double level = 0.5;
        plotSetContourLevels(plot, &level, 1);
        plotSetColorMap(plot, 0);
        plotShowContour(plot, true);

        const QImage withImage = canvasImage(plot);
        const QSet<QRgb> shown = coloursIn(withImage, inner(withImage));
        QVERIFY(shown.contains(qRgb(0, 0, 0))); // black contour line over the image

        plot->showImage(false);
        const QImage linesOnly = canvasImage(plot);
        const QSet<QRgb> colours = coloursIn(linesOnly, inner(linesOnly));
        const QRgb background = linesOnly.pixel(pixelOf(plot, 0.1, 0.5));
        const QRgb lineColour =
            LinearColorMap(QwtColorMap::RGB).rgb(QwtInterval(0, 1), level) | 0xff000000u;
        QVERIFY(!colours.contains(qRgb(0, 0, 0)));
        QVERIFY(colours.contains(lineColour));
        QCOMPARE(linesOnly.pixel(pixelOf(plot, 0.9, 0.5)), background); // no image
        // The line runs at x = 0.5.
        int lineX = -1;
        const int row = pixelOf(plot, 0.5, 0.5).y();
        for (int x = 0; x < linesOnly.width(); ++x)
            if (linesOnly.pixel(x, row) == lineColour)
                lineX = x;
        QVERIFY(std::abs(lineX - pixelOf(plot, 0.5, 0.5).x()) <= 2);
        plotDestroy(plot);
    }

    void overlaysStandOutOnEveryMap_data() {
        QTest::addColumn<int>("map");
        for (int map = PLOT_MAP_LINEAR; map <= PLOT_MAP_GREYSCALE; ++map)
            QTest::newRow(results::colourMapWord(map)) << map;
    }

    // The contour lines: black on the long-standing maps, on the others a colour far from every
    // colour of the map. A white guide keeps a dark halo where the map is at its top.
    void overlaysStandOutOnEveryMap() {
        QFETCH(int, map);
        Plot* plot = newPlot();
        setRamp(plot);
        plotSetAxisScale(plot, QwtPlot::xBottom, 0, 1, 0);
        plotSetAxisScale(plot, QwtPlot::yLeft, 0, 1, 0);
        const double level = 0.5;
        plotSetContourLevels(plot, &level, 1);
        plotSetColorMap(plot, map);
        plotShowContour(plot, true);
        const char* label = "41 kyr";
        const double guide = 0.5;
        plotSetGuides(plot, &guide, &label, 1);
        // A trace whose second point is flagged: a white cross over a dark one.
        const double x[] = {0.5, 0.9}, f[] = {0.2, 0.2};
        const unsigned char flagged[] = {0, 1};
        plotSetTrace(plot, x, f, nullptr, 2, 0);
        plotSetTraceFlags(plot, flagged, 2);
        const QImage image = canvasImage(plot);
        const QColor contour = contourColour(map);
        if (map < PLOT_MAP_VIRIDIS) {
            QCOMPARE(contour, QColor(Qt::black));
        } else {
            QVERIFY(leastDistanceToMap(contour, map) > 150);
            QVERIFY(leastDistanceToMap(contour, map) > leastDistanceToMap(Qt::black, map));
        }
        QVERIFY(coloursIn(image, inner(image)).contains(contour.rgb()));
        const QPoint at = pixelOf(plot, 0.97, guide);
        int darkest = 255;
        for (int y = at.y() - 3; y <= at.y() + 3; ++y)
            darkest = std::min(darkest, qGray(image.pixel(at.x(), y)));
        QVERIFY2(darkest < 100, qPrintable(QString::number(darkest)));
        const QPoint cross = pixelOf(plot, 0.9, 0.2);
        int crossDarkest = 255, crossLightest = 0;
        for (int y = cross.y() - 5; y <= cross.y() + 5; ++y)
            for (int dx = -5; dx <= 5; ++dx) {
                crossDarkest = std::min(crossDarkest, qGray(image.pixel(cross.x() + dx, y)));
                crossLightest = std::max(crossLightest, qGray(image.pixel(cross.x() + dx, y)));
            }
        QVERIFY(crossDarkest < 100 && crossLightest > 230);
        QCOMPARE(plot->traceOverlay()->flaggedCount(), 1);
        plotSetTrace(plot, x, f, nullptr, 2, 0); // a new trace: no flags of the old one
        QCOMPARE(plot->traceOverlay()->flaggedCount(), 0);
        plotDestroy(plot);
    }

    void noContoursWhenTheCanvasLiesOutsideTheData() {
        Plot* plot = newPlot();
        setRamp(plot);
        const double level = 0.5;
        plotSetContourLevels(plot, &level, 1);
        plotSetAxisScale(plot, QwtPlot::xBottom, 10, 20, 0);
        plotSetAxisScale(plot, QwtPlot::yLeft, 10, 20, 0);
        const QImage image = canvasImage(plot);
        QVERIFY(!coloursIn(image, inner(image)).contains(qRgb(0, 0, 0)));
        // Contour mode with no contour data set draws nothing and raises nothing.
        ExposedItem item;
        item.setDisplayMode(QwtPlotTonalith2::ContourMode, true);
        QImage target(50, 50, QImage::Format_ARGB32);
        target.fill(Qt::white);
        QPainter painter(&target);
        item.draw(&painter, map(0, 1, 0, 50), map(0, 1, 50, 0), QRectF(0, 0, 50, 50));
        painter.end();
        QCOMPARE(coloursIn(target, target.rect()), QSet<QRgb>{qRgb(255, 255, 255)});
        plotDestroy(plot);
    }

    void entryPointsInTheirOrder() {
        Plot* plot = newPlot();
        const QVector<double> values = {1, 2, 3, 4, 5, 6};
        plotSetMatrixWithContours(plot, values.data(), values.data(), 6, 3, 1, 0, 3, 0, 2, 1, 6);
        plotSetIntervals(plot, 0.5, 2.5, 0.25, 1.75, 2, 5);
        double v[6];
        plotGetIntervals(plot, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
        QCOMPARE(QVector<double>(v, v + 6), (QVector<double>{0.5, 2.5, 0.25, 1.75, 2, 5}));

        // Setting a scale does not replot: the scale widget changes only at the next replot.
        plot->replot();
        const QwtScaleDiv before = plot->axisWidget(QwtPlot::xBottom)->scaleDraw()->scaleDiv();
        plotSetAxisScale(plot, QwtPlot::xBottom, 100, 200, 0);
        QCOMPARE(plot->axisWidget(QwtPlot::xBottom)->scaleDraw()->scaleDiv(), before);
        plot->replot();
        QCOMPARE(plot->axisWidget(QwtPlot::xBottom)->scaleDraw()->scaleDiv().lowerBound(), 100.0);

        for (int type : {0, 4, -1}) {
            plotSetColorTableSize(plot, type);
            QCOMPARE(plot->item()->colorTableSize(), 0);
        }
        plotSetColorTableSize(plot, 3);
        QCOMPARE(plot->item()->colorTableSize(), 16384);
        plot->item()->setColorTableSize(-5);
        QCOMPARE(plot->item()->colorTableSize(), 0);

        const double levels[] = {0.99, 0.8, 0.95, 0.9};
        plotSetContourLevels(plot, levels, 4);
        QCOMPARE(plot->item()->contourLevels(), (QList<double>{0.8, 0.9, 0.95, 0.99}));
        plotSetContourLevels(plot, levels, 0);
        QVERIFY(plot->item()->contourLevels().isEmpty());

        plotSetColorMap(plot, 42); // acts as linear, stored as given
        QCOMPARE(plot->colorMapIndexValue(), 42);
        QVERIFY(dynamic_cast<const LinearColorMap*>(plot->item()->colorMap()));
        plotSetAlpha(plot, 100);
        QCOMPARE(plot->item()->alpha(), 100);
        plotSetColorMap(plot, 5);
        QCOMPARE(plot->item()->alpha(), 255); // the alpha map draws opaque
        plotSetAlpha(plot, 120);
        QCOMPARE(plot->alphaValue(), 120);
        QCOMPARE(plot->item()->alpha(), 255);
        plotSetColorMap(plot, 2);
        QCOMPARE(plot->item()->alpha(), 120);
        QVERIFY(plot->item()->colorMap() != plot->axisWidget(QwtPlot::yRight)->colorMap());

        plotDestroy(nullptr);
        plotDestroy(plot);
    }

    void colourBarKeepsItsRangeUntilTheMapIsRebuilt() {
        Plot* plot = newPlot();
        const QVector<double> values = {1, 2, 3, 4};
        plot->setMatrix(values.data(), 4, 2, 0, 0, 2, 0, 2, 10, 20);
        QCOMPARE(plot->axisWidget(QwtPlot::yRight)->colorBarInterval(), QwtInterval(1, 6));
        plotSetColorMap(plot, 0);
        QCOMPARE(plot->axisWidget(QwtPlot::yRight)->colorBarInterval(), QwtInterval(10, 20));
        plotDestroy(plot);
    }

    void intervalsOfAnAnalyticDataSetStayFixed() {
        Plot* plot = newPlot();
        plotSetValueFunction(plot, [](double x, double y) { return x * y; });
        plot->setIntervals(0, 1, 0, 1, 0, 1);
        double v[6];
        plotGetIntervals(plot, &v[0], &v[1], &v[2], &v[3], &v[4], &v[5]);
        QCOMPARE(QVector<double>(v, v + 6), (QVector<double>{-1.5, 1.5, -1.5, 1.5, 0, 10}));
        plotDestroy(plot);
    }

    void analyticSurfaceAndInvalidAxis() {
        TonalithData data;
        QVERIFY(!data.interval(static_cast<Qt::Axis>(3)).isValid());
        QVERIFY(data.interval(static_cast<Qt::Axis>(3)).maxValue() <
                data.interval(static_cast<Qt::Axis>(3)).minValue());
        QVERIFY(std::isinf(data.value(0, 0.842)));
        QVERIFY(std::abs(data.value(0, 0) - 1 / std::pow(0.842, 4)) < 1e-12);
        data.setValueFunction([](double x, double y) { return x - y; });
        QCOMPARE(data.value(3, 1), 2.0);
        ExposedItem item;
        QVERIFY(!item.interval(Qt::ZAxis).isValid());
        item.setData(new TonalithData());
        QCOMPARE(item.interval(Qt::ZAxis), QwtInterval(0, 10));
        QVERIFY(!item.interval(static_cast<Qt::Axis>(3)).isValid());
    }

    void colourMapParameters() {
        const QwtInterval unit(0, 1);
        LinearColorMap linear(QwtColorMap::RGB);
        QCOMPARE(QColor(linear.rgb(unit, 0.15)), QColor(Qt::green));
        QCOMPARE(QColor(linear.rgb(unit, 0.2)), QColor(Qt::yellow));
        HueColorMap hue(QwtColorMap::RGB);
        QCOMPARE(hue.rgb(unit, 0.5), QColor::fromHsv(180, 150, 200).rgba());
        SaturationColorMap saturation(QwtColorMap::RGB);
        QCOMPARE(saturation.rgb(unit, 0), QColor::fromHsv(220, 0, 255).rgba());
        QCOMPARE(saturation.rgb(unit, 1), QColor::fromHsv(220, 255, 255).rgba());
        ValueColorMap value(QwtColorMap::RGB);
        QCOMPARE(value.rgb(unit, 0), QColor::fromHsv(220, 255, 70).rgba());
        SVColorMap sv(QwtColorMap::RGB);
        QCOMPARE(sv.rgb(unit, 0), QColor::fromHsv(220, 100, 70).rgba());
        AlphaColorMap alpha(QwtColorMap::RGB);
        QCOMPARE(alpha.color(), QColor(70, 130, 180));
        QCOMPARE(qAlpha(alpha.rgb(unit, 0.0)), 0);
        QCOMPARE(qAlpha(alpha.rgb(unit, 1.0)), 255);
        // Colour tables of a chosen size and their index.
        QCOMPARE(QwtCompat::colorTable(linear, 16384).size(), 16384);
        QCOMPARE(QwtCompat::colorTable(linear, 16384).first(), QColor(Qt::darkBlue).rgb());
        QCOMPARE(QwtCompat::colorTable(linear, 16384).last(), QColor(Qt::white).rgb());
        QCOMPARE(QwtCompat::colorIndex(linear, 1024, QwtInterval(0, 10), -1.0), 0u);
        QCOMPARE(QwtCompat::colorIndex(linear, 1024, QwtInterval(0, 10), 11.0), 1023u);
        QCOMPARE(QwtCompat::colorIndex(linear, 1024, QwtInterval(0, 10), 5.0), 512u);
        QCOMPARE(QwtCompat::colorIndex(linear, 1024, QwtInterval(0, 10), std::nan("")), 0u);
        QCOMPARE(QwtCompat::colorTable256(linear).size(), 256);
        // The published ends of the maps that print in grey and read for colour-blind people.
        ViridisColorMap viridis(QwtColorMap::RGB);
        CividisColorMap cividis(QwtColorMap::RGB);
        GreyscaleColorMap grey(QwtColorMap::RGB);
        QCOMPARE(QColor(viridis.rgb(unit, 0)), QColor(0x44, 0x01, 0x54));
        QCOMPARE(QColor(viridis.rgb(unit, 1)), QColor(0xfd, 0xe7, 0x25));
        QCOMPARE(QColor(cividis.rgb(unit, 0)), QColor(0x00, 0x22, 0x4e));
        QCOMPARE(QColor(cividis.rgb(unit, 1)), QColor(0xfe, 0xe8, 0x38));
        QCOMPARE(QColor(grey.rgb(unit, 0)), QColor(Qt::black));
        QCOMPARE(QColor(grey.rgb(unit, 1)), QColor(Qt::white));
    }

    // Contour lines kept from the last draw give the same picture as lines computed afresh, and
    // a change of the data computes them again.
    void cachedAndUncachedPicturesAreIdentical() {
        Plot* plot = newPlot();
        setRamp(plot);
        plotShowContour(plot, true);
        const double levels[] = {0.25, 0.5, 0.75};
        plotSetContourLevels(plot, levels, 3);
        canvasImage(plot); // the layout settles
        plot->item()->setContourCacheEnabled(false);
        const QImage fresh = canvasImage(plot);
        QVERIFY(!plot->item()->contourLinesCached());
        plot->item()->setContourCacheEnabled(true);
        const QImage first = canvasImage(plot);
        QVERIFY(plot->item()->contourLinesCached());
        const QImage cached = canvasImage(plot);
        // Inside the canvas's rounded frame, whose corner pixels may be antialiased anew.
        const auto inside = [](const QImage& i) { return i.copy(i.rect().adjusted(8, 8, -8, -8)); };
        QCOMPARE(inside(first), inside(fresh));
        QCOMPARE(inside(cached), inside(fresh));
        QVector<double> flat(100, 0.1); // no contour crosses it now
        plotSetMatrixWithContours(plot, flat.data(), flat.data(), flat.size(), 10, 1, 0, 1, 0, 1, 0,
                                  1);
        QVERIFY(canvasImage(plot) != first);
        plotDestroy(plot);
    }

    // A bilinear matrix read directly gives the image its value() gives, pixel for pixel, over
    // the whole area and beyond the matrix's edges.
    void directLookupGivesTheSameImage() {
        QVector<double> values;
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> u(0, 1);
        for (int i = 0; i < 17 * 53; ++i)
            values << u(rng);
        for (int colours : {0, 6}) {
            ExposedItem item;
            item.setColorMap(colours == 0
                                 ? static_cast<QwtColorMap*>(new LinearColorMap(QwtColorMap::RGB))
                                 : new ViridisColorMap(QwtColorMap::RGB));
            item.setColorTableSize(16384);
            auto* m =
                matrix(values, 17, QwtInterval(0.5, 17.5, QwtInterval::ExcludeMaximum),
                       QwtInterval(-0.01, 1.03, QwtInterval::ExcludeMaximum), QwtInterval(0, 1));
            m->setResampleMode(QwtMatrixRasterData::BilinearInterpolation);
            item.setData(m);
            const auto render = [&](bool direct) {
                item.setDirectLookup(direct);
                return item.renderImage(map(-1, 19, 0, 733), map(-0.1, 1.1, 511, 0),
                                        QRectF(-1, -0.1, 20, 1.2), QSize(733, 511));
            };
            const QImage slow = render(false);
            QCOMPARE(render(true), slow);
            QVERIFY(slow.pixel(0, 0) == 0u && slow.pixel(366, 255) != 0u); // edge and inside
        }
    }

    // Each window's value is drawn over its own cell, centred on the window's centre on the
    // axis; with a mask, a window whose probability alone reaches the level is the only one
    // coloured, and only over its cell.
    void cellsSitOnTheirCentresAndTheMaskHidesTheRest() {
        Plot* plot = newPlot();
        // Five windows centred at 10, 20, .., 50, two frequency rows; only window 3 significant.
        const QVector<double> amplitude = {1, 2, 3, 4, 5, 1, 2, 3, 4, 5};
        const QVector<double> probability = {0.1, 0.1, 0.99, 0.1, 0.1, 0.1, 0.1, 0.99, 0.1, 0.1};
        MapStyle style;
        style.maskLevel = 0.95;
        mapShow(plot, {amplitude.data(), probability.data(), 10, 5, 10, 50, 0, 1}, false, style);
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).lowerBound(), 10.0);
        QCOMPARE(plot->axisScaleDiv(QwtPlot::xBottom).upperBound(), 50.0);
        const QImage image = canvasImage(plot);
        const QColor background = QColor(image.pixel(pixelOf(plot, 20, 0.5)));
        QVERIFY(QColor(image.pixel(pixelOf(plot, 30, 0.5))) != background);
        for (double x : {25.5, 34.5})
            QVERIFY(QColor(image.pixel(pixelOf(plot, x, 0.5))) != background);
        for (double x : {12.0, 24.0, 36.0, 48.0})
            QCOMPARE(QColor(image.pixel(pixelOf(plot, x, 0.5))), background);
        plotDestroy(plot);
    }

    void printerListGoesToTheDebugStreamWithItsFunctionName() {
        static QStringList messages;
        static QStringList functions;
        messages.clear();
        functions.clear();
        const QtMessageHandler previous = qInstallMessageHandler(
            [](QtMsgType, const QMessageLogContext& context, const QString& text) {
                messages << text;
                functions << QString::fromLatin1(context.function ? context.function : "");
            });
        Plot plot;
        plot.printInfo();
        qInstallMessageHandler(previous);
        QVERIFY(!messages.isEmpty());
        QCOMPARE(messages.first(), QString("List of printers"));
        QCOMPARE(functions.first(), QString("void Plot::printInfo()"));
    }

    void resizingLaysOutTheCanvasAgain() {
        Plot* plot = newPlot();
        const QSize before = plot->canvas()->size();
        plot->resize(900, 700);
        QTRY_VERIFY(plot->canvas()->width() > before.width() + 200);
        QVERIFY(plot->canvas()->height() > before.height() + 150);
        plotDestroy(plot);
    }

    void pdfExportWritesOneA4LandscapePage() {
        Plot* plot = newPlot();
        QTemporaryDir dir;
        const QString file = dir.filePath("map.pdf");
        QString asked;
        Plot::setSaveFileNameProvider(
            [&](QWidget*, const QString& caption, const QString& name, const QString& filter) {
                asked = caption + "|" + name + "|" + filter;
                return file;
            });
        // "~/Desktop/Tonalith.pdf" with the home folder expanded; the home folder itself when
        // there is no Desktop.
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", dir.path().toUtf8());
        plotExportPdf(plot);
        QCOMPARE(asked, "Select Output Filename for PDF|" + dir.filePath("Tonalith.pdf") +
                            "|Portable Document Format (*.pdf);;All Files (*)");
        QVERIFY(QDir(dir.path()).mkdir("Desktop"));
        QCOMPARE(Plot::defaultPdfPath(), dir.filePath("Desktop/Tonalith.pdf"));
        qputenv("HOME", home);
        QFile pdf(file);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF-"));
        QVERIFY(bytes.contains("%%EOF"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") +
                     bytes.count("/Type /Page "),
                 1);
        // A4 landscape: 842 x 595 points.
        const int at = bytes.indexOf("/MediaBox [");
        QVERIFY(at >= 0);
        const QList<QByteArray> box =
            bytes.mid(at + 11, bytes.indexOf(']', at) - at - 11).split(' ');
        QCOMPARE(box.size(), 4);
        QVERIFY(std::abs(box[2].toDouble() - 841.89) < 1.0);
        QVERIFY(std::abs(box[3].toDouble() - 595.28) < 1.0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"map.pdf"});

        // Cancelled: nothing written.
        Plot::setSaveFileNameProvider(
            [](QWidget*, const QString&, const QString&, const QString&) { return QString(); });
        QFile::remove(file);
        plotExportPdf(plot);
        QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        plotDestroy(plot);
    }

    // A map written with the position axis reversed is the plain one mirrored: over the columns
    // where the two pictures differ (the canvas), each row reads backwards.
    void reversedPositionAxisMirrorsTheWrittenMap() {
        QVector<double> ramp, probability;
        for (int r = 0; r < 20; ++r)
            for (int c = 0; c < 30; ++c) {
                ramp += c * c / 841.0;
                probability += 0;
            }
        QTemporaryDir dir;
        QImage pictures[2];
        for (const bool reversed : {false, true}) {
            Plot* plot = newPlot();
            MapStyle style;
            style.reverseX = reversed;
            mapShow(plot, {ramp.data(), probability.data(), ramp.size(), 30, 100, 400, 0, 0.5},
                    false, style);
            const QString file = dir.filePath(reversed ? "reversed.png" : "plain.png");
            char message[256] = "";
            QVERIFY2(
                plotWriteFigure(plot, file.toUtf8().constData(), 600, 400, message, sizeof message),
                message);
            pictures[reversed] = QImage(file).convertToFormat(QImage::Format_ARGB32);
            plotDestroy(plot);
        }
        const QImage& plain = pictures[0];
        const QImage& reversed = pictures[1];
        const int y = plain.height() / 2;
        int first = plain.width(), last = -1;
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != reversed.pixel(x, y)) {
                first = std::min(first, x);
                last = x;
            }
        QVERIFY2(last - first > plain.width() / 2, "the reversed map is not mirrored");
        int mismatched = 0;
        for (int x = first; x <= last; ++x) {
            const QColor a(plain.pixel(x, y)), b(reversed.pixel(first + last - x, y));
            mismatched += std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                              std::abs(a.blue() - b.blue()) >
                          24;
        }
        QVERIFY2(mismatched <= 4, qPrintable(QString::number(mismatched) + " columns differ"));
    }

    void failedPdfLeavesNoPartialFileAndKeepsTheOldOne() {
        Plot* plot = newPlot();
        QTemporaryDir dir;
        const QString file = dir.filePath("map.pdf");
        QString why;
        // A folder that does not exist.
        QVERIFY(!plot->writePdf(dir.filePath("missing/map.pdf"), &why));
        QVERIFY(!why.isEmpty());
        // A file size limit that cuts the document short.
        {
            QFile old(file);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("old contents");
        }
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit small{1024, saved.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &small);
        const bool written = plot->writePdf(file, &why);
        ::setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!written);
        QFile old(file);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"map.pdf"});
        plotDestroy(plot);
    }

    void timeOptFigureMarksTheOptimumOnItsRateAxis() {
        const double rate[] = {0.5, 1, 2, 5}, envelope[] = {0.1, 0.8, 0.2, 0.1},
                     power[] = {0.2, 0.6, 0.1, 0.3}, opt[] = {0.02, 0.48, 0.02, 0.03};
        TimeOptFigure* figure = timeOptFigureCreate(nullptr);
        timeOptFigureSetData(figure, rate, envelope, power, opt, 4, 1, 0.48, 0.0099, 100, "test");
        auto* widget = reinterpret_cast<TimeOptFigure*>(figure);
        QVERIFY(widget->optimumText().contains("1 cm/kyr"));
        QVERIFY(widget->optimumText().contains("p = 0.0099 (100 simulations)"));
        const QwtScaleDiv& ticks = widget->plot()->axisScaleDiv(QwtPlot::xBottom);
        QCOMPARE(ticks.ticks(QwtScaleDiv::MajorTick), (QList<double>{0.5, 1, 2, 5}));
        QTemporaryDir dir;
        char message[256] = "";
        QVERIFY(timeOptFigureWrite(figure, dir.filePath("timeopt.svg").toUtf8().constData(), 0, 0,
                                   message, sizeof message));
        QVERIFY(!timeOptFigureWrite(figure, dir.filePath("missing/t.png").toUtf8().constData(), 0,
                                    0, message, sizeof message));
        QVERIFY(message[0] != 0);
        timeOptFigureDestroy(figure);
    }
};

QTEST_MAIN(TestPlot)
#include "test_plot.moc"
