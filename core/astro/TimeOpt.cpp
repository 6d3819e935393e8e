#include "core/astro/TimeOpt.h"

#include "core/astro/RateScanner.h"
#include "core/text/NumberText.h"
#include "core/units/RecordUnits.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>

namespace astro {

using scanning::fewestFor;
using scanning::Scanner;
using scanning::scoreAll;

namespace {

// A value outside the catalogue's range for its parameter, in the catalogue's words.
std::optional<Problem> catalogueProblem(analysis::ParameterId id, double value) {
    if (const auto problem = analysis::checkValue(analysis::parameter(id), value, ""))
        return Problem{id, problem->text};
    return std::nullopt;
}

std::optional<Problem> checkTargets(const Targets& t) {
    if (t.eccentricity.empty() || t.precession.empty())
        return Problem{analysis::ParameterId::Targets,
                       "the test needs eccentricity and precession periods"};
    for (const std::vector<double>* v : {&t.eccentricity, &t.obliquity, &t.precession})
        for (double p : *v)
            if (!(p > 0) || !std::isfinite(p))
                return Problem{analysis::ParameterId::Targets,
                               "the period " + text::exactNumber(p) +
                                   " must be a number above 0 (kyr)"};
    return std::nullopt;
}

// Fewer samples than twice the regressors of the power fit leave nothing to test.
std::size_t fewestSamples(const Targets& t) {
    return fewestFor(t.eccentricity.size() + t.precession.size());
}

std::optional<Problem> checkSettings(const TimeOptSettings& s, double spacing) {
    if (!(s.metresPerUnit > 0) || !std::isfinite(s.metresPerUnit))
        return Problem{analysis::ParameterId::PositionsIn, "positions must be in m, cm or mm"};
    const RateGrid& g = s.grid;
    if (!(g.low > 0) || !std::isfinite(g.low))
        return Problem{analysis::ParameterId::SedMin, "the lowest rate " +
                                                          text::exactNumber(g.low) +
                                                          " must be a number above 0 (cm/kyr)"};
    if (!std::isfinite(g.high) || g.high < g.low || (g.count > 1 && !(g.high > g.low)))
        return Problem{analysis::ParameterId::SedMax,
                       "the highest rate " + text::exactNumber(g.high) +
                           " must be above the lowest, " + text::exactNumber(g.low) + " cm/kyr"};
    if (g.count < 1)
        return Problem{analysis::ParameterId::NumSed,
                       "the grid needs at least 1 rate, not " + std::to_string(g.count)};
    if (auto problem = catalogueProblem(analysis::ParameterId::NumSed, g.count))
        return problem;
    const Band& b = s.precessionBand;
    if (!(b.low > 0) || !(b.high > b.low) || !std::isfinite(b.high))
        return Problem{analysis::ParameterId::PrecessionBand,
                       "the band " + text::exactNumber(b.low) + ":" + text::exactNumber(b.high) +
                           " must have 0 < low < high (cycles per kyr)"};
    if (auto problem = checkTargets(s.targets))
        return problem;
    if (scoredRates(s, spacing).empty()) {
        const double needed = 200 * spacing * s.metresPerUnit * b.high;
        return Problem{analysis::ParameterId::SedMax,
                       "no rate from " + text::exactNumber(g.low) + " to " +
                           text::exactNumber(g.high) +
                           " cm/kyr puts the precession band below the Nyquist frequency of the "
                           "record; rates above " +
                           text::exactNumber(needed) + " cm/kyr are needed"};
    }
    return std::nullopt;
}

// Where the likelihood is searched closely: the power fit is so sharp on a long record that
// its peak may lie between two scored rates with neither showing it, so that the stretches
// beside the optima of r2_opt (the test's candidates, the best few) and of the likelihood are
// sampled at a sixth of the fit's resolution: the share of the rate by which it changes to put
// one more cycle of the shortest period in the record.
constexpr std::size_t searchedOptima = 3;
constexpr double searchStep = 1.0 / 6;
constexpr std::size_t mostSearched = 64;

std::vector<double> closeRates(const RateScore* scores, std::size_t count, double resolution) {
    std::vector<std::size_t> optima;
    double top = 0;
    for (std::size_t r = 0; r < count; ++r)
        top = std::max(top, scores[r].r2Opt);
    for (std::size_t r = 0; r < count; ++r) {
        const double v = scores[r].r2Opt;
        if ((r == 0 || v >= scores[r - 1].r2Opt) && (r + 1 == count || v >= scores[r + 1].r2Opt) &&
            v >= top / 2)
            optima.push_back(r);
    }
    std::stable_sort(optima.begin(), optima.end(), [&](std::size_t a, std::size_t b) {
        return scores[a].r2Opt > scores[b].r2Opt;
    });
    optima.resize(std::min(optima.size(), searchedOptima));
    optima.push_back(
        static_cast<std::size_t>(std::max_element(scores, scores + count,
                                                  [](const RateScore& a, const RateScore& b) {
                                                      return a.logLikelihood < b.logLikelihood;
                                                  }) -
                                 scores));
    std::vector<double> rates;
    for (const std::size_t r : optima) {
        const double low = scores[r > 0 ? r - 1 : r].rate;
        const double high = scores[r + 1 < count ? r + 1 : r].rate;
        const double rate = scores[r].rate, step = searchStep * resolution * rate * rate;
        const std::size_t points =
            std::min(mostSearched, static_cast<std::size_t>(std::ceil((high - low) / step)));
        for (std::size_t k = 1; k < points; ++k)
            rates.push_back(low + (high - low) * static_cast<double>(k) / points);
    }
    std::sort(rates.begin(), rates.end());
    rates.erase(std::unique(rates.begin(), rates.end()), rates.end());
    return rates;
}

// The rate's likelihood of the standardised series y: the scores' at their rates, searched
// closely beside the optima and refined between them.
std::vector<RateLikelihood> refinedLikelihood(const std::vector<double>& y, double spacingMetres,
                                              const TimeOptSettings& s, const RateScore* scores,
                                              std::size_t count) {
    if (count == 0)
        return {};
    const std::vector<double> periods = scanning::allPeriods(s.targets);
    const auto at = [&](const std::vector<double>& rates) {
        std::vector<double> values;
        values.reserve(rates.size());
        for (double rate : rates)
            values.push_back(scanning::powerLogLikelihood(y, 100 * spacingMetres / rate, periods));
        return values;
    };
    // At rate s the record of n samples lasts 100 n spacing / s kyr: one more cycle of period
    // P when s changes by the share s P / (100 n spacing), this `resolution` times s.
    const double resolution = *std::min_element(periods.begin(), periods.end()) /
                              (100 * spacingMetres * static_cast<double>(y.size()));
    const std::vector<double> close = closeRates(scores, count, resolution);
    const std::vector<double> closeValues = at(close);
    std::vector<RateLikelihood> known;
    for (std::size_t r = 0; r < count; ++r)
        known.push_back({scores[r].rate, scores[r].logLikelihood});
    for (std::size_t k = 0; k < close.size(); ++k)
        known.push_back({close[k], closeValues[k]});
    std::sort(known.begin(), known.end(),
              [](const RateLikelihood& a, const RateLikelihood& b) { return a.rate < b.rate; });
    known.erase(std::unique(known.begin(), known.end(),
                            [](const RateLikelihood& a, const RateLikelihood& b) {
                                return a.rate == b.rate;
                            }),
                known.end());
    return refineLikelihood(std::move(known), at);
}

} // namespace

std::vector<double> gridRates(const RateGrid& g) {
    std::vector<double> rates;
    if (g.count < 1)
        return rates;
    rates.reserve(static_cast<std::size_t>(g.count));
    for (int i = 0; i < g.count; ++i) {
        const double u = g.count > 1 ? static_cast<double>(i) / (g.count - 1) : 0.0;
        rates.push_back(g.linear ? g.low + u * (g.high - g.low)
                                 : g.low * std::pow(g.high / g.low, u));
    }
    rates.back() = g.count > 1 ? g.high : g.low;
    return rates;
}

std::vector<double> scoredRates(const TimeOptSettings& s, double spacing) {
    std::vector<double> rates;
    for (double rate : gridRates(s.grid)) {
        const double dt = 100 * spacing * s.metresPerUnit / rate; // kyr per sample
        if (s.precessionBand.high < 0.5 / dt)
            rates.push_back(rate);
    }
    return rates;
}

std::optional<Problem> checkTimeOpt(const TimeOptSettings& s, std::size_t samples, double spacing) {
    if (samples < fewestSamples(s.targets))
        return Problem{std::nullopt, "the record holds " + std::to_string(samples) +
                                         " samples; the test needs at least " +
                                         std::to_string(fewestSamples(s.targets))};
    return checkSettings(s, spacing);
}

TimeOptScan timeOpt(const std::vector<double>& values, double spacing, const TimeOptSettings& s,
                    const Execution& e) {
    TimeOptScan scan;
    if ((scan.problem = checkRecord(values, spacing, fewestSamples(s.targets))) ||
        (scan.problem = checkSettings(s, spacing)))
        return scan;
    std::vector<double> y(values.size());
    if (!scanning::standardise(values.data(), values.size(), y.data())) {
        scan.problem = Problem{std::nullopt, "the record lies on a straight line: once its "
                                             "trend is removed nothing is left to test"};
        return scan;
    }
    scan.lag1 = scanning::lagOneCorrelation(y);
    const Scanner scanner(values.size(), spacing * s.metresPerUnit, s, scoredRates(s, spacing),
                          true);
    scan.scores.resize(scanner.rates().size());
    Execution one = e;
    one.workers = 1;
    one.progress = nullptr;
    scan.cancelled = !scoreAll(
        scanner, 1, one,
        [&](std::size_t, double* out) { std::copy(values.begin(), values.end(), out); },
        [&](std::size_t, std::size_t r, const RateScore& score) { scan.scores[r] = score; });
    for (std::size_t r = 1; r < scan.scores.size(); ++r)
        if (scan.scores[r].r2Opt > scan.scores[scan.best].r2Opt)
            scan.best = r;
    if (!scan.cancelled)
        scan.likelihood = refinedLikelihood(y, spacing * s.metresPerUnit, s, scan.scores.data(),
                                            scan.scores.size());
    return scan;
}

Significance significance(const std::vector<double>& values, double spacing,
                          const TimeOptSettings& s, const TimeOptScan& record, int simulations,
                          std::uint64_t seed, const Execution& e) {
    Significance result;
    if ((result.problem = record.problem))
        return result;
    if (record.scores.empty() || record.cancelled) {
        result.problem = Problem{std::nullopt, "the record has not been scanned in full"};
        return result;
    }
    if (simulations < 1) {
        result.problem =
            Problem{analysis::ParameterId::Simulations, "the test needs at least 1 simulation"};
        return result;
    }
    if ((result.problem = catalogueProblem(analysis::ParameterId::Simulations, simulations)))
        return result;
    if ((result.problem = checkTimeOpt(s, values.size(), spacing)))
        return result;
    const std::size_t n = values.size(), count = static_cast<std::size_t>(simulations);
    const double rho = std::clamp(record.lag1, -0.999999, 0.999999);
    const double innovation = std::sqrt(1 - rho * rho);
    const Scanner scanner(n, spacing * s.metresPerUnit, s, scoredRates(s, spacing), false);
    std::vector<double> largest(count, 0.0);
    const auto surrogate = [&](std::size_t i, double* out) {
        std::seed_seq sequence{static_cast<std::uint32_t>(seed),
                               static_cast<std::uint32_t>(seed >> 32),
                               static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i >> 32)};
        std::mt19937_64 generator(sequence);
        std::normal_distribution<double> normal;
        out[0] = normal(generator);
        for (std::size_t k = 1; k < n; ++k)
            out[k] = rho * out[k - 1] + innovation * normal(generator);
    };
    result.cancelled = !scoreAll(scanner, count, e, surrogate,
                                 [&](std::size_t i, std::size_t, const RateScore& score) {
                                     largest[i] = std::max(largest[i], score.r2Opt);
                                 });
    if (result.cancelled)
        return result;
    const double reach = record.scores[record.best].r2Opt;
    result.simulations = simulations;
    result.reaching = static_cast<int>(
        std::count_if(largest.begin(), largest.end(), [&](double v) { return v >= reach; }));
    result.pValue = (1.0 + result.reaching) / (simulations + 1.0);
    return result;
}

