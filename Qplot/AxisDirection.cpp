#include "Qplot/AxisDirection.h"

#include <qwt_plot.h>
#include <qwt_scale_div.h>
#include <qwt_scale_engine.h>

void setAxisDirection(QwtPlot* plot, int axisId, bool reversed) {
    if (QwtScaleEngine* engine = plot->axisScaleEngine(axisId)) {
        engine->setAttribute(QwtScaleEngine::Inverted, reversed);
        keepAxisDirection(plot, axisId);
    }
}

void keepAxisDirection(QwtPlot* plot, int axisId) {
    const QwtScaleEngine* engine = plot->axisScaleEngine(axisId);
    if (!engine || plot->axisAutoScale(axisId))
        return;
    // A scale just set is divided only when the axes are next updated: until then the division
    // read would be the one before, whose direction may already be the one wanted.
    plot->updateAxes();
    const QwtScaleDiv& div = plot->axisScaleDiv(axisId);
    const double low = qMin(div.lowerBound(), div.upperBound());
    const double high = qMax(div.lowerBound(), div.upperBound());
    const bool reversed = engine->testAttribute(QwtScaleEngine::Inverted);
    if ((div.lowerBound() > div.upperBound()) != reversed)
        plot->setAxisScale(axisId, reversed ? high : low, reversed ? low : high,
                           plot->axisStepSize(axisId));
}
