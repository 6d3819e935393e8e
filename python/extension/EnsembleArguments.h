// What tune() and tune_sedrate() take beyond the single model: the ensemble (ensemble=, seed=,
// interval=, window_length=, period_sd=, return_ensemble=) and the anchors (anchors=), checked
// against the catalogue as the tool checks its options, and what they add to the result: the
// band, the duration with its interval, the anchors' misses and the possible hiatuses.
#pragma once

#include "core/tuning/AgeEnsemble.h"

#include <pybind11/pybind11.h>

#include <optional>
#include <string>
#include <vector>

namespace pymodule {

struct EnsembleArguments {
    tuning::EnsembleSettings settings;
    std::optional<double> windowLength; // window_length=; None: not given
    double periodSd = 0;
};

// The arguments, each checked by its catalogue entry; the anchors checked against the sorted
// positions z; start_age refused beside anchors (when not 0).
EnsembleArguments ensembleArguments(int ensemble, const pybind11::object& seed, double interval,
                                    const pybind11::object& windowLength, double periodSd,
                                    const pybind11::object& anchors, bool returnEnsemble,
                                    double startAge, const std::vector<double>& z);

// The rows' intervals from the fields lowField and highField (and mode_share where present) of
// a structured array, or why there are none ("" when there are).
std::optional<tuning::RowSpread> structuredSpread(const pybind11::object& table, bool structured,
                                                  const std::vector<double>& position,
                                                  const std::vector<double>& value,
                                                  const char* lowField, const char* highField,
                                                  std::string* why);

// The model with its band (and the rest) into the result's dict: the single model's keys, and
// age_low, age_median, age_high, duration, duration_low, duration_high with an ensemble; with
// anchors, duration and anchor_misses; with either, hiatuses; ensemble (members x samples) when
// asked for. `rows` carries the intervals (ensemble > 0: required, else `noIntervals` says why
// not, in a ValueError naming `intervalsArgument`); quantity words the hiatuses.
pybind11::dict ensembleResult(const std::vector<double>& z, const std::vector<double>& values,
                              double step, tuning::RowSpread rows, const std::string& noIntervals,
                              const char* intervalsArgument, const tuning::RowIntegral& how,
                              const EnsembleArguments& a, const std::string& quantity);

} // namespace pymodule
