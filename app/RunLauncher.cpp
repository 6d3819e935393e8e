#include "app/RunLauncher.h"

#include "app/DataFileChooser.h"
#include "app/NumberText.h"
#include "app/ParameterRefusals.h"
#include "app/PlatformServices.h"
#include "app/Preferences.h"
#include "app/QPlot.h"
#include "app/UnevenSpacingDialog.h"
#include "core/analysis/RunPreparation.h"

#include <QCheckBox>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace {

QString refusalText(const analysis::Problem& problem, const QString& name, bool columnsKnown) {
    const QString text = QString::fromStdString(problem.text);
    using analysis::Stage;
    switch (problem.stage) {
    case Stage::File:
        Platform::say("cannot load inputData");
        return QString("Cannot load %1: %2.").arg(name, text);
    case Stage::Data:
        Platform::say("cannot load inputData");
        return QString(columnsKnown ? "Not plotted: %1 has no data: %2."
                                    : "Not plotted: %1 has no value column: %2.")
            .arg(name, text);
    case Stage::Parameters:
        Platform::say("problem: " + text);
        return "Not plotted: " + refusalNamingPreference(problem) + ".";
    default:
        return QString("Not plotted: %1: %2.").arg(name, text);
    }
}

QString spacingNote(const analysis::PreparedRun& run) {
    if (run.resampling.done)
        return QString("Note: the positions are not evenly spaced (largest deviation %1); the "
                       "series was resampled linearly at the %2 %3.")
            .arg(displayNumberText(run.spacing.largestDeviation),
                 run.resampling.medianStep ? "median spacing" : "step",
                 displayNumberText(run.resampling.step));
    if (!run.spacing.even)
        return "Warning: " + QString::fromStdString(run.spacing.text) + ".";
    return QString();
}

} // namespace

RunLauncher::RunLauncher(QWidget* window, DataFileChooser* chooser)
    : QObject(window), window_(window), chooser_(chooser) {}

std::optional<RunLauncher::Refusal> RunLauncher::launch(const QString& path, bool contours) {
    const QString name = QFileInfo(path).fileName();
    analysis::RunRequest request;
    request.file = path.toStdString();
    request.skip = chooser_->headerLines();
    // Analysing the positions as values is never what is wanted: with no column chosen yet,
    // the file's first value column is taken and its columns are offered.
    const bool columnChosen = chooser_->column() > 0;
    request.column = std::to_string(columnChosen ? chooser_->column() : 1);
    request.interpolate = Preferences::read(Preferences::interpolateToEvenSpacing);
    request.interpolateStep = std::max(0.0, Preferences::read(Preferences::interpolationStep));
    request.params = Preferences::runParameters();
    request.preparation = Preferences::preparation();
    request.forMap = true;
    analysis::PreparedRun run = analysis::prepareRun(request);
    // Uneven positions without interpolation would be analysed on a wrong axis: ask first.
    if (!run.problem && !run.spacing.even && !request.interpolate) {
        const UnevenSpacingChoice choice =
            UnevenSpacingDialog::chooser()(window_, name, QString::fromStdString(run.spacing.text),
                                           series::medianSpacing(run.series));
        if (!choice.interpolate)
            return Refusal{QString("Not plotted: the positions of %1 are not evenly spaced; choose "
                                   "an interpolation, or set one in Preferences.")
                               .arg(name)};
        if (choice.remember) {
            Preferences::store(Preferences::interpolateToEvenSpacing.name, true);
            Preferences::store(Preferences::interpolationStep.name, choice.step);
        }
        request.interpolate = true;
        request.interpolateStep = choice.step;
        run = analysis::prepareRun(request);
    }
    if (!columnChosen && !run.columnTitles.empty())
        chooser_->offerColumns(run.columnTitles);
    if (const auto& problem = run.problem) {
        const auto& shown = sharedPlot->lastResult();
        return Refusal{refusalText(*problem, name, columnChosen || !run.columnTitles.empty()),
                       shown && shown->provenance.input != request.file};
    }
    if (!chooser_->skipHeadersCheckBox->isChecked())
        run.provenance.columnName.clear();

    note_ = spacingNote(run);
    if (!note_.isEmpty())
        Platform::say(note_);
    trend_ = {};
    if (!run.trend.empty())
        trend_ = {run.series.xpos, std::move(run.fitted), std::move(run.trend)};
    sharedPlot->runAnalysis(run.series, run.provenance, contours);
    return std::nullopt;
}

QString RunLauncher::takeNote() {
    return std::exchange(note_, QString());
}

SeriesPanel::RemovedTrend RunLauncher::takeTrend() {
    return std::exchange(trend_, {});
}
