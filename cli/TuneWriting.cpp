#include "cli/TuneWriting.h"

#include "cli/Commands.h"
#include "core/io/AtomicFile.h"
#include "core/service/CycleReadings.h"
#include "core/tuning/AgeBandText.h"
#include "core/tuning/RowIntervals.h"

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

bool writeText(const std::string& path, const std::string& text) {
    std::string why;
    if (!io::AtomicFile::writeWhole(path, text, &why)) {
        complain(why);
        return false;
    }
    return true;
}

bool allFinite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

bool ensembleFinite(const tuning::AgeEnsemble& e) {
    for (const std::vector<double>* v : {&e.band.low, &e.band.median, &e.band.high})
        if (!allFinite(*v))
            return false;
    for (const std::vector<double>& m : e.members)
        if (!allFinite(m))
            return false;
    return std::isfinite(e.duration) && std::isfinite(e.durationLow) &&
           std::isfinite(e.durationHigh);
}

// The rows' intervals and window, checked, when an ensemble is asked for; the exit status to
// give up with, or 0.
int readyToDraw(const TuneEnsembleOptions& e, const series::Series& s, TuneRows& rows) {
    if (!rows.noIntervals.empty()) {
        complain(rows.option + " " + rows.fileName + ": " + rows.noIntervals +
                 "; make it again with this version, or give --ensemble 0");
        return EXIT_BAD_INPUT;
    }
    if (const auto tooLarge = tuning::ensembleTooLarge(s.xpos.size(), e.members)) {
        complain("--ensemble: " + *tooLarge);
        return EXIT_BAD_INPUT;
    }
    double window = e.windowLength;
    if (!(window > 0)) {
        const auto stated = tuning::rowWindowLength(rows.fileText);
        if (!stated) {
            complain("--window-length: the '#' block of " + rows.fileName +
                     " states no window; give the length, in position units, of the windows its "
                     "rows were measured in");
            return EXIT_BAD_INPUT;
        }
        window = *stated;
    }
    rows.spread.windowLength = window;
    if (const auto problem = tuning::checkSpread(rows.spread)) {
        complain(rows.option + " " + rows.fileName + ": " + *problem);
        return EXIT_BAD_INPUT;
    }
    return 0;
}

} // namespace

int writeTuning(const AnalyzeOptions& o, const series::Series& s, TuneRows rows,
                results::HeaderBlock block, tuning::AgeModelTable table) {
    const TuneEnsembleOptions& e = o.ensemble;
    tuning::EnsembleSettings settings;
    settings.members = e.members;
    settings.seed = e.seed;
    settings.probability = e.interval;
    settings.startAge = o.startAge;
    settings.anchors = e.anchors;
    settings.keepMembers = !e.file.empty();
    if (const auto problem = tuning::checkAnchors(settings.anchors, s.xpos)) {
        complain("--anchor: " + *problem);
        return EXIT_BAD_INPUT;
    }
    if (e.members > 0) {
        if (const int status = readyToDraw(e, s, rows))
            return status;
        if (rows.how.kind == tuning::RowIntegral::Kind::Frequency) {
            service::Execution execution;
            execution.diagnostics = stderr;
            execution.quiet = o.quiet;
            rows.spread =
                service::withTraceReadings(s.xpos, s.yval, std::move(rows.spread), rows.how.period,
                                           rows.how.metresPerUnit, execution);
        }
    }
    if (!(rows.spread.windowLength > 0)) // for the hiatuses' stretches, where it is stated
        rows.spread.windowLength = tuning::rowWindowLength(rows.fileText).value_or(0.0);
    const tuning::AgeEnsemble model = tuning::ageEnsemble(s.xpos, rows.spread, rows.how, settings);
    if (model.problem) {
        complain("--anchor: " + *model.problem);
        return EXIT_BAD_INPUT;
    }
    const tuning::TunedSeries tuned = tuning::tunedSeries(model.central, s.yval, o.tuneStep);
    if (!tuning::tuningFinite(model.central, tuned) || !ensembleFinite(model)) {
        complain(rows.unfinite);
        return EXIT_ANALYSIS_FAILED;
    }
    const tuning::EnsembleDescription d = tuning::describedEnsemble(
        rows.spread, rows.how, settings, tuning::possibleHiatuses(rows.spread, rows.quantity));
    tuning::describeEnsemble(block, d, model);
    table.band = &model.band;
    if (!o.model.empty() && !writeText(o.model, tuning::ageModelText(block, model.central, table)))
        return EXIT_ANALYSIS_FAILED;
    if (!e.file.empty() && !writeText(e.file, tuning::ensembleMembersText(block, model)))
        return EXIT_ANALYSIS_FAILED;
    const std::string out = tuning::tunedSeriesText(block, tuned, rows.title);
    return writeText(o.output, out) ? 0 : EXIT_ANALYSIS_FAILED;
}

} // namespace cli
