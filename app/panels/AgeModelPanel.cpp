#include "app/panels/AgeModelPanel.h"

#include "app/files/WholeFile.h"
#include "app/panels/AnchorList.h"
#include "app/panels/TraceFlags.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/CatalogueFields.h"
#include "app/settings/NumberBox.h"
#include "core/service/CycleReadings.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/TraceFile.h"
#include "core/units/RecordUnits.h"
#include "figures/ResultFigures.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSet>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// The traced rows as the ensemble draws them, with their frequencies' intervals where they were
// computed (a row without one takes the median widths of the others), in windows of the run's
// length.
tuning::RowSpread traceSpread(const std::vector<tuning::TracePoint>& points, const tuning::Trace& t,
                              const results::ResultSet& r) {
    std::vector<double> low, high;
    for (const tuning::TracePoint& p : points) {
        low.push_back(p.frequencyLow);
        high.push_back(p.frequencyHigh);
    }
    std::string none;
    tuning::RowSpread s = tuning::spreadFrom(t.position, t.frequency,
                                             {{"frequency_low", low}, {"frequency_high", high}},
                                             "frequency_low", "frequency_high", "trace", &none)
                              .value_or(tuning::pointSpread(t.position, t.frequency));
    s.windowLength = r.provenance.params.window * r.provenance.deltat;
    return s;
}

} // namespace

AgeModelPanel::AgeModelPanel(QWidget* parent) : QWidget(parent) {
    period = new QComboBox(this);
    period->setEditable(true);
    period->setToolTip("The period the traced line represents, in the time unit of the ages");
    startAge = new NumberBox(this);
    startAge->setDecimals(3);
    startAge->setRange(-1e12, 1e12);
    startAge->setToolTip("The age of the first sample");
    step = new NumberBox(this);
    step->setDecimals(4);
    step->setRange(0, 1e9);
    step->setSpecialValueText("the samples at their ages");
    step->setToolTip("Resample the tuned series linearly at this step when it is exported");
    summary = new QLabel(this);
    summary->setWordWrap(true);
    auto* exportModelButton = new QPushButton("Export Age Model...", this);
    auto* exportTunedButton = new QPushButton("Export Tuned Series...", this);
    auto* analyseButton = new QPushButton("Analyse Tuned Series", this);
    analyseButton->setToolTip("The tuned series in place of the record, at the step chosen (or "
                              "the median spacing of the ages): the traced cycle should be a "
                              "straight line at 1 / period");
    using analysis::ParameterId;
    ensemble = CatalogueFields::wholeField(ParameterId::Ensemble, this);
    seed = CatalogueFields::wholeField(ParameterId::EnsembleSeed, this);
    interval = CatalogueFields::numberField(ParameterId::Interval, this, 3);
    anchors = new AnchorList(this);
    auto* form = new QFormLayout();
    periodLabel_ = new QLabel("Period of the traced cycle:", this);
    form->addRow(periodLabel_, period);
    form->addRow("Age of the first sample:", startAge);
    form->addRow("Tuned series step:", step);
    form->addRow("Ensemble members:", ensemble);
    form->addRow(CatalogueFields::label(ParameterId::EnsembleSeed), seed);
    form->addRow(CatalogueFields::label(ParameterId::Interval), interval);
    auto* side = new QVBoxLayout();
    side->addLayout(form);
    side->addWidget(new QLabel("Anchors:", this));
    side->addWidget(anchors);
    side->addWidget(summary);
    side->addWidget(exportModelButton);
    side->addWidget(exportTunedButton);
    side->addWidget(analyseButton);
    side->addStretch(1);
    plot = ageModelPlotCreate(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(side, 2);
    layout->addWidget(reinterpret_cast<QWidget*>(plot), 3);
    connect(exportModelButton, &QPushButton::clicked, this, &AgeModelPanel::exportModel);
    connect(exportTunedButton, &QPushButton::clicked, this, &AgeModelPanel::exportTuned);
    connect(analyseButton, &QPushButton::clicked, this, &AgeModelPanel::analyseTuned);
    connect(period, &QComboBox::currentTextChanged, this, &AgeModelPanel::recompute);
    // A period half typed ("4" of "41") asks nothing of the test's track.
    connect(period->lineEdit(), &QLineEdit::textEdited, this, [this] { periodTyped_ = true; });
    connect(period->lineEdit(), &QLineEdit::editingFinished, this, [this] {
        if (std::exchange(periodTyped_, false))
            recompute();
    });
    connect(startAge, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &AgeModelPanel::recompute);
    for (QSpinBox* box : {ensemble, seed})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &AgeModelPanel::recompute);
    connect(interval, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &AgeModelPanel::recompute);
    connect(anchors, &AnchorList::changed, this, &AgeModelPanel::recompute);
    connect(anchors, &AnchorList::addRequested, this, [this] {
        if (model_)
            anchorAt(0.5 * (model_->position.front() + model_->position.back()));
    });
    ageModelPlotSetClickCallback(plot, this, [](void* panel, double position) {
        static_cast<AgeModelPanel*>(panel)->anchorAt(position);
    });
}

