#include "app/run/AnalysisRun.h"

#include "app/run/ParameterRefusals.h"
#include "app/run/UnevenSpacingDialog.h"
#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/settings/Preferences.h"
#include "core/series/SeriesFile.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QFuture>
#include <QProgressBar>
#include <QThreadPool>
#include <QtConcurrent>

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

// ---- A Plot press ---------------------------------------------------------------------------

AnalysisRun::AnalysisRun(QObject* parent) : QObject(parent) {}

std::optional<AnalysisRun::Refusal> AnalysisRun::load(const Source& source) {
    name_ = QFileInfo(source.path).fileName();
    units_ = source.units;
    analysis::RunRequest& r = request_ = {};
    r.file = source.path.toStdString();
    r.skip = source.headerLines;
    // Analysing the positions as values is never what is wanted: with no column chosen yet,
    // the file's first value column is taken and its columns are offered.
    r.column = std::to_string(source.column > 0 ? source.column : 1);
    r.forMap = true;
    std::string why;
    ++fileReads_;
    const auto text = series::readText(r.file, &why);
    loaded_ = text ? analysis::readRun(r, *text) : analysis::PreparedRun{};
    if (!text)
        loaded_.problem = analysis::Problem{analysis::Stage::File, why};
    if (!source.keepColumnName)
        loaded_.provenance.columnName.clear();
    if (const auto& problem = loaded_.problem) {
        const bool columnsKnown = source.column > 0 || !loaded_.columnTitles.empty();
        return Refusal{refusalText(*problem, name_, columnsKnown),
                       lastResult_ && lastResult_->provenance.input != r.file};
    }
    return std::nullopt;
}

QString AnalysisRun::droppedNote() const {
    const std::string& dropped = loaded_.provenance.droppedLines;
    if (dropped.empty())
        return QString();
    return QString("%1: dropped lines: %2: no number where the position or the chosen column "
                   "needs one. The rest is read without them; correct them in the file to keep "
                   "them.")
        .arg(name_, QString::fromStdString(dropped));
}

void AnalysisRun::restateUnits(const QString& file, const RecordUnitChoice& units) {
    if (lastResult_ && QString::fromStdString(lastResult_->provenance.input) == file)
        shownUnits_ = units;
}

double AnalysisRun::spacing() const {
    analysis::RunRequest r = request_;
    r.interpolate = Preferences::read(Preferences::interpolateToEvenSpacing);
    r.interpolateStep = std::max(0.0, Preferences::read(Preferences::interpolationStep));
    const double spacing = loaded_.problem ? 0.0 : analysis::expectedSpacing(loaded_, r);
    return std::isfinite(spacing) && spacing > 0 ? spacing : 0.0;
}

std::optional<AnalysisRun::Refusal>
AnalysisRun::launch(QWidget* asker, bool contours,
                    const std::optional<RecordWindow::Physical>& window) {
    if (loaded_.problem || loaded_.series.xpos.empty())
        return Refusal{QString("Not plotted: %1 is not loaded.").arg(name_)};
    analysis::RunRequest& r = request_;
    r.interpolate = Preferences::read(Preferences::interpolateToEvenSpacing);
    r.interpolateStep = std::max(0.0, Preferences::read(Preferences::interpolationStep));
    r.params = Preferences::runParameters();
    r.preparation = Preferences::preparation();
    // The window kept in the record's units: core turns it into samples at the run's spacing.
    if (window) {
        r.windowLength = window->length;
        r.stepLength = window->step;
        r.fmaxPerUnit = window->fmaxPerUnit;
    }
    analysis::PreparedRun run = analysis::finishRun(r, loaded_);
    // Uneven positions without interpolation would be analysed on a wrong axis: ask first, then
    // prepare the series already read again.
    if (!run.problem && !run.spacing.even && !r.interpolate) {
        const UnevenSpacingChoice choice =
            UnevenSpacingDialog::chooser()(asker, name_, QString::fromStdString(run.spacing.detail),
                                           series::medianSpacing(run.series));
        if (!choice.interpolate)
            return Refusal{QString("Not plotted: the positions of %1 are not evenly spaced; choose "
                                   "an interpolation, or set one in Preferences.")
                               .arg(name_),
                           lastResult_ && lastResult_->provenance.input != r.file, true};
        if (choice.remember) {
            Preferences::store(Preferences::interpolateToEvenSpacing.name, true);
            Preferences::store(Preferences::interpolationStep.name, choice.step);
        }
        r.interpolate = true;
        r.interpolateStep = choice.step;
        run = analysis::finishRun(r, loaded_);
    }
    if (const auto& problem = run.problem)
        return Refusal{refusalText(*problem, name_, true),
                       lastResult_ && lastResult_->provenance.input != r.file};
    // The sample counts the run takes are what the preferences say from now on.
    if (window) {
        const analysis::RunParameters& p = run.provenance.params;
        Preferences::store(Preferences::pointsPerWindow.name, p.window);
        Preferences::store(Preferences::windowIncrement.name, p.step);
        Preferences::store(Preferences::fmax.name, p.fmax);
    }
    note_ = spacingNote(run);
    if (!note_.isEmpty())
        Platform::say(note_);
    trend_ = {};
    if (!run.trend.empty())
        trend_ = {run.series.xpos, std::move(run.fitted), std::move(run.trend)};
    // Prepared and checked by core: it goes to the service as it is.
    if (running_)
        emit runFinished(false, "A run is already in progress.");
    else
        begin(run.series, run.provenance, contours);
    return std::nullopt;
}

