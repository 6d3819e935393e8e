// View > Target Periods: guide lines across the map at the frequencies of a list of periods
// (405, 100, 41, 23 and 19 kyr by default), placed at f = 1 / (P x s) for a trial
// sedimentation rate s in position units per kyr, so that the guides can be slid onto the
// map's lines. Where the evolutive astronomical test has a track, the guides follow it:
// f(z) = 1 / (P x s(z)) with s(z) the track's identified rate, so that each period is seen where
// it falls on the map. The list and the trial rate are remembered.
#pragma once

#include "Qplot/plot_api.h"
#include "app/panels/TestTrack.h"
#include "app/settings/RecordUnitChoice.h"

#include <QList>
#include <QWidget>

#include <optional>

class QDoubleSpinBox;
class QLabel;
class QLineEdit;

class TargetPeriods : public QWidget {
    Q_OBJECT
public:
    TargetPeriods(QWidget* parent, Plot* plot);

    QLineEdit* periodsText; // "405, 100, 41, 23, 19"
    QDoubleSpinBox* rate;   // position units per kyr

    // The periods read from the list (positive numbers only).
    QList<double> periods() const;
    // The record's units name the periods and the rate. A new record starts its trial rate
    // at a typical value for its unit.
    void setUnits(const RecordUnitChoice& units, bool newRecord);
    // The evolutive test's track (none: gone): the guides follow it in place of the trial rate.
    void setTestTrack(std::optional<TestTrack> track);
    // The trial rate at which period's guide lies on a line at frequency f (cycles/unit).
    void rateFromLine(double f, double period);
    // Draws the guides (or clears them when the bar is hidden).
    void apply();
    void save() const;

signals:
    void periodsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // The guides along the track across the map's positions; false when the periods' unit does
    // not convert to kyr.
    bool followTrack(const QList<double>& periods, const std::vector<QByteArray>& names);

    Plot* plot_;
    std::optional<TestTrack> track_;
    QLabel* followNote_;
    QLabel* periodsLabel_;
    QLabel* rateLabel_;
    QString ageUnit_ = "kyr";
};
