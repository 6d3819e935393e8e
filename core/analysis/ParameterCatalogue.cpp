#include "core/analysis/ParameterCatalogue.h"

#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"

#include "engine/capacities.h"

#include <cmath>
#include <stdexcept>

namespace analysis {

namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr Rule any{};
constexpr Rule above0{0, false, inf, true, ""};
constexpr Rule probability{0, false, 1, true, ""};

constexpr Commands mapCommands = Command::Analyze | Command::Peaks | Command::Trace;
constexpr Commands analysing = mapCommands | Command::Spectrum;
constexpr Commands astronomical =
    Command::Filter | Command::TimeOpt | Command::ETimeOpt | Command::Misfit;
constexpr Commands preparing = analysing | astronomical;
constexpr Commands reading = preparing | Command::Tune;
constexpr Commands testing = Command::TimeOpt | Command::ETimeOpt;
// The rate grid and the targets: the tests over trial rates.
constexpr Commands rating = testing | Command::Misfit;
// The lines' misfit: asm, and etimeopt in every window.
constexpr Commands misfitting = Command::ETimeOpt | Command::Misfit;

using K = ValueKind;
using U = UnitKind;
using C = Command;

constexpr Commands only(Command c) {
    return static_cast<Commands>(c);
}

} // namespace

