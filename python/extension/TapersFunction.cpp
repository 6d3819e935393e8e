// tapers(): Slepian tapers and their concentration ratios.
#include "core/service/AnalysisService.h"
#include "core/text/NumberText.h"
#include "python/extension/Bindings.h"
#include "python/extension/Refusals.h"

#include <pybind11/numpy.h>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace py = pybind11;

namespace pymodule {

namespace {

py::tuple tapers(int n, int k, double tbw) {
    if (const auto problem = spectrum::checkTapers(n, k, tbw)) {
        using analysis::ParameterId;
        const std::string value = problem->argument == ParameterId::TaperLength ? std::to_string(n)
                                  : problem->argument == ParameterId::TaperCount
                                      ? std::to_string(k)
                                      : text::exactNumber(tbw);
        throw py::value_error(analysis::parameter(problem->argument).keyword + (" " + value) +
                              ": " + problem->text);
    }
    spectrum::TaperSet t;
    {
        py::gil_scoped_release release;
        service::Execution quiet; // the taper warnings would clutter a script's output
        quiet.quiet = true;
        t = service::computeTapers(n, k, tbw, quiet);
    }
    if (t.status != 0)
        throw std::runtime_error("the tapers could not be computed (status " +
                                 std::to_string(t.status) + ")");
    py::array_t<double> out({static_cast<py::ssize_t>(k), static_cast<py::ssize_t>(n)});
    std::copy(t.tapers.begin(), t.tapers.end(), out.mutable_data()); // taper j is row j
    py::array_t<double> ratios(static_cast<py::ssize_t>(k), t.ratios.data());
    return py::make_tuple(out, ratios);
}

const char* tapersDoc = R"(The Slepian (discrete prolate spheroidal) tapers, as ``tonalith-cli
tapers`` gives them.

They are computed in 128-bit precision as for the analysis.

Parameters
----------
n : int
    The taper length, 2 .. 524288.
k : int
    The number of tapers, 1 .. min(10, n).
tbw : float
    The time-bandwidth product (half-bandwidth tbw / n cycles per sample), 0 < tbw < n / 2.

Returns
-------
tapers : numpy.ndarray
    A (k, n) float64 array, taper 1 (the most concentrated) first, each of unit energy.
ratios : numpy.ndarray
    The k concentration ratios: the fraction of each taper's energy within the band, close to
    1 for k well below 2 tbw.

Raises
------
ValueError
    Naming the argument at fault.)";

} // namespace

void bindTapers(py::module_& m) {
    m.def("tapers", &tapers, py::arg("n"), py::arg("k"), py::arg("tbw"), tapersDoc);
}

} // namespace pymodule
