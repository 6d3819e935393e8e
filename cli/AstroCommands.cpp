// tonalith-cli filter, timeopt, etimeopt and tune --sedrate: the astronomical test of a record
// and what is built on it, on the record as every command prepares it.
#include "cli/AstroOptions.h"
#include "cli/Commands.h"
#include "cli/OffscreenApplication.h"

#include "Qplot/MapView.h"
#include "Qplot/plot_api.h"
#include "core/astro/AstroFiles.h"
#include "core/io/AtomicFile.h"
#include "core/series/SeriesFile.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"

#include <QWidget>

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

const char* optionOf(astro::Setting s) {
    switch (s) {
    case astro::Setting::Series:
        return nullptr;
    case astro::Setting::PositionUnit:
        return "--positions-in";
    case astro::Setting::Passband:
        return "--passband";
    case astro::Setting::PrecessionBand:
        return "--precession-band";
    case astro::Setting::SedMin:
        return "--sedmin";
    case astro::Setting::SedMax:
        return "--sedmax";
    case astro::Setting::NumSed:
        return "--numsed";
    case astro::Setting::Targets:
        return "--targets";
    case astro::Setting::WindowLength:
        return "--window-length";
    case astro::Setting::StepLength:
        return "--step-length";
    case astro::Setting::Simulations:
        return "--sims";
    case astro::Setting::RateTrack:
        return "--sedrate";
    }
    return nullptr;
}

int refuse(const AstroOptions& o, const astro::Problem& problem) {
    const char* option = optionOf(problem.setting);
    complain((option ? std::string(option) : o.input.file) + ": " + problem.text);
    return EXIT_BAD_INPUT;
}

// The record as every command prepares it, and the positions' unit in metres; the exit
// status to give up with, or 0.
int loadRecord(const AstroOptions& o, series::Series& s, analysis::Provenance& p, double& metres) {
    const auto unit = astro::metresPerUnit(o.positionsIn);
    if (!unit) {
        complain("--positions-in: '" + o.positionsIn + "' is not a unit; give m, cm or mm");
        return EXIT_BAD_INPUT;
    }
    metres = *unit;
    return loadChecked(o.input, s, p, LoadFor::SeriesOnly);
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
    return 0;
}

// Progress on a terminal: "what: done of total", redrawn in place, ended by a line feed.
class ProgressLine {
public:
    ProgressLine(const AstroOptions& o, std::string what)
        : shown_(!o.input.quiet && ::isatty(STDERR_FILENO) != 0), what_(std::move(what)) {}
    ~ProgressLine() {
        if (drawn_)
            std::fputc('\n', stderr);
    }
    void operator()(std::size_t done, std::size_t total) {
        if (!shown_)
            return;
        std::fprintf(stderr, "\r%s: %zu of %zu", what_.c_str(), done, total);
        std::fflush(stderr);
        drawn_ = true;
    }

private:
    bool shown_, drawn_ = false;
    std::string what_;
};

astro::Execution execution(const AstroOptions& o, ProgressLine& line) {
    astro::Execution e;
    e.workers = o.workers;
    e.progress = [&line](std::size_t done, std::size_t total) { line(done, total); };
    return e;
}

int unfinite() {
    complain("the results hold numbers that are not finite; nothing was written");
    return EXIT_ANALYSIS_FAILED;
}

// "file, column N (name)" for a figure's title.
std::string recordName(const analysis::Provenance& p) {
    return p.input + ", column " + std::to_string(p.column) +
           (p.columnName.empty() ? "" : " (" + p.columnName + ")");
}

