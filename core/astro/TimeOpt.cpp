#include "core/astro/TimeOpt.h"

#include "core/astro/Fft.h"
#include "core/text/NumberText.h"
#include "core/units/RecordUnits.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>
#include <random>

namespace astro {

namespace {

// Bases of all rates are kept while they fit in this many bytes; beyond, each worker makes a
// rate's bases when it needs them, for a block of series at a time.
constexpr double basisCacheBytes = 256e6;

// The series scored together against one rate's bases while these are in cache.
constexpr std::size_t blockSize = 16;

// Relative norm under which a column adds nothing to the ones before it (the fit is then made
// on the others): at short spans, close periods cannot be told apart.
constexpr double dependentColumn = 1e-7;

// The values with their least-squares line removed, scaled to unit variance; false when they
// lie on a line.
bool standardise(const double* v, std::size_t n, double* out) {
    const double centre = 0.5 * static_cast<double>(n - 1);
    double mean = 0, sxy = 0, sxx = 0;
    for (std::size_t i = 0; i < n; ++i)
        mean += v[i];
    mean /= static_cast<double>(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i) - centre;
        sxy += x * (v[i] - mean);
        sxx += x * x;
    }
    const double slope = sxx > 0 ? sxy / sxx : 0.0;
    double ss = 0, scale = 0;
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = v[i] - mean - slope * (static_cast<double>(i) - centre);
        ss += out[i] * out[i];
        scale = std::max(scale, std::abs(v[i]));
    }
    const double sd = std::sqrt(ss / static_cast<double>(n - 1));
    if (!(sd > 1e-12 * scale) || !std::isfinite(sd))
        return false;
    for (std::size_t i = 0; i < n; ++i)
        out[i] /= sd;
    return true;
}

double lagOneCorrelation(const std::vector<double>& y) {
    double num = 0, den = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        den += y[i] * y[i];
        if (i + 1 < y.size())
            num += y[i] * y[i + 1];
    }
    return den > 0 ? num / den : 0.0;
}

double dot(const std::vector<double>& a, const std::vector<double>& b) {
    double s = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        s += a[i] * b[i];
    return s;
}

// An orthonormal basis of the constant (first column) and a cosine and a sine at each period,
// at times i dt of the samples i in `rows`; rows one per sample, stored row after row.
struct Basis {
    std::size_t columns = 0;
    std::vector<double> q;
};

Basis sinusoidBasis(const std::vector<std::size_t>& rows, double dt,
                    const std::vector<double>& periods) {
    const std::size_t n = rows.size();
    std::vector<std::vector<double>> columns;
    const auto add = [&](std::vector<double> v) {
        const double original = std::sqrt(dot(v, v));
        for (int pass = 0; pass < 2; ++pass) // twice is enough for orthogonality
            for (const std::vector<double>& q : columns) {
                const double d = dot(q, v);
                for (std::size_t i = 0; i < n; ++i)
                    v[i] -= d * q[i];
            }
        const double norm = std::sqrt(dot(v, v));
        if (!(norm > dependentColumn * original))
            return;
        for (double& x : v)
            x /= norm;
        columns.push_back(std::move(v));
    };
    add(std::vector<double>(n, 1.0));
    std::vector<double> c(n), s(n);
    for (double period : periods) {
        const double step = 2 * M_PI * dt / period;
        for (std::size_t i = 0; i < n; ++i) {
            const double angle = step * static_cast<double>(rows[i]);
            c[i] = std::cos(angle);
            s[i] = std::sin(angle);
        }
        add(c);
        add(s);
    }
    Basis b;
    b.columns = columns.size();
    b.q.resize(n * b.columns);
    for (std::size_t j = 0; j < b.columns; ++j)
        for (std::size_t i = 0; i < n; ++i)
            b.q[i * b.columns + j] = columns[j][i];
    return b;
}

// For each of `count` (at most blockSize) series of n values, the fraction of its variance
// (about its mean) that its projection on the basis explains. One pass over the basis serves
// them all; each series' sums run in the same order whatever the others are. c: room for
// count x columns coefficients.
void explainedFractions(const Basis& b, const double* const* ys, std::size_t count, std::size_t n,
                        double* c, double* fractions) {
    const std::size_t m = b.columns;
    std::fill_n(c, count * m, 0.0);
    double yy[blockSize] = {};
    const double* row = b.q.data();
    for (std::size_t i = 0; i < n; ++i, row += m)
        for (std::size_t k = 0; k < count; ++k) {
            const double v = ys[k][i];
            yy[k] += v * v;
            double* ck = c + k * m;
            for (std::size_t j = 0; j < m; ++j)
                ck[j] += row[j] * v;
        }
    for (std::size_t k = 0; k < count; ++k) {
        const double* ck = c + k * m;
        double explained = 0;
        for (std::size_t j = 1; j < m; ++j)
            explained += ck[j] * ck[j];
        const double total = yy[k] - ck[0] * ck[0];
        fractions[k] = total > 0 ? std::clamp(explained / total, 0.0, 1.0) : 0.0;
    }
}

