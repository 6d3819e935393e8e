#include "app/panels/LineTracing.h"

#include "app/panels/TraceFlags.h"
#include "app/services/ElidedLabel.h"
#include "app/services/NumberText.h"
#include "app/settings/NumberBox.h"

#include "Qplot/plot_api.h"
#include "core/service/AnalysisService.h"
#include "core/tuning/FrequencyInterval.h"
#include "core/tuning/TraceFile.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUndoCommand>
#include <QUndoStack>

#include <algorithm>

// One dragged point: where it was and where it snapped to.
class MovePoint : public QUndoCommand {
public:
    MovePoint(LineTracing* tracing, int index, const tuning::TracePoint& before,
              const tuning::TracePoint& after, int movedBefore)
        : QUndoCommand("Move Trace Point"), tracing_(tracing), index_(index), before_(before),
          after_(after), movedBefore_(movedBefore) {}
    void redo() override { tracing_->setPoint(index_, after_, after_.window); }
    void undo() override { tracing_->setPoint(index_, before_, movedBefore_); }

private:
    LineTracing* tracing_;
    int index_;
    tuning::TracePoint before_, after_;
    int movedBefore_;
};

LineTracing::LineTracing(QWidget* parent, Plot* plot) : QWidget(parent), plot_(plot) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    band = new NumberBox(this);
    band->setDecimals(12);
    band->setRange(1e-9, 1e6);
    band->setToolTip("Each window takes its bin within this distance of the previous window's "
                     "frequency (cycles per position unit; W / 2 by default)");
    criterion = new QComboBox(this);
    criterion->addItems({"largest amplitude", "largest probability"});
    retrace = new QPushButton("Re-trace From Moved Point", this);
    retrace->setEnabled(false);
    // However many points are flagged, the bar keeps the window on the screen.
    status = new ElidedLabel(this);
    edits = new QUndoStack(this);
    row->addWidget(new QLabel("Trace: band \u00b1", this));
    row->addWidget(band);
    row->addWidget(new QLabel("by", this));
    row->addWidget(criterion);
    row->addWidget(retrace);
    row->addWidget(status, 1);
    connect(retrace, &QPushButton::clicked, this, &LineTracing::retraceFromMoved);
    connect(band, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this] {
        if (!points_.empty())
            draw();
    });
}

void LineTracing::setUnit(const QString& unit) {
    band->setSuffix(unit.isEmpty() ? QString(" cycles per unit") : " cycles/" + unit);
}

tuning::TraceBy LineTracing::by() const {
    return criterion->currentIndex() == 1 ? tuning::TraceBy::Probability
                                          : tuning::TraceBy::Amplitude;
}

void LineTracing::setResult(std::shared_ptr<const results::ResultSet> result) {
    result_ = std::move(result);
    points_.clear();
    moved_ = -1;
    retrace->setEnabled(false);
    edits->clear();
    tapers_.clear();
    if (result_ && result_->windows > 0) {
        band->setValue(tuning::halfBandwidth(*result_) / 2);
        // The run that made the map has ended: the engine is free for its tapers.
        service::Execution quiet;
        quiet.quiet = true;
        const analysis::RunParameters& p = result_->provenance.params;
        spectrum::TaperSet t = service::computeTapers(p.window, p.tapers, p.tbw, quiet);
        if (t.status == 0)
            tapers_ = std::move(t.tapers);
    }
    draw();
}

bool LineTracing::carryTo(std::shared_ptr<const results::ResultSet> result) {
    const bool traced = !points_.empty() && result_ && result && result->windows > 0 &&
                        result->provenance.input == result_->provenance.input;
    const tuning::TraceStart start = start_;
    setResult(std::move(result));
    const int lastBin = result_ ? result_->bins - 1 : -1;
    if (!traced || lastBin < 0 || start.frequency > result_->frequency(lastBin))
        return false;
    band->setValue(start.band);
    criterion->setCurrentIndex(start.by == tuning::TraceBy::Probability ? 1 : 0);
    startAt(start.position, start.frequency);
    return true;
}

