// The one place that runs the analysis engine, for every front end: it sizes the result
// arrays, waits its turn for the engine (whose working storage is the process's), calls it,
// words its status and refuses results that are not finite. The window, the tool and the
// module prepare a run (core/analysis/RunPreparation.h), hand it here and show the outcome.
#pragma once

#include "core/analysis/Provenance.h"
#include "core/astro/SpectralMisfit.h"
#include "core/astro/TimeOpt.h"
#include "core/results/ResultSet.h"
#include "core/series/SeriesFile.h"
#include "core/service/RunControl.h"
#include "core/spectrum/SlepianTapers.h"
#include "core/spectrum/WholeRecord.h"
#include "core/tuning/LineTrace.h"

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace service {

// How a run is carried out; nothing here changes a result.
struct Execution {
    int workers = 0;                  // threads for the windows; 0: one per core (at most 4)
    std::FILE* diagnostics = nullptr; // the engine's diagnostic lines; null: standard output
    bool quiet = false;               // the engine's diagnostic lines are discarded
    int recordLevel = 95;             // percent: the lines the engine's records list
    int simulatedEngineStatus = 0;    // non-zero: the taper computation fails so (tests)
    // When set, the folder of the engine's records from this run on (see setRecordsFolder),
    // taken with the run's turn at the engine so that concurrent callers cannot change it
    // under a running analysis. The records are emptied only when the folder changes.
    std::optional<std::string> recordsFolder;
};

// The most workers a run may ask for.
constexpr int maxWorkers = 64;

enum class RunEnd { Finished, Cancelled, Failed };

struct RunOutcome {
    RunEnd end = RunEnd::Finished;
    std::string problem; // when Failed: one line, what went wrong and what to do
    bool finished() const { return end == RunEnd::Finished; }
};

// The moving-window analysis of a prepared series into r, whose provenance the caller has set
// (its parameters, spacing and mean removal are those the run takes). The rows and the series
// are stored in r; on any outcome but Finished they must not be used.
RunOutcome analyseMap(const series::Series& s, results::ResultSet& r, RunControl& control,
                      const Execution& execution = {});

// The spectrum of the whole record of a prepared series (spacing p.deltat) into out.
RunOutcome analyseWholeRecord(const series::Series& s, const analysis::Provenance& p,
                              const spectrum::WholeRecordRequest& request,
                              spectrum::WholeRecord& out, RunControl& control,
                              const Execution& execution = {});

// The astronomical test (core/astro/TimeOpt.h) of a prepared series: the scan over the trial
// rates, its significance against AR(1) surrogates, its evolutive form. Workers (0: one per
// core), Stop and progress come from the run's control; a result that did not finish says so.
astro::TimeOptScan timeOpt(const series::Series& s, double spacing,
                           const astro::TimeOptSettings& settings, RunControl& control,
                           int workers = 0);
astro::Significance timeOptSignificance(const series::Series& s, double spacing,
                                        const astro::TimeOptSettings& settings,
                                        const astro::TimeOptScan& scan, int simulations,
                                        std::uint64_t seed, RunControl& control, int workers = 0);
astro::EvolutiveTimeOpt evolutiveTimeOpt(const series::Series& s,
                                         const astro::TimeOptSettings& settings,
                                         double windowLength, double stepLength,
                                         RunControl& control, int workers = 0);

astro::WindowSignificance evolutiveSignificance(const series::Series& s,
                                                const astro::TimeOptSettings& settings,
                                                const astro::EvolutiveTimeOpt& e, int simulations,
                                                std::uint64_t seed, RunControl& control,
                                                int workers = 0);

// The harmonic F-test's lines (results::findPeaks by `rule`) in windows of q.window samples
// stepped by q.step (one window of the record's length: the record's lines), each window's
// with its span, spacing and the tapers' half-bandwidth, for the spectral misfit. The engine
// runs as for a map (p: the record's provenance; its parameters give way to q).
struct WindowLines {
    std::vector<double> centres;
    std::vector<astro::LineSet> windows;
    RunOutcome outcome;
};
WindowLines analyseLines(const series::Series& s, const analysis::Provenance& p,
                         const analysis::RunParameters& q, const results::LineRule& rule,
                         RunControl& control, const Execution& execution = {});

// One set of Slepian tapers (core/spectrum/SlepianTapers.h), the engine's taper warnings
// going where the execution says.
spectrum::TaperSet computeTapers(int length, int tapers, double tbw,
                                 const Execution& execution = {});

// Every traced point of the map r given the interval of its frequency for probability P
// (core/tuning/FrequencyInterval.h), from the run's tapers as the engine computes them; the
// points keep none when the tapers cannot be computed.
void addTraceIntervals(std::vector<tuning::TracePoint>& trace, const results::ResultSet& r,
                       double probability, const Execution& execution = {});

// The folder that receives the engine's record files from now on (empty: the working
// directory).
void setRecordsFolder(const std::string& path);

} // namespace service