void AgeModelPanel::anchorAt(double position) {
    if (!model_) {
        emit message("No age model yet: " + summary->text());
        return;
    }
    if (position < model_->position.front() || position > model_->position.back()) {
        emit message("An anchor lies within the record: click between its first and last "
                     "positions.");
        return;
    }
    anchors->addAnchor(position, tuning::ageAt(*model_, position));
}

void AgeModelPanel::setPeriods(const QList<double>& periods) {
    const QString current = period->currentText();
    period->blockSignals(true);
    period->clear();
    for (double p : periods)
        period->addItem(displayNumberText(p));
    period->setCurrentText(current.isEmpty() && !periods.isEmpty()
                               ? displayNumberText(periods.value(2, periods[0]))
                               : current);
    period->blockSignals(false);
    recompute();
}

double AgeModelPanel::periodValue() const {
    bool ok = false;
    const double p = QLocale::c().toDouble(period->currentText().trimmed(), &ok);
    return ok && p > 0 ? p : 0.0;
}

void AgeModelPanel::setUnits(const RecordUnitChoice& units) {
    units_ = units;
    period->setToolTip("The period the traced line represents, in " + units_.age);
    recompute();
}

void AgeModelPanel::setTrace(std::shared_ptr<const results::ResultSet> result,
                             const std::vector<tuning::TracePoint>& trace) {
    result_ = std::move(result);
    trace_ = trace;
    rateTrack_.reset();
    recompute();
}

void AgeModelPanel::setTestTrack(std::optional<TestTrack> track) {
    againstTest_.setTrack(std::move(track));
    recompute();
}

void AgeModelPanel::setRateTrack(std::shared_ptr<const results::ResultSet> result,
                                 const tuning::RateTrack& track, const std::string& unit,
                                 double metresPerUnit,
                                 const std::optional<tuning::RowSpread>& spread) {
    result_ = std::move(result);
    trace_.clear();
    rateTrack_ = track;
    rateSpread_ = spread;
    rateUnit_ = unit;
    metresPerUnit_ = metresPerUnit;
    recompute();
}

namespace {

// "1 point of the trace is", "3 points of the trace are".
QString flaggedPoints(int n) {
    return QString(n == 1 ? "%1 point of the trace is" : "%1 points of the trace are").arg(n);
}

} // namespace

bool AgeModelPanel::flagsAccepted() {
    const int n = flaggedCount(trace_);
    if (n == 0)
        return true;
    // Asked once for these flags: a point dragged off its flag, an undo, a session opened again
    // bring no second question. Flags accepted once stay accepted when fewer remain.
    const QStringList items = flaggedWindows(trace_, -1).split(", ");
    const QSet<QString> flags(items.begin(), items.end());
    for (const auto& [answered, accepted] : flagAnswers_)
        if (accepted ? answered.contains(flags) : answered == flags)
            return accepted;
    const QString text =
        QString("%1 flagged %2: at %3. The line may have %4, and the age model would follow it. "
                "Trace it again (another start or band), or build the age model from the trace "
                "as it is.")
            .arg(flaggedPoints(n), flaggedKinds(trace_), flaggedWindows(trace_, 5),
                 flaggedMeaning(trace_));
    const bool accepted =
        Questions::ask(this, "Flagged Trace", text, {"Build the Age Model", "Don't Build"}) == 0;
    flagAnswers_.push_back({flags, accepted});
    return accepted;
}

bool AgeModelPanel::testAccepted(const tuning::Trace& t, double period) {
    const auto kyr = units::kyrPer(units_.age.toStdString());
    return !kyr || againstTest_.accepted(this, t, period * *kyr, !periodTyped_,
                                         [this](const QString& said) { emit warning(said); });
}

