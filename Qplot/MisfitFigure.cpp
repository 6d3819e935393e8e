#include "Qplot/MisfitFigure.h"

#include "Qplot/LogScaleEngine.h"

#include <qwt_legend.h>
#include <qwt_plot.h>
#include <qwt_plot_curve.h>
#include <qwt_plot_marker.h>
#include <qwt_scale_engine.h>
#include <qwt_text.h>

#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

MisfitFigure::MisfitFigure(QWidget* parent) : QWidget(parent) {
    title_ = new QLabel(this);
    title_->setWordWrap(true);
    plot_ = new QwtPlot(this);
    plot_->setCanvasBackground(Qt::white);
    plot_->setAxisScaleEngine(QwtPlot::xBottom, new LogScaleEngine());
    plot_->setAxisTitle(QwtPlot::xBottom, "Sedimentation rate (cm/kyr)");
    plot_->setAxisTitle(QwtPlot::yLeft, "Misfit (cycles/kyr)");
    plot_->enableAxis(QwtPlot::yRight);
    plot_->setAxisScaleEngine(QwtPlot::yRight, new QwtLogScaleEngine());
    plot_->setAxisTitle(QwtPlot::yRight, "Null probability");
    plot_->insertLegend(new QwtLegend(), QwtPlot::TopLegend);
    misfit_ = new QwtPlotCurve("misfit");
    misfit_->setPen(QPen(QColor(20, 70, 160), 2.0));
    pNull_ = new QwtPlotCurve("p_null");
    pNull_->setPen(QPen(QColor(200, 30, 30), 1.2, Qt::DashLine));
    pNull_->setYAxis(QwtPlot::yRight);
    for (QwtPlotCurve* c : {misfit_, pNull_}) {
        c->setRenderHint(QwtPlotItem::RenderAntialiased, true);
        c->attach(plot_);
    }
    best_ = new QwtPlotMarker();
    best_->setLineStyle(QwtPlotMarker::VLine);
    best_->setLinePen(QColor(90, 90, 90), 1.0, Qt::DotLine);
    best_->attach(plot_);
    level_ = new QwtPlotMarker();
    level_->setLineStyle(QwtPlotMarker::HLine);
    level_->setLinePen(QColor(200, 30, 30), 1.0, Qt::DotLine);
    level_->setYAxis(QwtPlot::yRight);
    level_->setLabel(QwtText("0.05, corrected"));
    level_->setLabelAlignment(Qt::AlignLeft | Qt::AlignBottom);
    level_->attach(plot_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title_);
    layout->addWidget(plot_, 1);
}

void MisfitFigure::setData(const MisfitFigureData& d, const QString& title) {
    title_->setText(title);
    misfit_->setSamples(d.rate, d.misfit, d.count);
    pNull_->setSamples(d.rate, d.pNull, d.count);
    best_->setXValue(d.best);
    best_->setLabel(QwtText(QString("best %1 cm/kyr\nmisfit %2\ncorrected p_null %3")
                                .arg(d.best, 0, 'g', 4)
                                .arg(d.bestMisfit, 0, 'g', 3)
                                .arg(d.bestCorrected, 0, 'g', 3)));
    // The label on the side of the marker with more room (the axis is logarithmic).
    const bool rightHalf = d.count > 0 && d.best * d.best > d.rate[0] * d.rate[d.count - 1];
    best_->setLabelAlignment((rightHalf ? Qt::AlignLeft : Qt::AlignRight) | Qt::AlignTop);
    level_->setYValue(d.count > 0 ? 0.05 / d.count : 0.05);
    // From the smallest probability the random sets can give to 1.
    plot_->setAxisScale(QwtPlot::yRight, std::min(level_->yValue(), 1.0 / (d.simulations + 1)),
                        1.0);
    if (d.count > 0)
        plot_->setAxisScale(QwtPlot::xBottom, d.rate[0], d.rate[d.count - 1]);
    plot_->replot();
}

QString MisfitFigure::title() const {
    return title_->text();
}

QString MisfitFigure::bestText() const {
    return best_->label().text();
}

double MisfitFigure::levelLine() const {
    return level_->yValue();
}
