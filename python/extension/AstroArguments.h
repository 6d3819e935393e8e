// The arguments of the astronomical functions (bandpass, timeopt, etimeopt, tune_sedrate) as
// the tool's options make them, with refusals as ValueError naming the argument.
#pragma once

#include "core/analysis/RunParameters.h"
#include "core/astro/AstroProblem.h"
#include "core/astro/BandPass.h"
#include "core/astro/TimeOpt.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>

namespace pymodule {

// The argument a problem of the astronomical computations is about, as the module spells it.
std::string argumentOf(const astro::Problem& problem);

// ValueError "argument: text".
[[noreturn]] void refuse(const astro::Problem& problem);

// (low, high): two numbers; `name` words the refusal.
astro::Band bandArgument(const pybind11::object& band, const char* name);

// Metres per position unit for positions_in ("m", "cm" or "mm").
double positionUnit(const std::string& unit);

// The test's settings; targets None (the default periods), a file (str or path) with the
// columns period and kind, or a sequence of (period, kind) pairs, kind "e" or "p".
astro::TimeOptSettings timeOptSettings(const std::string& positionsIn, double sedmin, double sedmax,
                                       int numsed, bool linearGrid,
                                       const pybind11::object& precessionBand,
                                       const pybind11::object& targets);

// A seed of the surrogates within the catalogue's range.
std::uint64_t seedArgument(const pybind11::object& seed);

// A number of surrogates within the catalogue's range (0: no significance).
void checkSimulations(int sims);

// A value of the catalogue's entry `id`, refused as ValueError naming `keyword`.
void checkEntry(analysis::ParameterId id, double value, const char* keyword);

// The lines' F-test in windows of `window` samples stepped by `step`: tbw, tapers and nfft
// (None: the smallest power of two at least twice the window) checked as the tool checks them.
analysis::RunParameters lineTest(double tbw, int tapers, const pybind11::object& nfft, int window,
                                 int step);

} // namespace pymodule
