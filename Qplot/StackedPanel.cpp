#include "Qplot/StackedPanel.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_scale_draw.h>

QwtPlot* newStackedPanel(QWidget* parent, const QString& title, int scaleWidth) {
    auto* plot = new QwtPlot(parent);
    auto* canvas = new QwtPlotCanvas();
    canvas->setBorderRadius(3.0);
    plot->setCanvas(canvas);
    plot->setAxisTitle(QwtPlot::yLeft, title);
    plot->axisScaleDraw(QwtPlot::yLeft)->setMinimumExtent(scaleWidth);
    plot->setMinimumHeight(90);
    return plot;
}
