// Result files: the rows as the command-line tool writes them, grids in the layout of the
// field's R tools (frequency down, one column per window centre), and peak lists, each with a
// header block of '#' lines saying how the results were made. Numbers read back to the same
// double. Tab- or comma-separated.
#pragma once

#include "OutputFile.h"
#include "ResultSet.h"

#include <string>

namespace results {

enum class Separator : char { Tab = '\t', Comma = ',' };
enum class GridOf { Amplitude, Probability };

// The '#' lines: program and version, input, column, every parameter, spacing, interpolation.
std::string headerBlock(const Provenance& p, const std::string& what);

// Shortest decimal text that reads back to the same double.
void appendNumber(std::string& out, double v);

bool writeRows(OutputFile& out, const ResultSet& r, Separator sep);
bool writeGrid(OutputFile& out, const ResultSet& r, GridOf which, Separator sep);
bool writePeaks(OutputFile& out, const ResultSet& r, double level, Separator sep);

// The row header, as the command-line tool writes it.
constexpr const char* rowHeader = "x_centre\tfrequency\tamplitude\tprobability";

// Program version recorded in result files.
const char* programVersion();

} // namespace results
