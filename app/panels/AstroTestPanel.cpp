#include "app/panels/AstroTestPanel.h"

#include "app/services/NumberText.h"
#include "app/services/PlatformServices.h"
#include "app/services/Questions.h"
#include "app/settings/CatalogueFields.h"
#include "core/analysis/RunParameters.h"
#include "core/astro/AstroFiles.h"
#include "core/astro/CycleIdentity.h"
#include "core/astro/TargetsAtAge.h"
#include "core/astro/TestReading.h"
#include "core/astro/TrackFlags.h"
#include "core/series/SeriesFile.h"
#include "core/service/AnalysisService.h"
#include "core/units/RecordUnits.h"
#include "figures/ResultFigures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <algorithm>
#include <atomic>
#include <cmath>

namespace {

// The field a user changes to put a problem right: its catalogue label.
QString fieldOf(const astro::Problem& problem) {
    return problem.parameter ? QString(analysis::parameter(*problem.parameter).label)
                             : QString("The series");
}

// The harmonic F-test whose lines the spectral misfit counts, with the catalogue's tapers, in
// windows of `window` samples stepped by `step` (the record: its length and 1).
analysis::RunParameters lineParameters(std::size_t window, std::size_t step) {
    using analysis::ParameterId;
    analysis::RunParameters q;
    q.tbw = analysis::parameterDefault(ParameterId::MisfitTbw);
    q.tapers = analysis::wholeDefault(ParameterId::MisfitTapers);
    q.window = static_cast<int>(window);
    q.step = static_cast<int>(step);
    q.nfft = analysis::wholeRecordTransformLength(q.window);
    q.fmax = 0.5;
    return q;
}

// "14 of 20 windows significant ...; 3 flagged edge, alias or jump".
QString trackSummary(const astro::FlaggedTrack& t, int simulations) {
    const auto count = [&](auto pass) {
        return static_cast<int>(std::count_if(t.flags.begin(), t.flags.end(), pass));
    };
    const int flagged = count([](tuning::RateFlag f) {
        return f == tuning::RateFlag::Edge || f == tuning::RateFlag::Alias ||
               f == tuning::RateFlag::Jump;
    });
    const int windows = static_cast<int>(t.flags.size());
    const QString tested =
        t.pValues.empty()
            ? QString("no window tested for significance (Simulations 0): every window is weak")
            : QString("%1 of %2 windows significant at a false discovery rate of %3 (%4 "
                      "simulations each)")
                  .arg(std::count(t.significant.begin(), t.significant.end(), true))
                  .arg(windows)
                  .arg(displayNumberText(
                      analysis::parameterDefault(analysis::ParameterId::WindowFalseDiscoveryRate)))
                  .arg(simulations);
    return tested + QString("; %1 flagged edge, alias or jump").arg(flagged);
}

} // namespace

// One computation's control: Stop from the window, progress read back by its timer. A
// computation of several steps fills the bar once, each step its share.
struct AstroTestPanel::Job : service::RunControl {
    std::atomic<double> percent{0};
    int steps = 1;
    std::atomic<int> step{0};
    void progress(double p) override { percent.store((step.load() + p / 100) * 100 / steps); }
    // A step begun shows the steps done, though its own first report may be long in coming.
    void nextStep() { percent.store((step.fetch_add(1) + 1) * 100.0 / steps); }
};

struct AstroTestPanel::Input {
    series::Series series;
    analysis::Provenance provenance;
    double spacing = 0;
    astro::TimeOptSettings settings;
    std::optional<double> ageMa;
    std::string unit;
    std::uint64_t seed = 1;
};