// Built on first use, so that run parameters made during static initialisation find it.
const std::vector<ParameterEntry>& parameterCatalogue() {
    // clang-format off
    static const std::vector<ParameterEntry> entries = {
        {ParameterId::Column, K::Text, 0, "1", any, U::None, reading, "--column", "N|NAME",
         "column", "", "Column",
         "the values: field number counting the positions as field 0, or a name from the file's "
         "first line", false},
        {ParameterId::Skip, K::Integer, 1, "1", {0, true, inf, true, ""}, U::Count, reading,
         "--skip", "N", "skip", "", "Header lines", "header lines to skip", false},
        {ParameterId::Tbw, K::Real, 3, "3", {0, false, inf, true, "below half the window length"},
         U::None, analysing, "--tbw", "X", "tbw", "timeBandwidthProduct",
         "Time-bandwidth product (NW)",
         "time-bandwidth product NW of the Slepian tapers; their half-bandwidth W is NW / window",
         true},
        {ParameterId::Tapers, K::Integer, 4, "4", {1, true, engine::KMAX, true, "at most the window length"},
         U::Count, analysing, "--tapers", "K", "tapers", "numberOfTapers", "Number of tapers",
         "number of Slepian tapers (at least 2 for an F-test; usually 2 NW - 1 or fewer)", true},
        {ParameterId::Window, K::Integer, 400, "400",
         {2, true, engine::NMAX, true, "at most the samples of the record"}, U::Samples, mapCommands,
         "--window", "M", "window", "pointsPerWindow", "Points per window (samples)",
         "window length: samples per moving window", true},
        {ParameterId::Step, K::Integer, 25, "25", {1, true, inf, true, ""}, U::Samples, mapCommands,
         "--step", "I", "step", "windowIncrement", "Window increment (samples)",
         "window step: samples from one window to the next", true},
        {ParameterId::Nfft, K::Integer, 4096, "4096",
         {2, true, engine::NFMAX, true, "at least the window length"}, U::Samples, mapCommands, "--nfft",
         "N", "nfft", "fftPoints", "FFT points", "transform length (the window zero-padded)", true},
        {ParameterId::Fmax, K::Real, 0.06, "0.06", above0, U::CyclesPerSample, mapCommands,
         "--fmax", "F", "fmax", "fmax", "Highest frequency (cycles/sample)",
         "highest frequency kept, in cycles per sample (0.5 is the Nyquist frequency)", true},
        {ParameterId::WindowLength, K::Real, 0, "", above0, U::PositionUnits, mapCommands,
         "--window-length", "L", "", "", "Window length (position units)",
         "the window length in position units (depth or time), rounded to whole samples; refused "
         "together with --window", false},
        {ParameterId::StepLength, K::Real, 0, "", above0, U::PositionUnits, mapCommands,
         "--step-length", "S", "", "", "Window step (position units)",
         "the window step in position units, rounded to whole samples; refused together with "
         "--step", false},
        {ParameterId::FmaxPerUnit, K::Real, 0, "", above0, U::CyclesPerPositionUnit, analysing,
         "--fmax-unit", "F", "", "", "Highest frequency (cycles per unit)",
         "the highest frequency in cycles per position unit; refused together with --fmax", false},
        {ParameterId::WholeRecordNfft, K::Integer, 0,
         "the smallest power of two at least twice the record's length",
         {2, true, engine::NFMAX, true, "at least the record's length"}, U::Samples, C::Spectrum | C::Misfit,
         "--nfft", "N", "nfft", "", "FFT points", "transform length of the whole record", true},
        {ParameterId::WholeRecordFmax, K::Real, 0.5, "0.5", above0, U::CyclesPerSample,
         only(C::Spectrum), "--fmax", "F", "fmax", "", "Highest frequency (cycles/sample)",
         "highest frequency listed, in cycles per sample (0.5, the Nyquist frequency, lists every "
         "bin)", true},
        {ParameterId::Workers, K::Integer, 0, "0: one per core, at most 4", {0, true, 64, true, ""},
         U::Count, mapCommands, "--workers", "N", "workers", "", "Worker threads",
         "threads for the windows; the results do not depend on it", false},
        {ParameterId::RecordLevel, K::Integer, 95, "95", any, U::Percent, mapCommands, "--iprob",
         "P", "", "", "Record level (%)",
         "significance level in percent for the engine's records fort.17, fort.20 and fort.27",
         false},
        {ParameterId::KeepMean, K::Switch, 0, "", any, U::None, preparing, "--keep-mean", "",
         "keep_mean", "", "Keep the mean",
         "analyse the values as they are (the mean is removed by default)", false},
        {ParameterId::Interpolate, K::Switch, 0, "", any, U::None, preparing, "--interpolate",
         "[STEP]", "interpolate", "interpolateToEvenSpacing", "Interpolate to even spacing",
         "resample unevenly spaced positions linearly before the analysis", false},
        {ParameterId::InterpolationStep, K::Real, 0, "the median spacing", above0, U::PositionUnits,
         preparing, "--interpolate", "[STEP]", "interpolate", "interpolationStep",
         "Interpolation step (position units)",
         "the spacing the series is resampled at, in position units", false, "the step"},
        {ParameterId::Log, K::Switch, 0, "", any, U::None, preparing, "--log", "", "log",
         "logValues", "Natural logarithm of the values",
         "natural logarithm of the values (each must be above 0)", false},
        {ParameterId::Detrend, K::Text, 0, "none", any, U::None, preparing, "--detrend",
         "none|linear|poly:N|lowess:F", "detrend", "detrend", "Detrend",
         "remove the least-squares line, the polynomial of degree N (1..6), or the LOWESS curve "
         "(Cleveland 1979) of span F (0 < F <= 1) in position", false},
        {ParameterId::Standardise, K::Switch, 0, "", any, U::None, preparing, "--standardise", "",
         "standardise", "standardise", "Standardise (mean 0, standard deviation 1)",
         "subtract the mean and divide by the standard deviation (n - 1)", false},
        {ParameterId::LineLevel, K::Real, 0.95, "0.95", probability, U::Probability,
         only(C::Peaks), "--level", "P", "level", "", "Line level",
         "the F-test probability a line must reach (with --fdr: only when given)", false,
         "the probability"},
        {ParameterId::FalseDiscoveryRate, K::Real, 0, "", {0, false, 1, false, ""}, U::Probability,
         only(C::Peaks), "--fdr", "Q", "fdr", "", "False discovery rate",
         "keep only the bins the Benjamini-Hochberg procedure keeps at this false discovery rate "
         "over each window's tested bins (p = 1 - probability)", false,
         "the false discovery rate"},
        {ParameterId::PlotLevel, K::Real, 0.95, "0.95", probability, U::Probability,
         only(C::Spectrum), "--level", "P", "", "", "Marked level",
         "the F-test probability a line must reach to be marked on the plot", false,
         "the probability"},
        {ParameterId::Background, K::Text, 0, "ar1", any, U::None, only(C::Spectrum),
         "--background", "ar1|robust", "background", "", "Red-noise background",
         "the red-noise background: ar1, with rho the lag-one autocorrelation of the series, or "
         "robust (after Mann and Lees 1996)", false},
        {ParameterId::StartPosition, K::Real, 0, "", any, U::PositionUnits, only(C::Trace),
         "--start", "X:F", "x", "", "Start position",
         "where the line is followed from: the window whose centre is nearest position X, at the "
         "frequency nearest F", false},
        {ParameterId::StartFrequency, K::Real, 0, "", above0, U::CyclesPerPositionUnit,
         only(C::Trace), "--start", "X:F", "f", "", "Start frequency",
         "the frequency the line starts at, in cycles per position unit", false},
        {ParameterId::Band, K::Real, 0,
         "W/2, with W = tbw / (window x spacing) the tapers' half-bandwidth",
         above0, U::CyclesPerPositionUnit, only(C::Trace), "--band", "DF", "band", "",
         "Band half-width",
         "half-width of the band around the previous window's frequency, in cycles per position "
         "unit, in which the next window's bin is chosen", false},
        {ParameterId::TraceBy, K::Text, 0, "amplitude", any, U::None, only(C::Trace), "--by",
         "amplitude|probability", "by", "", "Follow by",
         "what decides within the band: the largest line amplitude or F-test probability", false},
        {ParameterId::Period, K::Real, 0, "", above0, U::AgeUnits, C::Trace | C::Tune, "--period",
         "P", "period", "", "Period",
         "the period of the traced cycle, in the time unit of the ages (41 for obliquity in kyr)",
         false},
        {ParameterId::PeriodSd, K::Real, 0, "0", {0, true, inf, true, "below a third of the period"},
         U::AgeUnits, only(C::Tune), "--period", "P[:SD]", "period_sd", "",
         "Period's standard deviation",
         "SD, one standard deviation of the period (41:1), drawn for each model of the ensemble",
         false, "the standard deviation"},
        {ParameterId::StartAge, K::Real, 0, "0", any, U::AgeUnits, only(C::Tune), "--start-age",
         "T", "start_age", "", "Start age", "the age of the first sample", false},
        {ParameterId::AgeStep, K::Real, 0, "the samples at their ages", above0, U::AgeUnits,
         only(C::Tune), "--step", "S", "step", "", "Age step",
         "age step: resample the tuned series linearly at T, T + S, ... (in the time unit of the "
         "ages)", false},
        {ParameterId::TaperLength, K::Integer, 0, "", {2, true, inf, true, ""}, U::Samples,
         only(C::Tapers), "--length", "N", "n", "", "Taper length", "taper length in samples",
         true},
        {ParameterId::TaperCount, K::Integer, 0, "", {1, true, engine::KMAX, true, "at most the length"},
         U::Count, only(C::Tapers), "--tapers", "K", "k", "", "Number of tapers",
         "number of tapers", true},
        {ParameterId::TaperTbw, K::Real, 0, "", {0, false, inf, true, "below half the length"},
         U::None, only(C::Tapers), "--tbw", "X", "tbw", "", "Time-bandwidth product (NW)",
         "time-bandwidth product NW", true},
        {ParameterId::WindowDetrend, K::Text, 0, "none", any, U::None, analysing,
         "--window-detrend", "none|mean|linear", "window_detrend", "windowDetrend",
         "Remove each window's",
         "remove each window's own mean (mean) or least-squares line (linear) from its samples "
         "before tapering, after the record's mean", false},
        {ParameterId::TraceLevel, K::Real, 0.95, "0.95", probability, U::Probability,
         only(C::Trace), "--level", "P", "level", "", "Flag level",
         "rows whose F-test probability lies below P are flagged weak", false, "the probability"},
        {ParameterId::Ensemble, K::Integer, 0, "0", {0, true, 100000, true, ""}, U::Count,
         only(C::Tune), "--ensemble", "N", "ensemble", "", "Ensemble",
         "age models drawn from the rows' intervals (rate_low and rate_high of a track, "
         "frequency_low and frequency_high of a trace), each integrated as the single model, for "
         "the age band (age_low, age_median, age_high) and the duration's interval; 0: the "
         "single model", false},
        {ParameterId::EnsembleSeed, K::Integer, 1, "1", {0, true, 2147483647, true, ""}, U::None,
         only(C::Tune), "--seed", "S", "seed", "", "Seed",
         "seed of the ensemble's draws: the same seed gives the same band", false},
        {ParameterId::Interval, K::Real, 0.95, "0.95", {0, false, 1, false, ""}, U::Probability,
         only(C::Tune), "--interval", "P", "interval", "", "Band probability",
         "the probability of the age band and of the duration's interval: age_low and age_high "
         "are the (1 - P) / 2 and (1 + P) / 2 points of the ensemble", false, "the probability"},
        {ParameterId::EnsembleFile, K::Text, 0, "", any, U::None, only(C::Tune),
         "--ensemble-file", "FILE", "", "", "Ensemble file",
         "also write the ensemble's models, \"position age_1 ... age_N\", one row per sample",
         false},
        {ParameterId::ReturnEnsemble, K::Switch, 0, "", any, U::None, only(C::Tune), "", "",
         "return_ensemble", "", "Return the ensemble",
         "also return the ensemble's ages, one row per model", false},
        {ParameterId::Anchor, K::Text, 0, "", any, U::AgeUnits, only(C::Tune), "--anchor",
         "POSITION:AGE[:SD]", "anchors", "", "Anchors",
         "an age known at a position (an ash bed, a reversal, a datum) with its standard "
         "deviation (none: exact), in the unit of the ages (kyr with --sedrate); repeatable: one "
         "shifts the model to it, several scale it between them; refused together with "
         "--start-age", false},
        {ParameterId::RowWindowLength, K::Real, 0, "the window the file's '#' block states",
         above0, U::PositionUnits, only(C::Tune), "--window-length", "L", "window_length", "",
         "Window length of the rows",
         "the length, in position units, of the windows the rows were measured in: neighbouring "
         "rows' draws correlate by the share of samples their windows have in common", false},
        {ParameterId::AcceptFlags, K::Switch, 0, "", any, U::None, only(C::Tune), "--accept-flags",
         "", "accept_flags", "", "Accept flagged rows",
         "build the age model even from a trace with rows flagged jump, edge or drift", false},
        {ParameterId::SedimentationRateTrack, K::Text, 0, "", any, U::None, only(C::Tune),
         "--sedrate", "TRACK", "track", "", "Sedimentation-rate track",
         "a tab-separated file with columns x_centre and sedimentation_rate (cm/kyr), from "
         "etimeopt --track or written by hand: the age model from these rates instead of a "
         "traced cycle; refused together with --trace and --period", false},
        {ParameterId::PositionsIn, K::Text, 0, "m", any, U::None, rating | C::Tune,
         "--positions-in", "m|cm|mm", "positions_in", "", "Positions in",
         "the unit of the positions: metres, centimetres or millimetres (rates are in cm/kyr)",
         false},
        {ParameterId::Passband, K::Text, 0, "", any, U::CyclesPerPositionUnit, only(C::Filter),
         "--passband", "FLO:FHI", "passband", "", "Pass band",
         "the band kept, from FLO to FHI cycles per position unit, within (0, Nyquist)", false},
        {ParameterId::SedMin, K::Real, 0.5, "0.5", {0, false, inf, true, "at most --sedmax"},
         U::CentimetresPerKyr, rating, "--sedmin", "S", "sedmin", "",
         "Lowest rate", "the lowest trial sedimentation rate, in cm/kyr",
         false},
        {ParameterId::SedMax, K::Real, 5, "5", {0, false, inf, true, "at least --sedmin"},
         U::CentimetresPerKyr, rating, "--sedmax", "S", "sedmax", "",
         "Highest rate", "the highest trial sedimentation rate, in cm/kyr",
         false},
        {ParameterId::NumSed, K::Integer, 100, "100", {1, true, 10000, true, ""}, U::Count,
         rating, "--numsed", "N", "numsed", "", "Number of rates", "the number of trial rates",
         false},
        {ParameterId::LinearGrid, K::Switch, 0, "", any, U::None, rating, "--linear-grid", "",
         "linear_grid", "", "Linear rate grid",
         "space the trial rates evenly (by default evenly in log rate)", false},
        {ParameterId::PrecessionBand, K::Text, 0, "0.035:0.065", any, U::CyclesPerKyr, testing,
         "--precession-band", "FLO:FHI", "precession_band", "", "Precession band (cycles/kyr)",
         "the band, in cycles per kyr, whose amplitude envelope is fitted at the eccentricity "
         "periods", false},
        {ParameterId::Targets, K::Text, 0,
         "the eccentricity periods 405.6795, 130.719, 123.839, 98.86307 and 94.87666 kyr, the "
         "precession periods 23.62069, 22.31868, 19.06768 and 18.91979 kyr and the obliquity "
         "periods 40.97656, 39.60295 and 53.71357 kyr (La2004, Laskar et al. 2004)",
         any, U::AgeUnits, rating, "--targets", "FILE", "targets", "", "Targets file",
         "a tab-separated file with a column period (kyr) and a column kind holding e "
         "(eccentricity), o (obliquity) or p (precession), e and p present; it replaces every "
         "default period, so that a file without o rows has no obliquity periods (TimeOpt fits "
         "e and p alone; the spectral misfit takes o too)", false},
        // The range of the Earth-Moon model (core/astro/TargetsAtAge.h): the present to its
        // calibration, the Elatina tidal rhythmites at 620 Ma.
        {ParameterId::AgeMa, K::Real, 0, "", {0, true, 620, true, ""}, U::MillionYears, rating,
         "--age-ma", "A", "age_ma", "", "Age of the record (Ma)",
         "the precession and obliquity target periods of an age of A million years, from the "
         "precession constant k of the Earth-Moon system's tidal evolution and the planetary "
         "frequencies g_i and s_i of La2004, after Waltham (2015); the eccentricity periods "
         "stay; not with --targets", false, "the age"},
        {ParameterId::Simulations, K::Integer, 0, "0", {0, true, 100000, true, ""}, U::Count,
         testing, "--sims", "N", "sims", "", "Simulations",
         "AR(1) surrogates with the lag-1 autocorrelation of what is tested for the p-value of the "
         "largest r2_opt of the record (timeopt) or of each window (etimeopt); 0: none", false, "", 200},
        {ParameterId::WindowFalseDiscoveryRate, K::Real, 0.05, "0.05", {0, false, 1, false, ""},
         U::Probability, only(C::ETimeOpt), "--fdr", "Q", "fdr", "",
         "False discovery rate over the windows",
         "with --sims, the windows whose optimum is significant are those the Benjamini-Hochberg "
         "procedure keeps at this false discovery rate over the windows' p-values (peaks --fdr "
         "controls it over one window's lines instead)", false, "the false discovery rate"},
        {ParameterId::MisfitLevel, K::Real, 0.95, "0.95", probability, U::Probability,
         only(C::Misfit), "--level", "P", "level", "", "Line level",
         "the harmonic F-test probability a line must reach to count in the spectral misfit",
         false, "the probability"},
        {ParameterId::WindowLineLevel, K::Real, 0.99, "0.99", probability, U::Probability,
         only(C::ETimeOpt), "--level", "P", "level", "", "Line level",
         "the harmonic F-test probability a window's line must reach to count in its spectral "
         "misfit (higher than asm's: at 0.95 chance lines crowd a window's bins and any rate "
         "fits them)", false, "the probability"},
        {ParameterId::MisfitTbw, K::Real, 3, "3", {0, false, inf, true, "below half the window length"},
         U::None, misfitting, "--tbw", "X", "tbw", "", "Time-bandwidth product (NW)",
         "time-bandwidth product NW of the tapers of the lines' F-test", false},
        {ParameterId::MisfitTapers, K::Integer, 4, "4", {2, true, engine::KMAX, true, "at most the window length"},
         U::Count, misfitting, "--tapers", "K", "tapers", "", "Number of tapers",
         "number of tapers of the lines' F-test (at least 2)", false},
        {ParameterId::MisfitSimulations, K::Integer, 10000, "10000", {1, true, 100000, true, ""},
         U::Count, only(C::Misfit), "--sims", "N", "sims", "", "Random line sets",
         "random line sets (as many lines as the record's, uniform between its Rayleigh and "
         "Nyquist frequencies) for the null probability of each rate's misfit (the smallest "
         "corrected probability is the number of rates over N + 1)", false},
        {ParameterId::WindowMisfitSimulations, K::Integer, 2000, "2000", {1, true, 100000, true, ""},
         U::Count, only(C::ETimeOpt), "--asm-sims", "N", "asm_sims", "", "Random line sets",
         "random line sets for the null probability of each window's spectral misfit (the "
         "smallest corrected probability is the number of rates over N + 1)", false},
        {ParameterId::RateColumn, K::Text, 0, "", any, U::None, only(C::Tune), "--rate-column",
         "NAME", "rate_column", "", "Rate column",
         "with --sedrate, the track's column of rates (cm/kyr) to integrate; by default "
         "identified_rate where the track has it, else sedimentation_rate", false},
        {ParameterId::CheckTrack, K::Text, 0, "", any, U::None, only(C::Tune), "--check-track",
         "TRACK", "check_track", "", "Check against track",
         "with --trace and --period, an etimeopt track: the rows whose implied rate disagrees "
         "with the track's identified rate beyond both methods' resolution are mismatched, named "
         "with the cycle the line is at the track's rate, and refused unless --accept-flags",
         false},
        {ParameterId::IntervalProbability, K::Real, 0.95, "0.95", {0, false, 1, false, ""},
         U::Probability, testing | C::Trace, "--interval", "P", "interval", "",
         "Interval probability",
         "the probability of the intervals given: of the sedimentation rate (timeopt, etimeopt; "
         "the power fit's likelihood with AR(1) residuals, after Meyers and Malinverno 2018, "
         "PNAS 115, 6363) and of each traced line's frequency (trace; least squares on the "
         "window's eigencoefficients, Thomson 1982, with Beale's 1960 likelihood-ratio interval)",
         false, "the probability"},
        {ParameterId::Seed, K::Integer, 1, "1", {0, true, 2147483647, true, ""}, U::None, rating,
         "--seed", "N", "seed", "", "Seed",
         "seed of the surrogates: the same seed gives the same p-value for any number of workers",
         false},
        {ParameterId::AstroWorkers, K::Integer, 0, "0: one per core", {0, true, 64, true, ""},
         U::Count, testing, "--workers", "N", "workers", "", "Worker threads",
         "threads for the rates, windows and surrogates; the results do not depend on it", false},
        {ParameterId::AstroWindowLength, K::Real, 0, "",
         {0, false, inf, true, "at most the record's length"}, U::PositionUnits, only(C::ETimeOpt),
         "--window-length", "L", "window_length", "", "Window length",
         "the length of each window, in position units (metres unless --positions-in says "
         "otherwise)", false},
        {ParameterId::AstroStepLength, K::Real, 0, "", above0, U::PositionUnits,
         only(C::ETimeOpt), "--step-length", "S", "step_length", "", "Step",
         "the step from one window to the next, in position units, rounded to whole samples",
         false},
        {ParameterId::SignificanceLevels, K::Text, 0, "0.8, 0.9, 0.95, 0.99", probability,
         U::Probability, 0, "", "", "", "probability", "Significance levels",
         "the F-test probabilities of the map's contours and the spectrum's level lines", false},
    };
    // clang-format on
    return entries;
}

