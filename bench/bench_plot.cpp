// A replot of the map as the application shows it: a 1200 x 800 canvas, a 25 x 246 matrix
// with contour lines, with and without the 16384-entry colour table, on one and two threads.
#include "Qplot/Plot.h"
#include "Qplot/QwtPlotTonalith2.h"
#include "Qplot/plot_api.h"

#include <qwt_color_map.h>
#include <qwt_matrix_raster_data.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_map.h>

#include <QApplication>
#include <QPixmap>

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

Plot* makePlot(int tableType, int threads) {
    static std::vector<double> z, s;
    const int cols = 25, rows = 246;
    if (z.empty()) {
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < cols; ++c) {
                z.push_back(std::abs(std::sin(r * 0.05) * std::cos(c * 0.3)));
                s.push_back(0.5 + 0.5 * std::sin(r * 0.11 + c * 0.2));
            }
    }
    Plot* plot = plotCreate(nullptr);
    plot->resize(1345, 854); // a canvas of about 1200 x 800
    plot->show();
    // Draw the items on every render, not from the canvas's backing store.
    static_cast<QwtPlotCanvas*>(plot->canvas())
        ->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
    plotSetMatrixWithContours(plot, z.data(), s.data(), static_cast<int64_t>(z.size()), cols, 1,
                              200, 1800, 0, 0.06, 0, 1);
    const double levels[] = {0.8, 0.9, 0.95, 0.99};
    plotSetContourLevels(plot, levels, 4);
    plotSetColorTableSize(plot, tableType);
    plotSetColorMap(plot, 0);
    plot->item()->setRenderThreadCount(threads);
    return plot;
}

void BM_Replot(benchmark::State& state) {
    Plot* plot = makePlot(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    QPixmap target(plot->canvas()->size());
    for (auto _ : state) {
        plot->canvas()->render(&target);
        benchmark::DoNotOptimize(target.cacheKey());
    }
    state.counters["canvas_w"] = plot->canvas()->width();
    state.counters["canvas_h"] = plot->canvas()->height();
    plotDestroy(plot);
}
// colour-table type (3: 16384 colours, 0: none), render threads
BENCHMARK(BM_Replot)->Args({3, 2})->Args({3, 1})->Args({0, 2})->Args({0, 1})->Unit(
    benchmark::kMillisecond);

// The image alone (what the bands share out), without drawing it or the contours.
class ExposedItem : public QwtPlotTonalith2 {
public:
    using QwtPlotTonalith2::renderImage;
};

void BM_RenderImage(benchmark::State& state) {
    Plot* plot = makePlot(static_cast<int>(state.range(0)), 2);
    ExposedItem item;
    item.setRenderThreadCount(static_cast<uint>(state.range(1)));
    item.setColorMap(new QwtLinearColorMap(QwtColorMap::RGB));
    item.setColorTableSize(state.range(0) == 3 ? 16384 : 0);
    const QVector<double> values(25 * 246, 0.5);
    auto* data = new QwtMatrixRasterData();
    data->setValueMatrix(values, 25);
    data->setInterval(Qt::XAxis, QwtInterval(200, 1800));
    data->setInterval(Qt::YAxis, QwtInterval(0, 0.06));
    data->setInterval(Qt::ZAxis, QwtInterval(0, 1));
    data->setResampleMode(QwtMatrixRasterData::BilinearInterpolation);
    item.setData(data);
    const QwtScaleMap x = plot->canvasMap(QwtPlot::xBottom);
    const QwtScaleMap y = plot->canvasMap(QwtPlot::yLeft);
    for (auto _ : state) {
        const QImage image = item.renderImage(x, y, QRectF(200, 0, 1600, 0.06), QSize(1200, 800));
        benchmark::DoNotOptimize(image.constBits());
    }
    plotDestroy(plot);
}
BENCHMARK(BM_RenderImage)
    ->Args({3, 2})
    ->Args({3, 1})
    ->Args({0, 2})
    ->Args({0, 1})
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
