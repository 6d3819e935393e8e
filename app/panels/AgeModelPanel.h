// Analysis > Age Model: the period the traced line represents and the age of the first sample
// give the sedimentation rate along the record and the age-position curve, shown beside the
// map; the age model and the tuned series can be exported, and the tuned series analysed in
// the window in place of the record. A trace with points flagged jump, edge or drift makes a
// model only once the user accepts them, and so does a trace whose rows disagree with the
// evolutive astronomical test's track. With an ensemble drawn from the rows' intervals the age
// plot shows the band and its median and the summary the duration with its interval; anchors pin
// the model to known ages; stretches where time may be missing are shaded.
#pragma once

#include "Qplot/plot_api.h"
#include "app/panels/TraceAgainstTest.h"
#include "app/settings/RecordUnitChoice.h"
#include "core/results/HeaderBlock.h"
#include "core/results/ResultSet.h"
#include "core/tuning/AgeBandText.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/Hiatus.h"
#include "core/tuning/LineTrace.h"
#include "core/tuning/SedimentationRate.h"

#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

class AnchorList;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;

class AgeModelPanel : public QWidget {
    Q_OBJECT
public:
    explicit AgeModelPanel(QWidget* parent);

    QComboBox* period; // editable; the target periods offered
    QDoubleSpinBox* startAge;
    QDoubleSpinBox* step; // for the tuned series; 0: the samples at their ages
    QSpinBox* ensemble;   // members; 0: the single model
    QSpinBox* seed;
    QDoubleSpinBox* interval; // the band's probability
    AnchorList* anchors;
    QLabel* summary;
    AgeModelPlot* plot = nullptr;

    void setPeriods(const QList<double>& periods);
    // The record's units: the rate is shown in cm/kyr where they convert, and the age-model
    // export adds a cm/kyr column beside the rate in position units per age unit.
    void setUnits(const RecordUnitChoice& units);
    // The map's analysed series and the trace on it; an empty trace clears the model.
    void setTrace(std::shared_ptr<const results::ResultSet> result,
                  const std::vector<tuning::TracePoint>& trace);
    // The model of a sedimentation-rate track (cm/kyr at positions in `unit`: m, cm or mm,
    // metresPerUnit metres each) in place of a traced line's; a new trace takes its place.
    // spread: the track's rows with their intervals and window, when it has them.
    void setRateTrack(std::shared_ptr<const results::ResultSet> result,
                      const tuning::RateTrack& track, const std::string& unit, double metresPerUnit,
                      const std::optional<tuning::RowSpread>& spread = std::nullopt);
    // The evolutive test's track (none: gone), which a traced line is held against.
    void setTestTrack(std::optional<TestTrack> track);
    // The central model (pinned to the anchors).
    const std::optional<tuning::AgeModel>& model() const { return model_; }
    // The ensemble's band and duration, when one was drawn.
    const std::optional<tuning::AgeEnsemble>& ensembleModel() const { return ensemble_; }
    const std::vector<tuning::PossibleHiatus>& hiatuses() const { return hiatuses_; }
    // The track the model follows in place of a trace (none: the trace's), its positions' unit
    // and metres per unit.
    const std::optional<tuning::RateTrack>& rateTrack() const { return rateTrack_; }
    const std::string& rateTrackUnit() const { return rateUnit_; }
    double rateTrackMetres() const { return metresPerUnit_; }
    // The tuned series at the step chosen (or, for an analysis, at the median age spacing).
    tuning::TunedSeries tuned(bool forAnalysis) const;
    // The '#' block both exports start with.
    results::HeaderBlock header(double stepUsed) const;
    double periodValue() const;
    // Anchors' rows: a clicked position with the model's age there.
    void anchorAt(double position);

public slots:
    void exportModel();
    void exportTuned();
    void analyseTuned();

signals:
    void message(const QString& text);
    // What the user should read before answering a question about it (the message bar).
    void warning(const QString& text);
    // The tuned series was written to path, to be analysed in place of the record.
    void analyse(const QString& path);

private:
    void recompute();
    void showRateModel();
    // The model in the plot, its rates times rateFactor, with the axes' titles.
    void showPlot(double rateFactor, const QString& rateUnit, const QString& ageUnit);
    // The model of the rows (with the ensemble and the anchors the fields ask for) shown, and
    // what it adds to the summary; false, with the summary saying why, when the anchors refuse.
    bool showModel(const tuning::RowSpread& rows, const tuning::RowIntegral& how,
                   const QString& quantity, QString* said);
    // The band, the anchors' misses and the possible hiatuses in words.
    QString uncertaintyText() const;
    // Whether a trace with points flagged jump, edge or drift may make the model: asked once for
    // the same flags.
    bool flagsAccepted();
    // Whether trace t called `period` (in the ages' unit) may make the model where it
    // disagrees with the test's track: asked once the period is settled.
    bool testAccepted(const tuning::Trace& t, double period);
    // rows (trace t's, period in the ages' unit) with the rows the astronomical test reads as
    // another cycle given that reading too (service/CycleReadings.h), when a band is asked for;
    // kept for the same trace, period and units.
    tuning::RowSpread withReadings(tuning::RowSpread rows, const tuning::Trace& t, double period);

    std::shared_ptr<const results::ResultSet> result_;
    std::vector<tuning::TracePoint> trace_;
    std::optional<tuning::AgeModel> model_;
    std::optional<tuning::AgeEnsemble> ensemble_;
    std::vector<tuning::PossibleHiatus> hiatuses_;
    tuning::EnsembleDescription described_; // for the exports' '#' block
    QString noBand_;                        // why no band was drawn, when one was asked for
    RecordUnitChoice units_;
    std::optional<tuning::RateTrack> rateTrack_;
    std::optional<tuning::RowSpread> rateSpread_;
    std::string rateUnit_;
    double metresPerUnit_ = 1;
    QLabel* periodLabel_ = nullptr;
    // The flagged points asked about ("12.5 (jump)") and the answer: accepted or not.
    std::vector<std::pair<QSet<QString>, bool>> flagAnswers_;
    TraceAgainstTest againstTest_;
    struct Readings {
        std::weak_ptr<const results::ResultSet> result;
        tuning::Trace trace;
        double periodKyr = 0, metresPerUnit = 0;
        tuning::RowSpread spread;
    };
    std::optional<Readings> readings_;
    bool periodTyped_ = false; // being typed: the question waits for Enter
};