bool LineTracing::survivesRun(const std::string& file, double fmaxPerUnit) const {
    return points_.empty() ||
           (result_ && result_->provenance.input == file && start_.frequency <= fmaxPerUnit);
}

void LineTracing::setLevel(double level) {
    level_ = level;
    start_.level = level;
    for (tuning::TracePoint& p : points_)
        flagByLevel(p, level_);
    if (!points_.empty())
        draw();
}

void LineTracing::setDriftPeriod(double period, const std::string& file) {
    const double before = driftPeriod();
    period_ = period;
    periodFile_ = file;
    // Only a change on the map shown redraws (and so tells the age model and the guides).
    if (driftPeriod() != before && !points_.empty())
        draw();
}

double LineTracing::driftPeriod() const {
    return result_ && result_->provenance.input == periodFile_ ? period_ : 0.0;
}

void LineTracing::arm() {
    if (!result_) {
        emit message("Press Plot first: a line is traced on the map.");
        return;
    }
    armed_ = true;
    show();
    emit message("Click the line on the map where the trace should start.");
}

bool LineTracing::mapClicked(double x, double f) {
    if (!armed_ || !result_)
        return false;
    armed_ = false;
    startAt(x, f);
    return true;
}

void LineTracing::startAt(double x, double f) {
    const int window = tuning::nearestWindow(*result_, x);
    const int bin = tuning::startBin(*result_, window, f, band->value(), by());
    start_ = {x, f, band->value(), by(), result_->frequency(bin), level_};
    follow(window, bin);
    emit message(QString("Traced the line through %1 windows from %2, started at frequency %3 "
                         "(the peak nearest %4 within the band).%5")
                     .arg(points_.size())
                     .arg(displayNumberText(result_->centre(window)),
                          displayNumberText(start_.startedAt), displayNumberText(f),
                          flaggedNote()));
}

void LineTracing::follow(int window, int bin) {
    points_ = tuning::traceLine(*result_, window, bin, band->value(), by(), level_);
    tuning::addFrequencyIntervals(points_, *result_, tapers_, start_.interval);
    edits->clear();
    draw();
}

QString LineTracing::flaggedNote() const {
    const int n = flaggedCount(shown_);
    return n == 0 ? QString()
                  : QString(" %1 flagged %2 (crossed): %3; the line may have left the "
                            "one it started on.")
                        .arg(n)
                        .arg(flaggedKinds(shown_), flaggedWindows(shown_, 3));
}

void LineTracing::pointDragged(int index, double f) {
    if (!result_ || index < 0 || index >= static_cast<int>(points_.size()))
        return;
    const tuning::TracePoint& before = points_[static_cast<std::size_t>(index)];
    const int w = before.window;
    // A point the user placed is not a jump; it is weak or not by its probability.
    tuning::TracePoint after =
        tuning::pointAt(*result_, w, tuning::dragToPeak(*result_, w, before.bin, f, by()));
    flagByLevel(after, level_);
    if (after.bin == before.bin) {
        draw(); // back where it was, drawn there again
        emit message(
            QString("The point at %1 stays at frequency %2: its window has no other "
                    "peak that way.")
                .arg(displayNumberText(before.centre), displayNumberText(before.frequency)));
        return;
    }
    const QString from = displayNumberText(before.frequency);
    if (const auto bounds =
            tuning::frequencyInterval(*result_, w, after.bin, tapers_, start_.interval)) {
        after.frequencyLow = bounds->low;
        after.frequencyHigh = bounds->high;
    }
    edits->push(new MovePoint(this, index, before, after, moved_));
    emit message(
        QString("Moved the point at %1 from frequency %2 to the peak at %3.")
            .arg(displayNumberText(after.centre), from, displayNumberText(after.frequency)));
}

void LineTracing::setPoint(int index, const tuning::TracePoint& p, int moved) {
    if (index < 0 || index >= static_cast<int>(points_.size()))
        return;
    points_[static_cast<std::size_t>(index)] = p;
    moved_ = moved;
    retrace->setEnabled(moved_ >= 0);
    draw();
}

