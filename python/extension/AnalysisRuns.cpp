#include "python/extension/AnalysisRuns.h"

#include "core/astro/AstroFiles.h"
#include "core/io/Folders.h"
#include "core/service/AnalysisService.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/InterruptibleRun.h"

#include <stdexcept>

namespace py = pybind11;

namespace pymodule {

namespace {

// How every run of the module is carried out: the engine's diagnostic lines would clutter a
// script's output, and its records list the lines at the tool's default level.
service::Execution quietExecution(int workers, const std::string& records) {
    service::Execution e;
    e.workers = workers;
    e.quiet = true;
    e.recordsFolder = records;
    return e;
}

void throwOnFailure(const service::RunOutcome& outcome) {
    if (outcome.end == service::RunEnd::Failed)
        throw std::runtime_error(outcome.problem);
}

// The tool's words for results it will not write.
void throwUnlessFinite(bool finite) {
    if (!finite)
        throw std::runtime_error("the results hold numbers that are not finite");
}

} // namespace

std::string recordsArgument(const pybind11::object& records) {
    namespace py = pybind11;
    if (records.is_none()) {
        std::string cache = io::userCacheFolder("tonalith");
        if (cache.empty())
            throw py::value_error("records: the user's cache folder is not known (neither "
                                  "XDG_CACHE_HOME nor HOME is set); give a folder");
        if (const auto problem = io::ensureFolder(cache))
            throw py::value_error("records: " + cache + ": " + *problem);
        return cache;
    }
    std::string folder = py::str(py::module_::import("os").attr("fspath")(records));
    if (const auto problem = io::folderProblem(folder))
        throw py::value_error("records: " + folder + ": " + *problem);
    return folder;
}

results::ResultSet evolutiveAnalysis(const analysis::PreparedRun& run, int workers,
                                     const std::string& records) {
    results::ResultSet r;
    r.provenance = run.provenance;
    service::RunOutcome outcome;
    runInterruptibly([&](service::RunControl& control) {
        outcome = service::analyseMap(run.series, r, control, quietExecution(workers, records));
    });
    throwOnFailure(outcome);
    return r;
}

spectrum::WholeRecord wholeRecordAnalysis(const analysis::PreparedRun& run, bool keepMean,
                                          spectrum::BackgroundKind background,
                                          const std::string& records) {
    const analysis::Provenance& p = run.provenance;
    spectrum::WholeRecordRequest q;
    q.tbw = p.params.tbw;
    q.tapers = p.params.tapers;
    q.nfft = p.params.nfft;
    q.fmax = p.params.fmax;
    q.keepMean = keepMean;
    q.windowDetrend = p.params.windowDetrend;
    q.background = background;
    spectrum::WholeRecord r;
    service::RunOutcome outcome;
    runInterruptibly([&](service::RunControl& control) {
        outcome =
            service::analyseWholeRecord(run.series, p, q, r, control, quietExecution(0, records));
    });
    throwOnFailure(outcome);
    return r;
}

TimeOptRun timeOptRun(const analysis::PreparedRun& run, const astro::TimeOptSettings& settings,
                      int simulations, std::uint64_t seed, int workers) {
    const double spacing = run.provenance.deltat;
    TimeOptRun out;
    runInterruptibly([&](service::RunControl& control) {
        out.scan = service::timeOpt(run.series, spacing, settings, control, workers);
        if (!out.scan.problem && simulations > 0)
            out.significance = service::timeOptSignificance(run.series, spacing, settings, out.scan,
                                                            simulations, seed, control, workers);
    });
    if (out.scan.problem)
        refuse(*out.scan.problem);
    if (simulations > 0 && out.significance.problem)
        refuse(*out.significance.problem);
    throwUnlessFinite(astro::allFinite(out.scan.scores));
    return out;
}

astro::EvolutiveTimeOpt evolutiveRun(const analysis::PreparedRun& run,
                                     const astro::TimeOptSettings& settings, double windowLength,
                                     double stepLength, int workers) {
    astro::EvolutiveTimeOpt e;
    runInterruptibly([&](service::RunControl& control) {
        e = service::evolutiveTimeOpt(run.series, settings, windowLength, stepLength, control,
                                      workers);
    });
    if (e.problem)
        refuse(*e.problem);
    throwUnlessFinite(astro::allFinite(e.cells));
    return e;
}

std::vector<double> windowSignificanceRun(const analysis::PreparedRun& run,
                                          const astro::TimeOptSettings& settings,
                                          const astro::EvolutiveTimeOpt& e, int simulations,
                                          std::uint64_t seed, int workers) {
    astro::WindowSignificance sig;
    runInterruptibly([&](service::RunControl& control) {
        sig = service::evolutiveSignificance(run.series, settings, e, simulations, seed, control,
                                             workers);
    });
    if (sig.problem)
        refuse(*sig.problem);
    throwUnlessFinite(astro::allFinite(sig.pValues));
    return sig.pValues;
}

service::Execution moduleExecution() {
    return quietExecution(0, recordsArgument(py::none()));
}

service::WindowLines linesRun(const analysis::PreparedRun& run, const analysis::RunParameters& q,
                              const results::LineRule& rule) {
    // The engine's records of these runs go where the module's do by default.
    const std::string records = recordsArgument(py::none());
    service::WindowLines lines;
    runInterruptibly([&](service::RunControl& control) {
        lines = service::analyseLines(run.series, run.provenance, q, rule, control,
                                      quietExecution(0, records));
    });
    if (lines.outcome.end == service::RunEnd::Failed)
        throw py::value_error(lines.outcome.problem);
    return lines;
}

} // namespace pymodule
