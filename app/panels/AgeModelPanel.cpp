#include "app/panels/AgeModelPanel.h"

#include "app/files/WholeFile.h"
#include "app/panels/TraceFlags.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/NumberBox.h"
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
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

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
    auto* form = new QFormLayout();
    periodLabel_ = new QLabel("Period of the traced cycle:", this);
    form->addRow(periodLabel_, period);
    form->addRow("Age of the first sample:", startAge);
    form->addRow("Tuned series step:", step);
    auto* side = new QVBoxLayout();
    side->addLayout(form);
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
                                 double metresPerUnit) {
    result_ = std::move(result);
    trace_.clear();
    rateTrack_ = track;
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
        QString("%1 flagged jump or edge: at %2. The line may have jumped to another cycle or "
                "left the search band, and the age model would follow it. Trace it again "
                "(another start or band), or build the age model from the trace as it is.")
            .arg(flaggedPoints(n), flaggedWindows(trace_, 5));
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
    // A track of rates has no traced cycle: its period is not asked.
    periodLabel_->hide();
    period->hide();
    if (const auto problem = tuning::checkRateTrack(*rateTrack_)) {
        summary->setText("No age model: " + QString::fromStdString(*problem) + ".");
    } else if (result_ && !result_->positions.empty()) {
        model_ = tuning::sedimentationAgeModel(result_->positions, *rateTrack_, metresPerUnit_,
                                               startAge->value());
        const auto [lo, hi] = std::minmax_element(rateTrack_->rate.begin(), rateTrack_->rate.end());
        summary->setText(QString("From the astronomical test's track: ages %1 to %2 kyr; "
                                 "sedimentation rate %3 to %4 cm/kyr.")
                             .arg(displayNumberText(model_->age.front()),
                                  displayNumberText(model_->age.back()), displayNumberText(*lo),
                                  displayNumberText(*hi)));
    }
    // The model's rates are in position units per kyr; the track and the text give cm/kyr.
    showPlot(100 * metresPerUnit_, "cm/kyr", "kyr");
}

void AgeModelPanel::showPlot(double rateFactor, const QString& rateUnit, const QString& ageUnit) {
    const QString name =
        result_ ? QString::fromStdString(result_->provenance.positionName) : QString();
    figureShowAgeModel(plot, model_ ? &*model_ : nullptr, rateFactor, name.toStdString());
    const QString position = name.isEmpty()              ? units_.position
                             : units_.position.isEmpty() ? name
                                                         : name + " (" + units_.position + ")";
    ageModelPlotSetTitles(plot, position.toUtf8(), ("Rate (" + rateUnit + ")").toUtf8(),
                          ("Age (" + ageUnit + ")").toUtf8());
}

void AgeModelPanel::recompute() {
    if (rateTrack_)
        return showRateModel();
    periodLabel_->show();
    period->show();
    model_.reset();
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
        summary->setText(QString("No age model: %1 flagged jump or edge; trace the line again "
                                 "(another start or band), or drag the flagged points onto the "
                                 "line.")
                             .arg(flaggedPoints(flaggedCount(trace_))));
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
    } else {
        model_ = tuning::ageModel(result_->positions, t, p, startAge->value());
        const auto [lo, hi] = std::minmax_element(model_->rate.begin(), model_->rate.end());
        const double cm = units_.cmPerKyr();
        const QString ages = QString("Ages %1 to %2 %3; ")
                                 .arg(displayNumberText(model_->age.front()),
                                      displayNumberText(model_->age.back()), units_.age);
        if (cm > 0)
            summary->setText(ages +
                             QString("sedimentation rate %1 to %2 cm/kyr.")
                                 .arg(displayNumberText(*lo * cm), displayNumberText(*hi * cm)));
        else
            summary->setText(ages + QString("sedimentation rate %1 to %2 %3 per %4.")
                                        .arg(displayNumberText(*lo), displayNumberText(*hi),
                                             units_.position.isEmpty() ? QString("position units")
                                                                       : units_.position,
                                             units_.age));
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
    return h.line("age unit", units_.age.toStdString());
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
    const std::string text =
        // The block names the position and age units already: no line for the rate's unit.
        cm > 0 ? tuning::ageModelText(header(step->value()), *model_, {"", cm})
               : tuning::ageModelText(header(step->value()), *model_);
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