EvolutiveTimeOpt evolutiveTimeOpt(const std::vector<double>& positions,
                                  const std::vector<double>& values, const TimeOptSettings& s,
                                  double windowLength, double stepLength, const Execution& e) {
    EvolutiveTimeOpt result;
    const double spacing = positions.size() > 1 ? positions[1] - positions[0] : 0.0;
    const std::size_t n = values.size();
    if (positions.size() != n) {
        result.problem = Problem{std::nullopt, "the record needs one position per value"};
        return result;
    }
    if ((result.problem = checkRecord(values, spacing, 2)))
        return result;
    const int window = units::samplesIn(windowLength, spacing),
              step = units::samplesIn(stepLength, spacing);
    if (!(windowLength > 0) || !std::isfinite(windowLength) ||
        static_cast<std::size_t>(window) > n) {
        result.problem =
            Problem{analysis::ParameterId::AstroWindowLength,
                    "the window " + text::exactNumber(windowLength) +
                        " must be above 0 and not longer than the record (" +
                        text::exactNumber(spacing * static_cast<double>(n)) + " position units)"};
        return result;
    }
    if (step < 1 || !std::isfinite(stepLength)) {
        result.problem = Problem{analysis::ParameterId::AstroStepLength,
                                 "the step " + text::exactNumber(stepLength) +
                                     " must be at least one sample spacing (" +
                                     text::exactNumber(spacing) + " position units)"};
        return result;
    }
    const std::size_t length = static_cast<std::size_t>(window);
    if (length < fewestSamples(s.targets)) {
        result.problem = Problem{analysis::ParameterId::AstroWindowLength,
                                 "the window holds " + std::to_string(length) +
                                     " samples; the test needs at least " +
                                     std::to_string(fewestSamples(s.targets))};
        return result;
    }
    if ((result.problem = checkSettings(s, spacing)))
        return result;
    const std::size_t stride = static_cast<std::size_t>(step);
    result.windowSamples = length;
    result.stepSamples = stride;
    for (std::size_t start = 0; start + length <= n; start += stride)
        result.centres.push_back(0.5 * (positions[start] + positions[start + length - 1]));
    const Scanner scanner(length, spacing * s.metresPerUnit, s, scoredRates(s, spacing), true);
    result.rates = scanner.rates();
    result.cells.resize(result.centres.size() * result.rates.size());
    result.cancelled = !scoreAll(
        scanner, result.centres.size(), e,
        [&](std::size_t w, double* out) {
            std::copy_n(values.begin() + static_cast<std::ptrdiff_t>(w * stride), length, out);
        },
        [&](std::size_t w, std::size_t r, const RateScore& score) {
            result.cells[w * result.rates.size() + r] = score;
        });
    if (!result.cancelled)
        result.cancelled = !refineLikelihoods(values, spacing, s, result, e);
    return result;
}

