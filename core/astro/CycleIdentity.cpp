#include "core/astro/CycleIdentity.h"

#include "core/astro/TestReading.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace astro {

namespace {

// Rates within this factor of each other put the lines on the same cycles, give or take a
// bandwidth; the closest ratio of two distinct readings, eccentricity's 124.8 and 95 kyr, is 1.3.
constexpr double sameReading = 1.25;

// How many times more probable by chance the lines' fit at one rate must be than at another for
// the lines to tell the two readings apart.
constexpr double distinctLines = 2.0;

} // namespace

CycleIdentity identifyCycle(const std::vector<RateScore>& scores, const MisfitScan& misfit) {
    CycleIdentity id;
    for (const RateScore& s : candidateRates(scores)) {
        CycleCandidate c{s, std::nullopt, 1};
        if (const MisfitRow* row = misfit.problem ? nullptr : misfitAt(misfit, s.rate)) {
            c.misfit = *row;
            c.nullProbability = correctedNull(misfit, *row);
        }
        id.candidates.push_back(c);
    }
    // Candidates closer than sameReading read the lines as the same cycles, which the misfit,
    // at the lines' resolution, cannot tell apart: of those, r2_opt decides, and only the
    // readings the lines can tell apart compete on their null probability.
    const auto outscored = [&](std::size_t i) {
        for (const CycleCandidate& c : id.candidates) {
            const double a = c.score.rate, b = id.candidates[i].score.rate;
            if ((a > b ? a / b : b / a) < sameReading &&
                c.score.r2Opt > id.candidates[i].score.r2Opt)
                return true;
        }
        return false;
    };
    // The lines decide only where they tell readings apart: of the candidates whose null
    // probability is within a factor of two of the smallest, r2_opt decides. Nearly equal null
    // probabilities (0.8 against 1, lines that fit no better than chance at either rate) are no
    // evidence, and letting them overrule r2_opt took the alias at random.
    double smallest = 1;
    for (std::size_t i = 0; i < id.candidates.size(); ++i)
        if (!outscored(i))
            smallest = std::min(smallest, id.candidates[i].nullProbability);
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < id.candidates.size(); ++i) {
        if (outscored(i) || id.candidates[i].nullProbability > distinctLines * smallest)
            continue;
        if (!best || id.candidates[i].score.r2Opt > id.candidates[*best].score.r2Opt)
            best = i;
    }
    id.identified = best.value_or(0);
    for (std::size_t i = 0; i < id.candidates.size(); ++i) {
        if (i == id.identified ||
            !aliasRatio(id.candidates[i].score.rate, id.candidates[id.identified].score.rate))
            continue;
        if (!id.alternative ||
            id.candidates[i].score.r2Opt > id.candidates[*id.alternative].score.r2Opt)
            id.alternative = i;
    }
    if (!misfit.problem && !misfit.rows.empty() && misfit.bestCorrected <= 0.05)
        id.linesRate = misfit.rows[misfit.best].rate;
    return id;
}

std::vector<CycleIdentity> evolutiveIdentity(const EvolutiveTimeOpt& e,
                                             const std::vector<LineSet>& lines,
                                             MisfitSettings settings) {
    std::vector<CycleIdentity> found;
    const std::size_t rates = e.rates.size();
    for (std::size_t w = 0; w < e.centres.size(); ++w) {
        const auto first = e.cells.begin() + static_cast<std::ptrdiff_t>(w * rates);
        const std::vector<RateScore> scores(first, first + static_cast<std::ptrdiff_t>(rates));
        settings.stream = w;
        settings.missingNeverCounts = true;
        MisfitScan misfit;
        if (w < lines.size())
            misfit = spectralMisfit(lines[w], e.rates, settings);
        else
            misfit.problem = Problem{std::nullopt, "no lines"};
        found.push_back(identifyCycle(scores, misfit));
    }
    return found;
}

std::string candidateText(const CycleCandidate& c) {
    std::string t =
        text::exactNumber(c.score.rate) + " cm/kyr (r2_opt " + text::displayNumber(c.score.r2Opt);
    if (c.misfit)
        t += ", misfit " + text::displayNumber(c.misfit->misfit) + " cycles/kyr";
    return t + ", null probability " + text::displayNumber(c.nullProbability) + ")";
}

std::string cycleName(double frequency, double w, const Targets& targets) {
    std::string name = "none";
    double closest = w;
    const auto consider = [&](const std::vector<double>& periods, auto label) {
        for (const double p : periods)
            if (const double d = std::fabs(frequency - 1 / p); d <= closest) {
                closest = d;
                name = label(p);
            }
    };
    consider(targets.eccentricity, [](double p) { return p > 250 ? "e405" : "e100"; });
    consider(targets.obliquity, [](double) { return "o41"; });
    consider(targets.precession, [](double p) { return p > 21 ? "p23" : "p19"; });
    return name;
}

} // namespace astro
