#include "core/astro/RatePosterior.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace astro {

namespace {

// Below the peak by more than this, the density (e^-16 of the peak) adds nothing that counts.
constexpr double relevantDrop = 16;
// The most the log-likelihood may change along one stretch, and the most a neighbouring
// parabola may depart from the straight line at its midpoint, before the stretch is halved.
constexpr double largestStep = 1;
constexpr double largestBend = 0.05;
// Stretches narrower than this share of their rate are not halved.
constexpr double narrowest = 1e-9;
// Two stretches of the interval are one mode unless the density between them falls more than
// this (in log-likelihood) below the lower of their peaks.
constexpr double valleyDepth = 1;

// The parabola through (x0, y0), (x1, y1), (x2, y2) at x.
double parabola(double x0, double y0, double x1, double y1, double x2, double y2, double x) {
    return y0 * (x - x1) * (x - x2) / ((x0 - x1) * (x0 - x2)) +
           y1 * (x - x0) * (x - x2) / ((x1 - x0) * (x1 - x2)) +
           y2 * (x - x0) * (x - x1) / ((x2 - x0) * (x2 - x1));
}

// Whether the stretch from point i to i + 1 is to be halved.
bool coarse(const std::vector<RateLikelihood>& p, std::size_t i, double best) {
    const RateLikelihood &a = p[i], &b = p[i + 1];
    if (std::max(a.logLikelihood, b.logLikelihood) < best - relevantDrop ||
        b.rate - a.rate <= narrowest * b.rate)
        return false;
    if (std::fabs(b.logLikelihood - a.logLikelihood) > largestStep)
        return true;
    const double mid = 0.5 * (a.rate + b.rate), line = 0.5 * (a.logLikelihood + b.logLikelihood);
    const auto bent = [&](const RateLikelihood& u, const RateLikelihood& v,
                          const RateLikelihood& w) {
        return std::fabs(parabola(u.rate, u.logLikelihood, v.rate, v.logLikelihood, w.rate,
                                  w.logLikelihood, mid) -
                         line) > largestBend;
    };
    return (i > 0 && bent(p[i - 1], a, b)) || (i + 2 < p.size() && bent(a, b, p[i + 2]));
}

// The density's integral over a stretch of width h whose log-density (relative to the peak)
// runs linearly from u to v, taken from the higher end so that nothing overflows.
double stretchMass(double h, double u, double v) {
    const double d = std::fabs(v - u), top = h * std::exp(std::max(u, v));
    return d < 1e-12 ? top : top * -std::expm1(-d) / d;
}

// The posterior as the mode finder reads it: rates, log-density relative to the peak (<= 0)
// and the mass of each stretch.
struct Density {
    std::vector<double> x, u, mass;
    double total = 0;
};

Density density(const std::vector<RateLikelihood>& p) {
    Density d;
    double best = -std::numeric_limits<double>::infinity();
    for (const RateLikelihood& q : p)
        best = std::max(best, q.logLikelihood);
    for (const RateLikelihood& q : p) {
        d.x.push_back(q.rate);
        d.u.push_back(q.logLikelihood - best);
    }
    for (std::size_t i = 0; i + 1 < p.size(); ++i) {
        d.mass.push_back(stretchMass(d.x[i + 1] - d.x[i], d.u[i], d.u[i + 1]));
        d.total += d.mass.back();
    }
    return d;
}

// Where the log-density crosses `level` on stretch i (its ends on either side).
double crossing(const Density& d, std::size_t i, double level) {
    const double t = (level - d.u[i]) / (d.u[i + 1] - d.u[i]);
    return d.x[i] + t * (d.x[i + 1] - d.x[i]);
}

// The mass where the log-density reaches `level`.
double massAbove(const Density& d, double level) {
    double m = 0;
    for (std::size_t i = 0; i + 1 < d.x.size(); ++i) {
        const bool a = d.u[i] >= level, b = d.u[i + 1] >= level;
        if (a && b)
            m += d.mass[i];
        else if (a != b) {
            const double at = crossing(d, i, level);
            m += a ? stretchMass(at - d.x[i], d.u[i], level)
                   : stretchMass(d.x[i + 1] - at, level, d.u[i + 1]);
        }
    }
    return m;
}

// The highest level whose set holds the probability: bisection between the lowest
// log-density (everything) and 0 (the peak).
double levelHolding(const Density& d, double probability) {
    double low = *std::min_element(d.u.begin(), d.u.end()) - 1, high = 0;
    for (int i = 0; i < 100 && high - low > 1e-12; ++i) {
        const double mid = 0.5 * (low + high);
        (massAbove(d, mid) >= probability * d.total ? low : high) = mid;
    }
    return low;
}

// One stretch of the set at the level: its ends, its highest known point and the known points
// it spans.
struct Piece {
    double low, high;
    std::size_t peak, first, last;
};

std::vector<Piece> piecesAbove(const Density& d, double level) {
    std::vector<Piece> pieces;
    const std::size_t n = d.x.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (d.u[i] < level)
            continue;
        Piece p{i > 0 ? crossing(d, i - 1, level) : d.x[0], 0, i, i, i};
        while (p.last + 1 < n && d.u[p.last + 1] >= level) {
            ++p.last;
            if (d.u[p.last] > d.u[p.peak])
                p.peak = p.last;
        }
        p.high = p.last + 1 < n ? crossing(d, p.last, level) : d.x[n - 1];
        pieces.push_back(p);
        i = p.last;
    }
    return pieces;
}