WindowSignificance evolutiveSignificance(const std::vector<double>& positions,
                                         const std::vector<double>& values,
                                         const TimeOptSettings& s, const EvolutiveTimeOpt& e,
                                         int simulations, std::uint64_t seed,
                                         const Execution& execution) {
    WindowSignificance result;
    if ((result.problem = e.problem))
        return result;
    if (e.cancelled || e.windowSamples == 0) {
        result.problem = Problem{std::nullopt, "the windows have not been scanned in full"};
        return result;
    }
    const double spacing = positions.size() > 1 ? positions[1] - positions[0] : 0.0;
    const std::size_t windows = e.centres.size();
    // Progress over all windows' surrogates together.
    Execution each = execution;
    std::size_t window = 0;
    if (execution.progress)
        each.progress = [&](std::size_t done, std::size_t total) {
            execution.progress(window * total + done, windows * total);
        };
    for (window = 0; window < windows; ++window) {
        const auto first = values.begin() + static_cast<std::ptrdiff_t>(window * e.stepSamples);
        const std::vector<double> part(first, first + static_cast<std::ptrdiff_t>(e.windowSamples));
        const TimeOptScan scan = timeOpt(part, spacing, s, Execution{1, execution.cancel, {}});
        if (scan.cancelled || execution.cancelled()) {
            result.cancelled = true;
            return result;
        }
        if (scan.problem) {
            // A window the test cannot score (a straight line) carries no signal.
            result.pValues.push_back(1.0);
            continue;
        }
        // The window's own stream of seeds: (seed, window) mixed into one, surrogates by index.
        std::seed_seq mix{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32),
                          static_cast<std::uint32_t>(window),
                          static_cast<std::uint32_t>(window >> 32)};
        std::uint32_t words[2];
        mix.generate(words, words + 2);
        const std::uint64_t windowSeed = (static_cast<std::uint64_t>(words[0]) << 32) | words[1];
        const Significance sig =
            significance(part, spacing, s, scan, simulations, windowSeed, each);
        if (sig.cancelled) {
            result.cancelled = true;
            return result;
        }
        if (sig.problem) {
            result.problem = sig.problem;
            return result;
        }
        result.pValues.push_back(sig.pValue);
    }
    return result;
}