void AgeModelPanel::showRateModel() {
    model_.reset();
    ensemble_.reset();
    hiatuses_.clear();
    // A track of rates has no traced cycle: its period is not asked.
    periodLabel_->hide();
    period->hide();
    QString said;
    if (const auto problem = tuning::checkRateTrack(*rateTrack_)) {
        summary->setText("No age model: " + QString::fromStdString(*problem) + ".");
    } else if (result_ && !result_->positions.empty()) {
        const tuning::RowSpread rows =
            rateSpread_ ? *rateSpread_
                        : tuning::pointSpread(rateTrack_->position, rateTrack_->rate);
        if (showModel(rows, {tuning::RowIntegral::Kind::Rate, 0, 0, metresPerUnit_}, "rate",
                      &said)) {
            const auto [lo, hi] =
                std::minmax_element(rateTrack_->rate.begin(), rateTrack_->rate.end());
            summary->setText(QString("From the astronomical test's track: ages %1 to %2 kyr; "
                                     "sedimentation rate %3 to %4 cm/kyr.")
                                 .arg(displayNumberText(model_->age.front()),
                                      displayNumberText(model_->age.back()), displayNumberText(*lo),
                                      displayNumberText(*hi)) +
                             said);
        }
    }
    // The model's rates are in position units per kyr; the track and the text give cm/kyr.
    showPlot(100 * metresPerUnit_, "cm/kyr", "kyr");
}

void AgeModelPanel::showPlot(double rateFactor, const QString& rateUnit, const QString& ageUnit) {
    const QString name =
        result_ ? QString::fromStdString(result_->provenance.positionName) : QString();
    figureShowAgeModel(plot, model_ ? &*model_ : nullptr, rateFactor, name.toStdString());
    figureShowAgeBand(plot, model_ ? &*model_ : nullptr, ensemble_ ? &ensemble_->band : nullptr,
                      hiatuses_);
    const QString position = name.isEmpty()              ? units_.position
                             : units_.position.isEmpty() ? name
                                                         : name + " (" + units_.position + ")";
    ageModelPlotSetTitles(plot, position.toUtf8(), ("Rate (" + rateUnit + ")").toUtf8(),
                          ("Age (" + ageUnit + ")").toUtf8());
}

bool AgeModelPanel::showModel(const tuning::RowSpread& rows, const tuning::RowIntegral& how,
                              const QString& quantity, QString* said) {
    ensemble_.reset();
    hiatuses_.clear();
    noBand_.clear();
    tuning::EnsembleSettings s;
    s.members = ensemble->value();
    s.seed = static_cast<std::uint64_t>(seed->value());
    s.probability = interval->value();
    s.startAge = startAge->value();
    QString problem;
    s.anchors = anchors->anchors(&problem);
    startAge->setEnabled(s.anchors.empty()); // the anchors give the ages
    const auto refuse = [this](const QString& why) {
        summary->setText("No age model: " + why + ".");
        return false;
    };
    if (!problem.isEmpty())
        return refuse(problem);
    if (const auto wrong = tuning::checkAnchors(s.anchors, result_->positions))
        return refuse(QString::fromStdString(*wrong));
    const bool intervals = std::any_of(rows.main.begin(), rows.main.end(),
                                       [](const tuning::RowMode& m) { return m.low < m.high; });
    if (s.members > 0) {
        if (!intervals)
            noBand_ = "the rows carry no intervals";
        else if (const auto wrong = tuning::checkSpread(rows))
            noBand_ = QString::fromStdString(*wrong);
        else if (const auto big = tuning::ensembleTooLarge(result_->positions.size(), s.members))
            noBand_ = QString::fromStdString(*big);
        if (!noBand_.isEmpty())
            s.members = 0;
    }
    tuning::AgeEnsemble e = tuning::ageEnsemble(result_->positions, rows, how, s);
    if (e.problem)
        return refuse(QString::fromStdString(*e.problem));
    model_ = e.central;
    hiatuses_ = tuning::possibleHiatuses(rows, quantity.toStdString());
    described_ = tuning::describedEnsemble(rows, how, s, hiatuses_);
    if (s.members > 0 || !s.anchors.empty())
        ensemble_ = std::move(e);
    *said = uncertaintyText();
    return true;
}

