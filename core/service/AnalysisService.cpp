#include "core/service/AnalysisService.h"

#include "core/analysis/RunParameters.h"
#include "core/spectrum/WholeRecordFile.h"
#include "core/tuning/FrequencyInterval.h"
#include "engine/auxfiles.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>

namespace service {

namespace {

// The engine's storage is the process's: runs from any thread take turns here, and a caller
// that is cancelled while it waits gives up its turn. A flag under a mutex with a condition
// rather than a timed mutex: ThreadSanitizer cannot follow a timed mutex's wait
// (pthread_mutex_clocklock), and would take the turns for unguarded sharing.
struct EngineTurn {
    std::mutex mutex;
    std::condition_variable freed;
    bool taken = false;
};

EngineTurn& engineTurn() {
    static EngineTurn turn;
    return turn;
}

// One caller's turn, given back when it ends.
class Turn {
public:
    Turn() = default;
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    ~Turn() {
        if (!held_)
            return;
        EngineTurn& t = engineTurn();
        {
            const std::lock_guard<std::mutex> lock(t.mutex);
            t.taken = false;
        }
        t.freed.notify_one();
    }

    // Waits for the turn, looking at the control every 50 ms; false when the run was cancelled
    // meanwhile (the turn, if taken, is still given back at the end).
    bool wait(const RunControl& control) {
        take([&] { return control.cancelled(); });
        return held_ && !control.cancelled();
    }
    void wait() {
        take([] { return false; });
    }

private:
    template <class GiveUp> void take(GiveUp giveUp) {
        EngineTurn& t = engineTurn();
        std::unique_lock<std::mutex> lock(t.mutex);
        while (t.taken) {
            t.freed.wait_for(lock, std::chrono::milliseconds(50));
            if (t.taken && giveUp())
                return;
        }
        t.taken = true;
        held_ = true;
    }
    bool held_ = false;
};

// Where the engine's diagnostic lines go during one run; put back afterwards.
class DiagnosticsFor {
public:
    explicit DiagnosticsFor(const Execution& e) {
        engine::setDiagnosticStream(e.diagnostics);
        engine::setDiagnosticsDiscarded(e.quiet);
    }
    ~DiagnosticsFor() {
        engine::setDiagnosticsDiscarded(false);
        engine::setDiagnosticStream(nullptr);
    }
    DiagnosticsFor(const DiagnosticsFor&) = delete;
    DiagnosticsFor& operator=(const DiagnosticsFor&) = delete;
};

// The folder the engine's records go to now: the engine's own setting, kept here so that a run
// can tell whether its folder differs (changing it empties the records).
std::string& recordsFolderNow() {
    static std::string folder;
    return folder;
}

// Sets the run's records folder; called with the turn held.
void takeRecordsFolder(const Execution& e) {
    if (e.recordsFolder && *e.recordsFolder != recordsFolderNow()) {
        engine::auxSetFolder(*e.recordsFolder);
        recordsFolderNow() = *e.recordsFolder;
    }
}

engine::Mwc2Execution engineExecution(const Execution& e, const RunControl& control,
                                      analysis::WindowDetrend windowDetrend) {
    engine::Mwc2Execution x;
    x.windowDetrend = static_cast<engine::WindowDetrend>(windowDetrend);
    x.workers = e.workers;
    x.cancel = &control.cancelFlag();
    x.simulatedTaperStatus = e.simulatedEngineStatus;
    return x;
}

RunOutcome outcomeOf(int status) {
    if (status == 0)
        return {};
    if (status == static_cast<int>(engine::Mwc2Status::Cancelled))
        return {RunEnd::Cancelled, {}};
    return {RunEnd::Failed, engine::mwc2FailureText(status)};
}

// Relays the engine's per-window progress: when window w is reported, the rows of the windows
// before it are final.
struct ProgressRelay {
    RunControl& control;
    int windows;
    int bins;

