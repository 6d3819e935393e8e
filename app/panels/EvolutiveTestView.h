// The evolutive astronomical test on the map: r2_opt over position and sedimentation rate drawn
// in place of the analysis map while it is chosen, on a logarithmic rate axis (linear for a
// linear grid of rates), without contours, with its own hover readout and the track of optima
// over it, shaded with each window's rate interval; where the windows were tested, the windows
// not significant stand apart and each window's identified rate is marked. The analysis map comes
// back from the grids its plot keeps, nothing recomputed; the window then puts back its own
// overlays (trace, guides, ranges).
#pragma once

#include "app/run/QPlot.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"

#include <QObject>
#include <QString>

#include <memory>

class EvolutiveTestView : public QObject {
    Q_OBJECT
public:
    EvolutiveTestView(MyPlot* plot, QObject* parent);

    // interval: the probability of the windows' rate intervals.
    void setResult(std::shared_ptr<const astro::EvolutiveTimeOpt> result, bool logarithmic,
                   double interval);
    // What the windows' tests say of the result's windows (none: nothing drawn of it), drawn
    // from the next show on: set it before the result it belongs to.
    void setTrack(std::shared_ptr<const astro::FlaggedTrack> track);
    bool hasResult() const { return result_ != nullptr; }
    bool isShown() const { return shown_; }
    // The record's position unit, named in the readout (empty: not known).
    void setPositionUnit(const QString& unit) { unit_ = unit; }
    // What the readout says at position x and rate (cm/kyr); empty off the map.
    QString readoutAt(double x, double rate) const;

public slots:
    // The r2_opt map in place of the analysis map (nothing without a result).
    void show();
    // The analysis map back, redrawn from its grids.
    void showAnalysisMap();
    // A new analysis map was drawn over the r2_opt map: the map's pointer and drag handlers
    // go back to their owners, nothing is redrawn.
    void analysisMapDrawn();

signals:
    void readout(const QString& text);
    void shownChanged(bool shown);
    // The analysis map is back: its overlays and ranges are the window's to restore.
    void analysisMapBack();

private:
    void handBack();

    MyPlot* plot_;
    std::shared_ptr<const astro::EvolutiveTimeOpt> result_;
    std::shared_ptr<const astro::FlaggedTrack> track_;
    bool logarithmic_ = true;
    double interval_ = 0.95;
    bool shown_ = false;
    QString unit_;
    // The map's handlers while it is lent out.
    void* pointerContext_ = nullptr;
    PlotPointerFunction moved_ = nullptr, clicked_ = nullptr;
    void* dragContext_ = nullptr;
    PlotTraceDragFunction dragged_ = nullptr;
};
