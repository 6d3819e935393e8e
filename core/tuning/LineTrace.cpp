#include "core/tuning/LineTrace.h"

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

double halfBandwidth(const results::ResultSet& r) {
    const analysis::Provenance& p = r.provenance;
    return p.params.tbw / (p.params.mpts * p.deltat);
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

// The best bin of `window` within the band around frequency f; the nearest bin when the band
// holds none.
int bestInBand(const results::ResultSet& r, int window, double f, double band, TraceBy by) {
    int best = -1;
    for (int i = 0; i < r.bins; ++i) {
        if (std::fabs(r.frequency(i) - f) > band)
            continue;
        if (best < 0 || score(r, window, i, by) > score(r, window, best, by))
            best = i;
    }
    return best >= 0 ? best : nearestBin(r, f);
}

} // namespace

std::vector<TracePoint> traceLine(const results::ResultSet& r, int window, int bin, double band,
                                  TraceBy by) {
    std::vector<TracePoint> trace(static_cast<std::size_t>(r.windows));
    if (r.windows == 0 || r.bins == 0)
        return {};
    trace[static_cast<std::size_t>(window)] = pointAt(r, window, bin);
    for (int w = window + 1; w < r.windows; ++w)
        trace[w] = pointAt(r, w, bestInBand(r, w, trace[w - 1].frequency, band, by));
    for (int w = window - 1; w >= 0; --w)
        trace[w] = pointAt(r, w, bestInBand(r, w, trace[w + 1].frequency, band, by));
    return trace;
}

int snapToPeak(const results::ResultSet& r, int window, double f, TraceBy by) {
    const int start = nearestBin(r, f);
    int best = -1;
    for (int i = 0; i < r.bins; ++i) {
        const double s = score(r, window, i, by);
        const bool peak = (i == 0 || s >= score(r, window, i - 1, by)) &&
                          (i + 1 == r.bins || s >= score(r, window, i + 1, by));
        if (peak && (best < 0 || std::abs(i - start) < std::abs(best - start)))
            best = i;
    }
    return best >= 0 ? best : start;
}

} // namespace tuning
