// tonalith: the evolutive multitaper harmonic analysis for Python. A thin front end: a series is
// loaded and checked, a run prepared and the engine called as the command-line tool does it
// (core/analysis/RunPreparation.h, engine/mwc2.h, engine/tapers.h); this file only converts
// arrays, words refusals for Python and keeps the interpreter responsive while the engine runs.
#include "core/analysis/RunPreparation.h"
#include "core/results/ResultSet.h"
#include "core/service/AnalysisService.h"
#include "core/spectrum/SlepianTapers.h"
#include "core/spectrum/WholeRecord.h"
#include "core/text/NumberText.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/LineTrace.h"

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace py = pybind11;

namespace {

using Doubles = py::array_t<double, py::array::c_style | py::array::forcecast>;

// How long the calling thread waits between two looks for Ctrl+C.
constexpr std::chrono::milliseconds slice{50};

// Significance level (percent) of the engine's auxiliary records: the tool's default.
constexpr int recordLevel = 95;

std::string num(double v) {
    return text::numberText(v);
}

// Waits with the GIL released until ready(), which waits at most a slice, holds. Between two
// slices the GIL is taken to run Python's signal handlers: false when one raised (Ctrl+C gives
// KeyboardInterrupt), the Python error then being set.
template <class Ready> bool waitInterruptibly(Ready ready) {
    while (!ready()) {
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() != 0)
            return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Refusals, named after the Python argument at fault.

std::string argumentOf(const analysis::Problem& problem, const series::Preparation& preparation) {
    using analysis::Parameter;
    const std::string& t = problem.text;
    const auto says = [&](const char* words) { return t.find(words) != std::string::npos; };
    switch (problem.parameter) {
    case Parameter::Tbw:
        return "tbw";
    case Parameter::Tapers:
        return "tapers";
    case Parameter::Window:
        return "window";
    case Parameter::Step:
        return "step";
    case Parameter::Nfft:
        return "nfft";
    case Parameter::Fmax:
        return "fmax";
    case Parameter::Interpolation:
        return "interpolate";
    case Parameter::Spacing:
        return "positions";
    case Parameter::Preparation:
        if (says("logarithm"))
            return "log";
        if (says("standardis"))
            return "standardise";
        return preparation.detrend.method != series::Detrend::Method::None ? "detrend" : "log";
    case Parameter::Series:
        if (says("holds the position"))
            return "positions";
        if (says("holds the value"))
            return "values";
        return "positions, values";
    default:
        return "positions, values";
    }
}

// A load refusal worded as the tool words it, "--column" becoming "column".
std::string loadMessage(const analysis::Problem& problem, const std::string& file,
                        const std::string& column) {
    using analysis::Parameter;
    switch (problem.parameter) {
    case Parameter::File:
        return "cannot read " + file + ": " + problem.text;
    case Parameter::Column:
        return "column " + column + ": " + problem.text;
    case Parameter::NoData:
        return file + ": no data: " + problem.text;
    default:
        return file + ": " + problem.text;
    }
}

// ---------------------------------------------------------------------------------------------
// Arguments.

Doubles seriesArray(const py::object& obj, const char* name) {
    Doubles a = Doubles::ensure(obj);
    if (!a)
        throw py::type_error(std::string(name) + ": an array-like of numbers is needed, not " +
                             Py_TYPE(obj.ptr())->tp_name);
    if (a.ndim() != 1)
        throw py::value_error(std::string(name) + ": a one-dimensional array is needed; it has " +
                              std::to_string(a.ndim()) + " dimensions");
    return a;
}

// None: no resampling; True: at the median spacing; a number: at that spacing. Resampling
// happens only when the positions are unevenly spaced.
void setInterpolation(analysis::RunRequest& request, const py::object& interpolate) {
    if (interpolate.is_none())
        return;
    if (PyBool_Check(interpolate.ptr())) {
        request.interpolate = interpolate.cast<bool>();
        return;
    }
    double step = 0;
    try {
        step = interpolate.cast<double>();
    } catch (const py::cast_error&) {
        throw py::type_error("interpolate: None, True or a spacing (a number) is needed");
    }
    if (!(step > 0) || !std::isfinite(step))
        throw py::value_error("interpolate: the step " + num(step) + " must be a number above 0");
    request.interpolate = true;
    request.interpolateStep = step;
}

std::string columnText(const py::object& column) {
    if (!PyBool_Check(column.ptr()) && PyIndex_Check(column.ptr()))
        return py::str(py::int_(column)).cast<std::string>();
    if (py::isinstance<py::str>(column))
        return column.cast<std::string>();
    throw py::type_error("column: a field number (int) or a column title (str) is needed");
}

// ---------------------------------------------------------------------------------------------
// The engine, run on a thread of its own so that the caller can see Ctrl+C.

// Runs job on a thread of its own while the calling thread, the GIL released, looks for
// Ctrl+C; on Ctrl+C the run is cancelled, the job waited for, and the pending Python error
// thrown. The analysis service takes the engine runs of the process in turn. A run that
// failed raises RuntimeError with the service's words.
void runInterruptibly(const std::function<service::RunOutcome(service::RunControl&)>& job) {
    service::RunControl control;
    std::mutex m;
    std::condition_variable finished;
    bool done = false;
    std::exception_ptr failure;
    service::RunOutcome outcome;
    bool interrupted = false;
    {
        py::gil_scoped_release release;
        std::thread worker([&] {
            try {
                outcome = job(control);
            } catch (...) {
                failure = std::current_exception();
            }
            {
                std::lock_guard<std::mutex> lock(m);
                done = true;
            }
            finished.notify_all();
        });
        interrupted = !waitInterruptibly([&] {
            std::unique_lock<std::mutex> lock(m);
            return finished.wait_for(lock, slice, [&] { return done; });
        });
        if (interrupted)
            control.cancel(); // seen at the next window boundary
        worker.join();
    } // the engine is free again before the GIL is taken back
    if (interrupted)
        throw py::error_already_set();
    if (failure)
        std::rethrow_exception(failure);
    if (outcome.end == service::RunEnd::Failed)
        throw std::runtime_error(outcome.problem);
}

// ---------------------------------------------------------------------------------------------
// Results.

struct Analysis {
    results::ResultSet r; // the rows as the engine wrote them, and the series it analysed
    py::dict parameters;
};

// A read-only array over storage that `owner` keeps alive.
py::array view(py::handle owner, const double* data, std::vector<py::ssize_t> shape,
               std::vector<py::ssize_t> strides) {
    py::array a(py::dtype::of<double>(), std::move(shape), std::move(strides), data, owner);
    a.attr("flags").attr("writeable") = false;
    return a;
}

// The arrays as a series, prepared as the request says (its preparation set from the
// arguments): refusals as ValueError naming the argument, uneven spacing as a UserWarning.
analysis::PreparedRun prepareArrays(const py::object& positions, const py::object& values,
                                    analysis::RunRequest& request, const py::object& interpolate,
                                    bool log, const std::string& detrend, bool standardise) {
    const Doubles x = seriesArray(positions, "positions");
    const Doubles y = seriesArray(values, "values");
    if (x.size() != y.size())
        throw py::value_error("positions, values: the lengths differ (" + std::to_string(x.size()) +
                              " positions, " + std::to_string(y.size()) + " values)");
    setInterpolation(request, interpolate);
    std::string why;
    const auto trend = series::parseDetrend(detrend, &why);
    if (!trend)
        throw py::value_error("detrend: " + why);
    request.preparation.log = log;
    request.preparation.detrend = *trend;
    request.preparation.standardise = standardise;

    // Messages name a sample by its number from 1, as "line N".
    series::Series s;
    const std::size_t n = static_cast<std::size_t>(x.size());
    s.xpos.assign(x.data(), x.data() + n);
    s.yval.assign(y.data(), y.data() + n);
    s.lines.resize(n);
    for (std::size_t i = 0; i < n; ++i)
        s.lines[i] = static_cast<int>(std::min<std::size_t>(i + 1, INT_MAX));

    analysis::PreparedRun run;
    {
        py::gil_scoped_release release;
        run = analysis::prepareSeries(std::move(s), request);
    }
    if (const auto& problem = run.problem)
        throw py::value_error(argumentOf(*problem, request.preparation) + ": " + problem->text);
    if (!run.spacing.even && !run.resampling.done &&
        PyErr_WarnEx(PyExc_UserWarning, run.spacing.text.c_str(), 1) != 0)
        throw py::error_already_set();
    return run;
}

std::unique_ptr<Analysis> analyze(const py::object& positions, const py::object& values, double tbw,
                                  int tapers, int window, int step, int nfft, double fmax,
                                  bool keepMean, const py::object& interpolate, int workers,
                                  bool log, const std::string& detrend, bool standardise) {
    if (workers < 0)
        throw py::value_error("workers: " + std::to_string(workers) +
                              " is below 0 (0: one per core)");
    analysis::RunRequest request;
    request.params.tbw = tbw;
    request.params.kspec = tapers;
    request.params.mpts = window;
    request.params.inc = step;
    request.params.nfft = nfft;
    request.params.fmax = fmax;
    request.keepMean = keepMean;
    analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);

    auto a = std::make_unique<Analysis>();
    results::ResultSet& r = a->r;
    const analysis::RunParameters& q = request.params;
    r.provenance = run.provenance;
    service::Execution execution;
    execution.workers = workers;
    execution.recordLevel = recordLevel;
    execution.quiet = true; // the engine's diagnostic lines would clutter a script's output
    runInterruptibly([&](service::RunControl& control) {
        return service::analyseMap(run.series, r, control, execution);
    });

    py::dict& p = a->parameters;
    p["tbw"] = q.tbw;
    p["tapers"] = q.kspec;
    p["window"] = q.mpts;
    p["step"] = q.inc;
    p["nfft"] = q.nfft;
    p["fmax"] = q.fmax;
    p["keep_mean"] = keepMean;
    p["interpolate"] = interpolate;
    p["log"] = log;
    p["detrend"] = series::detrendText(request.preparation.detrend);
    p["standardise"] = standardise;
    p["samples"] = r.provenance.samples;
    p["spacing"] = r.provenance.deltat;
    p["interpolation"] =
        r.provenance.interpolation.empty() ? std::string("none") : r.provenance.interpolation;
    p["preparation"] =
        r.provenance.preparation.empty() ? std::string("none") : r.provenance.preparation;
    return a;
}

// The whole record's spectrum as a dict of arrays and numbers.
py::dict wholeRecord(const py::object& positions, const py::object& values, double tbw, int tapers,
                     const py::object& nfft, double fmax, bool keepMean,
                     const py::object& interpolate, bool log, const std::string& detrend,
                     bool standardise, const std::string& background) {
    spectrum::WholeRecordRequest q;
    if (!spectrum::parseBackgroundKind(background, q.background))
        throw py::value_error("background: '" + background + "' is not ar1 or robust");
    analysis::RunRequest request;
    request.params.tbw = tbw;
    request.params.kspec = tapers;
    request.params.nfft = nfft.is_none() ? 0 : nfft.cast<int>();
    request.params.fmax = fmax;
    request.keepMean = keepMean;
    request.wholeRecord = true;
    const analysis::PreparedRun run =
        prepareArrays(positions, values, request, interpolate, log, detrend, standardise);
    const analysis::Provenance& p = run.provenance;
    q.tbw = p.params.tbw;
    q.kspec = p.params.kspec;
    q.nfft = p.params.nfft;
    q.fmax = p.params.fmax;
    q.keepMean = keepMean;
    spectrum::WholeRecord r;
    runInterruptibly([&](service::RunControl& control) {
        service::Execution quiet;
        quiet.quiet = true;
        return service::analyseWholeRecord(run.series, p, q, r, control, quiet);
    });
    const auto array = [](const std::vector<double>& v) {
        return py::array_t<double>(static_cast<py::ssize_t>(v.size()), v.data());
    };
    std::vector<double> period(r.frequency.size());
    for (std::size_t i = 0; i < period.size(); ++i)
        period[i] = r.frequency[i] > 0 ? 1.0 / r.frequency[i] : 0.0;
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
    d["rho"] = b.rho;
    d["S0"] = b.S0;
    d["kind"] = spectrum::backgroundKindName(b.kind);
    d["nfft"] = q.nfft;
    d["converged"] = r.converged;
    return d;
}

// A traced line as the lines are given: x_centre, frequency, period, amplitude, probability.
py::array trace(const Analysis& a, double x, double f, const py::object& bandArg,
                const std::string& byName) {
    const auto by = tuning::parseTraceBy(byName);
    if (!by)
        throw py::value_error("by: '" + byName + "' is not amplitude or probability");
    const double first = a.r.positions.front(), last = a.r.positions.back();
    if (!(x >= first && x <= last))
        throw py::value_error("x: the position " + num(x) + " lies outside the record (" +
                              num(first) + " to " + num(last) + ")");
    if (!(f > 0) || !std::isfinite(f))
        throw py::value_error("f: the frequency " + num(f) + " must be above 0");
    const double band = bandArg.is_none() ? tuning::halfBandwidth(a.r) / 2 : bandArg.cast<double>();
    if (!(band > 0) || !std::isfinite(band))
        throw py::value_error("band: " + num(band) + " must be a number above 0");
    const auto points = tuning::traceLine(a.r, tuning::nearestWindow(a.r, x),
                                          tuning::nearestBin(a.r, f), band, *by);
    py::array_t<results::Peak> out(static_cast<py::ssize_t>(points.size()));
    results::Peak* o = out.mutable_data();
    for (const tuning::TracePoint& q : points)
        *o++ = {q.centre, q.frequency, q.frequency > 0 ? 1 / q.frequency : 0.0, q.amplitude,
                q.probability};
    return out;
}

py::dict tune(const py::object& positions, const py::object& values, const py::object& traceX,
              const py::object& traceF, double period, double startAge, const py::object& step) {
    const Doubles z = seriesArray(positions, "positions");
    const Doubles v = seriesArray(values, "values");
    const Doubles tx = seriesArray(traceX, "trace_positions");
    const Doubles tf = seriesArray(traceF, "trace_frequencies");
    if (z.size() != v.size() || z.size() < 1)
        throw py::value_error("positions, values: the lengths differ or are 0");
    if (tx.size() != tf.size())
        throw py::value_error("trace_positions, trace_frequencies: the lengths differ");
    if (!(period > 0) || !std::isfinite(period))
        throw py::value_error("period: " + num(period) + " must be a number above 0");
    if (!std::isfinite(startAge))
        throw py::value_error("start_age: " + num(startAge) + " is not a finite number");
    const double s = step.is_none() ? 0.0 : step.cast<double>();
    if (!step.is_none() && (!(s > 0) || !std::isfinite(s)))
        throw py::value_error("step: " + num(s) + " must be a number above 0");
    tuning::Trace t{{tx.data(), tx.data() + tx.size()}, {tf.data(), tf.data() + tf.size()}};
    if (const auto problem = tuning::checkTrace(t))
        throw py::value_error("trace: " + *problem);
    const std::vector<double> zs(z.data(), z.data() + z.size());
    for (std::size_t i = 1; i < zs.size(); ++i)
        if (!(zs[i] > zs[i - 1]))
            throw py::value_error("positions: sample " + std::to_string(i + 1) +
                                  " does not lie above the one before");
    const tuning::AgeModel m = tuning::ageModel(zs, t, period, startAge);
    const tuning::TunedSeries tuned =
        tuning::tunedSeries(m, std::vector<double>(v.data(), v.data() + v.size()), s);
    const auto array = [](const std::vector<double>& a) {
        return py::array_t<double>(static_cast<py::ssize_t>(a.size()), a.data());
    };
    py::dict d;
    d["position"] = array(m.position);
    d["age"] = array(m.age);
    d["sedimentation_rate"] = array(m.rate);
    d["tuned_age"] = array(tuned.age);
    d["tuned_value"] = array(tuned.value);
    return d;
}

py::array peaks(const Analysis& a, const py::object& levelArg, const py::object& fdrArg) {
    results::LineRule rule;
    if (!fdrArg.is_none()) {
        rule.fdr = fdrArg.cast<double>();
        if (!(rule.fdr > 0 && rule.fdr < 1))
            throw py::value_error("fdr: the false discovery rate " + num(rule.fdr) +
                                  " must lie above 0 and below 1");
        rule.level = 0; // the false-discovery control alone decides, unless a level is given
    }
    if (!levelArg.is_none())
        rule.level = levelArg.cast<double>();
    if (!levelArg.is_none() && !(rule.level > 0 && rule.level <= 1))
        throw py::value_error("level: the probability " + num(rule.level) +
                              " must lie above 0 and at most 1");
    std::vector<results::Peak> all;
    for (int w = 0; w < a.r.windows; ++w) {
        const std::vector<results::Peak> lines = results::findPeaks(a.r, w, rule);
        all.insert(all.end(), lines.begin(), lines.end());
    }
    py::array_t<results::Peak> out(static_cast<py::ssize_t>(all.size()));
    std::copy(all.begin(), all.end(), out.mutable_data());
    return out;
}

// ---------------------------------------------------------------------------------------------
// Loading and tapers.

py::object load(const py::object& path, const py::object& column, int skip) {
    const std::string file = py::module_::import("os").attr("fspath")(path).cast<std::string>();
    const std::string col = columnText(column);
    analysis::RunRequest request;
    request.file = file;
    request.column = col;
    request.skip = skip;
    // Settings that no loadable series fails (one window of 2 samples): loading checks the
    // series, not the settings of an analysis.
    request.params.tbw = 0.5;
    request.params.kspec = 1;
    request.params.mpts = 2;
    request.params.inc = INT_MAX;
    request.params.nfft = 2;
    request.params.fmax = 0.5;
    analysis::PreparedRun run;
    {
        py::gil_scoped_release release;
        run = analysis::prepareRun(request);
    }
    if (const auto& problem = run.problem)
        throw py::value_error(loadMessage(*problem, file, col));

    std::string title = run.provenance.columnName;
    const int c = run.provenance.column;
    if (title.empty() && c >= 1 && static_cast<std::size_t>(c) <= run.columnTitles.size())
        title = run.columnTitles[static_cast<std::size_t>(c) - 1];
    const auto n = static_cast<py::ssize_t>(run.series.xpos.size());
    return py::module_::import("tonalith")
        .attr("Series")(py::array_t<double>(n, run.series.xpos.data()),
                        py::array_t<double>(n, run.series.yval.data()), title);
}

py::tuple tapers(int n, int k, double tbw) {
    if (const auto problem = spectrum::checkTapers(n, k, tbw)) {
        using spectrum::TaperArgument;
        const std::string name =
            problem->argument == TaperArgument::Length  ? "n " + std::to_string(n)
            : problem->argument == TaperArgument::Count ? "k " + std::to_string(k)
                                                        : "tbw " + num(tbw);
        throw py::value_error(name + ": " + problem->text);
    }
    spectrum::TaperSet t;
    {
        py::gil_scoped_release release; // the taper routines use no static storage
        service::Execution quiet;
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

// ---------------------------------------------------------------------------------------------
// Documentation.

const char* moduleDoc = R"(Evolutive multitaper harmonic analysis of one series (Tonalith).

A window of `window` samples slides along an evenly spaced series in steps of `step` samples.
In every window, `tapers` Slepian tapers of time-bandwidth product `tbw` and Thomson's harmonic
F-test give, for every frequency up to `fmax` cycles per sample, the amplitude of a line
common to all tapers and the probability of its F statistic. Frequencies are reported in
cycles per position unit (e.g. cycles per kyr for ages in ka).

The analysis is the one of the Tonalith window and of tonalith-cli, through the same core
library and engine: the same series and settings give the same numbers, bit for bit, and the
same refusals.

Functions
---------
load(path, column=1, skip=1) -> Series(positions, values, title)
    one column of a data file, read and checked as the tool reads it
analyze(positions, values, *, tbw=3.0, tapers=4, window=400, step=25, ...) -> Analysis
    the evolutive analysis; Analysis.peaks(level) lists the spectral lines
Analysis.trace(x, f, band=None, by="amplitude") -> structured array
    a line followed through the windows
tune(positions, values, trace_positions, trace_frequencies, *, period, ...) -> dict
    the age model and tuned series of a traced cycle
spectrum(positions, values, *, tbw=3.0, tapers=4, ...) -> dict
    the whole record's spectrum with its red-noise background and levels
tapers(n, k, tbw) -> (tapers, ratios)
    Slepian tapers and their concentration ratios

Refused input raises ValueError; its message starts with the argument at fault and says what
is allowed, in the tool's words.

Threads and Ctrl+C: the GIL is released while an analysis runs; one analysis runs at a time
in a process (the engine's storage is static), concurrent calls wait their turn. Ctrl+C
interrupts a running analysis (KeyboardInterrupt) at the next window.

Files: like the tool, the engine writes its records to fort.17, fort.20 and fort.27 in the
working directory. Its diagnostic lines are discarded.

Example
-------
>>> import tonalith
>>> s = tonalith.load("etp.txt", column="etp")
>>> a = tonalith.analyze(s.positions, s.values, window=400, step=25)
>>> a.amplitude.shape            # (windows, frequencies)
>>> a.peaks(0.95)["period"]
)";

const char* loadDoc = R"(One column of a plain-text data file, read as the Tonalith window and
tonalith-cli read it: one sample per line, tab-separated fields, the first field the position
(depth or time).

path    : str or os.PathLike
column  : int, the field number (the positions are field 0), or str, a title from the first
          line
skip    : header lines before the data (default 1)

Returns a named tuple Series with `positions` and `values` (1-D float64 arrays) and `title`
(the column's title from the header, or "Column N" when the file has none).

The series is checked as for an analysis (at least 2 samples, finite numbers, increasing
positions), not against any analysis setting. Refusals raise ValueError with the tool's
message: "cannot read PATH: ...", "column C: ...", "PATH: no data: ...", "PATH: ...".)";

const char* analyzeDoc = R"(Evolutive multitaper harmonic analysis of one series, as
`tonalith-cli analyze` makes it.

positions, values : 1-D array-likes of numbers of equal length (lists, any dtype, any
              strides); positions must increase, and are taken as evenly spaced at the
              difference of the first two (a UserWarning says when they are not)
tbw         : time-bandwidth product of the tapers (half-bandwidth tbw / window cycles per
              sample)
tapers      : number of Slepian tapers, 1 .. 10
window      : samples per window
step        : window step in samples
nfft        : transform length, at least the window
fmax        : highest frequency kept, in cycles per sample
keep_mean   : analyse the values as they are (by default the mean is removed)
interpolate : None: no resampling; True: resample unevenly spaced positions linearly at the
              median spacing; a number: at that spacing
workers     : threads for the windows, 0 for one per core (at most 4); changes no result
log         : natural logarithm of the values first (each must be above 0)
detrend     : "none", "linear", "poly:N" (N = 1..6) or "lowess:F" (0 < F <= 1): the trend in
              position removed after the log
standardise : subtract the mean and divide by the standard deviation, last

The steps run in this order: interpolation, log, detrending, standardising.

Refusals raise ValueError starting with the argument at fault ("tapers: ...", "window: ...",
"values: ...", "positions, values: ..."); samples are named by their number from 1, as
"line N". An engine failure raises RuntimeError; Ctrl+C raises KeyboardInterrupt.)";

const char* spectrumDoc = R"(The spectrum of the whole record, as `tonalith-cli spectrum`
makes it: Thomson's adaptively weighted multitaper power (one-sided, (value unit)^2 per (cycle
per position unit), summing over the bins to the variance), the harmonic F-test of one window
the length of the record, and a red-noise background with its 90, 95 and 99 % levels.

