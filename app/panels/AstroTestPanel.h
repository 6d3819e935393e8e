// Analysis > Astronomical Test: the map's series tested over trial sedimentation rates
// (r2_envelope, r2_power and r2_opt against the rate, the optimum marked), the significance of
// its optimum against AR(1) surrogates, the spectral misfit of the record's lines against the
// rate, and the test in moving windows: each window tested against surrogates (with
// Simulations above 0), its lines named, its rate identified and flagged; the track of
// identified rates can become the age model. Each computation runs in the background through
// the analysis service, with progress and Stop; the window stays responsive.
#pragma once

#include "Qplot/plot_api.h"
#include "app/panels/TestTrack.h"
#include "core/astro/SpectralMisfit.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TrackFlags.h"
#include "core/results/ResultSet.h"
#include "core/tuning/SedimentationRate.h"

#include <QFuture>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTimer;

class AstroTestPanel : public QWidget {
    Q_OBJECT
public:
    explicit AstroTestPanel(QWidget* parent);
    // A computation still going is stopped and waited for.
    ~AstroTestPanel() override;

    // The record tested: the map's analysed series, asked for at each run.
    using RecordSource = std::function<std::shared_ptr<const results::ResultSet>()>;
    void setRecordSource(RecordSource source) { source_ = std::move(source); }
    // The record's position unit: a record in a time unit is not tested (the test needs depths).
    void setRecordUnit(const QString& unit) { recordUnit_ = unit; }

    QDoubleSpinBox* sedMin;   // cm/kyr
    QDoubleSpinBox* sedMax;   // cm/kyr
    QSpinBox* numSed;         // trial rates
    QCheckBox* linearGrid;    // else evenly spaced in log(rate)
    QDoubleSpinBox* bandLow;  // precession band, cycles per kyr
    QDoubleSpinBox* bandHigh; // cycles per kyr
    QComboBox* positionsIn;   // m, cm or mm
    QLineEdit* targetsFile;   // empty: the default periods
    QCheckBox* ageGiven;      // the precession and obliquity periods of ageMa, not the defaults
    QDoubleSpinBox* ageMa;    // Ma
    QSpinBox* simulations;    // of the significance and of each window in the evolutive test
    QSpinBox* seed;
    QDoubleSpinBox* interval;     // the probability of the rate's intervals
    QDoubleSpinBox* windowLength; // position units; 0: a quarter of the record
    QDoubleSpinBox* stepLength;   // position units; 0: a tenth of the window
    QPushButton* testButton;
    QPushButton* significanceButton;
    QPushButton* evolutiveButton;
    QPushButton* ageModelButton;
    QPushButton* misfitButton;
    QPushButton* stopButton;
    QProgressBar* progress;
    QLabel* outcome;
    QLabel* misfitOutcome;
    QTabWidget* figures; // the test's and the misfit's
    TimeOptFigure* figure = nullptr;
    MisfitFigure* misfitFigure = nullptr;

    bool busy() const { return job_ != nullptr; }
    const std::optional<astro::TimeOptScan>& scan() const { return scan_; }
    const std::optional<astro::Significance>& significance() const { return significance_; }
    const std::shared_ptr<const astro::EvolutiveTimeOpt>& evolutive() const { return evolutive_; }
    bool evolutiveLogarithmic() const { return evolutiveLogarithmic_; }
    // The evolutive test's windows flagged, with their p-values and identities.
    const std::shared_ptr<const astro::FlaggedTrack>& flaggedTrack() const { return track_; }
    // Its track of identified rates; none without an evolutive result.
    std::optional<TestTrack> testTrack() const;
    const std::optional<astro::MisfitScan>& misfit() const { return misfit_; }
    // The probability of the intervals of the evolutive result, as it was run.
    double evolutiveInterval() const { return evolutiveInterval_; }

public slots:
    void runTest();
    void runSignificance();
    void runEvolutive();
    void runMisfit();
    void stop();
    // The results belong to a record no longer shown.
    void forgetResults();
    // The evolutive track of identified rates handed on as a sedimentation-rate track.
    void useTrack();

signals:
    void message(const QString& text);
    // Each computation's end, finished, stopped or refused.
    void computationEnded();
    // A new evolutive result, to be shown on the map.
    void evolutiveReady();
    // The track of identified rates came or went (testTrack).
    void trackChanged();
    // The track for an age model: rates in cm/kyr at positions in `unit`.
    // spread: the track's rows with their intervals, for an ensemble; none when no window has one.
    void rateTrackChosen(const tuning::RateTrack& track, const std::string& unit,
                         double metresPerUnit, const std::optional<tuning::RowSpread>& spread);

private:
    struct Job;
    struct Input;
    // The record and settings of a run; nothing, with the message given, when they are wrong.
    std::optional<Input> input(const QString& what);
    void start(const QString& what, const std::function<void(Job&)>& work,
               const std::function<void()>& done);
    void showScan();
    void showMisfit();
    // After the evolutive scan of e (on the worker): each window tested against `simulations`
    // surrogates (none: 0), its lines named and its rate identified, then flagged. A problem
    // or a stop is put in e.
    static astro::FlaggedTrack testWindows(const Input& in, astro::EvolutiveTimeOpt& e,
                                           int simulations, double probability, Job& job);
    void setBusy(bool on);

    RecordSource source_;
    QString recordUnit_;
    std::shared_ptr<Job> job_;
    QFuture<void> future_;
    QTimer* poll_;
    std::optional<astro::TimeOptScan> scan_;
    std::optional<double> scanAge_; // the age whose periods the scan used
    std::optional<astro::Significance> significance_;
    std::shared_ptr<const astro::EvolutiveTimeOpt> evolutive_;
    std::shared_ptr<const astro::FlaggedTrack> track_;
    astro::Targets evolutiveTargets_;
    std::optional<astro::MisfitScan> misfit_;
    int misfitSimulations_ = 0;
    bool evolutiveLogarithmic_ = true;
    double evolutiveInterval_ = 0.95;
    std::string evolutiveUnit_ = "m";
    double evolutiveMetres_ = 1;
    double evolutiveWindow_ = 0; // the windows' length, position units
};
