// tune_sedrate(): the age model and tuned series from a sedimentation-rate track.
#include "core/text/NumberText.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/SedimentationRate.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/EnsembleArguments.h"
#include "python/extension/Refusals.h"
#include "python/extension/SeriesArguments.h"
#include "python/extension/TuningArguments.h"

#include <cmath>
#include <string>

namespace py = pybind11;

namespace pymodule {

namespace {

// The flag of each row from the track's own field, or none (a track without flags is taken as
// it is).
std::vector<tuning::RateFlag> rateFlags(const TableColumns& columns, const py::object& trackX,
                                        std::size_t rows) {
    std::vector<tuning::RateFlag> out;
    if (!columns.structured || !trackX.attr("dtype").attr("names").contains("flag"))
        return out;
    for (const py::handle f : trackX["flag"]) {
        const std::string text = py::str(f).cast<std::string>();
        const auto flag = tuning::parseRateFlag(text);
        if (!flag)
            throw py::value_error("track_positions: row " + std::to_string(out.size() + 1) +
                                  ": the flag '" + text + "' is not ok, weak, jump, alias or edge");
        out.push_back(*flag);
    }
    if (out.size() != rows)
        throw py::value_error("track_positions: the flags and the rows differ in number");
    return out;
}

py::dict tuneSedrate(const py::object& positions, const py::object& values,
                     const py::object& trackX, const py::object& trackRate,
                     const std::string& positionsIn, double startAge, const py::object& step,
                     bool acceptFlags, const std::string& rateColumn, int ensemble,
                     const py::object& seed, double interval, const py::object& anchors,
                     const py::object& windowLength, bool returnEnsemble) {
    const TuningSeries series = tuningSeries(positions, values);
    // The rate the lines and the test agree on, where the track has it.
    std::string column = rateColumn;
    if (column.empty())
        column = py::hasattr(trackX, "dtype") && !trackX.attr("dtype").attr("names").is_none() &&
                         trackX.attr("dtype").attr("names").contains(tuning::identifiedRateColumn)
                     ? tuning::identifiedRateColumn
                     : tuning::optimumRateColumn;
    else if (!trackRate.is_none())
        throw py::value_error("rate_column: it names a field of a structured track; give the "
                              "track alone");
    const TableColumns columns =
        tableColumns(trackX, trackRate, "x_centre", column.c_str(), "track_positions, track_rates");
    const Doubles x = seriesArray(columns.first, "track_positions");
    const Doubles rate = seriesArray(columns.second, "track_rates");
    if (x.size() != rate.size())
        throw py::value_error("track_positions, track_rates: the lengths differ");
    const double metres = positionUnit(positionsIn);
    if (!std::isfinite(startAge))
        throw py::value_error("start_age: " + text::writtenNumber(startAge) +
                              " is not a finite number");
    const double s = tuningStep(step);
    const tuning::RateTrack track{{x.data(), x.data() + x.size()},
                                  {rate.data(), rate.data() + rate.size()}};
    if (const auto problem = tuning::checkRateTrack(track))
        throw py::value_error("track: " + *problem);
    tuning::ReadRateTrack read{
        track, {}, rateFlags(columns, trackX, static_cast<std::size_t>(x.size())), column, {}};
    for (py::ssize_t i = 0; i < x.size(); ++i)
        read.lines.push_back(static_cast<int>(i + 1));
    if (!acceptFlags)
        if (const auto problem = tuning::flaggedRateRowsProblem(read, "accept_flags=True"))
            throw py::value_error("accept_flags: " + *problem);
    const EnsembleArguments e =
        ensembleArguments(ensemble, seed, interval, windowLength, 0, anchors, returnEnsemble,
                          startAge, series.positions);
    std::string noIntervals;
    const auto spread = structuredSpread(trackX, columns.structured, track.position, track.rate,
                                         "rate_low", "rate_high", &noIntervals);
    return ensembleResult(series.positions, series.values, s,
                          spread ? *spread : tuning::pointSpread(track.position, track.rate),
                          noIntervals, "track_positions",
                          {tuning::RowIntegral::Kind::Rate, 0, 0, metres}, e, "rate");
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
    x_centre and identified_rate, or sedimentation_rate where it has no identified_rate, are
    used, and `track_rates` is not given).
track_rates : array_like, optional
    The sedimentation rate at each of the track's positions, cm/kyr, above 0.
positions_in : {'m', 'cm', 'mm'}
    The unit of the positions (and of the track's).
start_age : float
    The age of the first position, kyr.
step : float, optional
    When given, the tuned series is resampled linearly at start_age, start_age + step, ...
accept_flags : bool
    A track from `etimeopt` whose windows are flagged edge, alias or jump is refused
    (ValueError naming the first) unless True.
rate_column : str
    The structured track's field of rates to integrate; empty: identified_rate where the track
    has it, else sedimentation_rate.
ensemble, seed, interval, anchors, window_length, return_ensemble
    As for `tune`; the intervals are the track's fields rate_low and rate_high (with
    mode_share where present), as `etimeopt` returns them, and the anchors' ages are in kyr.

Returns
-------
dict
    1-D float64 arrays: position, age (kyr), sedimentation_rate (position units per kyr),
    tuned_age, tuned_value; with an ensemble or anchors, the entries `tune` adds.

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
          keyword("start_age", analysis::Command::Tune), py::arg("step") = py::none(),
          keyword("accept_flags", analysis::Command::Tune),
          keyword("rate_column", analysis::Command::Tune),
          keyword("ensemble", analysis::Command::Tune), keyword("seed", analysis::Command::Tune),
          keyword("interval", analysis::Command::Tune), py::arg("anchors") = py::none(),
          py::arg("window_length") = py::none(),
          keyword("return_ensemble", analysis::Command::Tune), sedrateDoc);
}

} // namespace pymodule
