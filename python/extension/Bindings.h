// The parts of the extension module tonalith._core, each adding its functions or class, with
// their docstrings, to the module.
#pragma once

#include "core/analysis/ParameterCatalogue.h"

#include <pybind11/pybind11.h>

namespace pymodule {

void bindAnalysis(pybind11::module_& m); // the class Analysis, with peaks() and trace()
void bindLoad(pybind11::module_& m);
void bindAnalyze(pybind11::module_& m);
void bindSpectrum(pybind11::module_& m);
void bindTune(pybind11::module_& m);
void bindTapers(pybind11::module_& m);
void bindBandpass(pybind11::module_& m);
void bindTimeOpt(pybind11::module_& m);
void bindETimeOpt(pybind11::module_& m);
void bindMisfit(pybind11::module_& m);
void bindSedrate(pybind11::module_& m);   // tune_sedrate
void bindCatalogue(pybind11::module_& m); // parameter_catalogue, for the tests

// A keyword argument with the catalogue's default for it in the tool's command of the same job:
// a float, an int, False, the text, or a (low, high) pair for a default written LOW:HIGH.
pybind11::arg_v keyword(const char* name, analysis::Command command);

} // namespace pymodule
