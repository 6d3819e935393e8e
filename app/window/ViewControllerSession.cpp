// The record's units, the checks before a run that keep the user's work and settings, and the
// session file: what the window keeps so that an afternoon's work can be saved and resumed.
#include "app/window/ViewController.h"

#include "app/files/WholeFile.h"
#include "app/panels/AgeModelPanel.h"
#include "app/panels/AnchorList.h"
#include "app/panels/AstroTestPanel.h"
#include "app/panels/EvolutiveTestView.h"
#include "app/panels/LineTracing.h"
#include "app/panels/TargetPeriods.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/Preferences.h"
#include "app/settings/RecordSettings.h"
#include "app/window/DataFileChooser.h"
#include "app/window/MapChoices.h"
#include "core/units/RecordUnits.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QLineEdit>
#include <QSettings>
#include <QSpinBox>
#include <QUndoStack>

#include <cmath>

namespace {

// The preferences a run reads, by key: the ones a session keeps.
QJsonObject runPreferences() {
    using namespace Preferences;
    return {{timeBandwidthProduct.name, read(timeBandwidthProduct)},
            {numberOfTapers.name, read(numberOfTapers)},
            {pointsPerWindow.name, read(pointsPerWindow)},
            {windowIncrement.name, read(windowIncrement)},
            {fftPoints.name, read(fftPoints)},
            {Preferences::fmax.name, read(Preferences::fmax)},
            {interpolateToEvenSpacing.name, read(interpolateToEvenSpacing)},
            {interpolationStep.name, read(interpolationStep)},
            {logValues.name, read(logValues)},
            {detrendKey, QSettings().value(detrendKey, "none").toString()},
            {standardise.name, read(standardise)},
            {windowDetrendKey, QSettings().value(windowDetrendKey, "none").toString()}};
}

void setRunPreferences(const QJsonObject& parameters) {
    for (auto it = parameters.begin(); it != parameters.end(); ++it) {
        const QByteArray key = it.key().toUtf8();
        const QVariant value = it.value().toVariant();
        // As the preferences form does: a value equal to its default is not written.
        if (Preferences::registeredDefault(it.key()) == value)
            Preferences::remove(key.constData());
        else
            Preferences::store(key.constData(), value);
    }
}

int checkedIndex(const QActionGroup* group) {
    const QAction* a = group->checkedAction();
    return a ? a->data().toInt() : 0;
}

void checkIndex(QActionGroup* group, int index) {
    for (QAction* a : group->actions())
        if (a->data().toInt() == index)
            a->setChecked(true);
}

QJsonArray numbers(const std::vector<double>& v) {
    QJsonArray a;
    for (double x : v)
        a.append(x);
    return a;
}

std::vector<double> numbers(const QJsonValue& v) {
    const QJsonArray array = v.toArray();
    std::vector<double> out;
    out.reserve(static_cast<std::size_t>(array.size()));
    for (const auto& x : array)
        out.push_back(x.toDouble());
    return out;
}

// The astronomical test's fields, by name: what a session keeps of them.
QJsonObject astroSettings(const AstroTestPanel& t) {
    return {{"sedMin", t.sedMin->value()},
            {"sedMax", t.sedMax->value()},
            {"numSed", t.numSed->value()},
            {"linear", t.linearGrid->isChecked()},
            {"bandLow", t.bandLow->value()},
            {"bandHigh", t.bandHigh->value()},
            {"positionsIn", t.positionsIn->currentText()},
            {"targets", t.targetsFile->text()},
            {"simulations", t.simulations->value()},
            {"window", t.windowLength->value()},
            {"step", t.stepLength->value()}};
}

void setAstroSettings(AstroTestPanel& t, const QJsonObject& o) {
    if (o.isEmpty())
        return;
    for (const auto& [box, key] : {std::pair{t.sedMin, "sedMin"},
                                   {t.sedMax, "sedMax"},
                                   {t.bandLow, "bandLow"},
                                   {t.bandHigh, "bandHigh"},
                                   {t.windowLength, "window"},
                                   {t.stepLength, "step"}})
        box->setValue(o.value(key).toDouble(box->value()));
    t.numSed->setValue(o.value("numSed").toInt(t.numSed->value()));
    t.simulations->setValue(o.value("simulations").toInt(t.simulations->value()));
    t.linearGrid->setChecked(o.value("linear").toBool(t.linearGrid->isChecked()));
    t.positionsIn->setCurrentText(o.value("positionsIn").toString(t.positionsIn->currentText()));
    t.targetsFile->setText(o.value("targets").toString(t.targetsFile->text()));
}

double median(std::vector<double> v) {
    std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

} // namespace

void ViewController::chooseRecordUnits() {
    RecordUnitsDialog dialog(this, recordUnits);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (!chooser_->file().isEmpty())
        RecordUnitChoice::remember(chooser_->file(), dialog.choice());
    setRecordUnits(dialog.choice(), false);
}

void ViewController::setRecordUnits(const RecordUnitChoice& units, bool newRecord) {
    recordUnits = units;
    // The map keeps its record's units until a run of the chosen file reaches it.
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    sharedPlot->analysisRun()->restateUnits(chooser_->file(), units);
    if (!shown || QString::fromStdString(shown->provenance.input) == chooser_->file())
        showMapUnits(units, newRecord && !shown);
}

const RecordUnitChoice& ViewController::mapUnits() const {
    return sharedPlot && sharedPlot->lastResult() ? sharedPlot->analysisRun()->shownUnits()
                                                  : recordUnits;
}

void ViewController::showMapUnits(const RecordUnitChoice& units, bool newRecord) {
    const QByteArray position = units.position.toUtf8();
    plotSetPositionMeasure(sharedPlot->plot(), position.constData());
    windowDetail->positionUnit = units.position;
    windowPanelSetFrequencyUnit(spectrumPanel, position.constData());
    wholeRecord->setFrequencyUnit(units.position);
    tracing->setUnit(units.position);
    evolutiveView->setPositionUnit(units.position);
    astroTest->setRecordUnit(units.position);
    ageModel->setUnits(units);
    targets->setUnits(units, newRecord);
    targets->apply();
    driftPeriodToTracing();
}

void ViewController::driftPeriodToTracing() {
    const auto position = units::kyrPer(recordUnits.position.toStdString());
    const auto age = units::kyrPer(recordUnits.age.toStdString());
    const double period = ageModel->periodValue();
    tracing->setDriftPeriod(position && age && period > 0 ? period * *age / *position : 0.0,
                            chooser_->file().toStdString());
}

QString ViewController::positionTitle() const {
    const auto text = series::readText(chooser_->file().toStdString());
    if (!text || !skipHeadersCheckBox->isChecked())
        return QString();
    const auto fields = series::splitFields(series::titleLine(series::splitLines(*text)));
    if (fields.empty() || series::parseNumber(fields[0]))
        return QString();
    return QString::fromUtf8(fields[0].data(), static_cast<int>(fields[0].size()));
}

void ViewController::recordChosen(const QString& file) {
    setRecordUnits(RecordUnitChoice::forFile(file, positionTitle()), true);
}

double ViewController::chosenSpacing() const {
    const double step = Preferences::read(Preferences::interpolationStep);
    if (Preferences::read(Preferences::interpolateToEvenSpacing) && step > 0)
        return step;
    const auto s = chooser_->chosenSeries();
    const double spacing = s ? series::medianSpacing(*s) : 0.0;
    return std::isfinite(spacing) && spacing > 0 ? spacing : 0.0;
}

QList<double> ViewController::targetsInUnits() const {
    QList<double> periods;
    if (targetPeriodsAction->isChecked())
        for (double p : targets->periods())
            periods << p * targets->rate->value();
    return periods;
}

bool ViewController::workSurvives(const QString& path, double spacing) {
    const double fmaxPerUnit =
        spacing > 0 ? Preferences::read(Preferences::fmax) / spacing : INFINITY;
    if (tracing->survivesRun(path.toStdString(), fmaxPerUnit))
        return true;
    return Questions::ask(this, "Trace",
                          "This run cannot keep the trace and its age model: it is of another "
                          "record, or its highest frequency lies below the trace's start. Save "
                          "the trace or the session first to keep them.",
                          {"Run and Drop the Trace", "Cancel"}) == 0;
}

void ViewController::rateFromTrace() {
    // A fresh trace (no point dragged yet) places the guides: its period's on the line.
    const auto& points = tracing->points();
    if (points.empty() || tracing->edits->count() > 0 || pendingSession_)
        return;
    std::vector<double> f;
    f.reserve(points.size());
    for (const tuning::TracePoint& p : points)
        f.push_back(p.frequency);
    targets->rateFromLine(median(f), ageModel->periodValue());
}

bool ViewController::hasUnsavedWork() const {
    if (tracing->points().empty() && sessionPath_.isEmpty())
        return false;
    return currentSession().toJson(sessionPath_) != savedSession_;
}

Session ViewController::currentSession() const {
    Session s;
    s.dataFile = chooser_->file();
    s.column = chooser_->column();
    s.columnTitle = dataColumnPopUp->currentText();
    s.skipHeaders = skipHeadersCheckBox->isChecked();
    s.headerLines = skipHeaderRows->value();
    s.units = recordUnits;
    s.parameters = runPreferences();
    const MyPlot::MapDisplay d = mapChoices->display();
    s.map = {
        {"mapOf", checkedIndex(mapChoices->mapOfGroup)}, {"colours", d.colorMap},
        {"mask", mapChoices->maskAction->isChecked()},   {"reverseX", d.reverseX},
        {"contours", significanceCheckBox->isChecked()}, {"periods", periodAxisAction->isChecked()},
        {"logarithmic", logAxisAction->isChecked()},     {"lineLevel", peakLevel->value()}};
    s.trace = QString::fromStdString(tracing->text());
    s.targetPeriods = targets->periodsText->text();
    s.targetRate = targets->rate->value();
    s.agePeriod = ageModel->period->currentText();
    s.startAge = ageModel->startAge->value();
    s.ageStep = ageModel->step->value();
    s.astroTest = astroSettings(*astroTest);
    if (const auto& track = ageModel->rateTrack())
        s.rateTrack = {{"position", numbers(track->position)},
                       {"rate", numbers(track->rate)},
                       {"unit", QString::fromStdString(ageModel->rateTrackUnit())},
                       {"metresPerUnit", ageModel->rateTrackMetres()}};
    s.ensemble = ageModel->ensemble->value();
    s.seed = ageModel->seed->value();
    s.interval = ageModel->interval->value();
    s.anchors = ageModel->anchors->anchors();
    return s;
}

bool ViewController::saveSession() {
    const QString proposed =
        !sessionPath_.isEmpty()
            ? sessionPath_
            : Platform::proposedExportPath("session", chooser_->file(), "session.json");
    const QString path = Platform::chooseSaveFile(this, "Save Session", proposed,
                                                  "Tonalith sessions (*.json)", nullptr);
    if (path.isEmpty())
        return false;
    Platform::rememberExportFolder("session", path);
    return saveSessionTo(path);
}

bool ViewController::saveSessionTo(const QString& path) {
    const QByteArray text = currentSession().toJson(path);
    const QString why = writeWholeFile(path, text.toStdString());
    if (!why.isEmpty()) {
        report(why + ".");
        return false;
    }
    sessionPath_ = path;
    savedSession_ = text;
    report("Saved the session to " + path + ".");
    return true;
}

void ViewController::openSession() {
    if (hasUnsavedWork() &&
        Questions::ask(this, "Open Session",
                       "The trace, the age model or the session's settings have changed since "
                       "they were saved; opening a session replaces them.",
                       {"Open and Discard Them", "Cancel"}) != 0)
        return;
    const QString path = Platform::chooseOpenFile(
        this, "Open Session", "Tonalith sessions (*.json);;All files (*)",
        QFileInfo(sessionPath_.isEmpty() ? chooser_->file() : sessionPath_).absolutePath());
    if (!path.isEmpty())
        openSessionAt(path);
}

bool ViewController::openSessionAt(const QString& path) {
    QFile file(path);
    const QString name = QFileInfo(path).fileName();
    if (!file.open(QIODevice::ReadOnly)) {
        report("Cannot open the session " + name + ": " + file.errorString() + ".");
        return false;
    }
    bool found = false;
    QString why;
    auto session = Session::fromJson(file.readAll(), path, &found, &why);
    if (!session) {
        report("Cannot use the session " + name + ": " + why + ".");
        return false;
    }
    if (!found) {
        const QString chosen = Platform::chooseOpenFile(
            this, "Find the Data File " + QFileInfo(session->dataFile).fileName(),
            "Text files (*.txt *.tab *.csv *.tsv *.dat);;All files (*)",
            QFileInfo(path).absolutePath());
        if (chosen.isEmpty()) {
            report("Session " + name + " not opened: its data file " + session->dataFile +
                   " was not found.");
            return false;
        }
        session->dataFile = chosen;
    }
    setRunPreferences(session->parameters);
    skipHeadersCheckBox->setChecked(session->skipHeaders);
    skipHeaderRows->setValue(session->headerLines);
    tracing->setResult(nullptr); // the session's trace replaces any other
    if (!chooseFileAt(session->dataFile))
        return false;
    const int byTitle = dataColumnPopUp->findText(session->columnTitle);
    dataColumnPopUp->setCurrentIndex(byTitle >= 0 ? byTitle : session->column - 1);
    RecordUnitChoice::remember(chooser_->file(), session->units);
    setRecordUnits(session->units, true);
    const QJsonObject& m = session->map;
    checkIndex(mapChoices->mapOfGroup, m.value("mapOf").toInt());
    checkIndex(mapChoices->colourGroup, m.value("colours").toInt());
    mapChoices->maskAction->setChecked(m.value("mask").toBool());
    mapChoices->reverseAction->setChecked(m.value("reverseX").toBool());
    significanceCheckBox->setChecked(m.value("contours").toBool(true));
    periodAxisAction->setChecked(m.value("periods").toBool());
    logAxisAction->setChecked(m.value("logarithmic").toBool());
    peakLevel->setValue(m.value("lineLevel").toDouble(peakLevel->value()));
    targets->periodsText->setText(session->targetPeriods);
    targets->rate->setValue(session->targetRate);
    ageModel->period->setCurrentText(session->agePeriod);
    ageModel->startAge->setValue(session->startAge);
    ageModel->step->setValue(session->ageStep);
    setAstroSettings(*astroTest, session->astroTest);
    ageModel->ensemble->setValue(session->ensemble);
    ageModel->seed->setValue(session->seed);
    ageModel->interval->setValue(session->interval);
    ageModel->anchors->setAnchors(session->anchors);
    sessionPath_ = path;
    pendingSession_ = *session;
    recordSettings_ = std::make_unique<RecordSettings>(this); // no other record before this one
    setupPlot();
    return true;
}

void ViewController::applySessionAfterRun() {
    if (!pendingSession_)
        return;
    const Session s = *std::exchange(pendingSession_, std::nullopt);
    QString why;
    if (!s.trace.isEmpty() && !tracing->read(s.trace.toStdString(), &why))
        report("The session's trace does not fit the map: " + why + ".");
    targets->rate->setValue(s.targetRate);
    ageModel->period->setCurrentText(s.agePeriod);
    if (!s.rateTrack.isEmpty()) {
        tuning::RateTrack track{numbers(s.rateTrack.value("position")),
                                numbers(s.rateTrack.value("rate"))};
        ageModel->setRateTrack(sharedPlot->lastResult(), track,
                               s.rateTrack.value("unit").toString("m").toStdString(),
                               s.rateTrack.value("metresPerUnit").toDouble(1));
        ageModelAction->setChecked(true);
    }
    ageModel->startAge->setValue(s.startAge);
    savedSession_ = currentSession().toJson(sessionPath_);
}