AstroTestPanel::AstroTestPanel(QWidget* parent) : QWidget(parent) {
    using analysis::ParameterId;
    using namespace CatalogueFields;
    sedMin = numberField(ParameterId::SedMin, this, 4);
    sedMax = numberField(ParameterId::SedMax, this, 4);
    numSed = wholeField(ParameterId::NumSed, this);
    linearGrid = switchField(ParameterId::LinearGrid, this);
    const auto [low, high] = analysis::defaultLimits(ParameterId::PrecessionBand);
    bandLow = numberField(ParameterId::PrecessionBand, this, 4, low);
    bandHigh = numberField(ParameterId::PrecessionBand, this, 4, high);
    bandLow->setRange(0, 1e3);
    bandHigh->setRange(0, 1e3);
    positionsIn = new QComboBox(this);
    positionsIn->addItems({"m", "cm", "mm"});
    positionsIn->setCurrentText(analysis::parameter(ParameterId::PositionsIn).defaultText);
    positionsIn->setToolTip(CatalogueFields::toolTip(ParameterId::PositionsIn));
    targetsFile = new QLineEdit(this);
    targetsFile->setPlaceholderText("default periods");
    targetsFile->setToolTip(CatalogueFields::toolTip(ParameterId::Targets));
    auto* chooseTargets = new QPushButton("...", this);
    chooseTargets->setToolTip("Choose a targets file");
    ageGiven = new QCheckBox(this);
    ageGiven->setToolTip("The precession and obliquity periods of this age instead of the "
                         "present-day ones (not with a targets file)");
    ageMa = numberField(ParameterId::AgeMa, this, 1);
    ageMa->setSuffix(" Ma");
    ageMa->setEnabled(false);
    simulations = wholeField(ParameterId::Simulations, this);
    simulations->setValue(analysis::parameter(ParameterId::Simulations).formValue);
    simulations->setToolTip(simulations->toolTip() +
                            "; the evolutive test tests each window with as many");
    seed = wholeField(ParameterId::Seed, this);
    interval = numberField(ParameterId::IntervalProbability, this, 3);
    // Empty lengths (0) take lengths that suit the record.
    windowLength = numberField(ParameterId::AstroWindowLength, this, 4);
    windowLength->setMinimum(0);
    windowLength->setValue(0);
    windowLength->setSpecialValueText("a quarter of the record");
    stepLength = numberField(ParameterId::AstroStepLength, this, 4);
    stepLength->setMinimum(0);
    stepLength->setValue(0);
    stepLength->setSpecialValueText("a tenth of the window");

    testButton = new QPushButton("Test", this);
    testButton->setToolTip("r2_envelope, r2_power and r2_opt of the map's series at every rate");
    significanceButton = new QPushButton("Run Significance", this);
    significanceButton->setToolTip("The p-value of the optimum against AR(1) surrogates");
    evolutiveButton = new QPushButton("Evolutive Test", this);
    evolutiveButton->setToolTip(
        "The test in moving windows, r2_opt shown in the map area: each window tested against "
        "AR(1) surrogates (Simulations above 0), its lines named and its rate identified");
    ageModelButton = new QPushButton("Use as Age Model", this);
    ageModelButton->setToolTip("The evolutive test's track of identified rates as the age model");
    misfitButton = new QPushButton("Spectral Misfit", this);
    misfitButton->setToolTip("The misfit of the record's F-test lines to the astronomical "
                             "frequencies at every rate, and its null probability");
    ageModelButton->setEnabled(false);
    stopButton = new QPushButton("Stop", this);
    stopButton->setEnabled(false);
    progress = new QProgressBar(this);
    progress->setRange(0, 1000);
    progress->setTextVisible(false);
    outcome = new QLabel(this);
    outcome->setWordWrap(true);
    outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    misfitOutcome = new QLabel(this);
    misfitOutcome->setWordWrap(true);
    misfitOutcome->setTextInteractionFlags(Qt::TextSelectableByMouse);

    // Three columns, so that the panel stays low beside the map: the rates and targets, the
    // runs, the figure.
    auto* form = new QFormLayout();
    auto* rates = new QHBoxLayout();
    rates->addWidget(sedMin);
    rates->addWidget(new QLabel("to", this));
    rates->addWidget(sedMax);
    form->addRow("Rates (cm/kyr):", rates);
    auto* count = new QHBoxLayout();
    count->addWidget(numSed);
    count->addWidget(linearGrid);
    form->addRow(label(ParameterId::NumSed), count);
    auto* band = new QHBoxLayout();
    band->addWidget(bandLow);
    band->addWidget(new QLabel("to", this));
    band->addWidget(bandHigh);
    form->addRow(label(ParameterId::PrecessionBand), band);
    form->addRow(label(ParameterId::PositionsIn), positionsIn);
    auto* targets = new QHBoxLayout();
    targets->addWidget(targetsFile, 1);
    targets->addWidget(chooseTargets);
    form->addRow(label(ParameterId::Targets), targets);
    auto* age = new QHBoxLayout();
    age->addWidget(ageGiven);
    age->addWidget(ageMa, 1);
    form->addRow(label(ParameterId::AgeMa), age);
    auto* runs = new QFormLayout();
    runs->addRow(label(ParameterId::Simulations), simulations);
    runs->addRow(label(ParameterId::Seed), seed);
    runs->addRow(label(ParameterId::IntervalProbability), interval);
    runs->addRow(label(ParameterId::AstroWindowLength), windowLength);
    runs->addRow(label(ParameterId::AstroStepLength), stepLength);
    auto* buttons = new QGridLayout();
    buttons->addWidget(testButton, 0, 0);
    buttons->addWidget(significanceButton, 0, 1);
    buttons->addWidget(evolutiveButton, 1, 0);
    buttons->addWidget(ageModelButton, 1, 1);
    buttons->addWidget(misfitButton, 2, 0);
    buttons->addWidget(stopButton, 3, 0);
    buttons->addWidget(progress, 3, 1);
    auto* settings = new QVBoxLayout();
    settings->addLayout(form);
    settings->addStretch(1);
    auto* side = new QVBoxLayout();
    side->addLayout(runs);
    side->addLayout(buttons);
    side->addWidget(outcome);
    side->addWidget(misfitOutcome);
    side->addStretch(1);
    figures = new QTabWidget(this);
    figure = timeOptFigureCreate(this);
    misfitFigure = misfitFigureCreate(this);
    figures->addTab(reinterpret_cast<QWidget*>(figure), "TimeOpt");
    figures->addTab(reinterpret_cast<QWidget*>(misfitFigure), "Spectral misfit");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(settings, 2);
    layout->addLayout(side, 2);
    layout->addWidget(figures, 3);

    poll_ = new QTimer(this);
    poll_->setInterval(100);
    connect(poll_, &QTimer::timeout, this, [this] {
        if (job_)
            progress->setValue(qRound(job_->percent.load() * 10));
    });
    connect(testButton, &QPushButton::clicked, this, &AstroTestPanel::runTest);
    connect(significanceButton, &QPushButton::clicked, this, &AstroTestPanel::runSignificance);
    connect(evolutiveButton, &QPushButton::clicked, this, &AstroTestPanel::runEvolutive);
    connect(ageModelButton, &QPushButton::clicked, this, &AstroTestPanel::useTrack);
    connect(misfitButton, &QPushButton::clicked, this, &AstroTestPanel::runMisfit);
    connect(stopButton, &QPushButton::clicked, this, &AstroTestPanel::stop);
    // An age sets the periods a targets file would: one or the other.
    connect(ageGiven, &QCheckBox::toggled, this, [this, chooseTargets](bool on) {
        ageMa->setEnabled(on);
        targetsFile->setEnabled(!on);
        chooseTargets->setEnabled(!on);
    });
    connect(chooseTargets, &QPushButton::clicked, this, [this] {
        const QString path = Platform::chooseOpenFile(
            this, "Targets File", "Tab-separated text (*.tsv *.txt);;All files (*)",
            QFileInfo(targetsFile->text()).absolutePath());
        if (!path.isEmpty())
            targetsFile->setText(path);
    });
}

