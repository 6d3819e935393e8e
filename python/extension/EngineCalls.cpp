#include "python/extension/EngineCalls.h"

#include "engine/mwc2.h"
#include "python/extension/InterruptibleRun.h"

#include <stdexcept>

namespace pymodule {

namespace {

// Significance level (percent) of the engine's auxiliary records: the tool's default.
constexpr int recordLevel = 95;

void throwOnFailure(int status) {
    if (status != 0)
        throw std::runtime_error(engine::mwc2FailureText(status));
}

} // namespace

results::ResultSet evolutiveAnalysis(analysis::PreparedRun run, const analysis::RunRequest& request,
                                     int workers) {
    const analysis::RunParameters& q = request.params;
    results::ResultSet r;
    r.provenance = run.provenance;
    r.windows = analysis::windowCount(q, r.provenance.samples);
    r.bins = analysis::binCount(q);
    const std::size_t cells =
        static_cast<std::size_t>(r.windows) * static_cast<std::size_t>(r.bins);
    r.xcent.assign(cells, 0.0);
    r.freq.assign(cells, 0.0);
    r.ampl.assign(cells, 0.0);
    r.prob.assign(cells, 0.0);
    r.positions = std::move(run.series.xpos);
    r.values = std::move(run.series.yval);

    int status = 0;
    runInterruptibly([&](const std::atomic<bool>& cancel) {
        engine::Mwc2Execution execution;
        execution.workers = workers;
        execution.cancel = &cancel;
        status =
            engine::mwc2x(execution, r.xcent.data(), r.freq.data(), r.ampl.data(), r.prob.data(),
                          r.positions.data(), q.tbw, q.fmax, r.provenance.deltat, r.values.data(),
                          request.keepMean ? 0 : 1, r.provenance.samples, q.kspec, q.mpts, q.inc,
                          q.nfft, recordLevel, nullptr, nullptr);
    });
    throwOnFailure(status);
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
    runInterruptibly([&](const std::atomic<bool>& cancel) {
        spectrum::WholeRecordRequest request = q;
        request.cancel = &cancel;
        r = spectrum::wholeRecordSpectrum(run.series.xpos, run.series.yval, p.deltat, request);
    });
    throwOnFailure(r.status);
    return r;
}

} // namespace pymodule