bool drawTimeOpt(const AstroOptions& o, const astro::TestDescription& d,
                 const astro::TimeOptScan& scan, const astro::Significance* significance) {
    const OffscreenApplication application(o.input.quiet);
    std::vector<double> rate, envelope, power, opt;
    for (const astro::RateScore& s : scan.scores) {
        rate.push_back(s.rate);
        envelope.push_back(s.r2Envelope);
        power.push_back(s.r2Power);
        opt.push_back(s.r2Opt);
    }
    const astro::RateScore& best = scan.scores[scan.best];
    const std::string title = recordName(d.record) + ": astronomical test (TimeOpt)";
    TimeOptFigure* figure = timeOptFigureCreate(nullptr);
    timeOptFigureSetData(figure, rate.data(), envelope.data(), power.data(), opt.data(),
                         static_cast<int>(rate.size()), best.rate, best.r2Opt,
                         significance ? significance->pValue : -1.0,
                         significance ? significance->simulations : 0, title.c_str());
    char message[512] = "";
    const bool written = timeOptFigureWrite(figure, o.plot.c_str(), o.input.mapWidth,
                                            o.input.mapHeight, message, sizeof message);
    timeOptFigureDestroy(figure);
    if (!written)
        complain("cannot write the plot " + o.plot + ": " + message + " (nothing was written)");
    return written;
}

// r2_opt as the map draws it: one row per rate from the lowest, one column per window. The
// plot's matrix rows are evenly spaced in rate, so a grid evenly spaced in log(rate) is
// resampled (linearly in log(rate)) onto finely spaced rates for the logarithmic axis.
std::vector<double> mapImage(const astro::EvolutiveTimeOpt& e, bool logarithmic, int& rows) {
    const std::size_t windows = e.centres.size(), rates = e.rates.size();
    const auto cell = [&](std::size_t r, std::size_t w) { return e.cells[w * rates + r].r2Opt; };
    rows = logarithmic ? static_cast<int>(std::max<std::size_t>(1024, 8 * rates))
                       : static_cast<int>(rates);
    std::vector<double> image(static_cast<std::size_t>(rows) * windows);
    const double low = std::log(e.rates.front()), high = std::log(e.rates.back());
    for (int k = 0; k < rows; ++k) {
        double u = k;
        if (logarithmic) {
            const double rate =
                e.rates.front() + (e.rates.back() - e.rates.front()) * k / (rows - 1.0);
            u = (std::log(rate) - low) / (high - low) * static_cast<double>(rates - 1);
        }
        const std::size_t r0 = std::min(static_cast<std::size_t>(u), rates - 2);
        const double f = std::clamp(u - static_cast<double>(r0), 0.0, 1.0);
        for (std::size_t w = 0; w < windows; ++w)
            image[static_cast<std::size_t>(k) * windows + w] =
                (1 - f) * cell(r0, w) + f * cell(r0 + 1, w);
    }
    return image;
}

bool drawEvolutiveMap(const AstroOptions& o, const astro::TestDescription& d,
                      const astro::EvolutiveTimeOpt& e,
                      const std::vector<astro::TrackPoint>& track) {
    const OffscreenApplication application(o.input.quiet);
    int rows = 0;
    const std::vector<double> image = mapImage(e, !o.grid.linear, rows);
    Plot* plot = plotCreate(nullptr);
    reinterpret_cast<QWidget*>(plot)->resize(1200, 800);
    const std::string title = recordName(d.record) + ": evolutive astronomical test, r2_opt";
    plotSetDocumentTitle(plot, ("Tonalith: " + title).c_str());
    plotSetPositionUnit(plot, d.record.positionName.c_str());
    plotSetFrequencyAxis(plot, false, !o.grid.linear);
    plotSetAxisTitle(plot, PLOT_Y_LEFT, "Sedimentation rate (cm/kyr)");
    MapStyle style;
    style.colorMap = o.input.colours;
    style.colourBarTitle = "r2_opt";
    style.reverseX = o.input.reverseX;
    mapShow(plot,
            {image.data(), image.data(), static_cast<int64_t>(image.size()),
             static_cast<int>(e.centres.size()), e.centres.front(), e.centres.back(),
             e.rates.front(), e.rates.back()},
            false, style);
    std::vector<double> x, rate;
    for (const astro::TrackPoint& p : track) {
        x.push_back(p.centre);
        rate.push_back(p.rate);
    }
    plotSetTrace(plot, x.data(), rate.data(), nullptr, static_cast<int>(x.size()), 0);
    char message[512] = "";
    const bool written = plotWriteFigure(plot, o.map.c_str(), o.input.mapWidth, o.input.mapHeight,
                                         message, sizeof message);
    plotDestroy(plot);
    if (!written)
        complain("cannot write the map " + o.map + ": " + message + " (nothing was written)");
    return written;
}

} // namespace

