#include "app/window/MapArea.h"

#include "app/services/PlatformServices.h"

#include <QDebug>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QString describe(const QObject* object) {
    QString text;
    QDebug(&text).nospace() << object;
    return text;
}

} // namespace

MapArea::MapArea(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    hint = new QLabel("Choose a data file (File &gt; Open, Ctrl+O), or press <b>Plot</b> "
                      "(Ctrl+R) for the sample record.",
                      this);
    hint->setObjectName("firstStartHint");
    hint->setWordWrap(true);
    hint->setAlignment(Qt::AlignCenter);
    hint->setMargin(fontMetrics().height());
    hint->setMinimumWidth(fontMetrics().averageCharWidth() * 32);
    hint->setAutoFillBackground(true);
    hint->setBackgroundRole(QPalette::ToolTipBase);
    hint->setForegroundRole(QPalette::ToolTipText);
}

void MapArea::setHintShown(bool on) {
    hint->setVisible(on);
}

void MapArea::fileChosen(const QString& file) {
    if (plot_ && plot_->lastResult())
        return;
    hint->setText(QString("<b>%1</b> is chosen: press <b>Plot</b> (Ctrl+R) to analyse it, or "
                          "choose another file (File &gt; Open, Ctrl+O).")
                      .arg(QFileInfo(file).fileName().toHtmlEscaped()));
}

bool MapArea::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            emit windowStep(key == Qt::Key_Left ? -1 : 1);
            return true;
        }
    }
    return QFrame::eventFilter(watched, event);
}

void MapArea::embed(MyPlot* plot) {
    auto* nativeHost = new QWidget(this);
    nativeHost->setObjectName("nativeHost");
    plot_ = plot;
    if (!plot_)
        return;
    QWidget* widget = plot_->widget();
    widget->setSizePolicy(
        QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding, QSizePolicy::Frame));
    const QRect r(0, 0, width(), height());
    nativeHost->setGeometry(r);

    auto* vertical = new QVBoxLayout();
    vertical->setContentsMargins(0, 0, 0, 0);
    vertical->addWidget(widget);
    auto* horizontal = new QHBoxLayout();
    horizontal->setContentsMargins(0, 0, 0, 0);
    horizontal->addLayout(vertical, 0);
    widget->show();
    nativeHost->show();
    nativeHost->setLayout(horizontal);
    // The host fills the frame and follows its size; the hint lies over its middle.
    auto* fill = new QGridLayout(this);
    fill->setContentsMargins(0, 0, 0, 0);
    fill->addWidget(nativeHost, 0, 0);
    fill->addWidget(hint, 0, 0, Qt::AlignCenter);
    hint->raise();
    // A click gives the map the focus, for the arrow keys.
    widget->setFocusPolicy(Qt::StrongFocus);
    widget->installEventFilter(this);
    Platform::say("window=" + describe(nativeHost->window()));
    widget->resize(r.size());
}

double MapArea::lowestResolved(double low) const {
    // Below the half-bandwidth W of the tapers a line cannot be told from the mean: a
    // logarithmic axis starts there, or at the lowest frequency above zero.
    const auto& r = plot_->lastResult();
    if (!r || r->bins < 2)
        return low;
    const analysis::Provenance& p = r->provenance;
    const double halfBandwidth = p.params.tbw / (p.params.window * p.deltat);
    return std::max({low, r->frequency(1), halfBandwidth});
}

void MapArea::setFrequencyAxis(bool periods, bool logarithmic) {
    if (!plot_)
        return;
    logarithmic_ = logarithmic;
    Plot* plot = plot_->plot();
    plotSetFrequencyAxis(plot, periods, logarithmic);
    emit frequencyAxisSet(periods, logarithmic);
    const AxisRanges& ranges = axisRanges();
    if (plot_->lastResult() && ranges.complete()) {
        const double low = logarithmic ? lowestResolved(*ranges.ymin) : *ranges.ymin;
        plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yLeft), low, *ranges.ymax, 0);
        plotSetColorMap(plot, plot_->mapDisplay().colorMap);
    }
}

QString MapArea::showRanges(double xmin, double xmax, double ymin, double ymax, double zmin,
                            double zmax) {
    Plot* plot = plot_->plot();
    // The data keep their positions: x and y choose what part of the map the axes show, z the
    // intensity range the colours span. (Giving the data new x and y intervals would move every
    // window and frequency to where it does not belong, and the contours would no longer match.)
    const std::array<double, 6> data = plot_->intervals();
    plotSetIntervals(plot, data[0], data[1], data[2], data[3], zmin, zmax);
    const double low = logarithmic_ ? lowestResolved(ymin) : ymin;
    // A scale set from its bounds runs from the first to the second: a reversed axis gets them
    // the other way round.
    const bool reversed = plot_->mapDisplay().reverseX;
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::xBottom), reversed ? xmax : xmin,
                     reversed ? xmin : xmax, 0);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yLeft), low, ymax, 0);
    plotSetAxisScale(plot, static_cast<int>(PlotCodes::AxisId::yRight), zmin, zmax, 0);
    plotSetColorMap(plot, plot_->mapDisplay().colorMap);
    plotRepaintAxis(plot, static_cast<int>(PlotCodes::AxisId::yRight));
    emit positionRangeShown(xmin, xmax);
    QStringList empty;
    if (!(xmin < xmax))
        empty << "Depth/Time";
    if (!(ymin < ymax))
        empty << "Frequency";
    if (!(zmin < zmax))
        empty << "Intensity";
    if (empty.isEmpty())
        return QString();
    return "The " + empty.join(", ") +
           " range has its minimum at or above its maximum; the map may be empty.";
}

bool MapArea::setDisplay(const MyPlot::MapDisplay& display) {
    if (!plot_)
        return false;
    plot_->setMapDisplay(display);
    if (plot_->lastGrids())
        return true;
    // The placeholder keeps its own colours; the choices apply from the first map on.
    plotSetAxisReversed(plot_->plot(), PLOT_X_BOTTOM, display.reverseX);
    return false;
}

void MapArea::markWindow(double centre, bool on) {
    if (plot_)
        plotMarkPosition(plot_->plot(), centre, on);
}