AstroTestPanel::~AstroTestPanel() {
    stop();
    future_.waitForFinished();
}

std::optional<AstroTestPanel::Input> AstroTestPanel::input(const QString& what) {
    const auto refuse = [&](const QString& text) {
        emit message(what + ": " + text);
        return std::nullopt;
    };
    Input in;
    const auto record = source_ ? source_() : nullptr;
    if (!record || record->positions.size() < 2)
        return refuse("there is no series to test yet; press Plot to analyse a record first.");
    // Its rates are depth per time: ages taken for depths would give rates that mean nothing.
    if (units::isTime(recordUnit_.toStdString()))
        return refuse("the record is in " + recordUnit_ +
                      ", a time unit; the test finds the sedimentation rate of a depth record (m, "
                      "cm or mm). Analysis > Record Units states the unit of a record.");
    in.series.xpos = record->positions;
    in.series.yval = record->values;
    in.provenance = record->provenance;
    in.spacing = record->provenance.deltat;
    in.seed = static_cast<std::uint64_t>(seed->value());
    in.unit = positionsIn->currentText().toStdString();
    const auto metres = units::metresPer(in.unit);
    if (!metres)
        return refuse("Positions in: give m, cm or mm.");
    astro::TimeOptSettings& s = in.settings;
    s.metresPerUnit = *metres;
    s.grid = {sedMin->value(), sedMax->value(), numSed->value(), linearGrid->isChecked()};
    s.precessionBand = {bandLow->value(), bandHigh->value()};
    const QString targets = targetsFile->text().trimmed();
    if (!targets.isEmpty()) {
        std::string why;
        const auto text = series::readText(targets.toStdString(), &why);
        if (!text)
            return refuse("Targets file: cannot read " + targets + ": " +
                          QString::fromStdString(why) +
                          "; choose another file or clear the field.");
        const astro::TargetsRead read = astro::readTargets(*text);
        if (read.problem)
            return refuse("Targets file " + targets + ": " +
                          QString::fromStdString(read.problem->text) + ".");
        s.targets = read.targets;
    }
    if (ageGiven->isChecked()) {
        if (!targets.isEmpty())
            return refuse(CatalogueFields::label(analysis::ParameterId::AgeMa) +
                          " give an age or a targets file, not both; clear one.");
        if (const auto problem = astro::checkAge(ageMa->value()))
            return refuse(fieldOf(*problem) + ": " + QString::fromStdString(problem->text) + ".");
        in.ageMa = ageMa->value();
        s.targets = astro::targetsAtAge(*in.ageMa);
    }
    if (const auto problem = astro::checkTimeOpt(s, in.series.yval.size(), in.spacing))
        return refuse(fieldOf(*problem) + ": " + QString::fromStdString(problem->text) + ".");
    return in;
}