    static void report(void* ctx, double percent) {
        auto* relay = static_cast<ProgressRelay*>(ctx);
        const long w = std::lround(percent * relay->windows / 100.0);
        if (w > 1)
            relay->control.rowsReady(static_cast<std::size_t>(w - 1) *
                                     static_cast<std::size_t>(relay->bins));
        relay->control.progress(percent);
    }
};

// Workers, Stop and progress of the astronomical test from a run's control.
astro::Execution astroExecution(RunControl& control, int workers) {
    astro::Execution e;
    e.workers = workers;
    e.cancel = &control.cancelFlag();
    e.progress = [&control](std::size_t done, std::size_t total) {
        control.progress(total > 0 ? 100.0 * static_cast<double>(done) / total : 100.0);
    };
    return e;
}

static_assert(static_cast<int>(analysis::WindowDetrend::Mean) ==
                  static_cast<int>(engine::WindowDetrend::Mean) &&
              static_cast<int>(analysis::WindowDetrend::Linear) ==
                  static_cast<int>(engine::WindowDetrend::Linear));

} // namespace

RunOutcome analyseMap(const series::Series& s, results::ResultSet& r, RunControl& control,
                      const Execution& execution) {
    const analysis::RunParameters& q = r.provenance.params;
    const int samples = static_cast<int>(s.yval.size());
    if (const auto problem = analysis::checkParameters(q, samples, r.provenance.deltat))
        return {RunEnd::Failed, problem->text};
    r.windows = analysis::windowCount(q, samples);
    r.bins = analysis::binCount(q);
    const std::size_t cells =
        static_cast<std::size_t>(r.windows) * static_cast<std::size_t>(r.bins);
    r.xcent.assign(cells, 0.0);
    r.freq.assign(cells, 0.0);
    r.ampl.assign(cells, 0.0);
    r.prob.assign(cells, 0.0);
    r.positions = s.xpos;
    r.values = s.yval;

    Turn turn;
    if (!turn.wait(control))
        return {RunEnd::Cancelled, {}};
    takeRecordsFolder(execution);
    const DiagnosticsFor diagnostics(execution);
    ProgressRelay relay{control, r.windows, r.bins};
    const int status = engine::mwc2x(
        engineExecution(execution, control, q.windowDetrend), r.xcent.data(), r.freq.data(),
        r.ampl.data(), r.prob.data(), r.positions.data(), q.tbw, q.fmax, r.provenance.deltat,
        r.values.data(), r.provenance.meanRemoved ? 1 : 0, samples, q.tapers, q.window, q.step,
        q.nfft, execution.recordLevel, &relay, &ProgressRelay::report);
    if (RunOutcome o = outcomeOf(status); !o.finished())
        return o;
    if (!results::resultsFinite(r.xcent, r.freq, r.ampl, r.prob))
        return {RunEnd::Failed, "the analysis gave numbers that are not finite (the values are "
                                "too large or too small for double precision); rescale them "
                                "and run again"};
    control.rowsReady(cells);
    return {};
}

RunOutcome analyseWholeRecord(const series::Series& s, const analysis::Provenance& p,
                              const spectrum::WholeRecordRequest& request,
                              spectrum::WholeRecord& out, RunControl& control,
                              const Execution& execution) {
    const int n = static_cast<int>(s.yval.size());
    const int bins = engine::mwc2Bins(request.nfft, request.fmax);
    out = spectrum::WholeRecord{};
    std::vector<double> centre(bins), tapers, ratios;
    out.frequency.assign(bins, 0.0);
    out.amplitude.assign(bins, 0.0);
    out.probability.assign(bins, 0.0);
    {
        Turn turn;
        if (!turn.wait(control))
            return {RunEnd::Cancelled, {}};
        takeRecordsFolder(execution);
        const DiagnosticsFor diagnostics(execution);
        engine::Mwc2Execution x = engineExecution(execution, control, request.windowDetrend);
        x.tapersOut = &tapers;
        x.ratiosOut = &ratios;
        out.status =
            engine::mwc2x(x, centre.data(), out.frequency.data(), out.amplitude.data(),
                          out.probability.data(), s.xpos.data(), request.tbw, request.fmax,
                          p.deltat, s.yval.data(), request.keepMean ? 0 : 1, n, request.tapers, n,
                          1, request.nfft, execution.recordLevel, nullptr, nullptr);
    }
    if (RunOutcome o = outcomeOf(out.status); !o.finished())
        return o;
    control.progress(50);
    if (control.cancelled())
        return {RunEnd::Cancelled, {}};
    spectrum::completeWholeRecord(out, s.yval, p.deltat, request, tapers, ratios);
    if (control.cancelled())
        return {RunEnd::Cancelled, {}};
    if (!spectrum::wholeRecordFinite(out))
        return {RunEnd::Failed, "the spectrum overflows double precision: the values are too "
                                "large; rescale them (for example divide by a power of ten) "
                                "and run again"};
    control.progress(100);
    return {};
}

astro::TimeOptScan timeOpt(const series::Series& s, double spacing,
                           const astro::TimeOptSettings& settings, RunControl& control,
                           int workers) {
    return astro::timeOpt(s.yval, spacing, settings, astroExecution(control, workers));
}

astro::Significance timeOptSignificance(const series::Series& s, double spacing,
                                        const astro::TimeOptSettings& settings,
                                        const astro::TimeOptScan& scan, int simulations,
                                        std::uint64_t seed, RunControl& control, int workers) {
    return astro::significance(s.yval, spacing, settings, scan, simulations, seed,
                               astroExecution(control, workers));
}

astro::EvolutiveTimeOpt evolutiveTimeOpt(const series::Series& s,
                                         const astro::TimeOptSettings& settings,
                                         double windowLength, double stepLength,
                                         RunControl& control, int workers) {
    return astro::evolutiveTimeOpt(s.xpos, s.yval, settings, windowLength, stepLength,
                                   astroExecution(control, workers));
}

astro::WindowSignificance evolutiveSignificance(const series::Series& s,
                                                const astro::TimeOptSettings& settings,
                                                const astro::EvolutiveTimeOpt& e, int simulations,
                                                std::uint64_t seed, RunControl& control,
                                                int workers) {
    return astro::evolutiveSignificance(s.xpos, s.yval, settings, e, simulations, seed,
                                        astroExecution(control, workers));
}

WindowLines analyseLines(const series::Series& s, const analysis::Provenance& p,
                         const analysis::RunParameters& q, const results::LineRule& rule,
                         RunControl& control, const Execution& execution) {
    WindowLines lines;
    results::ResultSet r;
    r.provenance = p;
    r.provenance.params = q;
    lines.outcome = analyseMap(s, r, control, execution);
    if (!lines.outcome.finished())
        return lines;
    const double span = q.window * p.deltat;
    for (int w = 0; w < r.windows; ++w) {
        astro::LineSet set{{}, span, p.deltat, q.tbw / span};
        for (const results::Peak& peak : results::findPeaks(r, w, rule))
            set.frequencies.push_back(peak.frequency);
        lines.centres.push_back(r.centre(w));
        lines.windows.push_back(std::move(set));
    }
    return lines;
}

spectrum::TaperSet computeTapers(int length, int tapers, double tbw, const Execution& execution) {
    // The diagnostic stream is the process's: no run may write to it meanwhile.
    Turn turn;
    turn.wait();
    const DiagnosticsFor diagnostics(execution);
    return spectrum::slepianTapers(length, tapers, tbw);
}

void addTraceIntervals(std::vector<tuning::TracePoint>& trace, const results::ResultSet& r,
                       double probability, const Execution& execution) {
    const analysis::RunParameters& p = r.provenance.params;
    const spectrum::TaperSet tapers = computeTapers(p.window, p.tapers, p.tbw, execution);
    if (tapers.status == 0)
        tuning::addFrequencyIntervals(trace, r, tapers.tapers, probability);
}

void setRecordsFolder(const std::string& path) {
    engine::auxSetFolder(path);
    recordsFolderNow() = path;
}

} // namespace service
