// analyze(): the evolutive analysis of a series given as arrays.
#include "python/extension/AnalysisResult.h"
#include "python/extension/AnalysisRuns.h"
#include "python/extension/Bindings.h"
#include "python/extension/SeriesArguments.h"

#include <memory>
#include <string>

namespace py = pybind11;

namespace pymodule {

namespace {

std::unique_ptr<Analysis> analyze(const py::object& positions, const py::object& values, double tbw,
                                  int tapers, int window, int step, int nfft, double fmax,
                                  bool keepMean, const py::object& interpolate, int workers,
                                  bool log, const std::string& detrend, bool standardise,
                                  const std::string& windowDetrend, const py::object& records) {
    checkWorkers(workers);
    const std::string recordsFolder = recordsArgument(records);
    analysis::RunRequest request;
    request.params.tbw = tbw;
    request.params.tapers = tapers;
    request.params.window = window;
    request.params.step = step;
    request.params.nfft = nfft;
    request.params.fmax = fmax;
    request.params.windowDetrend = windowDetrendArgument(windowDetrend);
    request.keepMean = keepMean;
    analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);

    auto a = std::make_unique<Analysis>();
    a->r = evolutiveAnalysis(run, workers, recordsFolder);
    const results::ResultSet& r = a->r;
    const analysis::RunParameters& q = request.params;
    py::dict& p = a->parameters;
    p["tbw"] = q.tbw;
    p["tapers"] = q.tapers;
    p["window"] = q.window;
    p["step"] = q.step;
    p["nfft"] = q.nfft;
    p["fmax"] = q.fmax;
    p["keep_mean"] = keepMean;
    p["interpolate"] = interpolate;
    p["log"] = log;
    p["detrend"] = series::detrendText(request.preparation.detrend);
    p["standardise"] = standardise;
    p["window_detrend"] = analysis::windowDetrendName(q.windowDetrend);
    p["samples"] = r.provenance.samples;
    p["spacing"] = r.provenance.deltat;
    p["interpolation"] =
        r.provenance.interpolation.empty() ? std::string("none") : r.provenance.interpolation;
    p["preparation"] =
        r.provenance.preparation.empty() ? std::string("none") : r.provenance.preparation;
    return a;
}

const char* analyzeDoc = R"(Evolutive multitaper harmonic analysis of one series, as
``tonalith-cli analyze`` makes it.

The steps run in this order: interpolation, log, detrending, standardising; then a window of
`window` samples slides along the series in steps of `step` samples, and in every window Thomson's
harmonic F-test gives the amplitude and probability of a line at every frequency up to `fmax`.

Parameters
----------
positions, values : array_like
    1-D sequences of real numbers of equal length (lists, any real dtype, any strides; complex
    and boolean values are refused); positions must increase and be evenly spaced, unless
    `interpolate` resamples them.
tbw : float
    Time-bandwidth product of the tapers (half-bandwidth tbw / window cycles per sample).
tapers : int
    Number of Slepian tapers, 1 .. 10.
window : int
    Samples per window.
step : int
    Window step in samples.
nfft : int
    Transform length, at least the window.
fmax : float
    Highest frequency kept, in cycles per sample.
keep_mean : bool
    Analyse the values as they are (by default the mean is removed).
interpolate : None, bool or float
    None: no resampling; True: resample unevenly spaced positions linearly at the median
    spacing; a number: at that spacing.
workers : int
    Threads for the windows, 0 .. 64, 0 for one per core (at most 4); changes no result.
log : bool
    Take the natural logarithm of the values first (each must be above 0).
detrend : str
    "none", "linear", "poly:N" (N = 1..6) or "lowess:F" (0 < F <= 1): the trend in position
    removed after the log.
standardise : bool
    Subtract the mean and divide by the standard deviation, last.
window_detrend : {'none', 'mean', 'linear'}
    Remove each window's own mean, or its least-squares line, before tapering (after the
    record's mean), so that a step or a trend within a window does not fill the lowest
    frequencies.
records : str or os.PathLike, optional
    The folder that receives the engine's records fort.17, fort.20 and fort.27 (it must exist
    and be writable). By default the user's cache folder, $XDG_CACHE_HOME/tonalith or
    ~/.cache/tonalith, created when missing; earlier versions wrote them to the working
    directory. The records are emptied when the folder changes.

Returns
-------
Analysis
    The amplitude and probability at every window centre and frequency.

Raises
------
ValueError
    Starting with the argument at fault ("tapers: ...", "window: ...", "values: ...",
    "positions, values: ..."), in the tool's words; samples are named by their number from 1,
    as "line N". Unevenly spaced positions are refused unless `interpolate` is given.
RuntimeError
    When the engine fails or its results hold numbers that are not finite.
KeyboardInterrupt
    On Ctrl+C, at the next window.)";

} // namespace

void bindAnalyze(py::module_& m) {
    m.def(
        "analyze", &analyze, py::arg("positions"), py::arg("values"), py::kw_only(),
        keyword("tbw", analysis::Command::Analyze), keyword("tapers", analysis::Command::Analyze),
        keyword("window", analysis::Command::Analyze), keyword("step", analysis::Command::Analyze),
        keyword("nfft", analysis::Command::Analyze), keyword("fmax", analysis::Command::Analyze),
        keyword("keep_mean", analysis::Command::Analyze), py::arg("interpolate") = py::none(),
        keyword("workers", analysis::Command::Analyze), keyword("log", analysis::Command::Analyze),
        keyword("detrend", analysis::Command::Analyze),
        keyword("standardise", analysis::Command::Analyze),
        keyword("window_detrend", analysis::Command::Analyze), py::arg("records") = py::none(),
        analyzeDoc);
}

} // namespace pymodule
