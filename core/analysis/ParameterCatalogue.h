// The parameters of an analysis and of the series' preparation, one entry each: its default,
// its rule, its unit, and how each front end spells it (tool flag, Python keyword, settings key,
// Preferences label) with one help line. The tool's help, the manual page, the module and the
// Preferences take these from here, so that a new parameter is added in one place.
#pragma once

#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace analysis {

enum class ParameterId {
    Column,
    Skip,
    Tbw,
    Tapers,
    Window,
    Step,
    Nfft,
    Fmax,
    WindowLength,
    StepLength,
    FmaxPerUnit,
    WholeRecordNfft,
    WholeRecordFmax,
    Workers,
    RecordLevel,
    KeepMean,
    Interpolate,
    InterpolationStep,
    Log,
    Detrend,
    Standardise,
    LineLevel,
    FalseDiscoveryRate,
    PlotLevel,
    Background,
    StartPosition,
    StartFrequency,
    Band,
    TraceBy,
    Period,
    StartAge,
    AgeStep,
    TaperLength,
    TaperCount,
    TaperTbw,
    SignificanceLevels,
    WindowDetrend,
    TraceLevel,
    AcceptFlags,
    Passband,
    PositionsIn,
    SedMin,
    SedMax,
    NumSed,
    LinearGrid,
    PrecessionBand,
    Targets,
    AgeMa,
    Simulations,
    Seed,
    AstroWorkers,
    AstroWindowLength,
    AstroStepLength,
    SedimentationRateTrack,
    WindowFalseDiscoveryRate,
    MisfitLevel,
    WindowLineLevel,
    MisfitSimulations,
    WindowMisfitSimulations,
    MisfitTbw,
    MisfitTapers,
    RateColumn,
    CheckTrack,
    IntervalProbability,
    PeriodSd,
    Ensemble,
    EnsembleSeed,
    EnsembleFile,
    ReturnEnsemble,
    Interval,
    Anchor,
    RowWindowLength
};

// What the value of a parameter is: a number, a whole number, a switch (given or not) or a text
// (a name, a choice or a list).
enum class ValueKind { Real, Integer, Switch, Text };

// What a number counts or measures.
enum class UnitKind {
    None,                  // a pure number (the time-bandwidth product)
    Count,                 // header lines, tapers, threads
    Samples,               // a length or step counted in samples
    PositionUnits,         // a length in the record's position unit (depth or time)
    CyclesPerSample,       // a frequency on the sample scale (0.5: Nyquist)
    CyclesPerPositionUnit, // a frequency on the record's position scale
    AgeUnits,              // a time in the unit of the ages (kyr for periods in kyr)
    CentimetresPerKyr,     // a sedimentation rate
    CyclesPerKyr,          // a frequency in time (the precession band)
    MillionYears,          // an age before present (the record's, for its target periods)
    Probability,           // above 0 and at most 1
    Percent
};

// The tool's commands, as bits: an entry names the commands that take it.
enum class Command : unsigned {
    Analyze = 1,
    Peaks = 2,
    Spectrum = 4,
    Trace = 8,
    Tune = 16,
    Tapers = 32,
    Filter = 64,
    TimeOpt = 128,
    ETimeOpt = 256,
    Misfit = 512 // asm: the average spectral misfit
};
using Commands = unsigned;
constexpr Commands operator|(Command a, Command b) {
    return static_cast<unsigned>(a) | static_cast<unsigned>(b);
}
constexpr Commands operator|(Commands a, Command b) {
    return a | static_cast<unsigned>(b);
}
constexpr bool takes(Commands set, Command c) {
    return (set & static_cast<unsigned>(c)) != 0;
}

// A number's range; each bound included or not. Relations to other parameters or to the
// record are stated in words and checked with the run (checkParameters).
struct Rule {
    double lowest = -std::numeric_limits<double>::infinity();
    bool lowestIncluded = true;
    double highest = std::numeric_limits<double>::infinity();
    bool highestIncluded = true;
    const char* relation = ""; // e.g. "at most the window length"; empty: none
};

struct ParameterEntry {
    ParameterId id;
    ValueKind kind;
    double defaultValue;     // numbers; 0 for texts and switches
    const char* defaultText; // the default as the help states it; empty: none (required or off)
    Rule rule;
    UnitKind unit;
    Commands commands;       // the tool's commands that take it; 0: none
    const char* flag;        // the tool's option, "--tbw"; empty: none
    const char* valueName;   // the tool's placeholder for the value, "X"
    const char* keyword;     // the Python keyword; empty: none
    const char* settingsKey; // the window's preference key; empty: none
    const char* label;       // the Preferences label
    const char* help;        // one line: what it is
    // The rule depends on the record or on other parameters, so that a run refuses it
    // (checkParameters, in words about the whole run); a front end may check the range early.
    bool checkedWithRun;
    const char* noun = ""; // what a refusal calls the value, "the step"; empty: the value alone
    // What a form proposes where the default means none (Run Significance: 200 surrogates).
    double formValue = std::numeric_limits<double>::quiet_NaN();
};

// Every entry, in the order the tool's help lists them.
const std::vector<ParameterEntry>& parameterCatalogue();

const ParameterEntry& parameter(ParameterId id);
double parameterDefault(ParameterId id);
// A whole-number default (tapers, window, rates).
int wholeDefault(ParameterId id);
// The two numbers of a default written "LOW:HIGH" (the precession band).
std::pair<double, double> defaultLimits(ParameterId id);

// Lookups; nullptr when nothing matches. A flag or keyword may mean different things in
// different commands ("--step": samples for the map commands, an age step for tune), hence the
// command.
const ParameterEntry* parameterByFlag(std::string_view flag, Command command);
const ParameterEntry* parameterByKeyword(std::string_view keyword, Command command);
const ParameterEntry* parameterBySettingsKey(std::string_view key);

// What the rule allows, in words: "a whole number from 1 to 10, at most the window length".
std::string allowedText(const ParameterEntry& entry);

// A refusal naming the argument as the front end spells it (flag, keyword or label).
struct ArgumentProblem {
    std::string argument;
    std::string text; // "65 must be a whole number from 0 to 64", "the step -1 must be ..."
    std::string message() const { return argument + ": " + text; }
};

// The value against the entry's range and wholeness (not its relations).
std::optional<ArgumentProblem> checkValue(const ParameterEntry& entry, double value,
                                          std::string_view argument);

} // namespace analysis