void AstroTestPanel::setBusy(bool on) {
    for (QPushButton* b : {testButton, significanceButton, evolutiveButton, misfitButton})
        b->setEnabled(!on);
    ageModelButton->setEnabled(!on && evolutive_);
    stopButton->setEnabled(on);
    progress->setValue(0);
    if (on)
        poll_->start();
    else
        poll_->stop();
}

void AstroTestPanel::start(const QString& what, const std::function<void(Job&)>& work,
                           const std::function<void()>& done) {
    auto job = std::make_shared<Job>();
    job_ = job;
    setBusy(true);
    emit message(what + "...");
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher, done] {
        watcher->deleteLater();
        job_.reset();
        setBusy(false);
        done();
        emit computationEnded();
    });
    future_ = QtConcurrent::run([job, work] { work(*job); });
    watcher->setFuture(future_);
}

void AstroTestPanel::stop() {
    if (job_)
        job_->cancel();
}

void AstroTestPanel::runTest() {
    const QString what = "Astronomical test";
    auto in = input(what);
    if (!in || busy())
        return;
    auto scan = std::make_shared<astro::TimeOptScan>();
    start(
        what,
        [in = *in, scan](Job& job) {
            *scan = service::timeOpt(in.series, in.spacing, in.settings, job);
        },
        [this, what, scan, age = in->ageMa] {
            if (scan->cancelled) {
                emit message(what + " stopped; the figure shows the previous result.");
            } else if (scan->problem) {
                emit message(what + ": " + fieldOf(*scan->problem) + ": " +
                             QString::fromStdString(scan->problem->text) + ".");
            } else if (!astro::allFinite(scan->scores)) {
                emit message(what + ": the scores are not finite numbers; nothing is shown.");
            } else {
                scan_ = std::move(*scan);
                scanAge_ = age;
                significance_.reset();
                showScan();
                emit message(what + ": " + outcome->text());
            }
        });
}

void AstroTestPanel::runSignificance() {
    const QString what = "Significance of the astronomical test";
    auto in = input(what);
    if (!in || busy())
        return;
    const int sims = simulations->value();
    auto scan = std::make_shared<astro::TimeOptScan>();
    auto sig = std::make_shared<astro::Significance>();
    start(
        what,
        [in = *in, scan, sig, sims](Job& job) {
            // The record is scanned again, so that the p-value belongs to the settings shown.
            *scan = service::timeOpt(in.series, in.spacing, in.settings, job);
            if (scan->problem || scan->cancelled)
                return;
            *sig = service::timeOptSignificance(in.series, in.spacing, in.settings, *scan, sims,
                                                in.seed, job);
        },
        [this, what, scan, sig, age = in->ageMa] {
            const std::optional<astro::Problem>& problem =
                scan->problem ? scan->problem : sig->problem;
            if (scan->cancelled || sig->cancelled) {
                emit message(what + " stopped; no p-value.");
            } else if (problem) {
                emit message(what + ": " + fieldOf(*problem) + ": " +
                             QString::fromStdString(problem->text) + ".");
            } else if (!astro::allFinite(scan->scores)) {
                emit message(what + ": the scores are not finite numbers; nothing is shown.");
            } else {
                scan_ = std::move(*scan);
                scanAge_ = age;
                significance_ = *sig;
                showScan();
                emit message(what + ": " + outcome->text());
            }
        });
}

