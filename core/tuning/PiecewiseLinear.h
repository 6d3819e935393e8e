// A quantity given at increasing positions, linear between them and held beyond the ends: a
// traced line's frequency, a sedimentation rate. Its checks and its value anywhere.
#pragma once

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

// The rows as the age model needs them: at least one, positions finite and increasing, values
// finite and above 0. lines (when given) are the file lines of the rows, for messages.
std::optional<std::string> checkPiecewise(const std::vector<double>& position,
                                          const std::vector<double>& value,
                                          const std::vector<int>* lines,
                                          const PiecewiseWords& words);

// The value at z: linear between the rows, held beyond the ends (rows checked).
double piecewiseAt(const std::vector<double>& position, const std::vector<double>& value, double z);

} // namespace tuning