std::vector<TrackPoint> optimumTrack(const EvolutiveTimeOpt& e) {
    std::vector<TrackPoint> track;
    const std::size_t rates = e.rates.size();
    for (std::size_t w = 0; w < e.centres.size() && rates > 0; ++w) {
        const auto first = e.cells.begin() + static_cast<std::ptrdiff_t>(w * rates);
        const auto best = std::max_element(
            first, first + static_cast<std::ptrdiff_t>(rates),
            [](const RateScore& a, const RateScore& b) { return a.r2Opt < b.r2Opt; });
        track.push_back({e.centres[w], best->rate, best->r2Opt});
    }
    return track;
}

bool refineLikelihoods(const std::vector<double>& values, double spacing, const TimeOptSettings& s,
                       EvolutiveTimeOpt& result, const Execution& e) {
    const double spacingMetres = spacing * s.metresPerUnit;
    const std::size_t windows = result.centres.size(), rates = result.rates.size();
    result.likelihoods.assign(windows, {});
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stopped{false};
    runOnWorkers(std::min<int>(workerCount(e.workers), static_cast<int>(windows)), [&](int) {
        std::vector<double> y(result.windowSamples);
        for (std::size_t w = next++; w < windows && !stopped; w = next++) {
            if (e.cancelled()) {
                stopped = true;
                return;
            }
            const double* first = values.data() + w * result.stepSamples;
            if (scanning::standardise(first, y.size(), y.data()))
                result.likelihoods[w] =
                    refinedLikelihood(y, spacingMetres, s, result.cells.data() + w * rates, rates);
        }
    });
    return !stopped;
}

std::vector<RateInterval> evolutiveIntervals(const EvolutiveTimeOpt& e, double probability) {
    std::vector<RateInterval> intervals;
    for (const std::vector<RateLikelihood>& l : e.likelihoods)
        intervals.push_back(rateInterval(l, probability));
    return intervals;
}

} // namespace astro