void AstroTestPanel::runEvolutive() {
    const QString what = "Evolutive astronomical test";
    auto in = input(what);
    if (!in || busy())
        return;
    // Empty fields take lengths that suit the record.
    const double span = in->series.xpos.back() - in->series.xpos.front();
    const double window = windowLength->value() > 0 ? windowLength->value() : span / 4;
    const double step = stepLength->value() > 0 ? stepLength->value() : window / 10;
    const bool logarithmic = !in->settings.grid.linear;
    const int sims = simulations->value();
    const double probability = interval->value();
    auto result = std::make_shared<astro::EvolutiveTimeOpt>();
    auto track = std::make_shared<astro::FlaggedTrack>();
    start(
        what,
        [in = *in, result, track, window, step, sims, probability](Job& job) {
            job.steps = sims > 0 ? 3 : 2;
            *result = service::evolutiveTimeOpt(in.series, in.settings, window, step, job);
            if (result->problem || result->cancelled)
                return;
            *track = testWindows(in, *result, sims, probability, job);
        },
        [this, what, result, track, logarithmic, sims, probability, window, unit = in->unit,
         metres = in->settings.metresPerUnit, targets = in->settings.targets] {
            if (result->cancelled) {
                emit message(what + " stopped; the map area shows what it showed.");
            } else if (result->problem) {
                emit message(what + ": " + fieldOf(*result->problem) + ": " +
                             QString::fromStdString(result->problem->text) + ".");
            } else if (!astro::allFinite(result->cells)) {
                emit message(what + ": the scores are not finite numbers; nothing is shown.");
            } else if (result->centres.size() < 2 || result->rates.size() < 2) {
                emit message(what + QString(": the map needs at least 2 windows and 2 scored "
                                            "rates; these settings give %1 and %2. Shorten the "
                                            "window or the step, or widen the rates.")
                                        .arg(result->centres.size())
                                        .arg(result->rates.size()));
            } else {
                evolutive_ = result;
                track_ = track;
                evolutiveLogarithmic_ = logarithmic;
                evolutiveInterval_ = probability;
                evolutiveUnit_ = unit;
                evolutiveMetres_ = metres;
                evolutiveWindow_ = window;
                evolutiveTargets_ = targets;
                ageModelButton->setEnabled(true);
                emit message(what +
                             QString(": %1 windows x %2 rates; ")
                                 .arg(result->centres.size())
                                 .arg(result->rates.size()) +
                             trackSummary(*track, sims) + ".");
                // The guides follow the track on the analysis map before the r2_opt map hides it.
                emit trackChanged();
                emit evolutiveReady();
            }
        });
}

astro::FlaggedTrack AstroTestPanel::testWindows(const Input& in, astro::EvolutiveTimeOpt& e,
                                                int simulations, double probability, Job& job) {
    using analysis::ParameterId;
    std::vector<double> pValues;
    if (simulations > 0) {
        job.nextStep();
        const astro::WindowSignificance sig =
            service::evolutiveSignificance(in.series, in.settings, e, simulations, in.seed, job);
        e.problem = sig.problem;
        e.cancelled = sig.cancelled;
        if (sig.problem || sig.cancelled)
            return {};
        if (!astro::allFinite(sig.pValues)) {
            e.problem = astro::Problem{std::nullopt, "the windows' p-values are not finite"};
            return {};
        }
        pValues = sig.pValues;
    }
    // Which cycle each window's optimum is: its F-test lines against the targets.
    job.nextStep();
    const service::WindowLines lines = service::analyseLines(
        in.series, in.provenance, lineParameters(e.windowSamples, e.stepSamples),
        {analysis::parameterDefault(ParameterId::WindowLineLevel), 0}, job);
    if (!lines.outcome.finished()) {
        e.cancelled = lines.outcome.end == service::RunEnd::Cancelled;
        if (!e.cancelled)
            e.problem =
                astro::Problem{std::nullopt, "the windows' lines: " + lines.outcome.problem};
        return {};
    }
    astro::MisfitSettings misfit;
    misfit.metresPerUnit = in.settings.metresPerUnit;
    misfit.targets = in.settings.targets;
    misfit.simulations = analysis::wholeDefault(ParameterId::WindowMisfitSimulations);
    misfit.seed = in.seed;
    return astro::flagTrack(e, pValues,
                            analysis::parameterDefault(ParameterId::WindowFalseDiscoveryRate),
                            astro::evolutiveIdentity(e, lines.windows, misfit), probability);
}