QString AgeModelPanel::uncertaintyText() const {
    QString t;
    if (ensemble_ && described_.members > 0)
        t += QString(" Duration %1 (%2 % interval %3 to %4).")
                 .arg(displayNumberText(ensemble_->duration),
                      displayNumberText(100 * described_.probability),
                      displayNumberText(ensemble_->durationLow),
                      displayNumberText(ensemble_->durationHigh));
    if (!noBand_.isEmpty())
        t += " No band: " + noBand_ + ".";
    if (ensemble_)
        for (std::size_t j = 1; j < ensemble_->misses.size(); ++j) {
            const tuning::AnchorMiss& m = ensemble_->misses[j];
            t += QString(" Without anchors the model misses anchor %1 by %2")
                     .arg(j + 1)
                     .arg(displayNumberText(m.miss));
            t += std::isfinite(m.inSd)
                     ? QString(" (%1 standard deviations).").arg(displayNumberText(m.inSd))
                     : QString(".");
        }
    if (ensemble_ && !described_.readings.empty())
        t += " Cycle reading: " + QString::fromStdString(described_.readings) + ".";
    for (const tuning::PossibleHiatus& h : hiatuses_)
        t += QString(" Possible hiatus or condensed section at %1 (shaded).")
                 .arg(displayNumberText(h.position));
    return t;
}

tuning::RowSpread AgeModelPanel::withReadings(tuning::RowSpread rows, const tuning::Trace& t,
                                              double period) {
    // A record in time keeps its cycles' periods: nothing to read.
    if (ensemble->value() == 0 || units::isTime(units_.position.toStdString()))
        return rows;
    const auto kyr = units::kyrPer(units_.age.toStdString());
    const auto metres = units::metresPer(units_.position.toStdString());
    if (!kyr || !metres) {
        rows.readings = "not read: the record's units are not known (Analysis > Record Units)";
        return rows;
    }
    const double periodKyr = period * *kyr;
    if (!readings_ || readings_->result.lock() != result_ || readings_->periodKyr != periodKyr ||
        readings_->metresPerUnit != *metres || readings_->trace.position != t.position ||
        readings_->trace.frequency != t.frequency) {
        service::Execution quiet;
        quiet.quiet = true;
        readings_ = Readings{result_, t, periodKyr, *metres,
                             service::withTraceReadings(result_->positions, result_->values, rows,
                                                        periodKyr, *metres, quiet)};
    }
    return readings_->spread;
}

void AgeModelPanel::recompute() {
    if (rateTrack_)
        return showRateModel();
    periodLabel_->show();
    period->show();
    model_.reset();
    ensemble_.reset();
    hiatuses_.clear();
    const double p = periodValue();
    tuning::Trace t;
    for (const tuning::TracePoint& q : trace_) {
        t.position.push_back(q.centre);
        t.frequency.push_back(q.frequency);
    }
    if (!result_ || trace_.empty()) {
        summary->setText("Trace a line on the map first (Analysis > Trace Line).");
    } else if (!(p > 0)) {
        summary->setText("The period must be a number above 0.");
    } else if (!flagsAccepted()) {
        summary->setText(QString("No age model: %1 flagged %2; trace the line again "
                                 "(another start or band), or drag the flagged points onto the "
                                 "line.")
                             .arg(flaggedPoints(flaggedCount(trace_)), flaggedKinds(trace_)));
    } else if (const auto problem = tuning::checkTrace(t)) {
        summary->setText("No age model: " + QString::fromStdString(*problem) + ".");
    } else if (!testAccepted(t, p)) {
        summary->setText(
            "No age model: " +
            againstTest_.mismatches(t, p * units::kyrPer(units_.age.toStdString()).value_or(1)) +
            (periodTyped_ ? QString(". Finish the period (Enter) to be asked whether to build it "
                                    "all the same.")
                          : QString(". Trace the line again, or give the period it has at the "
                                    "test's rate.")));
    } else if (QString said;
               showModel(withReadings(traceSpread(trace_, t, *result_), t, p),
                         {tuning::RowIntegral::Kind::Frequency, p, 0, 1}, "frequency", &said)) {
        const auto [lo, hi] = std::minmax_element(model_->rate.begin(), model_->rate.end());
        const double cm = units_.cmPerKyr();
        const QString ages = QString("Ages %1 to %2 %3; ")
                                 .arg(displayNumberText(model_->age.front()),
                                      displayNumberText(model_->age.back()), units_.age);
        if (cm > 0)
            summary->setText(ages +
                             QString("sedimentation rate %1 to %2 cm/kyr.")
                                 .arg(displayNumberText(*lo * cm), displayNumberText(*hi * cm)) +
                             said);
        else
            summary->setText(
                ages +
                QString("sedimentation rate %1 to %2 %3 per %4.")
                    .arg(displayNumberText(*lo), displayNumberText(*hi),
                         units_.position.isEmpty() ? QString("position units") : units_.position,
                         units_.age) +
                said);
    }
    const double cm = units_.cmPerKyr();
    const QString rateUnit = cm > 0                      ? QString("cm/kyr")
                             : units_.position.isEmpty() ? "position units/" + units_.age
                                                         : units_.position + "/" + units_.age;
    showPlot(cm > 0 ? cm : 1.0, rateUnit, units_.age);
}

