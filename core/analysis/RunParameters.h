// The analysis parameters of one run and the checks made before the engine is called, with
// messages in the user's terms. Shared by the application and the command-line tool.
#pragma once

#include "core/analysis/ParameterCatalogue.h"
#include "core/series/SeriesFile.h"

#include <optional>
#include <string>

namespace analysis {

// Each window's own mean or least-squares line, removed before tapering (after the record's
// mean).
enum class WindowDetrend { None, Mean, Linear };

// The defaults are the catalogue's.
struct RunParameters {
    double tbw = parameterDefault(ParameterId::Tbw);                      // time-bandwidth product
    int tapers = static_cast<int>(parameterDefault(ParameterId::Tapers)); // number of tapers
    int window = static_cast<int>(parameterDefault(ParameterId::Window)); // samples per window
    int step = static_cast<int>(parameterDefault(ParameterId::Step));     // window step, samples
    int nfft = static_cast<int>(parameterDefault(ParameterId::Nfft));     // transform length
    double fmax = parameterDefault(ParameterId::Fmax); // highest frequency kept, cycles per sample
    WindowDetrend windowDetrend = WindowDetrend::None;
};

// What the engine holds: samples in a series or a window, transform length, tapers (its
// capacities, which RunParameters.cpp checks these equal; the engine is core's own part).
constexpr int maxSamples = 524288;
constexpr int maxTransformLength = 1048576;
constexpr int maxTapers = 10;

// "none", "mean" or "linear".
std::optional<WindowDetrend> parseWindowDetrend(const std::string& text);
const char* windowDetrendName(WindowDetrend how);

// Where a problem was found: reading the file, finding its value column, reading its data
// lines, checking the series or the spacing of its positions, resampling, preparing the values,
// or checking the parameters against the series. The parameter at fault, where there is one, is
// the catalogue's.
enum class Stage { File, Column, Data, Series, Spacing, Resampling, Preparation, Parameters };

// The most results (windows x frequencies) one run may give: about 1.6 GB of result arrays.
constexpr double maxResultCells = 50e6;

// The spacings of an unevenly spaced series: what resampling at the median would take.
struct SpacingRange {
    double smallest = 0, median = 0, largest = 0;
};

// Which of a series' two fields a problem of its data is about.
enum class SeriesField { Both, Positions, Values };

struct Problem {
    Stage stage;
    std::string text; // says what is wrong and what is allowed
    // The catalogue's parameter at fault, so that each front end names it in its own spelling
    // (flag, keyword, label); nothing for problems of the file or its data.
    std::optional<ParameterId> parameter = std::nullopt;
    // Set when the series is refused for its uneven spacing, so that a front end can word the
    // remedy in its own terms (unevenSpacingText).
    std::optional<SpacingRange> spacing = std::nullopt;
    SeriesField field = SeriesField::Both; // the field of a refused series
};

// The refusal of an unevenly spaced series, ending in the remedy: `option` followed by the
// median spacing, e.g. "--interpolate " gives "--interpolate 2.5". Numbers to six digits.
std::string unevenSpacingText(const SpacingRange& s, const std::string& option);

// The transform length of a whole-record spectrum by default: the smallest power of two at
// least 2n (n >= 1; at most 2^30).
int wholeRecordTransformLength(int n);

// A run that the engine would refuse: the first parameter at fault, or nothing.
std::optional<Problem> checkParameters(const RunParameters& p, int npts, double deltat);

// Sample spacing as the run takes it: the difference of the first two positions (1 for a
// single sample).
double sampleSpacing(const series::Series& s);

// A series that cannot be analysed: fewer than two samples, more than the engine holds,
// values or positions that are not finite numbers, positions that do not increase. The message
// names the first offending line.
std::optional<Problem> checkSeries(const series::Series& s);

// Values beyond this magnitude are refused: the transforms square sums of up to NMAX of them,
// which would overflow double precision.
constexpr double largestValue = 1e100;

// The values as the engine would get them (after preparation): the first beyond largestValue,
// with what to do about it.
std::optional<Problem> checkMagnitude(const series::Series& s);

// Uneven spacing: the largest deviation of a spacing from the first one, when it exceeds 1e-6
// of it. The text says so with the numbers; the run goes on.
struct SpacingReport {
    bool even = true;
    double deltat = 1.0;
    double largestDeviation = 0.0;
    int line = 0;       // file line where the largest deviation ends
    std::string detail; // how uneven: the spacing taken and the largest deviation from it
    std::string text;   // "the positions are not evenly spaced: " and the detail
};
SpacingReport checkSpacing(const series::Series& s);

// The smallest, median and largest spacing of a series of at least two samples.
SpacingRange spacingRange(const series::Series& s);

// Windows and frequency rows of a run, counted as the engine counts them.
int windowCount(const RunParameters& p, int npts);
int binCount(const RunParameters& p);

} // namespace analysis