// The known point of lowest density between two pieces.
std::size_t valley(const Density& d, const Piece& a, const Piece& b) {
    std::size_t v = a.last + 1;
    for (std::size_t i = a.last + 1; i < b.first; ++i)
        if (d.u[i] < d.u[v])
            v = i;
    return v;
}

// Pieces whose valley is shallow are one mode.
std::vector<Piece> merged(const Density& d, const std::vector<Piece>& pieces) {
    std::vector<Piece> modes;
    for (const Piece& p : pieces) {
        if (!modes.empty()) {
            Piece& last = modes.back();
            const double lower = std::min(d.u[last.peak], d.u[p.peak]);
            if (lower - d.u[valley(d, last, p)] < valleyDepth) {
                last.high = p.high;
                last.last = p.last;
                if (d.u[p.peak] > d.u[last.peak])
                    last.peak = p.peak;
                continue;
            }
        }
        modes.push_back(p);
    }
    return modes;
}

} // namespace

double posteriorMass(const std::vector<RateLikelihood>& likelihood, double from, double to) {
    if (likelihood.size() < 2)
        return 0;
    const Density d = density(likelihood);
    if (!(d.total > 0) || !std::isfinite(d.total))
        return 0;
    double m = 0;
    for (std::size_t i = 0; i + 1 < d.x.size(); ++i) {
        const double a = std::max(from, d.x[i]), b = std::min(to, d.x[i + 1]);
        if (!(b > a))
            continue;
        // The log-density is linear on the stretch: its values at the clipped ends.
        const auto at = [&](double x) {
            return d.u[i] + (x - d.x[i]) / (d.x[i + 1] - d.x[i]) * (d.u[i + 1] - d.u[i]);
        };
        m += stretchMass(b - a, at(a), at(b));
    }
    return m / d.total;
}

const RateMode* RateInterval::holding(double rate) const {
    const RateMode* best = nullptr;
    double distance = std::numeric_limits<double>::infinity();
    for (const RateMode& m : modes) {
        if (rate >= m.from && rate <= m.to)
            return &m;
        const double away = rate < m.low ? m.low - rate : rate - m.high;
        if (away < distance) {
            distance = away;
            best = &m;
        }
    }
    return best;
}

std::vector<RateLikelihood> refineLikelihood(std::vector<RateLikelihood> p, const LikelihoodAt& at,
                                             int rounds, std::size_t budget) {
    std::size_t added = 0;
    for (int round = 0; round < rounds && p.size() >= 2 && added < budget; ++round) {
        double best = -std::numeric_limits<double>::infinity();
        for (const RateLikelihood& q : p)
            best = std::max(best, q.logLikelihood);
        std::vector<std::size_t> halved;
        for (std::size_t i = 0; i + 1 < p.size(); ++i)
            if (coarse(p, i, best))
                halved.push_back(i);
        if (halved.empty())
            break;
        // Over budget, the stretches of highest likelihood first.
        const auto height = [&](std::size_t i) {
            return std::max(p[i].logLikelihood, p[i + 1].logLikelihood);
        };
        if (halved.size() > budget - added) {
            std::stable_sort(halved.begin(), halved.end(),
                             [&](std::size_t a, std::size_t b) { return height(a) > height(b); });
            halved.resize(budget - added);
            std::sort(halved.begin(), halved.end());
        }
        std::vector<double> rates;
        rates.reserve(halved.size());
        for (const std::size_t i : halved)
            rates.push_back(0.5 * (p[i].rate + p[i + 1].rate));
        const std::vector<double> values = at(rates);
        std::vector<RateLikelihood> next;
        next.reserve(p.size() + rates.size());
        std::size_t k = 0;
        for (std::size_t i = 0; i < p.size(); ++i) {
            next.push_back(p[i]);
            if (k < halved.size() && halved[k] == i) {
                next.push_back({rates[k], values[k]});
                ++k;
            }
        }
        p = std::move(next);
        added += rates.size();
    }
    return p;
}

RateInterval rateInterval(const std::vector<RateLikelihood>& likelihood, double probability) {
    RateInterval r;
    r.probability = probability;
    if (likelihood.size() < 2)
        return r;
    for (const RateLikelihood& q : likelihood)
        if (!std::isfinite(q.logLikelihood) || !std::isfinite(q.rate))
            return r;
    const Density d = density(likelihood);
    if (!(d.total > 0) || !std::isfinite(d.total))
        return r;
    const std::vector<Piece> modes = merged(d, piecesAbove(d, levelHolding(d, probability)));
    // Each mode's share: the mass on its side of the valleys between it and its neighbours.
    std::vector<std::size_t> bounds{0};
    for (std::size_t m = 0; m + 1 < modes.size(); ++m)
        bounds.push_back(valley(d, modes[m], modes[m + 1]));
    bounds.push_back(d.x.size() - 1);
    for (std::size_t m = 0; m < modes.size(); ++m) {
        double mass = 0;
        for (std::size_t i = bounds[m]; i < bounds[m + 1]; ++i)
            mass += d.mass[i];
        r.modes.push_back({modes[m].low, modes[m].high, d.x[modes[m].peak], mass / d.total,
                           d.x[bounds[m]], d.x[bounds[m + 1]]});
    }
    return r;
}

} // namespace astro
