// The arguments of the astronomical functions (bandpass, timeopt, etimeopt, tune_sedrate) as
// the tool's options make them, with refusals as ValueError naming the argument.
#pragma once

#include "core/analysis/ParameterCatalogue.h"
#include "core/analysis/RunParameters.h"
#include "core/astro/AstroProblem.h"
#include "core/astro/BandPass.h"
#include "core/astro/TimeOpt.h"

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
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
// columns period and kind, or a sequence of (period, kind) pairs, kind "e", "o" or "p"; age_ma
// None or an age (Ma) whose precession and obliquity periods replace the defaults (not with
// targets).
struct TestSettings {
    astro::TimeOptSettings settings;
    std::optional<double> ageMa;
};
TestSettings timeOptSettings(const std::string& positionsIn, double sedmin, double sedmax,
                             int numsed, bool linearGrid, const pybind11::object& precessionBand,
                             const pybind11::object& targets, const pybind11::object& ageMa);

// The periods tested against, as the result gives them: "targets", a dict of 1-D float64
// arrays eccentricity, obliquity and precession (kyr); "age_ma" and "precession_constant"
// (arcsec/yr), None without an age.
void addTargets(pybind11::dict& result, const TestSettings& test);

// A seed within the catalogue's range: the surrogates' (Seed) or another entry's.
std::uint64_t seedArgument(const pybind11::object& seed,
                           analysis::ParameterId id = analysis::ParameterId::Seed);

// A number of surrogates within the catalogue's range (0: no significance).
void checkSimulations(int sims);

// A value of the catalogue's entry `id`, refused as ValueError naming `keyword`.
void checkEntry(analysis::ParameterId id, double value, const char* keyword);

// The lines' F-test in windows of `window` samples stepped by `step`: tbw, tapers and nfft
// (None: the smallest power of two at least twice the window) checked as the tool checks them.
analysis::RunParameters lineTest(double tbw, int tapers, const pybind11::object& nfft, int window,
                                 int step);

// The modes of a rate's interval as a structured array with the float64 fields low, high,
// peak and share, one row per mode, increasing.
pybind11::object modeRows(const astro::RateInterval& interval);

} // namespace pymodule