tuning::TunedSeries AgeModelPanel::tuned(bool forAnalysis) const {
    double s = step->value();
    if (forAnalysis && !(s > 0) && model_ && model_->age.size() > 1) {
        std::vector<double> d;
        for (std::size_t i = 1; i < model_->age.size(); ++i)
            d.push_back(model_->age[i] - model_->age[i - 1]);
        std::nth_element(d.begin(), d.begin() + static_cast<long>(d.size() / 2), d.end());
        s = d[d.size() / 2];
    }
    return tuning::tunedSeries(*model_, result_->values, s);
}

results::HeaderBlock AgeModelPanel::header(double stepUsed) const {
    results::HeaderBlock h =
        rateTrack_ ? tuning::sedimentationRateHeader(
                         result_->provenance, "the evolutive astronomical test's track", rateUnit_,
                         startAge->value(), stepUsed, tuning::identifiedRateColumn)
                   : tuning::tuningHeader(result_->provenance, "traced on the map", periodValue(),
                                          startAge->value(), stepUsed);
    if (!units_.position.isEmpty())
        h.line("position unit of the record", units_.position.toStdString());
    h.line("age unit", units_.age.toStdString());
    if (ensemble_)
        tuning::describeEnsemble(h, described_, *ensemble_);
    return h;
}

void AgeModelPanel::exportModel() {
    if (!model_) {
        emit message("No age model yet: " + summary->text());
        return;
    }
    const QString path = Platform::chooseSaveFile(
        this, "Export Age Model",
        Platform::proposedExportPath("tuning", QString::fromStdString(result_->provenance.input),
                                     "age-model.tsv"),
        "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("tuning", path);
    const double cm = units_.cmPerKyr();
    const tuning::AgeBand* band = ensemble_ ? &ensemble_->band : nullptr;
    const std::string text =
        // The block names the position and age units already: no line for the rate's unit.
        cm > 0 ? tuning::ageModelText(header(step->value()), *model_, {"", cm, band})
               : tuning::ageModelText(header(step->value()), *model_,
                                      {tuning::AgeModelTable().rateUnit, 0, band});
    const QString why = writeWholeFile(path, text);
    if (!why.isEmpty())
        emit message(why + ".");
    else
        emit message("Exported the age model to " + path + ".");
}

void AgeModelPanel::exportTuned() {
    if (!model_) {
        emit message("No age model yet: " + summary->text());
        return;
    }
    const QString path = Platform::chooseSaveFile(
        this, "Export Tuned Series",
        Platform::proposedExportPath("tuning", QString::fromStdString(result_->provenance.input),
                                     "tuned.tsv"),
        "Tab-separated text (*.tsv)", nullptr);
    if (path.isEmpty())
        return;
    Platform::rememberExportFolder("tuning", path);
    const tuning::TunedSeries s = tuned(false);
    const QString why = writeWholeFile(
        path, tuning::tunedSeriesText(header(step->value()), s, result_->provenance.columnName));
    if (!why.isEmpty())
        emit message(why + ".");
    else
        emit message("Exported the tuned series to " + path + ".");
}

void AgeModelPanel::analyseTuned() {
    if (!model_) {
        emit message("No age model yet: " + summary->text());
        return;
    }
    const tuning::TunedSeries s = tuned(true);
    const double used = s.age.size() > 1 ? s.age[1] - s.age[0] : 0.0;
    QString folder = Platform::recordsFolder();
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const QString stem =
        QFileInfo(QString::fromStdString(result_->provenance.input)).completeBaseName();
    const QString path =
        QDir(folder).filePath(stem + "-tuned-" + displayNumberText(periodValue()) + ".txt");
    if (!tuning::tuningFinite(*model_, s)) {
        emit message("The tuned series is not finite: check the trace.");
        return;
    }
    const QString why = writeWholeFile(
        path, tuning::tunedSeriesText(header(used), s, result_->provenance.columnName));
    if (!why.isEmpty()) {
        emit message(why);
        return;
    }
    emit analyse(path);
}
