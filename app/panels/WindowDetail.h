// Below the map: the spectrum of one window (amplitude and F-test probability) with its lines,
// which can be copied or exported, each named by its astronomical cycle when the evolutive
// test's track gives the rate; and the status-bar readout of the grid cell under the pointer.
// Both read the results of the last run that reached the map.
#pragma once

#include "Qplot/plot_api.h"
#include "app/panels/TestTrack.h"
#include "core/results/ResultFiles.h"
#include "core/results/ResultSet.h"

#include <QWidget>

#include <memory>
#include <optional>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QTableWidget;

class WindowDetail : public QWidget {
    Q_OBJECT
public:
    explicit WindowDetail(QWidget* parent);

    WindowPanel* spectrumPanel = nullptr;
    QTableWidget* peakTable = nullptr;
    QDoubleSpinBox* peakLevel = nullptr;
    QCheckBox* controlFalseDiscoveries = nullptr;
    QDoubleSpinBox* falseDiscoveryRate = nullptr;
    QLabel* chanceLabel = nullptr;  // what the rule lets through by chance
    QLabel* readoutLabel = nullptr; // for the window's status bar
    QString positionUnit;           // the record's ("m"; empty: not known), for the readout

    void setResult(std::shared_ptr<const results::ResultSet> result);
    // The evolutive test's track (none: gone): the lines gain a column naming their cycle at
    // its rate at the window's centre.
    void setTestTrack(std::optional<TestTrack> track);
    // The window whose spectrum is shown (-1: none).
    int selectedWindow() const { return selectedWindow_; }
    // The window whose centre is nearest x (-1 without results).
    int nearestWindow(double x) const;
    // How the lines are chosen: the level, and the false-discovery control when it is on.
    results::LineRule lineRule() const;

public slots:
    // The pointer over the map, in plot coordinates.
    void showReadout(double x, double y);
    void selectWindowAt(double x);
    // After a new run: the window at x stays selected when the run has one there (within half
    // a step); false when it has none.
    bool keepWindowAt(double x);
    void copyPeakList();
    void exportPeakList();

signals:
    void message(const QString& text);
    void windowSelected();
    void lineRuleChanged();

private:
    void updatePeakList();
    std::vector<results::Peak> peaks() const;
    // Each line's cycle at the track's rate at the selected window's centre; none without a
    // track or a window.
    std::optional<results::PeakCycles> cycles() const;

    std::shared_ptr<const results::ResultSet> result_;
    int selectedWindow_ = -1;
    std::optional<TestTrack> track_;
};
