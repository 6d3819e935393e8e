// Reading a measured series from a plain-text data file: one sample per line, tab-separated
// fields, the first field the position (depth or time), optional header lines. Numbers are
// read with the C locale whatever the process locale is.
//
// Line handling: the text is split at line feeds; a carriage return before a line feed is
// removed (Windows line ends). Lines and fields are trimmed of blanks and tabs, including the
// Unicode space separators. Runs of tabs count as one separator. A field is a number when a
// C-locale strtod consumes all of it (so "1,5" and "3 m" are not numbers).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace series {

// A line after the skipped ones that is not blank, not a '#' comment and not the line of
// column titles, yet gave no sample: it has too few fields, or no number in the position or the
// chosen column. Such lines are dropped, never silently: the front ends name them.
struct DroppedLine {
    int line = 0;     // 1-based file line
    std::string text; // the field that is not a number, or the line and the field it lacks
};

struct Series {
    std::vector<double> xpos;         // positions, first field
    std::vector<double> yval;         // values, the chosen field
    std::vector<int> lines;           // 1-based file line of each sample, for messages
    std::vector<DroppedLine> dropped; // in file order
};

// The dropped lines as the tool's warning and the result files' header give them: their count
// and the first `named` ("2 (59: n/a, 1002: 401.965926x)"); empty when none was dropped.
std::string droppedLinesText(const std::vector<DroppedLine>& dropped, int named = 3);

// The whole file as UTF-8 text. A UTF-8 byte-order mark is dropped, UTF-16 text (with its
// byte-order mark) is converted, and bytes that are not UTF-8 are read as Latin-1. A file that
// cannot be read, is a directory or holds NUL bytes outside UTF-16 gives no text and a reason.
std::optional<std::string> readText(const std::string& path, std::string* why = nullptr);

// Lines of the text (split at line feeds, a carriage return before each removed).
std::vector<std::string_view> splitLines(std::string_view text);

// Drops leading and trailing blanks and tabs, Unicode space separators included.
std::string_view trimBlanks(std::string_view s);

// Fields of one line: trimmed, split at tabs (at semicolons in a line without a tab, else at
// commas), empty pieces dropped, each piece trimmed.
std::vector<std::string_view> splitFields(std::string_view line);

// The number a field holds, read as C-locale strtod reads it, or nothing when any character
// is left over or the field is empty.
std::optional<double> parseNumber(std::string_view field);

// The line that names the columns: the first line, or the first after a block of '#' comment
// lines (the header of a result file). A single '#' line with tab-separated fields is taken
// as a commented header itself.
std::string_view titleLine(const std::vector<std::string_view>& lines);

// Titles for the value columns from the first line: its fields after the first when it is a
// header, else "Column 2" .. "Column N". Empty when the line has fewer than 2 fields.
std::vector<std::string> columnTitles(std::string_view firstLine, bool header);

// Positions and values (field `column`) of every valid data line after the first `skip`
// lines, and the lines dropped (DroppedLine). No series when the file cannot be read, skip is
// negative, or no line is left after the skipped ones; an empty series when no line held two
// numbers there.
std::optional<Series> loadSeries(const std::string& path, int skip, int column,
                                 std::string* why = nullptr);
// The same from text already read.
std::optional<Series> parseSeries(std::string_view text, int skip, int column,
                                  std::string* why = nullptr);

// The median of the spacings between successive positions (1 for fewer than two samples).
double medianSpacing(const Series& s);

// The series resampled at even spacing `step` from its first position to its last, values by
// linear interpolation between the neighbouring samples. Positions must increase. Each new
// sample carries the file line of the sample at or before it. Nothing when it would hold more
// than maxSamples samples.
std::optional<Series> resampleEvenly(const Series& s, double step, std::size_t maxSamples);

// How many samples resampleEvenly would make.
double resampledCount(const Series& s, double step);

// Why no data line was found after the skipped lines, for a message: comma-separated lines,
// decimal commas, lines without the chosen field, or no numbers where they were expected.
std::string explainEmptySeries(const std::string& text, int skip, int column);

} // namespace series
