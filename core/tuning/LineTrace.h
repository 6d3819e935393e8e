// Following one spectral line through the windows of a map: from a starting window and bin,
// each next window (in both directions) takes the bin of largest amplitude, or of largest
// F-test probability, among the bins within a band around the previous window's frequency.
// An astronomical cycle drifting in frequency along a depth record is followed this way.
#pragma once

#include "core/results/ResultSet.h"

#include <optional>
#include <string>
#include <vector>

namespace tuning {

enum class TraceBy { Amplitude, Probability };

// "amplitude" or "probability".
std::optional<TraceBy> parseTraceBy(const std::string& text);
const char* traceByName(TraceBy by);

struct TracePoint {
    int window = 0;
    int bin = 0;
    double centre = 0, frequency = 0, amplitude = 0, probability = 0;
};

// The half-bandwidth W = tbw / (window x spacing) of the run, in cycles per position unit; the
// default band is W / 2.
double halfBandwidth(const results::ResultSet& r);

// The window whose centre is nearest x, and the bin whose frequency is nearest f.
int nearestWindow(const results::ResultSet& r, double x);
int nearestBin(const results::ResultSet& r, double f);

// The whole trace, one point per window in position order, started at (window, bin) and
// followed both ways. A band narrower than the bin spacing keeps the nearest bin.
std::vector<TracePoint> traceLine(const results::ResultSet& r, int window, int bin, double band,
                                  TraceBy by);

// The local maximum of the criterion nearest frequency f in one window (the bin itself when
// the spectrum has none): where a dragged point snaps to.
int snapToPeak(const results::ResultSet& r, int window, double f, TraceBy by);

// A point of the trace at a given window and bin.
TracePoint pointAt(const results::ResultSet& r, int window, int bin);

} // namespace tuning
