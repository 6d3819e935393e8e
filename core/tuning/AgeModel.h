// From a traced line to time: the line's frequency f(z) along the positions, linear between
// the trace's points and held at its end values beyond them, gives the sedimentation rate
// 1 / (P f(z)) for a cycle of period P, and the age model
//     age(z) = T + P * integral of f from the first sample's position to z,
// integrated exactly for the piecewise-linear f. The tuned series puts each value at its age.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tuning {

// A trace as the age model reads it: positions strictly increasing, frequencies finite and
// above 0 (cycles per position unit).
struct Trace {
    std::vector<double> position, frequency;
};

// Why a trace cannot make an age model (the first fault, naming its row counted from 1, or
// its line in a file when lines are given); nothing when it can.
std::optional<std::string> checkTrace(const Trace& t, const std::vector<int>* lines = nullptr);

// The trace's frequency at z: linear between points, held at the ends.
double frequencyAt(const Trace& t, double z);

struct AgeModel {
    std::vector<double> position, age, rate; // rate: position units per time unit
};

// For sorted positions z (the samples), a checked trace, period P > 0 and start age T.
AgeModel ageModel(const std::vector<double>& z, const Trace& t, double period, double startAge);

struct TunedSeries {
    std::vector<double> age, value;
};

// The values at their ages; with step > 0, linearly resampled at T, T + step, ... up to the
// last age.
TunedSeries tunedSeries(const AgeModel& m, const std::vector<double>& values, double step);

} // namespace tuning
