#include "core/astro/SpectralMisfit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

namespace astro {

namespace {

// The distance from f to the nearest of the sorted frequencies (not empty).
double nearest(const std::vector<double>& sorted, double f) {
    const auto above = std::lower_bound(sorted.begin(), sorted.end(), f);
    double d = std::numeric_limits<double>::infinity();
    if (above != sorted.end())
        d = *above - f;
    if (above != sorted.begin())
        d = std::min(d, f - *(above - 1));
    return d;
}

// One kind of target (eccentricity, obliquity or precession): its frequencies, cycles per kyr,
// resolvable at the rate. An optional group counts only where one of its targets has a line
// within the half-bandwidth.
struct Group {
    std::vector<double> frequencies;
    bool optional;
};

// The misfit of line frequencies (sorted, cycles per position unit) at one rate, where
// `perKyr` turns cycles per position unit into cycles per kyr; `scored`: whether enough counted
// (two targets; with every group optional, two groups).
struct Fit {
    double misfit = 0;
    bool scored = false;
};
Fit fitAt(const std::vector<double>& lines, double perKyr, const std::vector<Group>& groups,
          double halfBandwidth, bool everyGroupOptional) {
    double sum = 0;
    int counted = 0, present = 0;
    for (const Group& g : groups) {
        double groupSum = 0;
        bool near = false;
        for (const double f : g.frequencies) {
            const double d = nearest(lines, f / perKyr) * perKyr;
            groupSum += d * d;
            near = near || d <= halfBandwidth * perKyr;
        }
        if (g.frequencies.empty() || ((g.optional || everyGroupOptional) && !near))
            continue;
        ++present;
        sum += groupSum;
        counted += static_cast<int>(g.frequencies.size());
    }
    return {counted > 0 ? std::sqrt(sum / counted) : 0.0,
            everyGroupOptional ? present >= 2 : counted >= 2};
}

} // namespace

MisfitScan spectralMisfit(const LineSet& lines, const std::vector<double>& rates,
                          const MisfitSettings& s) {
    MisfitScan scan;
    const double rayleigh = 1 / lines.span, nyquist = 0.5 / lines.spacing;
    std::vector<double> observed;
    for (const double f : lines.frequencies)
        if (f >= rayleigh && f <= nyquist)
            observed.push_back(f);
    std::sort(observed.begin(), observed.end());
    if (observed.empty()) {
        scan.problem = Problem{std::nullopt, "no line between the record's Rayleigh and Nyquist "
                                             "frequencies reaches the level: lower the level"};
        return scan;
    }
    // The random line sets, drawn once in position frequency and put into time at each rate;
    // each set's generator is seeded by (seed, stream, set) alone.
    const std::size_t sets = static_cast<std::size_t>(std::max(s.simulations, 0));
    std::vector<std::vector<double>> random(sets, std::vector<double>(observed.size()));
    for (std::size_t i = 0; i < sets; ++i) {
        std::seed_seq sequence{
            static_cast<std::uint32_t>(s.seed),   static_cast<std::uint32_t>(s.seed >> 32),
            static_cast<std::uint32_t>(s.stream), static_cast<std::uint32_t>(s.stream >> 32),
            static_cast<std::uint32_t>(i),        static_cast<std::uint32_t>(i >> 32)};
        std::mt19937_64 generator(sequence);
        std::uniform_real_distribution<double> uniform(rayleigh, nyquist);
        for (double& f : random[i])
            f = uniform(generator);
        std::sort(random[i].begin(), random[i].end());
    }
    for (const double rate : rates) {
        const double perKyr = rate / (100 * s.metresPerUnit);
        std::vector<Group> groups;
        const auto add = [&](const std::vector<double>& periods, bool optional) {
            Group g{{}, optional};
            for (const double p : periods)
                if (1 / p >= rayleigh * perKyr && 1 / p <= nyquist * perKyr)
                    g.frequencies.push_back(1 / p);
            groups.push_back(g);
        };
        add(s.targets.eccentricity, false);
        add(s.targets.obliquity, true);
        add(s.targets.precession, false);
        const bool everyOptional = s.missingNeverCounts;
        const Fit fit = fitAt(observed, perKyr, groups, lines.halfBandwidth, everyOptional);
        if (!fit.scored)
            continue;
        std::size_t reaching = 0;
        for (const auto& set : random) {
            const Fit chance = fitAt(set, perKyr, groups, lines.halfBandwidth, everyOptional);
            reaching += chance.scored && chance.misfit <= fit.misfit ? 1 : 0;
        }
        scan.rows.push_back({rate, fit.misfit, (1.0 + reaching) / (sets + 1.0)});
    }
    if (scan.rows.empty()) {
        scan.problem =
            Problem{analysis::ParameterId::SedMin,
                    "no trial rate puts two astronomical targets near the lines between "
                    "the record's Rayleigh and Nyquist frequencies: widen the rate grid"};
        return scan;
    }
    for (std::size_t r = 1; r < scan.rows.size(); ++r) {
        const MisfitRow &a = scan.rows[r], &b = scan.rows[scan.best];
        if (a.pNull < b.pNull || (a.pNull == b.pNull && a.misfit < b.misfit))
            scan.best = r;
    }
    scan.bestCorrected = correctedNull(scan, scan.rows[scan.best]);
    return scan;
}

const MisfitRow* misfitAt(const MisfitScan& scan, double rate) {
    const auto it = std::find_if(scan.rows.begin(), scan.rows.end(),
                                 [&](const MisfitRow& r) { return r.rate == rate; });
    return it == scan.rows.end() ? nullptr : &*it;
}

double correctedNull(const MisfitScan& scan, const MisfitRow& row) {
    return std::min(1.0, row.pNull * static_cast<double>(scan.rows.size()));
}

} // namespace astro
