// The run hand-off: Plot and Stop, the checks before a run that keep the user's work, the
// launch, a refusal that leaves the previous map in place, and the results handed to the panels.
#include "app/window/ViewController.h"

#include "app/panels/LineTracing.h"
#include "app/panels/SeriesPanel.h"
#include "app/panels/WholeRecordPanel.h"
#include "app/panels/WindowDetail.h"
#include "app/run/QPlot.h"
#include "app/services/PlatformServices.h"
#include "app/settings/RecordSettings.h"
#include "app/window/DataFileChooser.h"
#include "app/window/MapArea.h"
#include "app/window/MessageBar.h"
#include "app/window/RecentFiles.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

QString ViewController::mapStillShows() {
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!shown)
        return QString();
    // The title and the map go together: both name the file the map was made of.
    const QString file = QString::fromStdString(shown->provenance.input);
    updateTitle(file);
    return " The map still shows " + QFileInfo(file).fileName() + ".";
}

void ViewController::showRecordOfMap(const QString& refused, bool declined) {
    const auto& shown = sharedPlot ? sharedPlot->lastResult() : nullptr;
    if (!shown || QString::fromStdString(shown->provenance.input) == refused)
        return;
    if (!declined)
        recent->remove(refused);
    if (chooseFileAt(QString::fromStdString(shown->provenance.input)))
        dataColumnPopUp->setCurrentIndex(shown->provenance.column - 1);
    seriesPanel_->showLastRun();
    markSelectedWindow();
}

void ViewController::plotOrStop() {
    if (sharedPlot && sharedPlot->isRunning()) {
        if (runClock_.isValid() && runClock_.elapsed() < stopGuardMs)
            return; // the second click of a double click on Plot
        sharedPlot->cancel();
        report("Stopping at the next window...");
        return;
    }
    setupPlot();
}

void ViewController::setupPlot() {
    if (sharedPlot && sharedPlot->isRunning())
        return;
    QString path = pathInBox();
    if (path.isEmpty()) {
        const QUrl sample = sampleDataFile();
        if (!sample.isValid()) {
            Platform::say("cannot load inputData");
            report("The sample data file etp.txt is missing from this installation; choose a data "
                   "file.");
            return;
        }
        path = sample.toLocalFile();
    }
    // A path typed or pasted into the box: its own columns first.
    if (path != chooser_->file() && !chooseFileAt(path))
        return;
    inputFileBox->setText(path);
    updateTitle(path);
    AnalysisRun* run = sharedPlot->analysisRun();
    const auto refused = [&](const AnalysisRun::Refusal& refusal) {
        if (refusal.otherFileShown)
            showRecordOfMap(path, refusal.declined);
        const QString text = refusal.otherFileShown ? refusal.text + mapStillShows() : refusal.text;
        refuse(droppedNote_.isEmpty() ? text : droppedNote_ + " " + text);
    };
    droppedNote_.clear();
    // The file is read once per press: its series, then the questions, then the run.
    const bool columnChosen = chooser_->column() > 0;
    const auto unread = run->load({path, chooser_->column(), chooser_->headerLines(),
                                   chooser_->skipHeadersCheckBox->isChecked(), recordUnits});
    if (!columnChosen && !run->columnTitles().empty())
        chooser_->offerColumns(run->columnTitles());
    if (unread)
        return refused(*unread);
    // Lines the record dropped are named before any question about its spacing, which they
    // may explain.
    droppedNote_ = run->droppedNote();
    if (!droppedNote_.isEmpty())
        refuse(droppedNote_);
    const double spacing = run->spacing();
    const auto window = recordSettings_->beforeRun(path, spacing, targetsInUnits());
    if (!window || !workSurvives(path, spacing))
        return;
    if (const auto refusal = run->launch(this, plotSignificanceContours, *window))
        refused(*refusal);
}

void ViewController::runStarted() {
    runClock_.start();
    plotButton->setText("Stop");
    plotAction->setText("&Stop");
    const QString& note = sharedPlot->analysisRun()->note();
    report(note.isEmpty() ? "Analysing..." : "Analysing... " + note);
}

void ViewController::runFinished(bool shown, const QString& message) {
    plotButton->setText("Plot");
    plotAction->setText("&Plot");
    const QString note = sharedPlot->analysisRun()->takeNote();
    report(shown && !note.isEmpty() ? message + ". " + note : message);
    if (!shown) {
        if (message.startsWith("Not plotted")) {
            showRecordOfMap(chooser_->file());
            refuse(message + mapStillShows());
        }
        return;
    }
    mapArea_->setHintShown(false);
    // What was refused before no longer holds; what this record dropped still does.
    messageBar->hide();
    if (!droppedNote_.isEmpty())
        messageBar->showMessage(droppedNote_);
    const auto& result = sharedPlot->lastResult();
    const QString record = QString::fromStdString(result->provenance.input);
    showMapUnits(sharedPlot->analysisRun()->shownUnits(), record != mapRecord_);
    mapRecord_ = record;
    seriesPanel_->setRun(result, sharedPlot->analysisRun()->takeTrend());
    updateFrequencyAxis();
    const double selected = selectedCentre_;
    windowDetail->setResult(result);
    wholeRecord->setResult(result, peakLevel->value());
    // A trace belongs to the map it was made on; a new map of the same record follows it again.
    tracing->carryTo(result);
    recordSettings_->afterRun(QString::fromStdString(result->provenance.input),
                              result->provenance.deltat);
    applySessionAfterRun();
    markSelectedWindow();
    // The window chosen before stays chosen when the new run has a window there.
    if (!windowDetail->keepWindowAt(selected) && spectrumArea->isVisible())
        windowDetail->selectWindowAt(*axisRanges().xmin);
}