positions, values, tbw, tapers, keep_mean, interpolate, log, detrend, standardise : as for
              analyze()
nfft        : transform length, at least the record (None: the smallest power of two at least
              twice the record)
fmax        : highest frequency listed, in cycles per sample (0.5: every bin to Nyquist)
background  : "ar1" (rho the lag-one autocorrelation) or "robust" (Mann and Lees 1996)

Returns a dict of 1-D float64 arrays, one entry per bin: frequency, period (0 at frequency 0),
power, amplitude, probability, background, level_90, level_95, level_99; and rho, S0, kind,
nfft and converged (whether the adaptive weights met their tolerance at every bin).)";

const char* tapersDoc = R"(The k Slepian (discrete prolate spheroidal) tapers of length n and
time-bandwidth product tbw (half-bandwidth tbw / n cycles per sample), computed in 128-bit
precision as for the analysis, as `tonalith-cli tapers` gives them.

Returns `tapers`, a (k, n) float64 array, taper 1 (the most concentrated) first, each of unit
energy, and `ratios`, the k concentration ratios (the fraction of each taper's energy within
the band; close to 1 for k well below 2 tbw).

Refusals raise ValueError naming the argument: n in 2 .. 524288, k in 1 .. min(10, n),
0 < tbw < n / 2.)";

} // namespace