QString AnalysisRun::takeNote() {
    return std::exchange(note_, QString());
}

SeriesPanel::RemovedTrend AnalysisRun::takeTrend() {
    return std::exchange(trend_, {});
}

// ---- Running --------------------------------------------------------------------------------

namespace {

// One run's state reached by the engine's progress callback.
struct ProgressContext : std::enable_shared_from_this<ProgressContext> {
    QFuture<void> group; // the engine call and what follows it on the run's queue
    QPointer<QProgressBar> progressIndicator;
};

} // namespace

// The run's side of the analysis service: progress to the indicator, Stop to the service.
struct AnalysisRun::Job : service::RunControl {
    QPointer<AnalysisRun> owner; // made on the GUI thread; read there by the hand-offs
    series::Series series;
    results::ResultSet result; // its provenance carries the parameters
    service::Execution execution;
    bool contours = true;
    RecordUnitChoice units; // shown with the map once it is drawn
    std::shared_ptr<ProgressContext> context;
    QThreadPool* resultQueue = nullptr;
    service::RunOutcome outcome;
    results::Grids grids; // filled by finishJob
    QElapsedTimer clock;
    qint64 engineMs = 0, reshapeMs = 0;

    void progress(double percent) override { reportProgress(context.get(), percent); }
};

void AnalysisRun::setProgressIndicator(QProgressBar* indicator) {
    progressIndicator_ = indicator;
}

void AnalysisRun::reportProgress(void* ctx, double percent) {
    if (!ctx)
        return;
    // The task holds the context until it has run, however late.
    std::shared_ptr<ProgressContext> context =
        static_cast<ProgressContext*>(ctx)->shared_from_this();
    Platform::postToMainThread([context, percent] {
        if (context->progressIndicator)
            context->progressIndicator->setValue(qRound(percent * 10));
    });
}

void AnalysisRun::start(const series::Series& series, const analysis::Provenance& provenance,
                        bool contours) {
    if (series.xpos.empty())
        return;
    if (running_) {
        emit runFinished(false, "A run is already in progress.");
        return;
    }

    // A run the engine would refuse never reaches it.
    const analysis::RunParameters& p = provenance.params;
    if (const auto problem =
            analysis::checkParameters(p, static_cast<int>(series.xpos.size()), provenance.deltat)) {
        Platform::say("problem: " + QString::fromStdString(problem->text));
        endRun(false, "Not plotted: " + refusalNamingPreference(*problem) + ".");
        return;
    }
    begin(series, provenance, contours);
}

