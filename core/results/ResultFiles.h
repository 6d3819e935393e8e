// Result files: the rows as the command-line tool writes them, grids in the layout of the
// field's R tools (frequency down, one column per window centre), and peak lists, each with a
// header block of '#' lines saying how the results were made. Numbers read back to the same
// double. Tab- or comma-separated.
#pragma once

#include "core/io/AtomicFile.h"
#include "core/results/HeaderBlock.h"
#include "core/results/ResultSet.h"
#include "core/text/NumberText.h"

#include <functional>
#include <string>

namespace results {

enum class Separator : char { Tab = '\t', Comma = ',' };
enum class GridOf { Amplitude, Probability };

// The '#' block of an analysis: program and version, input, column, every parameter, spacing,
// interpolation; a file's own lines may follow.
HeaderBlock headerBlock(const analysis::Provenance& p, const std::string& what);

// One line naming the run: file, column and parameters, for a figure's title.
std::string runSummary(const analysis::Provenance& p);

// Column titles and one row of the result rows (x_centre, frequency, amplitude, probability).
std::string rowTitles(Separator sep);
void appendRow(std::string& out, const ResultSet& r, std::size_t i, Separator sep);

// A last column `cycle` in a list of lines: the astronomical cycle each line is (e405, e100,
// o41, p23, p19 or none), named by a caller who knows the rate, and the header's line on how.
struct PeakCycles {
    std::function<std::string(const Peak&)> of;
    std::string note;
};

// The '#' block of a list of spectral lines: the analysis's, what the lines are and how they
// were chosen.
HeaderBlock peaksHeader(const ResultSet& r, const LineRule& rule);

// Column titles and the rows of a list of spectral lines (with a cycle column when asked).
std::string peakTitles(Separator sep, bool cycles = false);
void appendPeaks(std::string& out, const std::vector<Peak>& peaks, Separator sep,
                 const PeakCycles* cycles = nullptr);

bool writeRows(io::AtomicFile& out, const ResultSet& r, Separator sep);
bool writeGrid(io::AtomicFile& out, const ResultSet& r, GridOf which, Separator sep);
bool writePeaks(io::AtomicFile& out, const ResultSet& r, const LineRule& rule, Separator sep,
                const PeakCycles* cycles = nullptr);

} // namespace results