std::vector<double> allPeriods(const Targets& t) {
    std::vector<double> p = t.eccentricity;
    p.insert(p.end(), t.precession.begin(), t.precession.end());
    return p;
}

// Fewer samples than twice the regressors of a fit leave nothing to test.
std::size_t fewestFor(std::size_t periods) {
    return 2 * (1 + 2 * periods);
}

// What scoring series of n samples at the scored rates needs: the transform, each rate's band
// bins, the samples off the record's edge at which the envelope is fitted, and (when they fit)
// the bases.
class Scanner {
public:
    Scanner(std::size_t n, double spacingMetres, const TimeOptSettings& s,
            std::vector<double> rates)
        : n_(n), fft_(paddedLength(n)), all_(n), periods_(allPeriods(s.targets)),
          eccentricity_(s.targets.eccentricity), rates_(std::move(rates)) {
        for (std::size_t i = 0; i < n; ++i)
            all_[i] = i;
        const std::size_t columns = 2 * periods_.size() + 2 * s.targets.eccentricity.size() + 2;
        cached_ = static_cast<double>(rates_.size() * n * columns) * 8 <= basisCacheBytes;
        plans_.resize(rates_.size());
        const double centre = 0.5 * (s.precessionBand.low + s.precessionBand.high);
        for (std::size_t r = 0; r < rates_.size(); ++r) {
            RatePlan& p = plans_[r];
            p.dt = 100 * spacingMetres / rates_[r]; // kyr per sample
            p.bins = bandBins(s.precessionBand, fft_.length(),
                              1.0 / (static_cast<double>(fft_.length()) * p.dt));
            const std::vector<bool> edge = edgeSamples(fft_, p.bins, n, centre * p.dt);
            for (std::size_t i = 0; i < n; ++i)
                if (!edge[i])
                    p.inside.push_back(i);
            // Too few samples inside the edges: the envelope cannot be judged at this rate.
            if (p.inside.size() < fewestFor(eccentricity_.size()))
                p.inside.clear();
            if (cached_)
                makeBases(p, p.power, p.envelope);
        }
    }

    std::size_t samples() const { return n_; }
    const std::vector<double>& rates() const { return rates_; }

    // One worker's buffers, for `slots` series at a time.
    struct Workspace {
        std::vector<std::vector<double>> y;
        std::vector<FftBuffer<std::complex<double>>> spectrum;
        std::vector<bool> usable; // the series is not a straight line
        FftBuffer<double> padded;
        FftBuffer<std::complex<double>> analytic, signal;
        std::vector<std::vector<double>> envelope;
        std::vector<double> coefficients;
        Basis power, envelopeBasis; // when not cached
        std::size_t basesOf = SIZE_MAX;
    };

    Workspace workspace(std::size_t slots) const {
        Workspace w;
        w.y.assign(slots, std::vector<double>(n_));
        for (std::size_t k = 0; k < slots; ++k)
            w.spectrum.push_back(fft_.complexBuffer(fft_.length() / 2 + 1));
        w.usable.assign(slots, false);
        w.padded = fft_.realBuffer();
        w.analytic = fft_.complexBuffer(fft_.length());
        w.signal = fft_.complexBuffer(fft_.length());
        w.envelope.assign(slots, std::vector<double>(n_));
        w.coefficients.resize(slots * (2 * periods_.size() + 1));
        return w;
    }

    // Standardises raw values (n) into slot k and takes their transform.
    void load(const double* values, std::size_t k, Workspace& w) const {
        w.usable[k] = standardise(values, n_, w.y[k].data());
        std::copy(w.y[k].begin(), w.y[k].end(), w.padded.get());
        fft_.forward(w.padded.get(), w.spectrum[k].get());
    }

