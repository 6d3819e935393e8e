// Tracing a line on the map: Analysis > Trace Line arms it, a click on the map starts the trace
// there and it is followed through every window; the band and the criterion are set on the
// tracing bar, the trace is drawn on the map and its point of the selected window on the window
// spectrum; points flagged as a possible jump to another line are crossed and listed on the bar,
// and so, on a record whose positions are ages, are points drifted from the cycle's period.
// Points can be dragged to another bin of their window (they snap to the nearest local maximum) and
// the trace re-followed from the last point moved. A trace is kept with its map until the next run,
// and can be saved and opened.
#pragma once

#include "Qplot/plot_api.h"
#include "core/results/ResultSet.h"
#include "core/tuning/LineTrace.h"
#include "core/tuning/TraceFile.h"

#include <QWidget>

#include <memory>
#include <vector>

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QUndoStack;

class LineTracing : public QWidget {
    Q_OBJECT
public:
    LineTracing(QWidget* parent, Plot* plot);

    QDoubleSpinBox* band; // half-width, cycles per position unit
    QComboBox* criterion; // amplitude or probability
    QPushButton* retrace; // from the last point moved
    QLabel* status;
    // The points dragged, to undo and redo; a new trace starts it afresh.
    QUndoStack* edits;

    // A new map: any trace of the previous one is dropped; the band goes back to W / 2.
    void setResult(std::shared_ptr<const results::ResultSet> result);
    // A new map of the same record keeps its trace, followed again from the same start with
    // the same band and criterion (true); otherwise as setResult (false).
    bool carryTo(std::shared_ptr<const results::ResultSet> result);
    // Whether a run of file up to fmaxPerUnit (cycles per position unit) could keep the trace.
    bool survivesRun(const std::string& file, double fmaxPerUnit) const;
    // The record's position unit, named with the band (empty: not known).
    void setUnit(const QString& unit);
    // The F-test level below which points are drawn hollow and flagged weak.
    void setLevel(double level);
    // The traced cycle's period in position units when the positions of the record in `file`
    // are ages (0: they are not): on a map of that record, points whose frequency departs from
    // 1 / period by more than W are flagged drift. A map of another record has none.
    void setDriftPeriod(double period, const std::string& file);
    // The next click on the map starts a trace.
    void arm();
    // A click on the map: starts the trace when armed (true), otherwise not taken (false).
    bool mapClicked(double x, double f);
    // A point dragged to frequency f: it snaps to the nearest local maximum of its window.
    void pointDragged(int index, double f);
    void retraceFromMoved();

    // The trace's points with their flags, drift included.
    const std::vector<tuning::TracePoint>& points() const { return shown_; }
    const tuning::TraceStart& start() const { return start_; }
    tuning::TraceBy by() const;
    // The trace of the map shown, as a file's text; and a trace file's text read onto it.
    std::string text() const;
    bool read(const std::string& text, QString* why);

signals:
    void message(const QString& text);
    void changed();

private:
    friend class MovePoint;
    // Puts point index at p and marks its window as the last moved (-1: none).
    void setPoint(int index, const tuning::TracePoint& p, int moved);
    // A trace typed at (x, f): started at the nearest peak within the band, the message saying
    // where.
    void startAt(double x, double f);
    void follow(int window, int bin);
    // The flagged points in a message's words; empty when none.
    QString flaggedNote() const;
    void draw();
    // The period drift is judged by on the map shown; 0: none.
    double driftPeriod() const;

    Plot* plot_;
    std::shared_ptr<const results::ResultSet> result_;
    // As followed and dragged, and as shown: the same with drift flagged, which follows the
    // period without a new trace.
    std::vector<tuning::TracePoint> points_, shown_;
    double period_ = 0;
    std::string periodFile_; // the record period_ is for
    // The run's tapers, for the points' frequency intervals (empty: none could be computed).
    std::vector<double> tapers_;
    tuning::TraceStart start_;
    double level_ = 0.95;
    bool armed_ = false;
    int moved_ = -1; // the window of the last point dragged
};
