// One analysis's results with how they were made: the engine's rows (window-major, frequency
// ascending within a window) and the provenance a result file records.
#pragma once

#include "core/analysis/Provenance.h"

#include <optional>
#include <string>
#include <vector>

namespace results {

struct ResultSet {
    analysis::Provenance provenance;
    int windows = 0;
    int bins = 0;
    std::vector<double> xcent, freq, ampl, prob; // windows * bins rows each
    std::vector<double> positions, values;       // the series that was analysed

    double centre(int window) const { return xcent[static_cast<std::size_t>(window) * bins]; }
    double frequency(int bin) const { return freq[static_cast<std::size_t>(bin)]; }
    std::size_t row(int window, int bin) const {
        return static_cast<std::size_t>(window) * bins + bin;
    }
};

// Window-major rows (`rows` values per window, `cols` windows) to a row-major matrix with one
// row per frequency: result[i * cols + j] = a[i + j * rows]. Nothing when a is too short.
std::optional<std::vector<double>> transposeGrid(const std::vector<double>& a, std::size_t rows,
                                                 std::size_t cols);

// Whether the engine's four result arrays hold finite numbers only (they are written as
// results only then).
bool resultsFinite(const std::vector<double>& xcent, const std::vector<double>& freq,
                   const std::vector<double>& ampl, const std::vector<double>& prob);

// Number of distinct values (floating-point equality).
std::size_t distinctCount(const std::vector<double>& v);

// A spectral line of one window: a local maximum of probability among the bins whose
// probability reaches the level.
struct Peak {
    double centre;
    double frequency;
    double period; // 1 / frequency, in position units
    double amplitude;
    double probability;
};

// Which bins may hold a line: those whose probability reaches `level` and, with a false
// discovery rate fdr > 0, those the Benjamini-Hochberg procedure keeps at that rate over the
// window's tested bins (p = 1 - probability).
struct LineRule {
    double level = 0.95;
    double fdr = 0; // 0: no false-discovery control
};

// The lines of one window: in each run of adjacent bins the rule keeps, the bins whose
// probability is a local maximum; on a plateau of equal probability (often exactly 1), the bin
// of largest amplitude stands for it. Frequency 0 (the mean, or a trend) is never a line.
std::vector<Peak> findPeaks(const ResultSet& r, int window, const LineRule& rule);
std::vector<Peak> findPeaks(const ResultSet& r, int window, double level);

// Bins of a window whose probability was evaluated (at most 1): the tests of the window.
int testedBins(const ResultSet& r, int window);

// What a rule means for a window of `tested` bins of a run with parameters p, in one line: the
// expected number of lines that pass by chance alone (expectedChanceLines), or the
// false-discovery control.
std::string lineRuleText(const LineRule& rule, const analysis::RunParameters& p, int tested);

} // namespace results
