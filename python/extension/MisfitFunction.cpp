// asm(): the average spectral misfit of a series' F-test lines over trial sedimentation rates.
#include "python/extension/AnalysisRuns.h"
#include "python/extension/AstroArguments.h"
#include "python/extension/Bindings.h"
#include "python/extension/SeriesArguments.h"

#include "core/astro/SpectralMisfit.h"

#include <pybind11/numpy.h>

#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

py::dict misfit(const py::object& positions, const py::object& values,
                const std::string& positionsIn, double sedmin, double sedmax, int numsed,
                bool linearGrid, const py::object& targets, const py::object& ageMa, double tbw,
                int tapers, const py::object& nfft, double level, int sims, const py::object& seed,
                const py::object& interpolate, bool log, const std::string& detrend,
                bool standardise) {
    checkEntry(analysis::ParameterId::MisfitLevel, level, "level");
    checkEntry(analysis::ParameterId::MisfitSimulations, sims, "sims");
    astro::MisfitSettings settings;
    settings.seed = seedArgument(seed);
    settings.simulations = sims;
    const astro::Band band = astro::defaultPrecessionBand(); // the misfit takes no band
    const TestSettings test = timeOptSettings(positionsIn, sedmin, sedmax, numsed, linearGrid,
                                              py::make_tuple(band.low, band.high), targets, ageMa);
    settings.metresPerUnit = test.settings.metresPerUnit;
    settings.targets = test.settings.targets;
    analysis::RunRequest request;
    request.seriesOnly = true;
    const analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);
    const int n = static_cast<int>(run.series.yval.size());
    const service::WindowLines lines = linesRun(run, lineTest(tbw, tapers, nfft, n, 1), {level, 0});
    const astro::LineSet& record = lines.windows.front();
    const astro::MisfitScan scan =
        astro::spectralMisfit(record, astro::gridRates(test.settings.grid), settings);
    if (scan.problem)
        refuse(*scan.problem);
    const auto column = [&](double astro::MisfitRow::*field) {
        py::array_t<double> a(static_cast<py::ssize_t>(scan.rows.size()));
        for (std::size_t i = 0; i < scan.rows.size(); ++i)
            a.mutable_at(i) = scan.rows[i].*field;
        return a;
    };
    py::dict d;
    d["rates"] = column(&astro::MisfitRow::rate);
    d["misfit"] = column(&astro::MisfitRow::misfit);
    d["p_null"] = column(&astro::MisfitRow::pNull);
    d["lines"] = py::array_t<double>(static_cast<py::ssize_t>(record.frequencies.size()),
                                     record.frequencies.data());
    d["best_rate"] = scan.rows[scan.best].rate;
    d["best_misfit"] = scan.rows[scan.best].misfit;
    d["null_probability"] = scan.rows[scan.best].pNull;
    d["corrected_null_probability"] = scan.bestCorrected;
    addTargets(d, test);
    return d;
}

const char* misfitDoc = R"(The average spectral misfit (Meyers and Sageman 2007), as
``tonalith-cli asm`` makes it.

The record's harmonic F-test lines (one window the record's length) are put into time at each
trial sedimentation rate; each astronomical target between the record's Rayleigh and Nyquist
frequencies is matched with its nearest line, and the misfit is the root mean square of those
distances in cycles/kyr. Obliquity targets count only where a line lies within the tapers'
half-bandwidth. The null probability of a rate is the share of `sims` random line sets (as
many lines, uniform between the Rayleigh and Nyquist frequencies) that fit as well.

Parameters
----------
positions, values : array_like
    The series, evenly spaced (or give `interpolate`).
positions_in, sedmin, sedmax, numsed, linear_grid, targets, age_ma
    As for `timeopt` (targets may hold kind "o", obliquity).
tbw, tapers : float, int
    The tapers of the lines' F-test.
nfft : int, optional
    Its transform length; None: the smallest power of two at least twice the record.
level : float
    The F-test probability a line must reach.
sims : int
    Random line sets for the null probability.
seed : int
    Their seed.
interpolate, log, detrend, standardise
    As for `analyze`.

Returns
-------
dict
    rates, misfit (cycles/kyr), p_null (1-D float64, one per rate with two targets to count),
    lines (the lines' frequencies, cycles per position unit), best_rate, best_misfit,
    null_probability and corrected_null_probability (times the number of rates, at most 1);
    targets, age_ma and precession_constant as for `timeopt`.

Raises
------
ValueError
    Starting with the argument at fault ("tapers: ...", "level: ...").
KeyboardInterrupt
    On Ctrl+C.)";

} // namespace

void bindMisfit(py::module_& m) {
    using analysis::Command;
    m.def("asm", &misfit, py::arg("positions"), py::arg("values"), py::kw_only(),
          keyword("positions_in", Command::Misfit), keyword("sedmin", Command::Misfit),
          keyword("sedmax", Command::Misfit), keyword("numsed", Command::Misfit),
          keyword("linear_grid", Command::Misfit), py::arg("targets") = py::none(),
          py::arg("age_ma") = py::none(), keyword("tbw", Command::Misfit),
          keyword("tapers", Command::Misfit), py::arg("nfft") = py::none(),
          keyword("level", Command::Misfit), keyword("sims", Command::Misfit),
          keyword("seed", Command::Misfit), py::arg("interpolate") = py::none(),
          keyword("log", Command::Misfit), keyword("detrend", Command::Misfit),
          keyword("standardise", Command::Misfit), misfitDoc);
}

} // namespace pymodule
