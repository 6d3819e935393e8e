#include "python/extension/AnalysisRuns.h"

#include "core/service/AnalysisService.h"
#include "python/extension/InterruptibleRun.h"

#include <stdexcept>

namespace pymodule {

namespace {

// How every run of the module is carried out: the engine's diagnostic lines would clutter a
// script's output, and its records list the lines at the tool's default level.
service::Execution quietExecution(int workers) {
    service::Execution e;
    e.workers = workers;
    e.quiet = true;
    return e;
}

void throwOnFailure(const service::RunOutcome& outcome) {
    if (outcome.end == service::RunEnd::Failed)
        throw std::runtime_error(outcome.problem);
}

} // namespace

results::ResultSet evolutiveAnalysis(const analysis::PreparedRun& run, int workers) {
    results::ResultSet r;
    r.provenance = run.provenance;
    service::RunOutcome outcome;
    runInterruptibly([&](service::RunControl& control) {
        outcome = service::analyseMap(run.series, r, control, quietExecution(workers));
    });
    throwOnFailure(outcome);
    return r;
}

spectrum::WholeRecord wholeRecordAnalysis(const analysis::PreparedRun& run, bool keepMean,
                                          spectrum::BackgroundKind background) {
    const analysis::Provenance& p = run.provenance;
    spectrum::WholeRecordRequest q;
    q.tbw = p.params.tbw;
    q.kspec = p.params.kspec;
    q.nfft = p.params.nfft;
    q.fmax = p.params.fmax;
    q.keepMean = keepMean;
    q.background = background;
    spectrum::WholeRecord r;
    service::RunOutcome outcome;
    runInterruptibly([&](service::RunControl& control) {
        outcome = service::analyseWholeRecord(run.series, p, q, r, control, quietExecution(0));
    });
    throwOnFailure(outcome);
    return r;
}

} // namespace pymodule