void AstroTestPanel::runMisfit() {
    const QString what = "Spectral misfit";
    auto in = input(what);
    if (!in || busy())
        return;
    using analysis::ParameterId;
    const int sims = analysis::wholeDefault(ParameterId::MisfitSimulations);
    auto scan = std::make_shared<astro::MisfitScan>();
    auto stopped = std::make_shared<bool>(false);
    start(
        what,
        [in = *in, scan, stopped, sims](Job& job) {
            const service::WindowLines lines = service::analyseLines(
                in.series, in.provenance, lineParameters(in.series.yval.size(), 1),
                {analysis::parameterDefault(ParameterId::MisfitLevel), 0}, job);
            if (!lines.outcome.finished()) {
                *stopped = lines.outcome.end == service::RunEnd::Cancelled;
                scan->problem =
                    astro::Problem{std::nullopt, "the record's lines: " + lines.outcome.problem};
                return;
            }
            astro::MisfitSettings settings;
            settings.metresPerUnit = in.settings.metresPerUnit;
            settings.targets = in.settings.targets;
            settings.simulations = sims;
            settings.seed = in.seed;
            *scan = astro::spectralMisfit(lines.windows.front(), astro::gridRates(in.settings.grid),
                                          settings);
        },
        [this, what, scan, stopped, sims] {
            const bool finite =
                std::all_of(scan->rows.begin(), scan->rows.end(), [](const astro::MisfitRow& r) {
                    return std::isfinite(r.misfit) && std::isfinite(r.pNull);
                });
            if (*stopped) {
                emit message(what + " stopped; the figure shows the previous result.");
            } else if (scan->problem) {
                emit message(what + ": " + fieldOf(*scan->problem) + ": " +
                             QString::fromStdString(scan->problem->text) + ".");
            } else if (!finite) {
                emit message(what + ": the misfits are not finite numbers; nothing is shown.");
            } else {
                misfit_ = std::move(*scan);
                misfitSimulations_ = sims;
                showMisfit();
                emit message(misfitOutcome->text());
            }
        });
}

void AstroTestPanel::forgetResults() {
    scan_.reset();
    scanAge_.reset();
    significance_.reset();
    evolutive_.reset();
    track_.reset();
    misfit_.reset();
    misfitOutcome->clear();
    ageModelButton->setEnabled(false);
    emit trackChanged();
}

std::optional<TestTrack> AstroTestPanel::testTrack() const {
    if (!track_ || track_->points.empty())
        return std::nullopt;
    TestTrack t;
    for (std::size_t w = 0; w < track_->points.size(); ++w) {
        t.rates.position.push_back(track_->points[w].centre);
        t.rates.rate.push_back(track_->identifiedRate(w));
    }
    t.metresPerUnit = evolutiveMetres_;
    t.targets = evolutiveTargets_;
    return t;
}

void AstroTestPanel::useTrack() {
    if (!evolutive_ || !track_) {
        emit message("Use as Age Model: run the evolutive test first.");
        return;
    }
    // The rate the lines and r2_opt agree on in each window, as tune --sedrate takes it.
    const astro::FlaggedTrack& flagged = *track_;
    tuning::ReadRateTrack read;
    for (std::size_t i = 0; i < flagged.points.size(); ++i) {
        read.track.position.push_back(flagged.points[i].centre);
        read.track.rate.push_back(flagged.identifiedRate(i));
        read.lines.push_back(static_cast<int>(i + 1));
    }
    read.flags = flagged.flags;
    if (const auto problem = tuning::checkRateTrack(read.track)) {
        emit message("Use as Age Model: " + QString::fromStdString(*problem) + ".");
        return;
    }
    QStringList where;
    for (std::size_t i = 0; i < flagged.flags.size(); ++i) {
        const tuning::RateFlag f = flagged.flags[i];
        if (f == tuning::RateFlag::Edge || f == tuning::RateFlag::Alias ||
            f == tuning::RateFlag::Jump)
            where << QString("%1 (%2)").arg(displayNumberText(flagged.points[i].centre),
                                            tuning::rateFlagName(f));
    }
    if (!where.isEmpty() &&
        Questions::ask(this, "Flagged Track",
                       QString("%1 of %2 windows are flagged edge, alias or jump, at %3: the "
                               "rate may lie beyond the grid (widen it), be twice or half the "
                               "true one (obliquity taken for precession) or have jumped. Use "
                               "the track as the age model all the same?")
                           .arg(where.size())
                           .arg(flagged.flags.size())
                           .arg(where.mid(0, 5).join(", ") + (where.size() > 5 ? ", ..." : "")),
                       {"Use It", "Cancel"}) != 0)
        return;
    std::string none;
    emit rateTrackChosen(read.track, evolutiveUnit_, evolutiveMetres_,
                         astro::trackSpread(flagged, evolutiveWindow_, &none));
}