PYBIND11_MODULE(tonalith, m) {
    m.doc() = moduleDoc;
    m.attr("__version__") = TONALITH_VERSION;

    PYBIND11_NUMPY_DTYPE_EX(results::Peak, centre, "x_centre", frequency, "frequency", period,
                            "period", amplitude, "amplitude", probability, "probability");

    py::object series =
        py::module_::import("collections")
            .attr("namedtuple")("Series", py::make_tuple("positions", "values", "title"));
    series.attr("__module__") = "tonalith";
    series.attr("__doc__") =
        "Series(positions, values, title): one column of a data file, as load() reads it.";
    m.attr("Series") = series;

    py::class_<Analysis>(m, "Analysis", R"(The results of analyze().

centres      : 1-D, the window centres (position units), one per window
frequencies  : 1-D, the frequencies (cycles per position unit), one per bin
amplitude    : 2-D (windows, frequencies), the amplitude of the harmonic line (unit of values)
probability  : 2-D (windows, frequencies), the probability of its F statistic (1e37 where it
               cannot be evaluated, i.e. with a single taper)
positions, values : the series as the engine got it (after interpolation and preparation)
parameters   : dict of the settings, the samples, the spacing, interpolation and preparation

The arrays are read-only views of the results; numpy.array(a.amplitude) makes a copy.
Row w of amplitude and probability, frequency ascending, holds the tool's rows of window w.)")
        .def_property_readonly(
            "centres",
            [](const py::object& self) {
                const results::ResultSet& r = self.cast<const Analysis&>().r;
                return view(self, r.xcent.data(), {r.windows},
                            {static_cast<py::ssize_t>(r.bins * sizeof(double))});
            },
            "Window centres (1-D float64, position units).")
        .def_property_readonly(
            "frequencies",
            [](const py::object& self) {
                const results::ResultSet& r = self.cast<const Analysis&>().r;
                return view(self, r.freq.data(), {r.bins},
                            {static_cast<py::ssize_t>(sizeof(double))});
            },
            "Frequencies (1-D float64, cycles per position unit), ascending.")
        .def_property_readonly(
            "amplitude",
            [](const py::object& self) {
                const results::ResultSet& r = self.cast<const Analysis&>().r;
                return view(self, r.ampl.data(), {r.windows, r.bins},
                            {static_cast<py::ssize_t>(r.bins * sizeof(double)),
                             static_cast<py::ssize_t>(sizeof(double))});
            },
            "Line amplitude (2-D float64, windows x frequencies, unit of the values).")
        .def_property_readonly(
            "probability",
            [](const py::object& self) {
                const results::ResultSet& r = self.cast<const Analysis&>().r;
                return view(self, r.prob.data(), {r.windows, r.bins},
                            {static_cast<py::ssize_t>(r.bins * sizeof(double)),
                             static_cast<py::ssize_t>(sizeof(double))});
            },
            "F-test probability (2-D float64, windows x frequencies; 1e37 where it cannot be "
            "evaluated).")
        .def_property_readonly(
            "positions",
            [](const py::object& self) {
                const results::ResultSet& r = self.cast<const Analysis&>().r;
                return view(self, r.positions.data(),
                            {static_cast<py::ssize_t>(r.positions.size())},
                            {static_cast<py::ssize_t>(sizeof(double))});
            },
            "Positions of the series as analysed (after interpolation).")
        .def_property_readonly(
            "values",
            [](const py::object& self) {
                const results::ResultSet& r = self.cast<const Analysis&>().r;
                return view(self, r.values.data(), {static_cast<py::ssize_t>(r.values.size())},
                            {static_cast<py::ssize_t>(sizeof(double))});
            },
            "Values of the series as analysed (after interpolation, log, detrending, "
            "standardising; before the mean is removed).")
        .def_property_readonly(
            "parameters", [](const Analysis& a) { return a.parameters; },
            "The settings of the run, the samples, the spacing, interpolation and preparation.")
        .def("trace", &trace, py::arg("x"), py::arg("f"), py::arg("band") = py::none(),
             py::arg("by") = "amplitude",
             R"(The line followed through every window, as `tonalith-cli trace --start X:F
[--band BAND] [--by BY]` follows it: from the window nearest position x, at the frequency
nearest f, each next window takes the bin of largest amplitude (or probability) within `band`
(cycles per position unit; default W / 2) of the previous one. Returns one row per window with
the fields of peaks(); refused arguments raise ValueError naming them.)")
        .def("peaks", &peaks, py::arg("level") = py::none(), py::arg("fdr") = py::none(),
             R"(The spectral lines of every window, as `tonalith-cli peaks --level LEVEL
[--fdr Q]` lists them: in each run of adjacent frequencies whose probability reaches `level`
(0.95 by default), the local maxima of the probability (on a plateau of equal probability, the
frequency of largest amplitude). Frequency 0 is never a line.

fdr : a false discovery rate Q: only the bins the Benjamini-Hochberg procedure keeps at rate Q
      over the window's tested bins (p = 1 - probability) can hold a line; `level` then applies
      only when given.

Fields (float64): x_centre, frequency, period (1 / frequency, position units), amplitude,
probability; windows in order, frequency ascending within a window.
level must lie above 0 and at most 1, fdr above 0 and below 1 (ValueError otherwise).)")
        .def("__repr__", [](const Analysis& a) {
            return "<tonalith.Analysis: " + std::to_string(a.r.windows) + " windows x " +
                   std::to_string(a.r.bins) + " frequencies>";
        });

    m.def("load", &load, py::arg("path"), py::arg("column") = 1, py::arg("skip") = 1, loadDoc);
    m.def("analyze", &analyze, py::arg("positions"), py::arg("values"), py::kw_only(),
          py::arg("tbw") = 3.0, py::arg("tapers") = 4, py::arg("window") = 400,
          py::arg("step") = 25, py::arg("nfft") = 4096, py::arg("fmax") = 0.06,
          py::arg("keep_mean") = false, py::arg("interpolate") = py::none(), py::arg("workers") = 0,
          py::arg("log") = false, py::arg("detrend") = "none", py::arg("standardise") = false,
          analyzeDoc);
    m.def("tune", &tune, py::arg("positions"), py::arg("values"), py::arg("trace_positions"),
          py::arg("trace_frequencies"), py::kw_only(), py::arg("period"),
          py::arg("start_age") = 0.0, py::arg("step") = py::none(),
          R"(The age model and tuned series of a traced cycle, as `tonalith-cli tune` makes them:
between the trace's points the frequency is linear in position, held at the ends; age(z) =
start_age + period x the integral of the frequency from the first position to z;
sedimentation rate 1 / (period x f(z)). With step, the tuned series is resampled linearly at
start_age, start_age + step, ... Returns a dict of arrays: position, age,
sedimentation_rate, tuned_age, tuned_value.)");
    m.def("spectrum", &wholeRecord, py::arg("positions"), py::arg("values"), py::kw_only(),
          py::arg("tbw") = 3.0, py::arg("tapers") = 4, py::arg("nfft") = py::none(),
          py::arg("fmax") = 0.5, py::arg("keep_mean") = false, py::arg("interpolate") = py::none(),
          py::arg("log") = false, py::arg("detrend") = "none", py::arg("standardise") = false,
          py::arg("background") = "ar1", spectrumDoc);
    m.def("tapers", &tapers, py::arg("n"), py::arg("k"), py::arg("tbw"), tapersDoc);
}
