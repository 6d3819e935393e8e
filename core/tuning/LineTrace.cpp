#include "core/tuning/LineTrace.h"

#include <algorithm>
#include <cmath>

namespace tuning {

std::optional<TraceBy> parseTraceBy(const std::string& text) {
    if (text == "amplitude")
        return TraceBy::Amplitude;
    if (text == "probability")
        return TraceBy::Probability;
    return std::nullopt;
}

const char* traceByName(TraceBy by) {
    return by == TraceBy::Probability ? "probability" : "amplitude";
}

const char* traceFlagName(TraceFlag flag) {
    switch (flag) {
    case TraceFlag::Weak:
        return "weak";
    case TraceFlag::Edge:
        return "edge";
    case TraceFlag::Jump:
        return "jump";
    case TraceFlag::Drift:
        return "drift";
    default:
        return "ok";
    }
}

std::optional<TraceFlag> parseTraceFlag(const std::string& text) {
    for (const TraceFlag f :
         {TraceFlag::Ok, TraceFlag::Weak, TraceFlag::Edge, TraceFlag::Jump, TraceFlag::Drift})
        if (text == traceFlagName(f))
            return f;
    return std::nullopt;
}

double halfBandwidth(const results::ResultSet& r) {
    const analysis::Provenance& p = r.provenance;
    return p.params.tbw / (p.params.window * p.deltat);
}

int nearestWindow(const results::ResultSet& r, double x) {
    int best = 0;
    for (int w = 1; w < r.windows; ++w)
        if (std::fabs(r.centre(w) - x) < std::fabs(r.centre(best) - x))
            best = w;
    return best;
}

int nearestBin(const results::ResultSet& r, double f) {
    int best = 0;
    for (int i = 1; i < r.bins; ++i)
        if (std::fabs(r.frequency(i) - f) < std::fabs(r.frequency(best) - f))
            best = i;
    return best;
}

TracePoint pointAt(const results::ResultSet& r, int window, int bin) {
    const std::size_t k = r.row(window, bin);
    return {window, bin, r.centre(window), r.freq[k], r.ampl[k], r.prob[k]};
}

namespace {

// The criterion of a bin; probabilities that could not be evaluated count as none.
double score(const results::ResultSet& r, int window, int bin, TraceBy by) {
    const std::size_t k = r.row(window, bin);
    if (by == TraceBy::Amplitude)
        return r.ampl[k];
    return r.prob[k] <= 1.0 ? r.prob[k] : -1.0;
}

// The allowed bins within the band around f: [first, last], empty (first > last) when none.
std::pair<int, int> bandBins(const results::ResultSet& r, double f, double band) {
    int first = r.bins, last = -1;
    for (int i = lowestTraceBin(r); i < r.bins; ++i)
        if (std::fabs(r.frequency(i) - f) <= band) {
            first = std::min(first, i);
            last = i;
        }
    return {first, last};
}

// The allowed bin nearest f.
int nearestAllowedBin(const results::ResultSet& r, double f) {
    return std::max(nearestBin(r, f), std::min(lowestTraceBin(r), r.bins - 1));
}

// The best bin of `window` within the band around frequency f; the nearest allowed bin when
// the band holds none. `edge` tells whether it is the first or last of at least three bins.
int bestInBand(const results::ResultSet& r, int window, double f, double band, TraceBy by,
               bool& edge) {
    const auto [first, last] = bandBins(r, f, band);
    edge = false;
    if (first > last)
        return nearestAllowedBin(r, f);
    int best = first;
    for (int i = first + 1; i <= last; ++i)
        if (score(r, window, i, by) > score(r, window, best, by))
            best = i;
    edge = last - first >= 2 && (best == first || best == last);
    return best;
}

TraceFlag flagOf(const TracePoint& p, const TracePoint* from, bool edge, double band,
                 double level) {
    if (from && std::fabs(p.frequency - from->frequency) > band / 2)
        return TraceFlag::Jump;
    if (edge)
        return TraceFlag::Edge;
    if (!(p.probability >= level && p.probability <= 1.0))
        return TraceFlag::Weak;
    return TraceFlag::Ok;
}

} // namespace

int lowestTraceBin(const results::ResultSet& r) {
    const double W = halfBandwidth(r);
    int i = 0;
    while (i < r.bins && r.frequency(i) < W)
        ++i;
    return i;
}

int startBin(const results::ResultSet& r, int window, double f, double band, TraceBy by) {
    const auto [first, last] = bandBins(r, f, band);
    const int start = nearestAllowedBin(r, f);
    int best = -1;
    for (int i = first; i <= last; ++i) {
        const double s = score(r, window, i, by);
        const bool peak = (i == 0 || s >= score(r, window, i - 1, by)) &&
                          (i + 1 == r.bins || s >= score(r, window, i + 1, by));
        if (peak && (best < 0 || std::abs(i - start) < std::abs(best - start)))
            best = i;
    }
    return best >= 0 ? best : start;
}

std::vector<TracePoint> traceLine(const results::ResultSet& r, int window, int bin, double band,
                                  TraceBy by, double level) {
    std::vector<TracePoint> trace(static_cast<std::size_t>(r.windows));
    if (r.windows == 0 || r.bins == 0)
        return {};
    bool edge = false;
    const auto follow = [&](int w, const TracePoint& from) {
        TracePoint p = pointAt(r, w, bestInBand(r, w, from.frequency, band, by, edge));
        p.flag = flagOf(p, &from, edge, band, level);
        return p;
    };
    TracePoint& start = trace[static_cast<std::size_t>(window)];
    start = pointAt(r, window, bin);
    start.flag = flagOf(start, nullptr, false, band, level);
    for (int w = window + 1; w < r.windows; ++w)
        trace[w] = follow(w, trace[w - 1]);
    for (int w = window - 1; w >= 0; --w)
        trace[w] = follow(w, trace[w + 1]);
    return trace;
}

bool drifts(double frequency, double period, double W) {
    return std::fabs(frequency - 1 / period) > W;
}

void flagDrift(std::vector<TracePoint>& trace, double period, double W) {
    for (TracePoint& p : trace)
        if (drifts(p.frequency, period, W))
            p.flag = TraceFlag::Drift;
}

namespace {

bool isPeak(const results::ResultSet& r, int window, int i, TraceBy by) {
    const double s = score(r, window, i, by);
    return (i == 0 || s >= score(r, window, i - 1, by)) &&
           (i + 1 == r.bins || s >= score(r, window, i + 1, by));
}

} // namespace

int snapToPeak(const results::ResultSet& r, int window, double f, TraceBy by) {
    const int start = nearestBin(r, f);
    int best = -1;
    for (int i = 0; i < r.bins; ++i)
        if (isPeak(r, window, i, by) && (best < 0 || std::abs(i - start) < std::abs(best - start)))
            best = i;
    return best >= 0 ? best : start;
}

int dragToPeak(const results::ResultSet& r, int window, int from, double f, TraceBy by) {
    const int snapped = snapToPeak(r, window, f, by);
    const int reached = nearestBin(r, f);
    if (snapped != from || reached == from)
        return snapped;
    const int way = reached > from ? 1 : -1;
    for (int i = from + way; i >= 0 && i < r.bins; i += way)
        if (isPeak(r, window, i, by))
            return i;
    return from;
}

} // namespace tuning
