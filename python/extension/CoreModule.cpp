// tonalith._core: the compiled part of the package tonalith, a thin front end over the core
// libraries. The package's __init__.py documents it and exports its names.
#include "python/extension/Bindings.h"

PYBIND11_MODULE(_core, m) {
    m.doc() = "The compiled part of tonalith; import tonalith instead.";
    m.attr("__version__") = TONALITH_VERSION;
    pymodule::bindAnalysis(m);
    pymodule::bindLoad(m);
    pymodule::bindAnalyze(m);
    pymodule::bindSpectrum(m);
    pymodule::bindTune(m);
    pymodule::bindTapers(m);
    pymodule::bindBandpass(m);
    pymodule::bindTimeOpt(m);
    pymodule::bindETimeOpt(m);
    pymodule::bindMisfit(m);
    pymodule::bindSedrate(m);
    pymodule::bindCatalogue(m);
}