int runFilter(const AstroOptions& o) {
    series::Series s;
    analysis::Provenance p;
    if (const int status = loadChecked(o.input, s, p, LoadFor::SeriesOnly))
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
    double metres = 1;
    if (const int status = loadRecord(o, s, d.record, metres))
        return status;
    if (const int status = testSettings(o, metres, d))
        return status;
    ProgressLine line(o, "simulations");
    const astro::Execution e = execution(o, line);
    const astro::TimeOptScan scan = astro::timeOpt(s.yval, d.record.deltat, d.settings, e);
    if (scan.problem)
        return refuse(o, *scan.problem);
    astro::Significance significance;
    if (o.sims > 0) {
        significance =
            astro::significance(s.yval, d.record.deltat, d.settings, scan, o.sims, o.seed, e);
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
    double metres = 1;
    if (const int status = loadRecord(o, s, d.record, metres))
        return status;
    if (const int status = testSettings(o, metres, d))
        return status;
    ProgressLine line(o, "windows");
    const astro::EvolutiveTimeOpt evolutive = astro::evolutiveTimeOpt(
        s.xpos, s.yval, d.settings, o.windowLength, o.stepLength, execution(o, line));
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
    const std::vector<astro::TrackPoint> track = astro::optimumTrack(evolutive);
    if (!o.track.empty() &&
        !writeText(o.track, astro::trackText(d, o.windowLength, o.stepLength, track)))
        return EXIT_ANALYSIS_FAILED;
    if (!writeText(o.input.output,
                   astro::evolutiveText(d, o.windowLength, o.stepLength, evolutive)))
        return EXIT_ANALYSIS_FAILED;
    return o.map.empty() || drawEvolutiveMap(o, d, evolutive, track) ? 0 : EXIT_ANALYSIS_FAILED;
}

int runTuneSedrate(const AstroOptions& o) {
    series::Series s;
    analysis::Provenance p;
    double metres = 1;
    if (const int status = loadRecord(o, s, p, metres))
        return status;
    std::string why;
    const auto text = series::readText(o.sedrateTrack, &why);
    if (!text) {
        complain("--sedrate: cannot read " + o.sedrateTrack + ": " + why);
        return EXIT_BAD_INPUT;
    }
    const auto track = tuning::readRateTrack(*text, &why);
    if (!track) {
        complain("--sedrate " + o.sedrateTrack + ": " + why);
        return EXIT_BAD_INPUT;
    }
    const tuning::AgeModel model =
        tuning::sedimentationAgeModel(s.xpos, track->track, metres, o.startAge);
    const tuning::TunedSeries tuned = tuning::tunedSeries(model, s.yval, o.tuneStep);
    if (!tuning::tuningFinite(model, tuned))
        return unfinite();
    const std::string block =
        tuning::sedimentationRateHeader(p, o.sedrateTrack, o.positionsIn, o.startAge, o.tuneStep);
    if (!o.model.empty() && !writeText(o.model, tuning::ageModelText(block, model)))
        return EXIT_ANALYSIS_FAILED;
    return writeText(o.input.output, tuning::tunedSeriesText(block, tuned, p.columnName))
               ? 0
               : EXIT_ANALYSIS_FAILED;
}

} // namespace cli
