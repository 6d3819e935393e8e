// Beside the map: the spectrum of the whole analysed record with its red-noise background and
// levels, the F-test probability below it, and the lines that pass both the F-test and the
// 95 % level, listed with the same copy and export as the window's lines. Computed in the
// background after each run that reaches the map, with its progress and Stop; another
// background is fitted to the spectrum already computed.
#pragma once

#include "Qplot/plot_api.h"
#include "core/results/ResultSet.h"
#include "core/service/AnalysisService.h"
#include "core/spectrum/WholeRecord.h"

#include <QFuture>
#include <QWidget>

#include <atomic>
#include <memory>

class QComboBox;
class QProgressBar;
class QPushButton;
class QTableWidget;

class WholeRecordPanel : public QWidget {
    Q_OBJECT
public:
    explicit WholeRecordPanel(QWidget* parent);
    ~WholeRecordPanel() override; // a computation in progress is stopped and waited for

    WholeRecordFigure* figure = nullptr;
    QTableWidget* lineTable = nullptr;
    QComboBox* background = nullptr;
    QProgressBar* progress = nullptr; // while a spectrum is computed
    QPushButton* stop = nullptr;

    // The spectrum of the series a run analysed, with its parameters; the level is the F-test
    // level a line must reach. Computed only while the panel is shown: hidden, it is computed
    // when it is shown again.
    void setResult(std::shared_ptr<const results::ResultSet> result, double level);
    void setFrequencyAxis(bool periods, bool logarithmic);
    // The record's position unit, named on the frequency axis (empty: not known).
    void setFrequencyUnit(const QString& unit);
    // The spectrum shown (null before the first is computed) and its lines.
    const std::shared_ptr<const spectrum::WholeRecord>& spectrum() const { return spectrum_; }
    std::vector<results::Peak> lines() const;
    // How many computations of a spectrum were started.
    int computations() const { return generation_; }

public slots:
    void copyLines();
    // Ends the computation in progress; the spectrum shown before stays.
    void stopComputing();
    void exportLines();

signals:
    void message(const QString& text);
    void computed(); // a new spectrum is shown

protected:
    void showEvent(QShowEvent* event) override;

private:
    void compute();
    // The chosen background fitted to the spectrum shown, when it is that of the last result.
    void refitBackground();
    void computing(bool on);
    spectrum::BackgroundKind backgroundKind() const;
    void show(std::shared_ptr<const spectrum::WholeRecord> spectrum, const QString& problem,
              int generation);

    std::shared_ptr<const results::ResultSet> result_;
    std::shared_ptr<const spectrum::WholeRecord> spectrum_;
    double level_ = 0.95;
    QFuture<void> job_;
    std::shared_ptr<service::RunControl> control_;
    int generation_ = 0;
    bool computing_ = false;                          // a computation's spectrum is still to come
    const results::ResultSet* computedFor_ = nullptr; // the result the last computation began for
};
