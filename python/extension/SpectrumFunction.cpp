// spectrum(): the whole record's spectrum with its red-noise background and levels.
#include "python/extension/AnalysisRuns.h"
#include "python/extension/Bindings.h"
#include "python/extension/SeriesArguments.h"

#include <limits>
#include <string>
#include <vector>

namespace py = pybind11;

namespace pymodule {

namespace {

py::dict wholeRecord(const py::object& positions, const py::object& values, double tbw, int tapers,
                     const py::object& nfft, double fmax, bool keepMean,
                     const py::object& interpolate, bool log, const std::string& detrend,
                     bool standardise, const std::string& background,
                     const std::string& windowDetrend, const py::object& records) {
    spectrum::BackgroundKind kind{};
    if (!spectrum::parseBackgroundKind(background, kind))
        throw py::value_error("background: '" + background + "' is not ar1 or robust");
    analysis::RunRequest request;
    request.params.tbw = tbw;
    request.params.tapers = tapers;
    request.params.nfft = nfft.is_none() ? 0 : nfft.cast<int>();
    request.params.fmax = fmax;
    request.params.windowDetrend = windowDetrendArgument(windowDetrend);
    request.keepMean = keepMean;
    request.wholeRecord = true;
    const std::string recordsFolder = recordsArgument(records);
    const analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);
    const spectrum::WholeRecord r = wholeRecordAnalysis(run, keepMean, kind, recordsFolder);

    const auto array = [](const std::vector<double>& v) {
        return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
    };
    std::vector<double> period(r.frequency.size());
    for (std::size_t i = 0; i < period.size(); ++i)
        period[i] =
            r.frequency[i] > 0 ? 1.0 / r.frequency[i] : std::numeric_limits<double>::quiet_NaN();
    const spectrum::Background& b = r.background;
    py::dict d;
    d["frequency"] = array(r.frequency);
    d["period"] = array(period);
    d["power"] = array(r.power);
    d["amplitude"] = array(r.amplitude);
    d["probability"] = array(r.probability);
    d["background"] = array(b.level);
    d["level_90"] = array(b.level90);
    d["level_95"] = array(b.level95);
    d["level_99"] = array(b.level99);
    d["dof"] = array(r.dof);
    py::array_t<bool> reliable(static_cast<py::ssize_t>(b.reliable.size()));
    for (std::size_t i = 0; i < b.reliable.size(); ++i)
        reliable.mutable_at(static_cast<py::ssize_t>(i)) = b.reliable[i] != 0;
    d["reliable"] = reliable;
    d["rho"] = b.rho;
    d["S0"] = b.S0;
    d["kind"] = spectrum::backgroundKindName(b.kind);
    d["nfft"] = run.provenance.params.nfft;
    d["converged"] = r.converged;
    d["window_detrend"] = analysis::windowDetrendName(run.provenance.params.windowDetrend);
    return d;
}

const char* spectrumDoc = R"(The spectrum of the whole record, as ``tonalith-cli spectrum`` makes
it.

Thomson's adaptively weighted multitaper power (one-sided, (value unit)^2 per (cycle per
position unit), summing over the bins to the variance), the harmonic F-test of one window the
length of the record, and a red-noise background with its 90, 95 and 99 % levels.

Parameters
----------
positions, values : array_like
    As for `analyze`.
tbw : float
    Time-bandwidth product of the tapers.
tapers : int
    Number of Slepian tapers, 1 .. 10.
nfft : int, optional
    Transform length, at least the record; by default the smallest power of two at least twice
    the record.
fmax : float
    Highest frequency listed, in cycles per sample (0.5: every bin to Nyquist).
keep_mean, interpolate, log, detrend, standardise
    As for `analyze`.
background : {'ar1', 'robust'}
    The red-noise background: "ar1" (rho the lag-one autocorrelation, corrected for its bias)
    or "robust" (Mann and Lees 1996).
window_detrend : {'none', 'mean', 'linear'}
    As for `analyze`: the record's own mean or line removed (the one window is the record).
records : str or os.PathLike, optional
    As for `analyze`: the folder of the engine's records, by default the user's cache folder.

Returns
-------
dict
    1-D float64 arrays with one entry per bin: frequency, period (nan at frequency 0), power,
    amplitude, probability, background (the power the estimate gives the fitted AR(1) noise on
    average), level_90, level_95, level_99 and dof (the degrees of freedom of each bin's power,
    from the adaptive weights, on which its levels are built); a bool array reliable, False
    in the lowest bins, below twice the half-bandwidth W, where the levels cannot be trusted
    (see the tool's "reliable" header line); and rho, S0, kind, nfft, converged (whether the
    adaptive weights met their tolerance at every bin) and window_detrend.

Raises
------
ValueError
    Starting with the argument at fault, in the tool's words.
RuntimeError
    When the engine fails or its results hold numbers that are not finite.
KeyboardInterrupt
    On Ctrl+C.)";

} // namespace

void bindSpectrum(py::module_& m) {
    m.def("spectrum", &wholeRecord, py::arg("positions"), py::arg("values"), py::kw_only(),
          keyword("tbw", analysis::Command::Spectrum),
          keyword("tapers", analysis::Command::Spectrum), py::arg("nfft") = py::none(),
          keyword("fmax", analysis::Command::Spectrum),
          keyword("keep_mean", analysis::Command::Spectrum), py::arg("interpolate") = py::none(),
          keyword("log", analysis::Command::Spectrum),
          keyword("detrend", analysis::Command::Spectrum),
          keyword("standardise", analysis::Command::Spectrum),
          keyword("background", analysis::Command::Spectrum),
          keyword("window_detrend", analysis::Command::Spectrum), py::arg("records") = py::none(),
          spectrumDoc);
}

} // namespace pymodule
