// Following one spectral line through the windows of a map: from a starting window and bin,
// each next window (in both directions) takes the bin of largest amplitude, or of largest
// F-test probability, among the bins within a band around the previous window's frequency.
// An astronomical cycle drifting in frequency along a depth record is followed this way.
// The lowest band, below the half-bandwidth W, is never entered: a window's local mean or
// trend lives there, and a trace would slide into it. Every point carries a flag saying how
// far it can be trusted, so that a jump to another cycle cannot pass unnoticed.
#pragma once

#include "core/results/ResultSet.h"

#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace tuning {

enum class TraceBy { Amplitude, Probability };

// "amplitude" or "probability".
std::optional<TraceBy> parseTraceBy(const std::string& text);
const char* traceByName(TraceBy by);

// From least to most serious: ok; weak, the probability below the trace's level; edge, the
// chosen bin on the edge of the search band (the line may have left it); jump, the frequency
// moved by more than half the band's half-width from the window it was followed from; drift,
// on a record whose positions are ages, the frequency departs from 1 / period by more than the
// half-bandwidth W. Drift is the most serious: a cycle keeps its period in time, so such a row
// is no longer the cycle, however small the steps that led there.
enum class TraceFlag { Ok, Weak, Edge, Jump, Drift };

// "ok", "weak", "edge", "jump" or "drift".
const char* traceFlagName(TraceFlag flag);
std::optional<TraceFlag> parseTraceFlag(const std::string& text);

// The probability a traced point must reach not to be weak, by default.
constexpr double kTraceLevel = 0.95;

struct TracePoint {
    int window = 0;
    int bin = 0;
    double centre = 0, frequency = 0, amplitude = 0, probability = 0;
    TraceFlag flag = TraceFlag::Ok;
    // The interval of the line's frequency (core/tuning/FrequencyInterval.h), cycles per
    // position unit; not a number where it is not known.
    double frequencyLow = std::numeric_limits<double>::quiet_NaN();
    double frequencyHigh = std::numeric_limits<double>::quiet_NaN();
};

// The half-bandwidth W = tbw / (window x spacing) of the run, in cycles per position unit; the
// default band is W / 2.
double halfBandwidth(const results::ResultSet& r);

// The window whose centre is nearest x, and the bin whose frequency is nearest f.
int nearestWindow(const results::ResultSet& r, double x);
int nearestBin(const results::ResultSet& r, double f);

// The lowest bin a trace may take: the first at or above the half-bandwidth W.
int lowestTraceBin(const results::ResultSet& r);

// Where a trace typed at frequency f starts in `window`: the local maximum of the criterion
// nearest f among the bins within the band around f and above the lowest band; the allowed bin
// nearest f when the band holds no maximum.
int startBin(const results::ResultSet& r, int window, double f, double band, TraceBy by);

// The whole trace, one point per window in position order, started at (window, bin) and
// followed both ways, each point flagged against `level`. A band narrower than the bin spacing
// keeps the nearest bin.
std::vector<TracePoint> traceLine(const results::ResultSet& r, int window, int bin, double band,
                                  TraceBy by, double level = kTraceLevel);

// Whether a frequency has drifted from the cycle of `period` (positions are ages in its unit):
// it departs from 1 / period by more than the half-bandwidth W, the tapers' resolution.
bool drifts(double frequency, double period, double W);

// Flags drift every point of a trace on an age record that drifts (the other flags stay where
// it does not): the check against the period that the neighbours' comparison cannot make.
void flagDrift(std::vector<TracePoint>& trace, double period, double W);

// The local maximum of the criterion nearest frequency f in one window (the bin itself when
// the spectrum has none): where a dragged point snaps to.
int snapToPeak(const results::ResultSet& r, int window, double f, TraceBy by);
// Where a point of bin `from` dragged to frequency f lands: snapToPeak, except that a drag that
// left its bin never lands back on it while the window has another peak that way: on a small map
// a short drag then moves the point to the next peak in its direction.
int dragToPeak(const results::ResultSet& r, int window, int from, double f, TraceBy by);

// A point of the trace at a given window and bin.
TracePoint pointAt(const results::ResultSet& r, int window, int bin);

} // namespace tuning
