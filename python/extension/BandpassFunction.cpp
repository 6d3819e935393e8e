// bandpass(): the zero-phase band-pass of a series and its amplitude envelope.
#include "core/astro/AstroFiles.h"
#include "core/astro/BandPass.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/SeriesArguments.h"

#include <pybind11/numpy.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

py::dict bandpass(const py::object& positions, const py::object& values, const py::object& passband,
                  const py::object& interpolate, bool log, const std::string& detrend,
                  bool standardise) {
    const astro::Band band = bandArgument(passband, "passband");
    analysis::RunRequest request;
    request.seriesOnly = true;
    const analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);
    astro::BandPassed f;
    {
        py::gil_scoped_release release;
        f = astro::bandPass(run.series.yval, run.provenance.deltat, band);
    }
    if (f.problem)
        refuse(*f.problem);
    if (!astro::allFinite(f.filtered) || !astro::allFinite(f.envelope))
        throw std::runtime_error("the results hold numbers that are not finite");
    const auto array = [](const std::vector<double>& v) {
        return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
    };
    py::dict d;
    d["position"] = array(run.series.xpos);
    d["value"] = array(run.series.yval);
    d["filtered"] = array(f.filtered);
    d["envelope"] = array(f.envelope);
    py::array_t<bool> edge(static_cast<py::ssize_t>(f.edge.size()));
    for (std::size_t i = 0; i < f.edge.size(); ++i)
        edge.mutable_at(i) = f.edge[i];
    d["edge"] = edge;
    return d;
}

const char* bandpassDoc = R"(The band-passed series and its amplitude envelope, as
``tonalith-cli filter --passband FLO:FHI`` makes them.

The filter is zero-phase, with a gain of 1 within the band falling to 0 along a raised cosine
over a quarter of the band's width beyond each edge; the envelope is the modulus of the analytic
signal of the filtered series. The series is prepared as for `analyze` first. Near the
record's ends the filter sees only part of its span and both sag: `edge` marks the samples
where the envelope of a unit sinusoid at the band's centre, filtered alike over the same
samples, falls below 0.9.

Parameters
----------
positions, values : array_like
    As for `analyze`; unevenly spaced positions are refused (ValueError) unless `interpolate`
    resamples them.
passband : tuple of float
    (low, high) in cycles per position unit, within (0, Nyquist).
interpolate, log, detrend, standardise
    As for `analyze`.

Returns
-------
dict
    1-D arrays, one entry per sample: position, value (the series after preparation),
    filtered, envelope (float64) and edge (bool).

Raises
------
ValueError
    Starting with the argument at fault ("passband: ...", "values: ...").
RuntimeError
    When the results hold numbers that are not finite.)";

} // namespace

void bindBandpass(py::module_& m) {
    m.def("bandpass", &bandpass, py::arg("positions"), py::arg("values"), py::kw_only(),
          py::arg("passband"), py::arg("interpolate") = py::none(),
          keyword("log", analysis::Command::Filter), keyword("detrend", analysis::Command::Filter),
          keyword("standardise", analysis::Command::Filter), bandpassDoc);
}

} // namespace pymodule