void AnalysisRun::begin(const series::Series& series, const analysis::Provenance& provenance,
                        bool contours) {
    if (progressIndicator_) {
        progressIndicator_->setValue(0);
        progressIndicator_->show();
    }
    auto job = std::make_shared<Job>();
    job->clock.start();
    const analysis::RunParameters& p = provenance.params;
    const int samples = static_cast<int>(series.xpos.size());
    const std::size_t cellCount = static_cast<std::size_t>(analysis::windowCount(p, samples)) *
                                  static_cast<std::size_t>(analysis::binCount(p));
    Platform::say(QString("%1 %2").arg(cellCount).arg(samples));
    job->series = series;
    job->result.provenance = provenance;
    job->contours = contours;
    job->units = units_;

    job->owner = this;
    current_ = job;
    job->resultQueue = new QThreadPool(this);
    job->resultQueue->setObjectName("spectralQueue");
    job->resultQueue->setMaxThreadCount(1);
    job->context = std::make_shared<ProgressContext>();
    job->context->progressIndicator = progressIndicator_;
    job->execution = execution_;
    running_ = true;
    emit runStarted();
    job->context->group = QtConcurrent::run(job->resultQueue, [this, job] {
        QElapsedTimer engineClock;
        engineClock.start();
        job->outcome = service::analyseMap(job->series, job->result, *job, job->execution);
        job->engineMs = engineClock.elapsed();
        finishJob(job);
    });
}

AnalysisRun::~AnalysisRun() {
    cancel();
    if (current_)
        current_->context->group.waitForFinished();
}

void AnalysisRun::cancel() {
    if (running_ && current_)
        current_->cancel();
}

// On the run's queue, after the engine returned.
void AnalysisRun::finishJob(const std::shared_ptr<Job>& job) {
    const auto end = [job](const QString& message) {
        Platform::postToMainThread([job, message] {
            if (job->owner)
                job->owner->endRun(false, message);
        });
    };
    if (job->outcome.end == service::RunEnd::Cancelled)
        return end("The run was cancelled; the map shows the previous results.");
    if (!job->outcome.finished())
        return end("Not plotted: " + QString::fromStdString(job->outcome.problem) + ".");
    Platform::say(QString::fromUtf8("Spectrum calculation complete 👍"));
    QElapsedTimer clock;
    clock.start();
    const results::ResultSet& rows = job->result;
    auto grids = results::reshape(rows.xcent, rows.freq, rows.ampl, rows.prob);
    job->reshapeMs = clock.elapsed();
    if (!grids)
        return end("Not plotted: the results could not be arranged into a map.");
    job->grids = std::move(*grids);
    Platform::postToMainThread([job] {
        if (job->owner)
            job->owner->showJob(job);
    });
}

// On the GUI thread: the hand-off to the view, then the result kept.
void AnalysisRun::showJob(const std::shared_ptr<Job>& job) {
    contours_ = job->contours;
    shownUnits_ = job->units;
    lastGrids_ = std::make_shared<const results::Grids>(std::move(job->grids));
    const results::Grids& g = *lastGrids_;
    // The ranges are the grid's: the first and last window centre, the lowest and highest
    // frequency; the view sets the colour's from what it draws.
    ranges_.xmin = g.xmin;
    ranges_.xmax = g.xmax;
    ranges_.ymin = g.flow;
    ranges_.ymax = g.fhigh;
    emit mapReady(job->result.provenance, {job->engineMs, job->reshapeMs, job->clock.elapsed()});
    if (progressIndicator_)
        progressIndicator_->hide();
    lastResult_ = std::make_shared<results::ResultSet>(std::move(job->result));

    QString message = QString("Spectrum calculation complete: %1 windows x %2 frequencies")
                          .arg(g.nx)
                          .arg(g.nfreq);
    if (ranges_.zmin && ranges_.zmin == ranges_.zmax)
        message += QString(" (every amplitude is %1: nothing to colour)")
                       .arg(displayNumberText(*ranges_.zmin));
    endRun(true, message);
}

void AnalysisRun::endRun(bool shown, const QString& message) {
    if (progressIndicator_)
        progressIndicator_->hide();
    running_ = false;
    current_.reset();
    for (QThreadPool* pool : findChildren<QThreadPool*>("spectralQueue"))
        pool->deleteLater();
    emit runFinished(shown, message);
}