void LineTracing::retraceFromMoved() {
    if (!result_ || moved_ < 0 || moved_ >= static_cast<int>(points_.size()))
        return;
    const double f = points_[moved_].frequency;
    start_ = {result_->centre(moved_), f, band->value(), by(), f, level_};
    follow(moved_, points_[moved_].bin);
    emit message(QString("Traced the line again through %1 windows from %2 at frequency %3.%4")
                     .arg(points_.size())
                     .arg(displayNumberText(start_.position), displayNumberText(f), flaggedNote()));
}

void LineTracing::draw() {
    shown_ = points_;
    if (driftPeriod() > 0)
        tuning::flagDrift(shown_, driftPeriod(), tuning::halfBandwidth(*result_));
    std::vector<double> x, f, low, high;
    std::vector<unsigned char> strong, flagged;
    for (const tuning::TracePoint& p : shown_) {
        x.push_back(p.centre);
        f.push_back(p.frequency);
        low.push_back(p.frequencyLow);
        high.push_back(p.frequencyHigh);
        strong.push_back(p.probability >= level_ && p.probability <= 1.0);
        flagged.push_back(isFlagged(p));
    }
    const int n = static_cast<int>(x.size());
    plotSetTrace(plot_, x.data(), f.data(), strong.data(), n,
                 points_.empty() ? 0.0 : band->value());
    plotSetTraceFlags(plot_, flagged.data(), n);
    plotSetTraceIntervals(plot_, low.data(), high.data(), n);
    const auto weak = std::count(strong.begin(), strong.end(), 0);
    const int crossed = flaggedCount(shown_);
    QString text = shown_.empty() ? QString()
                                  : QString("%1 windows, %2 below the F-test level (hollow)")
                                        .arg(shown_.size())
                                        .arg(weak);
    if (crossed > 0)
        text += QString(", %1 flagged %2 (crossed) at %3")
                    .arg(crossed)
                    .arg(flaggedKinds(shown_), flaggedWindows(shown_, 3));
    status->setText(text);
    status->setToolTip(crossed > 0
                           ? "Flagged " + flaggedKinds(shown_) + " at " + flaggedWindows(shown_, -1)
                           : text);
    emit changed();
}

std::string LineTracing::text() const {
    if (!result_ || points_.empty())
        return std::string();
    tuning::TraceStart start = start_;
    start.period = driftPeriod();
    return tuning::traceText(result_->provenance, start, shown_);
}

bool LineTracing::read(const std::string& text, QString* why) {
    if (!result_) {
        *why = "press Plot first: a trace is read onto the map";
        return false;
    }
    std::string reason;
    const auto trace = tuning::readTrace(text, &reason);
    if (!trace) {
        *why = QString::fromStdString(reason);
        return false;
    }
    // Each window takes the bin nearest the trace's frequency at its centre.
    // The file's jump and edge flags hold where its rows are the map's windows; drift is the
    // window's own to decide, from the period it has.
    const bool sameWindows = static_cast<int>(trace->flags.size()) == result_->windows;
    points_.clear();
    for (int w = 0; w < result_->windows; ++w) {
        tuning::TracePoint p = tuning::pointAt(
            *result_, w,
            tuning::nearestBin(*result_, tuning::frequencyAt(trace->trace, result_->centre(w))));
        if (sameWindows && trace->flags[static_cast<std::size_t>(w)] != tuning::TraceFlag::Drift)
            p.flag = trace->flags[static_cast<std::size_t>(w)];
        flagByLevel(p, level_);
        points_.push_back(p);
    }
    tuning::addFrequencyIntervals(points_, *result_, tapers_, start_.interval);
    start_ = {points_.front().centre,
              points_.front().frequency,
              band->value(),
              by(),
              points_.front().frequency,
              level_};
    edits->clear();
    draw();
    return true;
}