    // The scores at rate r of the series in slots 0 .. count - 1.
    void score(std::size_t r, std::size_t count, Workspace& w, RateScore* out) const {
        const RatePlan& p = plans_[r];
        if (!cached_ && w.basesOf != r) {
            makeBases(p, w.power, w.envelopeBasis);
            w.basesOf = r;
        }
        const double* ys[blockSize];
        const double* envelopes[blockSize];
        double power[blockSize], envelope[blockSize];
        std::complex<double>* analytic = w.analytic.get();
        // The envelope at the samples inside the record's edges, one after the other.
        for (std::size_t k = 0; k < count; ++k) {
            const std::complex<double>* spectrum = w.spectrum[k].get();
            for (std::size_t j = 0; j < p.bins.weight.size(); ++j)
                analytic[p.bins.first + j] = p.bins.weight[j] * spectrum[p.bins.first + j];
            fft_.inverse(analytic, w.signal.get());
            const std::complex<double>* a = w.signal.get();
            for (std::size_t j = 0; j < p.inside.size(); ++j) {
                const std::complex<double> v = a[p.inside[j]];
                w.envelope[k][j] = std::sqrt(v.real() * v.real() + v.imag() * v.imag());
            }
            ys[k] = w.y[k].data();
            envelopes[k] = w.envelope[k].data();
        }
        std::fill_n(analytic + p.bins.first, p.bins.weight.size(), std::complex<double>());
        explainedFractions(cached_ ? p.power : w.power, ys, count, n_, w.coefficients.data(),
                           power);
        std::fill_n(envelope, count, 0.0);
        if (!p.inside.empty())
            explainedFractions(cached_ ? p.envelope : w.envelopeBasis, envelopes, count,
                               p.inside.size(), w.coefficients.data(), envelope);
        for (std::size_t k = 0; k < count; ++k) {
            out[k] = RateScore{rates_[r], 0, 0, 0};
            if (w.usable[k])
                out[k] = RateScore{rates_[r], envelope[k], power[k], envelope[k] * power[k]};
        }
    }

private:
    struct RatePlan {
        double dt = 0;
        BandBins bins;
        std::vector<std::size_t> inside; // samples off the record's edges; empty: too few
        Basis power, envelope;
    };

    void makeBases(const RatePlan& p, Basis& power, Basis& envelope) const {
        power = sinusoidBasis(all_, p.dt, periods_);
        envelope = sinusoidBasis(p.inside, p.dt, eccentricity_);
    }

    std::size_t n_;
    Fft fft_;
    std::vector<std::size_t> all_;
    std::vector<double> periods_, eccentricity_, rates_;
    std::vector<RatePlan> plans_;
    bool cached_ = false;
};

// Scores series 0 .. count - 1 at every rate on the workers, blockSize series at a time so
// that each rate's bases serve the whole block while they are in cache. fill(item, values)
// writes the item's raw values (n); take(item, rate, score) receives its scores, for different
// items from different threads at once. False when cancelled.
bool scoreAll(const Scanner& scanner, std::size_t count, const Execution& e,
              const std::function<void(std::size_t, double*)>& fill,
              const std::function<void(std::size_t, std::size_t, const RateScore&)>& take) {
    std::atomic<std::size_t> nextBlock{0}, done{0};
    std::atomic<bool> stopped{false};
    std::mutex progressLock;
    const std::size_t blocks = (count + blockSize - 1) / blockSize;
    runOnWorkers(std::min<int>(workerCount(e.workers), static_cast<int>(blocks)), [&](int) {
        Scanner::Workspace w = scanner.workspace(std::min(blockSize, count));
        std::vector<double> raw(scanner.samples());
        RateScore scores[blockSize];
        for (std::size_t b = nextBlock++; b < blocks; b = nextBlock++) {
            const std::size_t first = b * blockSize, last = std::min(count, first + blockSize);
            for (std::size_t item = first; item < last; ++item) {
                fill(item, raw.data());
                scanner.load(raw.data(), item - first, w);
            }
            for (std::size_t r = 0; r < scanner.rates().size(); ++r) {
                if (e.cancelled() || stopped) {
                    stopped = true;
                    return;
                }
                scanner.score(r, last - first, w, scores);
                for (std::size_t item = first; item < last; ++item)
                    take(item, r, scores[item - first]);
            }
            done += last - first;
            if (e.progress) {
                std::lock_guard<std::mutex> hold(progressLock);
                e.progress(done, count);
            }
        }
    });
    return !stopped;
}

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
    if (const auto problem = catalogueProblem(analysis::ParameterId::NumSed, g.count))
        return problem;
    const Band& b = s.precessionBand;
    if (!(b.low > 0) || !(b.high > b.low) || !std::isfinite(b.high))
        return Problem{analysis::ParameterId::PrecessionBand,
                       "the band " + text::exactNumber(b.low) + ":" + text::exactNumber(b.high) +
                           " must have 0 < low < high (cycles per kyr)"};
    if (const auto problem = checkTargets(s.targets))
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
    if (!standardise(values.data(), values.size(), y.data())) {
        scan.problem = Problem{std::nullopt, "the record lies on a straight line: once its "
                                             "trend is removed nothing is left to test"};
        return scan;
    }
    scan.lag1 = lagOneCorrelation(y);
    const Scanner scanner(values.size(), spacing * s.metresPerUnit, s, scoredRates(s, spacing));
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
    const Scanner scanner(n, spacing * s.metresPerUnit, s, scoredRates(s, spacing));
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
    const Scanner scanner(length, spacing * s.metresPerUnit, s, scoredRates(s, spacing));
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

} // namespace astro
