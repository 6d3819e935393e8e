// The parts of the extension module tonalith._core, each adding its functions or class, with
// their docstrings, to the module.
#pragma once

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
void bindSedrate(pybind11::module_& m);   // tune_sedrate
void bindCatalogue(pybind11::module_& m); // parameter_catalogue, for the tests

} // namespace pymodule