const ParameterEntry& parameter(ParameterId id) {
    for (const ParameterEntry& e : parameterCatalogue())
        if (e.id == id)
            return e;
    throw std::logic_error("a parameter without a catalogue entry");
}

double parameterDefault(ParameterId id) {
    return parameter(id).defaultValue;
}

int wholeDefault(ParameterId id) {
    return static_cast<int>(parameterDefault(id));
}

std::pair<double, double> defaultLimits(ParameterId id) {
    const std::string_view text = parameter(id).defaultText;
    const std::size_t colon = text.find(':');
    const auto low = series::parseNumber(text.substr(0, colon));
    const auto high = colon == std::string_view::npos ? std::nullopt
                                                      : series::parseNumber(text.substr(colon + 1));
    if (!low || !high)
        throw std::logic_error("a catalogue default that is not LOW:HIGH");
    return {*low, *high};
}

const ParameterEntry* parameterByFlag(std::string_view flag, Command command) {
    for (const ParameterEntry& e : parameterCatalogue())
        if (e.flag == flag && takes(e.commands, command))
            return &e;
    return nullptr;
}

const ParameterEntry* parameterByKeyword(std::string_view keyword, Command command) {
    for (const ParameterEntry& e : parameterCatalogue())
        if (e.keyword == keyword && takes(e.commands, command))
            return &e;
    return nullptr;
}

