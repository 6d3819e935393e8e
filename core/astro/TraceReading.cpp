#include "core/astro/TraceReading.h"

#include "core/astro/CycleIdentity.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace astro {

namespace {

// A reading's neighbourhood: rates within this factor of it (cycles at the alias ratio, 1.7 or
// more apart, keep theirs apart).
constexpr double near = 1.25;
// The least probability about a reading for it to count: where the posterior holds its mass at
// neither reading (a window across a step), neither is preferred.
constexpr double least = 0.05;

// The known rate of largest likelihood from `from` to `to` (`from` when none lies there).
double peakRate(const std::vector<RateLikelihood>& l, double from, double to) {
    double rate = from, best = -std::numeric_limits<double>::infinity();
    for (const RateLikelihood& q : l)
        if (q.rate >= from && q.rate <= to && q.logLikelihood > best) {
            best = q.logLikelihood;
            rate = q.rate;
        }
    return rate;
}

// "23.6-kyr precession", by the target's kind.
std::string cycleWords(double period, const Targets& targets) {
    const std::string name = cycleName(1 / period, 1e-9, targets);
    const std::string kind = name[0] == 'e'   ? " eccentricity"
                             : name[0] == 'o' ? " obliquity"
                             : name[0] == 'p' ? " precession"
                                              : "";
    return text::displayNumber(period, 3) + "-kyr" + kind;
}

std::string readingsText(const std::vector<CycleReading>& r, double period,
                         const Targets& targets) {
    std::string runs;
    std::size_t shown = 0;
    for (std::size_t i = 0; i < r.size();) {
        std::size_t j = i;
        while (j + 1 < r.size() && r[j + 1].row == r[j].row + 1 &&
               cycleName(1 / r[j + 1].period, 1e-9, targets) ==
                   cycleName(1 / r[i].period, 1e-9, targets))
            ++j;
        if (++shown <= 4)
            runs += (runs.empty() ? "" : "; ") + std::string("at ") +
                    text::displayNumber(r[i].position) +
                    (j > i ? " to " + text::displayNumber(r[j].position) : "") + " as " +
                    cycleWords(r[i].period, targets);
        i = j + 1;
    }
    if (shown > 4)
        runs += "; ...";
    return std::to_string(r.size()) + (r.size() == 1 ? " row" : " rows") +
           " read as another cycle than " + text::displayNumber(period) + " (" + runs +
           "): there the astronomical test's posterior for the rate in the row's window prefers "
           "that reading; drawn at either reading, half the models each";
}

} // namespace

std::vector<CycleReading> readTracedCycle(const std::vector<double>& position,
                                          const std::vector<double>& frequency,
                                          const EvolutiveTimeOpt& e, double period,
                                          double metresPerUnit, const Targets& targets) {
    std::vector<CycleReading> found;
    if (e.centres.empty() || e.likelihoods.size() != e.centres.size())
        return found;
    for (std::size_t i = 0; i < position.size() && i < frequency.size(); ++i) {
        if (!(frequency[i] > 0))
            continue;
        const auto nearest =
            std::min_element(e.centres.begin(), e.centres.end(), [&](double a, double b) {
                return std::fabs(a - position[i]) < std::fabs(b - position[i]);
            });
        const std::vector<RateLikelihood>& posterior =
            e.likelihoods[static_cast<std::size_t>(nearest - e.centres.begin())];
        // The posterior's probability of the rates within a factor `near` of r: the readings'
        // neighbourhoods, apart between cycles at the alias ratio.
        const auto massNear = [&](double r) {
            return posteriorMass(posterior, r / near, r * near);
        };
        const double given = 100 * metresPerUnit / (frequency[i] * period);
        const double givenShare = massNear(given);
        CycleReading best{i, position[i], 0, givenShare, givenShare};
        std::vector<double> aliases;
        for (const auto* list : {&targets.eccentricity, &targets.obliquity, &targets.precession})
            for (const double p : *list)
                if (aliasRatio(p, period)) {
                    aliases.push_back(p);
                    if (const double share = massNear(given * period / p);
                        share > best.share && share >= least) {
                        best.period = p;
                        best.share = share;
                    }
                }
        if (best.period == 0)
            continue;
        // Neighbourhoods of a cycle's terms overlap (23.6 and 19.1 kyr are 1.24 apart): the
        // term read is the one whose rate lies nearest the posterior's peak there.
        const double r = given * period / best.period;
        const double peak = peakRate(posterior, r / near, r * near);
        best.period = *std::min_element(aliases.begin(), aliases.end(), [&](double a, double b) {
            return std::fabs(std::log(given * period / a / peak)) <
                   std::fabs(std::log(given * period / b / peak));
        });
        found.push_back(best);
    }
    return found;
}

tuning::RowSpread withCycleReadings(tuning::RowSpread s, const std::vector<CycleReading>& r,
                                    double period, const Targets& targets) {
    if (r.empty())
        return s;
    s.others.resize(s.main.size());
    for (const CycleReading& x : r) {
        tuning::RowMode m = s.main[x.row];
        const double scale = x.period / period;
        m.value *= scale;
        m.low *= scale;
        m.high *= scale;
        s.others[x.row].push_back(m);
    }
    s.readings = readingsText(r, period, targets);
    return s;
}

} // namespace astro
