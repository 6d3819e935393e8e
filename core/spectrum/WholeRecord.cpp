#include "core/spectrum/WholeRecord.h"

#include "core/spectrum/MultitaperSpectrum.h"
#include "engine/mwc2.h"

#include <numeric>

namespace spectrum {

WholeRecord wholeRecordSpectrum(const std::vector<double>& x, const std::vector<double>& y,
                                double dt, const WholeRecordRequest& q) {
    WholeRecord r;
    const int n = static_cast<int>(y.size());
    const int bins = engine::mwc2Bins(q.nfft, q.fmax);
    std::vector<double> centre(bins), tapers, ratios;
    r.frequency.assign(bins, 0.0);
    r.amplitude.assign(bins, 0.0);
    r.probability.assign(bins, 0.0);
    engine::Mwc2Execution execution;
    execution.cancel = q.cancel;
    execution.tapersOut = &tapers;
    execution.ratiosOut = &ratios;
    execution.windowDetrend = q.windowDetrend;
    r.status = engine::mwc2x(execution, centre.data(), r.frequency.data(), r.amplitude.data(),
                             r.probability.data(), x.data(), q.tbw, q.fmax, dt, y.data(),
                             q.keepMean ? 0 : 1, n, q.kspec, n, 1, q.nfft, 95, nullptr, nullptr);
    if (r.status != 0)
        return r;
    if (q.cancel && q.cancel->load()) {
        r.status = static_cast<int>(engine::Mwc2Status::Cancelled);
        return r;
    }

    std::vector<double> analysed = y;
    if (!q.keepMean) {
        const double mean = std::accumulate(y.begin(), y.end(), 0.0) / n;
        for (double& v : analysed)
            v -= mean;
    }
    engine::removeWindowTrend(analysed.data(), n, q.windowDetrend);
    AdaptiveSpectrum s = adaptiveSpectrum(analysed.data(), n, dt, tapers.data(), n, ratios.data(),
                                          q.kspec, q.nfft, bins);
    r.power = std::move(s.power);
    r.dof = std::move(s.dof);
    r.iterations = s.iterations;
    r.converged = s.converged;
    const double rho = lagOneAutocorrelation(analysed.data(), n);
    r.background =
        fitBackground(q.background, r.frequency, r.power, r.dof, rho, dt, q.tbw / (n * dt));
    return r;
}

std::vector<bool> passesBoth(const WholeRecord& r, double level) {
    std::vector<bool> pass(r.power.size(), false);
    for (std::size_t i = 0; i < pass.size() && i < r.background.level95.size(); ++i)
        pass[i] = r.probability[i] >= level && r.probability[i] <= 1.0 &&
                  r.power[i] > r.background.level95[i];
    return pass;
}

} // namespace spectrum