const ParameterEntry* parameterBySettingsKey(std::string_view key) {
    for (const ParameterEntry& e : parameterCatalogue())
        if (!key.empty() && e.settingsKey == key)
            return &e;
    return nullptr;
}

std::string allowedText(const ParameterEntry& e) {
    const Rule& r = e.rule;
    std::string text = e.kind == ValueKind::Integer ? "a whole number" : "a number";
    const bool low = std::isfinite(r.lowest), high = std::isfinite(r.highest);
    if (low && high && r.lowestIncluded && r.highestIncluded)
        text += " from " + text::exactNumberInFull(r.lowest) + " to " +
                text::exactNumberInFull(r.highest);
    else {
        if (low)
            text +=
                (r.lowestIncluded ? " at least " : " above ") + text::exactNumberInFull(r.lowest);
        if (low && high)
            text += " and";
        if (high)
            text +=
                (r.highestIncluded ? " at most " : " below ") + text::exactNumberInFull(r.highest);
    }
    if (!low && !high && e.kind == ValueKind::Real)
        text = "a finite number";
    if (*r.relation)
        text += std::string(", ") + r.relation;
    return text;
}

std::optional<ArgumentProblem> checkValue(const ParameterEntry& e, double value,
                                          std::string_view argument) {
    const Rule& r = e.rule;
    const bool fits = std::isfinite(value) &&
                      (r.lowestIncluded ? value >= r.lowest : value > r.lowest) &&
                      (r.highestIncluded ? value <= r.highest : value < r.highest) &&
                      (e.kind != ValueKind::Integer || value == std::floor(value));
    if (fits)
        return std::nullopt;
    const std::string noun = *e.noun ? std::string(e.noun) + " " : "";
    return ArgumentProblem{std::string(argument),
                           noun + text::exactNumberInFull(value) + " must be " + allowedText(e)};
}

} // namespace analysis
