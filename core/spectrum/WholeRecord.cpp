#include "core/spectrum/WholeRecord.h"

#include "core/spectrum/MultitaperSpectrum.h"
#include "engine/mwc2.h"

#include <numeric>
#include <stdexcept>

namespace spectrum {

void completeWholeRecord(WholeRecord& r, const std::vector<double>& y, double dt,
                         const WholeRecordRequest& q, const std::vector<double>& tapers,
                         const std::vector<double>& ratios) {
    const int n = static_cast<int>(y.size());
    const int bins = static_cast<int>(r.frequency.size());
    std::vector<double> analysed = y;
    if (!q.keepMean) {
        const double mean = std::accumulate(y.begin(), y.end(), 0.0) / n;
        for (double& v : analysed)
            v -= mean;
    }
    engine::removeWindowTrend(analysed.data(), n,
                              static_cast<engine::WindowDetrend>(q.windowDetrend));
    AdaptiveSpectrum s = adaptiveSpectrum(analysed.data(), n, dt, tapers.data(), n, ratios.data(),
                                          q.tapers, q.nfft, bins);
    r.power = std::move(s.power);
    r.dof = std::move(s.dof);
    r.iterations = s.iterations;
    r.converged = s.converged;
    r.rhoSeries = lagOneAutocorrelation(analysed.data(), n);
    r.halfBandwidth = q.tbw / (n * dt);
    const bool line = q.windowDetrend == analysis::WindowDetrend::Linear;
    const bool mean = !q.keepMean || q.windowDetrend == analysis::WindowDetrend::Mean;
    r.expected = std::make_shared<ExpectedPower>(tapers, ratios, n, q.nfft, bins,
                                                 line   ? Removed::Line
                                                 : mean ? Removed::Mean
                                                        : Removed::Nothing,
                                                 q.tbw);
    refitBackground(r, q.background, dt);
}

void refitBackground(WholeRecord& r, BackgroundKind kind, double dt) {
    if (!r.expected)
        throw std::invalid_argument("refitBackground: the spectrum was not completed");
    r.background = fitBackground(kind, r.frequency, r.power, r.dof, r.rhoSeries, dt,
                                 r.halfBandwidth, *r.expected);
}

double unreliableBelow(const WholeRecord& r) {
    const std::vector<unsigned char>& reliable = r.background.reliable;
    for (std::size_t i = 0; i < reliable.size() && i < r.frequency.size(); ++i)
        if (reliable[i])
            return r.frequency[i];
    return r.frequency.empty() ? 0.0 : r.frequency.back();
}

std::vector<bool> passesBoth(const WholeRecord& r, double level) {
    std::vector<bool> pass(r.power.size(), false);
    for (std::size_t i = 0; i < pass.size() && i < r.background.level95.size(); ++i)
        pass[i] = r.probability[i] >= level && r.probability[i] <= 1.0 &&
                  r.power[i] > r.background.level95[i] && r.background.reliable[i];
    return pass;
}

} // namespace spectrum
