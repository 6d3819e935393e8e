#include "Qplot/StackedPanel.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_widget.h>

#include <QFontMetrics>

QwtPlot* newStackedPanel(QWidget* parent, const QString& title, int scaleWidth) {
    auto* plot = new QwtPlot(parent);
    auto* canvas = new QwtPlotCanvas();
    canvas->setBorderRadius(3.0);
    plot->setCanvas(canvas);
    plot->setAxisTitle(QwtPlot::yLeft, title);
    plot->axisScaleDraw(QwtPlot::yLeft)->setMinimumExtent(scaleWidth);
    // Tall enough for the whole axis title (written upwards) and the axis below it.
    const QFontMetrics metrics(plot->axisWidget(QwtPlot::yLeft)->title().font());
    plot->setMinimumHeight(metrics.horizontalAdvance(title) + 4 * metrics.lineSpacing());
    return plot;
}
