// tune_sedrate(): the age model and tuned series from a sedimentation-rate track.
#include "core/text/NumberText.h"
#include "core/tuning/SedimentationRate.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/Refusals.h"
#include "python/extension/SeriesArguments.h"
#include "python/extension/TuningArguments.h"

#include <cmath>
#include <string>

namespace py = pybind11;

namespace pymodule {

namespace {

py::dict tuneSedrate(const py::object& positions, const py::object& values,
                     const py::object& trackX, const py::object& trackRate,
                     const std::string& positionsIn, double startAge, const py::object& step) {
    const TuningSeries series = tuningSeries(positions, values);
    const TableColumns columns = tableColumns(trackX, trackRate, "x_centre", "sedimentation_rate",
                                              "track_positions, track_rates");
    const Doubles x = seriesArray(columns.first, "track_positions");
    const Doubles rate = seriesArray(columns.second, "track_rates");
    if (x.size() != rate.size())
        throw py::value_error("track_positions, track_rates: the lengths differ");
    const double metres = positionUnit(positionsIn);
    if (!std::isfinite(startAge))
        throw py::value_error("start_age: " + text::exactNumber(startAge) +
                              " is not a finite number");
    const double s = tuningStep(step);
    const tuning::RateTrack track{{x.data(), x.data() + x.size()},
                                  {rate.data(), rate.data() + rate.size()}};
    if (const auto problem = tuning::checkRateTrack(track))
        throw py::value_error("track: " + *problem);
    const tuning::AgeModel m =
        tuning::sedimentationAgeModel(series.positions, track, metres, startAge);
    return tuningResult(m, tuning::tunedSeries(m, series.values, s));
}

const char* sedrateDoc = R"(The age model and tuned series from a sedimentation-rate track, as
``tonalith-cli tune --sedrate TRACK`` makes them.

The rate s(z) (cm/kyr) is linear in position between the track's rows and held at the ends;
age(z) = start_age + the integral of 100 / s from the first position to z, z in metres.

Parameters
----------
positions, values : array_like
    The series (1-D, equal lengths, positions increasing).
track_positions : array_like or numpy.ndarray
    The track's positions, increasing; or the whole track as `etimeopt` returns it (its fields
    x_centre and sedimentation_rate are used, and `track_rates` is not given).
track_rates : array_like, optional
    The sedimentation rate at each of the track's positions, cm/kyr, above 0.
positions_in : {'m', 'cm', 'mm'}
    The unit of the positions (and of the track's).
start_age : float
    The age of the first position, kyr.
step : float, optional
    When given, the tuned series is resampled linearly at start_age, start_age + step, ...

Returns
-------
dict
    1-D float64 arrays: position, age (kyr), sedimentation_rate (position units per kyr),
    tuned_age, tuned_value.

Raises
------
ValueError
    Naming the argument at fault ("track: row N ..." for the track).
RuntimeError
    When the age model is not finite.)";

} // namespace

void bindSedrate(py::module_& m) {
    m.def("tune_sedrate", &tuneSedrate, py::arg("positions"), py::arg("values"),
          py::arg("track_positions"), py::arg("track_rates") = py::none(), py::kw_only(),
          keyword("positions_in", analysis::Command::Tune),
          keyword("start_age", analysis::Command::Tune), py::arg("step") = py::none(), sedrateDoc);
}

} // namespace pymodule
