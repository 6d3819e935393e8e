// tonalith-cli filter, timeopt, etimeopt and tune --sedrate: the astronomical test of a record
// and what is built on it, on the record as every command prepares it.
#include "cli/AstroOptions.h"
#include "cli/Commands.h"
#include "cli/Figures.h"
#include "cli/TuneWriting.h"
#include "core/service/AnalysisService.h"

#include "core/astro/AstroFiles.h"
#include "core/astro/TargetsAtAge.h"
#include "core/io/AtomicFile.h"
#include "core/series/SeriesFile.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"
#include "core/units/RecordUnits.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace cli {

namespace {

bool writeText(const std::string& path, const std::string& text) {
    io::AtomicFile out;
    std::string why;
    if (!out.open(path, &why) || !out.write(text) || !out.commit(&why)) {
        complain(why.empty() ? "cannot write " + (path.empty() ? "standard output" : path) : why);
        return false;
    }
    return true;
}

int refuse(const AstroOptions& o, const astro::Problem& problem) {
    complain((problem.parameter ? analysis::parameter(*problem.parameter).flag : o.input.file) +
             std::string(": ") + problem.text);
    return EXIT_BAD_INPUT;
}

// The record as every command prepares it, and the positions' unit in metres; the exit
// status to give up with, or 0.
int loadRecord(const AstroOptions& o, series::Series& s, analysis::Provenance& p, double& metres,
               LoadFor use = LoadFor::EvenSeries) {
    const auto unit = units::metresPer(o.positionsIn);
    if (!unit) {
        complain("--positions-in: '" + o.positionsIn + "' is not a unit; give m, cm or mm");
        return EXIT_BAD_INPUT;
    }
    metres = *unit;
    return loadChecked(o.input, s, p, use);
}

// The test's settings from the options, the targets file read; the exit status to give up
// with, or 0.
int testSettings(const AstroOptions& o, double metres, astro::TestDescription& d) {
    if (o.workers < 0) {
        complain("--workers: give 0 (one per core) or more, not " + std::to_string(o.workers));
        return EXIT_BAD_INPUT;
    }
    if (o.sims < 0) {
        complain("--sims: give 0 (no significance) or more, not " + std::to_string(o.sims));
        return EXIT_BAD_INPUT;
    }
    astro::TimeOptSettings& s = d.settings;
    s.metresPerUnit = metres;
    s.grid = o.grid;
    s.precessionBand = o.precessionBand;
    d.positionUnit = o.positionsIn;
    d.interval = o.interval;
    if (!o.targets.empty()) {
        std::string why;
        const auto text = series::readText(o.targets, &why);
        if (!text) {
            complain("--targets: cannot read " + o.targets + ": " + why);
            return EXIT_BAD_INPUT;
        }
        const astro::TargetsRead read = astro::readTargets(*text);
        if (read.problem) {
            complain("--targets " + o.targets + ": " + read.problem->text);
            return EXIT_BAD_INPUT;
        }
        s.targets = read.targets;
        d.targetsSource = o.targets;
    }
    if (o.ageMa) {
        if (const auto problem = astro::checkAge(*o.ageMa))
            return refuse(o, *problem);
        s.targets = astro::targetsAtAge(*o.ageMa);
        d.ageMa = o.ageMa;
    }
    return 0;
}

// The record and the test's settings, as timeopt and etimeopt take them.
int loadTest(const AstroOptions& o, series::Series& s, astro::TestDescription& d) {
    double metres = 1;
    if (const int status = loadRecord(o, s, d.record, metres))
        return status;
    return testSettings(o, metres, d);
}

// Progress on a terminal: "what: N %", redrawn in place, ended by a line feed.
class ProgressLine : public service::RunControl {
public:
    ProgressLine(const AstroOptions& o, std::string what)
        : shown_(!o.input.quiet && ::isatty(STDERR_FILENO) != 0), what_(std::move(what)) {}
    ~ProgressLine() override {
        if (drawn_)
            std::fputc('\n', stderr);
    }
    void progress(double percent) override {
        if (!shown_)
            return;
        std::fprintf(stderr, "\r%s: %3d %%", what_.c_str(), static_cast<int>(percent));
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    bool shown_, drawn_ = false;
    std::string what_;
};

// The harmonic F-test's lines in windows of `window` samples stepped by `step` (the record:
// its length and 1), as asm and etimeopt take them; false, said on standard error, when the
// test cannot run.
bool recordLines(const AstroOptions& o, const series::Series& s, const analysis::Provenance& p,
                 int window, int step, service::WindowLines& lines) {
    analysis::RunParameters q;
    q.tbw = o.lineTbw;
    q.tapers = o.lineTapers;
    q.window = window;
    q.step = step;
    q.nfft = o.lineNfft > 0 ? o.lineNfft : analysis::wholeRecordTransformLength(window);
    q.fmax = 0.5;
    // The engine's refusal, named by this command's options.
    if (const auto problem =
            analysis::checkParameters(q, static_cast<int>(s.yval.size()), p.deltat)) {
        using analysis::ParameterId;
        const ParameterId id = problem->parameter.value_or(ParameterId::Window);
        const std::string flag = id == ParameterId::Nfft     ? "--nfft"
                                 : id == ParameterId::Tbw    ? "--tbw"
                                 : id == ParameterId::Tapers ? "--tapers"
                                                             : o.input.file;
        complain(flag + ": the lines' F-test: " + problem->text);
        return false;
    }
    service::Execution execution;
    execution.diagnostics = stderr;
    execution.quiet = o.input.quiet;
    service::RunControl control;
    lines = service::analyseLines(s, p, q, {o.lineLevel, 0}, control, execution);
    if (!lines.outcome.finished()) {
        complain(o.input.file + ": the lines' F-test: " + lines.outcome.problem);
        return false;
    }
    return true;
}

int unfinite() {
    complain("the results hold numbers that are not finite; nothing was written");
    return EXIT_ANALYSIS_FAILED;
}

} // namespace

int runFilter(const AstroOptions& o) {
    series::Series s;
    analysis::Provenance p;
    if (const int status = loadChecked(o.input, s, p, LoadFor::EvenSeries))
        return status;
    const astro::BandPassed f = astro::bandPass(s.yval, p.deltat, o.passband);
    if (f.problem)
        return refuse(o, *f.problem);
    if (!astro::allFinite(f.filtered) || !astro::allFinite(f.envelope))
        return unfinite();
    return writeText(o.input.output, astro::filterText(p, o.passband, s.xpos, s.yval, f))
               ? 0
               : EXIT_ANALYSIS_FAILED;
}

int runTimeOpt(const AstroOptions& o) {
    series::Series s;
    astro::TestDescription d;
    if (const int status = loadTest(o, s, d))
        return status;
    ProgressLine line(o, "simulations");
    const astro::TimeOptScan scan =
        service::timeOpt(s, d.record.deltat, d.settings, line, o.workers);
    if (scan.problem)
        return refuse(o, *scan.problem);
    astro::Significance significance;
    if (o.sims > 0) {
        significance = service::timeOptSignificance(s, d.record.deltat, d.settings, scan, o.sims,
                                                    o.seed, line, o.workers);
        if (significance.problem)
            return refuse(o, *significance.problem);
    }
    if (!astro::allFinite(scan.scores))
        return unfinite();
    const astro::Significance* shown = o.sims > 0 ? &significance : nullptr;
    if (!writeText(o.input.output, astro::timeOptText(d, scan, shown)))
        return EXIT_ANALYSIS_FAILED;
    return o.plot.empty() || drawTimeOpt(o, d, scan, shown) ? 0 : EXIT_ANALYSIS_FAILED;
}

int runETimeOpt(const AstroOptions& o) {
    series::Series s;
    astro::TestDescription d;
    if (const int status = loadTest(o, s, d))
        return status;
    ProgressLine line(o, "windows");
    const astro::EvolutiveTimeOpt evolutive =
        service::evolutiveTimeOpt(s, d.settings, o.windowLength, o.stepLength, line, o.workers);
    if (evolutive.problem)
        return refuse(o, *evolutive.problem);
    if (!astro::allFinite(evolutive.cells))
        return unfinite();
    if (!o.map.empty() && (evolutive.centres.size() < 2 || evolutive.rates.size() < 2)) {
        complain("--map: the map needs at least 2 windows and 2 scored rates; these settings "
                 "give " +
                 std::to_string(evolutive.centres.size()) + " and " +
                 std::to_string(evolutive.rates.size()) +
                 " (shorten the window or the step, or widen the rate grid)");
        return EXIT_BAD_INPUT;
    }
    // Every window tested as the record is, when asked; then each rate flagged.
    std::vector<double> pValues;
    if (o.sims > 0) {
        ProgressLine surrogates(o, "surrogates");
        const astro::WindowSignificance sig = service::evolutiveSignificance(
            s, d.settings, evolutive, o.sims, o.seed, surrogates, o.workers);
        if (sig.problem)
            return refuse(o, *sig.problem);
        if (sig.cancelled || !astro::allFinite(sig.pValues))
            return unfinite();
        pValues = sig.pValues;
    }
    // Which cycle each window's optimum is: its F-test lines against the targets.
    service::WindowLines lines;
    if (!recordLines(o, s, d.record, static_cast<int>(evolutive.windowSamples),
                     static_cast<int>(evolutive.stepSamples), lines))
        return EXIT_BAD_INPUT;
    astro::MisfitSettings misfit;
    misfit.metresPerUnit = d.settings.metresPerUnit;
    misfit.targets = d.settings.targets;
    misfit.simulations = o.windowMisfitSims;
    misfit.seed = o.seed;
    const astro::FlaggedTrack track =
        astro::flagTrack(evolutive, pValues, o.fdr,
                         astro::evolutiveIdentity(evolutive, lines.windows, misfit), o.interval);
    if (!o.track.empty() && !writeText(o.track, astro::trackText(d, o.windowLength, o.stepLength,
                                                                 track, o.sims, o.fdr)))
        return EXIT_ANALYSIS_FAILED;
    if (!writeText(o.input.output,
                   astro::evolutiveText(d, o.windowLength, o.stepLength, evolutive)))
        return EXIT_ANALYSIS_FAILED;
    return o.map.empty() || drawEvolutiveMap(o, d, evolutive) ? 0 : EXIT_ANALYSIS_FAILED;
}

int runMisfit(const AstroOptions& o) {
    series::Series s;
    astro::MisfitDescription d;
    if (const int status = loadTest(o, s, d.test))
        return status;
    const int n = static_cast<int>(s.yval.size());
    service::WindowLines lines;
    if (!recordLines(o, s, d.test.record, n, 1, lines))
        return EXIT_BAD_INPUT;
    d.tbw = o.lineTbw;
    d.tapers = o.lineTapers;
    d.nfft = o.lineNfft > 0 ? o.lineNfft : analysis::wholeRecordTransformLength(n);
    d.level = o.lineLevel;
    d.simulations = o.misfitSims;
    d.seed = o.seed;
    astro::MisfitSettings settings;
    settings.metresPerUnit = d.test.settings.metresPerUnit;
    settings.targets = d.test.settings.targets;
    settings.simulations = o.misfitSims;
    settings.seed = o.seed;
    const astro::LineSet& record = lines.windows.front();
    const astro::MisfitScan scan =
        astro::spectralMisfit(record, astro::gridRates(d.test.settings.grid), settings);
    if (scan.problem)
        return refuse(o, *scan.problem);
    return writeText(o.input.output, astro::misfitText(d, record, scan)) ? 0 : EXIT_ANALYSIS_FAILED;
}

int runTuneSedrate(const AstroOptions& o) {
    series::Series s;
    analysis::Provenance p;
    double metres = 1;
    // An age model maps each position to its age: uneven positions need no resampling.
    if (const int status = loadRecord(o, s, p, metres, LoadFor::SeriesOnly))
        return status;
    std::string why;
    const auto text = series::readText(o.sedrateTrack, &why);
    if (!text) {
        complain("--sedrate: cannot read " + o.sedrateTrack + ": " + why);
        return EXIT_BAD_INPUT;
    }
    const auto track = tuning::readRateTrack(*text, &why, o.rateColumn);
    if (!track) {
        complain("--sedrate " + o.sedrateTrack + ": " + why);
        return EXIT_BAD_INPUT;
    }
    if (!o.input.acceptFlags)
        if (const auto flagged = tuning::flaggedRateRowsProblem(*track, "--accept-flags")) {
            complain("--sedrate " + o.sedrateTrack + ": " + *flagged);
            return EXIT_BAD_INPUT;
        }
    TuneRows rows;
    rows.option = "--sedrate";
    rows.fileName = o.sedrateTrack;
    rows.fileText = *text;
    if (const auto spread = tuning::rateSpread(*track, &rows.noIntervals))
        rows.spread = *spread;
    else
        rows.spread = tuning::pointSpread(track->track.position, track->track.rate);
    rows.how = {tuning::RowIntegral::Kind::Rate, 0, 0, metres};
    rows.quantity = "rate";
    rows.title = p.columnName;
    rows.unfinite = "the results hold numbers that are not finite; nothing was written";
    return writeTuning(o.input, s, std::move(rows),
                       tuning::sedimentationRateHeader(p, o.sedrateTrack, o.positionsIn, o.startAge,
                                                       o.tuneStep, track->column),
                       {o.positionsIn + " per kyr", 0});
}

} // namespace cli