void AstroTestPanel::showScan() {
    const astro::TimeOptScan& scan = *scan_;
    const astro::RateScore& best = scan.scores[scan.best];
    const auto record = source_ ? source_() : nullptr;
    const QString title =
        (record ? QFileInfo(QString::fromStdString(record->provenance.input)).fileName() + ": "
                : QString()) +
        "astronomical test (TimeOpt)";
    figureShowTimeOpt(figure, scan, significance_ ? &*significance_ : nullptr, title.toStdString(),
                      interval->value());
    figures->setCurrentWidget(reinterpret_cast<QWidget*>(figure));
    QString text = QString("Optimal sedimentation rate %1 cm/kyr, r2_opt %2")
                       .arg(displayNumberText(best.rate), displayNumberText(best.r2Opt));
    const astro::RateInterval rates = astro::rateInterval(scan.likelihood, interval->value());
    if (const astro::RateMode* m = rates.holding(best.rate)) {
        text += QString(", %1 % interval %2 to %3 cm/kyr")
                    .arg(displayNumberText(100 * rates.probability), displayNumberText(m->low),
                         displayNumberText(m->high));
        if (rates.modes.size() > 1)
            text += QString(" (its mode's share %1; %2 other modes)")
                        .arg(displayNumberText(m->share))
                        .arg(rates.modes.size() - 1);
    }
    if (significance_)
        text += QString(", p-value %1 (%2 simulations)")
                    .arg(displayNumberText(significance_->pValue))
                    .arg(significance_->simulations);
    text += ".";
    const astro::TestReading reading =
        astro::readTest(scan, significance_ ? &*significance_ : nullptr);
    for (const std::string& caution : reading.cautions)
        text += " Caution: " + QString::fromStdString(caution) + ".";
    if (!reading.cautions.empty())
        text +=
            " Candidates: " + QString::fromStdString(astro::candidatesText(reading.candidates)) +
            ".";
    if (scanAge_) {
        const astro::Targets t = astro::targetsAtAge(*scanAge_);
        const auto periods = [](const std::vector<double>& v) {
            QStringList l;
            for (double p : v)
                l << displayNumberText(p);
            return l.join(", ");
        };
        text += QString(" Periods for %1 Ma (precession constant k %2 arcsec/yr): precession "
                        "%3 kyr, obliquity %4 kyr.")
                    .arg(displayNumberText(*scanAge_),
                         displayNumberText(astro::precessionConstantAt(*scanAge_)),
                         periods(t.precession), periods(t.obliquity));
    }
    outcome->setText(text);
}

void AstroTestPanel::showMisfit() {
    const astro::MisfitScan& scan = *misfit_;
    const astro::MisfitRow& best = scan.rows[scan.best];
    const auto record = source_ ? source_() : nullptr;
    const QString title =
        (record ? QFileInfo(QString::fromStdString(record->provenance.input)).fileName() + ": "
                : QString()) +
        "average spectral misfit";
    figureShowMisfit(misfitFigure, scan, misfitSimulations_, title.toStdString());
    figures->setCurrentWidget(reinterpret_cast<QWidget*>(misfitFigure));
    QString text = QString("Spectral misfit: best rate %1 cm/kyr, misfit %2 cycles/kyr, null "
                           "probability %3 corrected for the %4 rates tried")
                       .arg(displayNumberText(best.rate), displayNumberText(best.misfit),
                            displayNumberText(scan.bestCorrected))
                       .arg(scan.rows.size());
    if (scan.bestCorrected > astro::significanceLevel)
        text += ": not significant at the 0.05 level";
    misfitOutcome->setText(text + ".");
}
