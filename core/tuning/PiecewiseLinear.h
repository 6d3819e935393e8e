// A quantity given at increasing positions, linear between them and held beyond the ends: a
// traced line's frequency, a sedimentation rate. Its checks and its value anywhere.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tuning {

// How a refusal names the rows and their quantity: "trace", "frequency", "frequencies must be
// above 0".
struct PiecewiseWords {
    const char* what;
    const char* quantity;
    const char* rule;
};

// A traced line's frequency.
inline const PiecewiseWords traceWords{"trace", "frequency", "frequencies must be above 0"};

// The rows as the age model needs them: at least one, positions finite and increasing, values
// finite and above 0. lines (when given) are the file lines of the rows, for messages.
std::optional<std::string> checkPiecewise(const std::vector<double>& position,
                                          const std::vector<double>& value,
                                          const std::vector<int>* lines,
                                          const PiecewiseWords& words);

// The value at z: linear between the rows, held beyond the ends (rows checked).
double piecewiseAt(const std::vector<double>& x, const std::vector<double>& v, double z);

// A text column a track's file may have (a trace's flags): its name, which texts it takes,
// and what a line that holds another says ("holds no flag (ok, weak, edge, jump or drift)").
struct OptionalColumn {
    const char* name = nullptr;
    std::function<bool(const std::string&)> valid;
    const char* refusal = "";
};

// The rows of a tab-separated file holding the track: '#' lines skipped, the first other line
// naming the columns (x_centre, the value's column, and the optional column when the file has
// it), then a position and a value on every line; checked with checkPiecewise. Refusals name
// the line. Further numeric columns (`numbers`, read where the file has them) hold a number or
// NA (read as NaN) on every line.
struct PiecewiseRows {
    std::vector<double> position, value;
    std::vector<int> lines;         // file line of each row
    std::vector<std::string> extra; // the optional column of each row; empty without it
    std::map<std::string, std::vector<double>> numbers; // the further columns the file has
};
std::optional<PiecewiseRows> readPiecewise(const std::string& text, const PiecewiseWords& words,
                                           const char* valueColumn, const OptionalColumn& optional,
                                           std::string* why,
                                           const std::vector<std::string>& numbers = {});

} // namespace tuning
