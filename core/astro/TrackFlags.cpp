#include "core/astro/TrackFlags.h"

#include "core/astro/CycleIdentity.h"

#include "core/results/FalseDiscovery.h"
#include "core/tuning/RowIntervals.h"

#include <algorithm>
#include <cmath>

namespace astro {

namespace {

// The grid's step at rate index i (towards the next rate, or the previous at the top).
double gridStep(const std::vector<double>& rates, std::size_t i) {
    if (rates.size() < 2)
        return 0;
    return i + 1 < rates.size() ? rates[i + 1] - rates[i] : rates[i] - rates[i - 1];
}

} // namespace

const RateMode* FlaggedTrack::mode(std::size_t w) const {
    return w < intervals.size() ? intervals[w].holding(identifiedRate(w)) : nullptr;
}

FlaggedTrack flagTrack(const EvolutiveTimeOpt& e, const std::vector<double>& pValues, double fdr,
                       std::vector<CycleIdentity> identities, double probability) {
    FlaggedTrack t;
    t.points = optimumTrack(e);
    t.intervals = evolutiveIntervals(e, probability);
    t.pValues = pValues;
    t.identities = std::move(identities);
    const std::size_t windows = t.points.size(), rates = e.rates.size();
    t.significant = pValues.size() == windows ? results::benjaminiHochberg(pValues, fdr)
                                              : std::vector<bool>(windows, false);
    // The index of each window's optimum on the grid.
    std::vector<std::size_t> best(windows, 0);
    for (std::size_t w = 0; w < windows; ++w)
        best[w] = static_cast<std::size_t>(
            std::lower_bound(e.rates.begin(), e.rates.end(), t.points[w].rate) - e.rates.begin());
    for (std::size_t w = 0; w < windows; ++w) {
        const double rate = t.points[w].rate, top = t.points[w].r2Opt;
        const auto cell = [&](std::size_t r) { return e.cells[w * rates + r].r2Opt; };
        bool edge = rates > 1 && (best[w] == 0 || best[w] + 1 == rates);
        bool alias = false;
        for (std::size_t r = 0; r < rates && !alias; ++r) {
            const bool peak =
                (r == 0 || cell(r) >= cell(r - 1)) && (r + 1 == rates || cell(r) >= cell(r + 1));
            alias = r != best[w] && peak && cell(r) >= top / 2 && aliasRatio(e.rates[r], rate);
        }
        // The lines alone, significantly, at least 1.7 times faster or slower than the rate
        // identified: the two tests disagree by about a cycle's factor.
        if (w < t.identities.size() && t.identities[w].linesRate) {
            const double a = *t.identities[w].linesRate, b = t.identifiedRate(w);
            alias = alias || std::max(a, b) / std::min(a, b) >= aliasLow;
        }
        bool jump = false;
        for (const std::size_t n : {w - 1, w + 1}) {
            if (n >= windows) // w - 1 wraps around for the first window
                continue;
            const double other = t.points[n].rate;
            alias = alias || (t.significant[n] && aliasRatio(rate, other));
            const double allowed =
                std::max(jumpShare * other, jumpSteps * gridStep(e.rates, best[n]));
            jump = jump || std::fabs(rate - other) > allowed;
        }
        using tuning::RateFlag;
        t.flags.push_back(edge                ? RateFlag::Edge
                          : alias             ? RateFlag::Alias
                          : jump              ? RateFlag::Jump
                          : !t.significant[w] ? RateFlag::Weak
                                              : RateFlag::Ok);
    }
    return t;
}

std::optional<tuning::RowSpread> trackSpread(const FlaggedTrack& t, double windowLength,
                                             std::string* why) {
    const double none = std::nan("");
    std::vector<double> position, value, low, high, share;
    for (std::size_t w = 0; w < t.points.size(); ++w) {
        const RateMode* m = t.mode(w);
        position.push_back(t.points[w].centre);
        value.push_back(t.identifiedRate(w));
        low.push_back(m ? m->low : none);
        high.push_back(m ? m->high : none);
        share.push_back(m ? m->share : none);
    }
    auto s = tuning::spreadFrom(position, value,
                                {{"rate_low", low}, {"rate_high", high}, {"mode_share", share}},
                                "rate_low", "rate_high", "track", why);
    if (!s)
        return std::nullopt;
    s->windowLength = windowLength;
    if (!t.intervals.empty())
        s->probability = t.intervals.front().probability;
    s->others.resize(t.points.size());
    for (std::size_t w = 0; w < t.points.size() && w < t.intervals.size(); ++w)
        for (const RateMode& m : t.intervals[w].modes)
            if (&m != t.mode(w))
                s->others[w].push_back({m.peak, m.low, m.high, m.share});
    return s;
}

} // namespace astro
