// The map of the sample (defaults: 65 windows x 246 frequencies) with its contours, redrawn
// on a 1200 x 800 canvas by our plot and by Qwt's own QwtPlotSpectrogram, with the same data,
// contour levels, colour map and render threads: the medians of repeated repaints.
//   bench_replot [REPAINTS]   (QT_QPA_PLATFORM=offscreen without a display)
#include "Qplot/ColorMaps.h"
#include "Qplot/MapView.h"
#include "Qplot/Plot.h"
#include "Qplot/QwtPlotTonalith2.h"
#include "core/analysis/RunPreparation.h"
#include "core/results/ResultGrids.h"
#include "core/results/SignificanceLevels.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <qwt_matrix_raster_data.h>
#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_spectrogram.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int threads = 2;

results::Grids sampleGrids() {
    analysis::RunRequest request;
    request.file = TONALITH_SAMPLE;
    request.forMap = true;
    const analysis::PreparedRun run = analysis::prepareRun(request);
    const analysis::RunParameters& q = run.provenance.params;
    const int windows = analysis::windowCount(q, run.provenance.samples);
    const std::size_t cells = static_cast<std::size_t>(windows) * analysis::binCount(q);
    std::vector<double> x(cells), f(cells), a(cells), p(cells);
    engine::setDiagnosticsDiscarded(true);
    engine::mwc2(x.data(), f.data(), a.data(), p.data(), run.series.xpos.data(), q.tbw, q.fmax,
                 run.provenance.deltat, run.series.yval.data(), 1, run.provenance.samples, q.tapers,
                 q.window, q.step, q.nfft, 95, nullptr, nullptr);
    return *results::reshape(x, f, a, p);
}

QwtMatrixRasterData* matrix(const std::vector<double>& v, const results::Grids& g, QwtInterval z) {
    auto* m = new QwtMatrixRasterData();
    m->setValueMatrix(QVector<double>(v.begin(), v.end()), static_cast<int>(g.nx));
    const double dx = 0.5 * (g.xmax - g.xmin) / (g.nx - 1);
    const double dy = 0.5 * (g.fhigh - g.flow) / (g.nfreq - 1);
    m->setInterval(Qt::XAxis, QwtInterval(g.xmin - dx, g.xmax + dx, QwtInterval::ExcludeMaximum));
    m->setInterval(Qt::YAxis, QwtInterval(g.flow - dy, g.fhigh + dy, QwtInterval::ExcludeMaximum));
    m->setInterval(Qt::ZAxis, z);
    m->setResampleMode(QwtMatrixRasterData::BilinearInterpolation);
    return m;
}

void resizeCanvas(QwtPlot* plot) {
    plot->resize(1345, 854);
    plot->show();
    QApplication::processEvents();
    // Grow or shrink the plot until its canvas is 1200 x 800.
    const QSize off = QSize(1200, 800) - plot->canvas()->size();
    plot->resize(plot->size() + off);
    QApplication::processEvents();
    static_cast<QwtPlotCanvas*>(plot->canvas())
        ->setPaintAttribute(QwtPlotCanvas::BackingStore, false);
}

double medianRepaint(QwtPlot* plot, int repaints) {
    QPixmap target(plot->canvas()->size());
    plot->replot();
    std::vector<double> ms;
    for (int i = 0; i < repaints; ++i) {
        QElapsedTimer clock;
        clock.start();
        plot->canvas()->render(&target);
        ms.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::nth_element(ms.begin(), ms.begin() + ms.size() / 2, ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const int repaints = argc > 1 ? std::max(3, std::atoi(argv[1])) : 31;
    const results::Grids g = sampleGrids();
    const auto [zmin, zmax] = std::minmax_element(g.zgrid.begin(), g.zgrid.end());
    QList<double> levels;
    for (double l : results::significanceLevels)
        levels << l;

    Plot* ours = plotCreate(nullptr);
    mapShow(ours,
            {g.zgrid.data(), g.sgrid.data(), static_cast<int64_t>(g.zgrid.size()),
             static_cast<int>(g.nx), g.xmin, g.xmax, g.flow, g.fhigh},
            true);
    ours->item()->setRenderThreadCount(threads);
    resizeCanvas(ours);

    // Qwt's own: one spectrogram colours the amplitude, a second draws the probability's
    // contour lines at the same levels (Qwt contours the data it colours).
    QwtPlot theirs;
    auto* image = new QwtPlotSpectrogram();
    image->setRenderThreadCount(threads);
    image->setCachePolicy(QwtPlotRasterItem::NoCache);
    image->setColorMap(new LinearColorMap(QwtColorMap::RGB));
    image->setData(matrix(g.zgrid, g, QwtInterval(*zmin, *zmax)));
    image->setDisplayMode(QwtPlotSpectrogram::ImageMode, true);
    image->attach(&theirs);
    auto* contours = new QwtPlotSpectrogram();
    contours->setData(matrix(g.sgrid, g, QwtInterval(0, 100)));
    contours->setDisplayMode(QwtPlotSpectrogram::ImageMode, false);
    contours->setDisplayMode(QwtPlotSpectrogram::ContourMode, true);
    contours->setDefaultContourPen(QPen(Qt::black, 0));
    contours->setContourLevels(levels);
    contours->attach(&theirs);
    theirs.setAxisScale(QwtPlot::xBottom, g.xmin, g.xmax);
    theirs.setAxisScale(QwtPlot::yLeft, g.flow, g.fhigh);
    theirs.enableAxis(QwtPlot::yRight);
    resizeCanvas(&theirs);

    // A first paint of a new map computes its contour lines; later repaints reuse them.
    ours->item()->setContourCacheEnabled(false);
    const double first = medianRepaint(ours, repaints);
    ours->item()->setContourCacheEnabled(true);
    const double a = medianRepaint(ours, repaints);
    const double b = medianRepaint(&theirs, repaints);
    std::printf("first paint of a new map (contours computed): tonalith %.1f ms\n", first);
    std::printf("canvases %dx%d and %dx%d, %d render threads, %d repaints each\n",
                ours->canvas()->width(), ours->canvas()->height(), theirs.canvas()->width(),
                theirs.canvas()->height(), threads, repaints);
    std::printf("replot: tonalith %.1f ms, qwt %.1f ms, ratio %.2f\n", a, b, a / b);
    plotDestroy(ours);
    return 0;
}
