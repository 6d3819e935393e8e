#include "cli/CommandOptions.h"

#include "cli/CommandHelp.h"
#include "core/results/ColourMaps.h"

#include <cctype>
#include <cmath>

namespace cli {

namespace {

using analysis::ParameterEntry;
using analysis::ParameterId;
using Tool = analysis::Command;

std::string inQuotes(const std::string& s) {
    return "'" + s + "'";
}

// A validator from a check that says what is wrong with a value, or nothing.
CLI::Validator refusing(std::function<std::string(const std::string&)> why, const char* name) {
    return CLI::Validator([why](std::string& s) { return why(s); }, "", name);
}

// The strict C-locale number rule: the whole text, no locale, no hexadecimal or octal.
const CLI::Validator& realNumber() {
    static const CLI::Validator v = refusing(
        [](const std::string& s) {
            return parseReal(s) ? std::string() : inQuotes(s) + " is not a number";
        },
        "number");
    return v;
}

const CLI::Validator& wholeNumber() {
    static const CLI::Validator v = refusing(
        [](const std::string& s) {
            return parseInteger(s) ? std::string() : inQuotes(s) + " is not a whole number";
        },
        "whole number");
    return v;
}

// The entry's range and wholeness, for a value that is a number.
CLI::Validator ruleOf(const ParameterEntry& e) {
    return refusing(
        [&e](const std::string& s) {
            const auto problem = analysis::checkValue(e, *parseReal(s), e.flag);
            return problem ? problem->text : std::string();
        },
        "rule");
}

const CLI::Validator& figureFile() {
    static const CLI::Validator v = refusing(
        [](const std::string& s) {
            const std::size_t dot = s.rfind('.');
            std::string ext = dot == std::string::npos ? "" : s.substr(dot + 1);
            for (char& ch : ext)
                ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            return s.empty() || ext == "pdf" || ext == "png" || ext == "svg"
                       ? std::string()
                       : inQuotes(s) + " does not end in .pdf, .png or .svg";
        },
        "figure file");
    return v;
}

// WxH, each between 1 and 20000.
std::optional<std::pair<double, double>> parseSize(const std::string& s) {
    const std::size_t x = s.find_first_of("xX");
    const auto w = x == std::string::npos ? std::nullopt : parseReal(s.substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parseReal(s.substr(x + 1));
    if (w && h && *w >= 1 && *h >= 1 && *w <= 20000 && *h <= 20000)
        return std::pair{*w, *h};
    return std::nullopt;
}

// POSITION:FREQUENCY, both finite, the frequency within its rule.
std::optional<std::pair<double, double>> parseStart(const std::string& s) {
    const std::size_t colon = s.find(':');
    const auto x = colon == std::string::npos ? std::nullopt : parseReal(s.substr(0, colon));
    const auto f = colon == std::string::npos ? std::nullopt : parseReal(s.substr(colon + 1));
    if (x && f && std::isfinite(*x) &&
        !analysis::checkValue(analysis::parameter(ParameterId::StartFrequency), *f, ""))
        return std::pair{*x, *f};
    return std::nullopt;
}

// FLO:FHI, two finite numbers with FLO below FHI (where the band may lie is the run's to say).
std::optional<astro::Band> parseBand(const std::string& s) {
    const std::size_t colon = s.find(':');
    const auto low = colon == std::string::npos ? std::nullopt : parseReal(s.substr(0, colon));
    const auto high = colon == std::string::npos ? std::nullopt : parseReal(s.substr(colon + 1));
    if (low && high && std::isfinite(*low) && std::isfinite(*high) && *low < *high)
        return astro::Band{*low, *high};
    return std::nullopt;
}

bool astronomical(Tool tool) {
    return tool == Tool::Filter || tool == Tool::TimeOpt || tool == Tool::ETimeOpt;
}

// Options keep the last value given, and each value is checked (and an earlier --help taken)
// in the order of the command line.
CLI::Option* inOrder(CLI::Option* o) {
    return o->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->trigger_on_parse();
}

} // namespace

CommandOptions::CommandOptions(CLI::App& cmd, Tool tool, std::string name, ParsedCommandLine& p)
    : cmd_(cmd), tool_(tool), name_(std::move(name)), p_(p),
      a_(astronomical(tool) ? p.astro.input : p.analyze), t_(p.tapers), x_(p.astro) {
    if (tool == Tool::Tapers) {
        addTapers();
    } else if (astronomical(tool)) {
        addInput();
        addPreparation();
        if (tool == Tool::Filter)
            addPassband();
        else
            addAstronomicalTest();
        if (tool == Tool::ETimeOpt)
            addEvolutiveTest();
    } else {
        addInput();
        if (tool != Tool::Tune) {
            addPreparation();
            addAnalysis();
        }
        if (tool == Tool::Analyze)
            addMap();
        if (tool == Tool::Peaks)
            addLines();
        if (tool == Tool::Spectrum)
            addWholeRecord();
        if (tool == Tool::Trace)
            addTrace();
        if (tool == Tool::Tune)
            addTune();
    }
    addOutput();
    addHelp();
}

bool CommandOptions::takes(ParameterId id) const {
    return analysis::takes(analysis::parameter(id).commands, tool_);
}

std::string CommandOptions::unknown(const std::string& arg) const {
    if (arg.size() > 1 && arg[0] == '-')
        return "unknown option " + inQuotes(arg) + " for " + name_ + "; see tonalith-cli " + name_ +
               " --help";
    return "unexpected argument " + inQuotes(arg);
}

CLI::Option* CommandOptions::valued(const std::string& flag, const std::string& valueName,
                                    const std::string& description, Setter set, const char* group) {
    CLI::Option* o =
        cmd_.add_option_function<std::string>(flag, std::move(set), help::describe(description));
    o->option_text(valueName)->group(group);
    o->check(refusing(
        [this](const std::string&) {
            refuseEarlierWords();
            return std::string();
        },
        "order"));
    return inOrder(o);
}

// Each value is checked after the words before it, so that the first word at fault is named.
void CommandOptions::refuseEarlierWords() const {
    if (file_ && !file_->results().empty())
        checkFile(file_->results().front());
    const std::vector<std::string> extra = cmd_.remaining();
    if (!extra.empty())
        throw Refusal{unknown(extra.front())};
}

// A number of the catalogue, checked by the strict number rule and, early, by its own rule:
// not when the run words the refusal (the rule then depends on the record), nor when the tool
// words it after the command line is read.
template <typename T>
CLI::Option* CommandOptions::number(ParameterId id, T& target, const char* group,
                                    bool checkedEarly) {
    const ParameterEntry& e = analysis::parameter(id);
    CLI::Option* o = valued(
        e.flag, e.valueName, help::entryLine(e),
        [&target](const std::string& s) {
            if constexpr (std::is_integral_v<T>)
                target = static_cast<T>(*parseInteger(s));
            else
                target = *parseReal(s);
        },
        group);
    o->check(std::is_integral_v<T> ? wholeNumber() : realNumber());
    if (checkedEarly && !e.checkedWithRun)
        o->check(ruleOf(e));
    return o;
}

template <typename T>
CLI::Option* CommandOptions::numberIfTaken(ParameterId id, T& target, const char* group) {
    return takes(id) ? number(id, target, group) : nullptr;
}

// A file or folder name; an empty one is refused with whenEmpty.
CLI::Option* CommandOptions::path(const std::string& flag, const std::string& valueName,
                                  const std::string& description, std::string& target,
                                  const char* group, const std::string& whenEmpty) {
    return valued(
        flag, valueName, description,
        [&target, whenEmpty](const std::string& s) {
            if (s.empty())
                throw Refusal{whenEmpty};
            target = s;
        },
        group);
}

void CommandOptions::on(const std::string& flag, const std::string& description, bool& target,
                        const char* group) {
    cmd_.add_flag(flag, target, help::describe(description))->disable_flag_override()->group(group);
}

void CommandOptions::on(ParameterId id, bool& target, const char* group) {
    if (takes(id))
        on(analysis::parameter(id).flag, analysis::parameter(id).help, target, group);
}

// FLO:FHI into target.
CLI::Option* CommandOptions::band(ParameterId id, astro::Band& target, const char* group) {
    const ParameterEntry& e = analysis::parameter(id);
    return valued(
               e.flag, e.valueName, help::entryLine(e),
               [&target](const std::string& s) { target = *parseBand(s); }, group)
        ->check(refusing(
            [](const std::string& s) {
                return parseBand(s) ? std::string()
                                    : inQuotes(s) + " is not FLO:FHI, two numbers with FLO "
                                                    "below FHI";
            },
            "band"));
}

// A figure file, its format by its extension.
CLI::Option* CommandOptions::figure(const std::string& flag, const std::string& description,
                                    std::string& target, const char* group) {
    return path(flag, "FILE", description, target, group, flag + " needs a file name")
        ->check(figureFile());
}

void CommandOptions::checkFile(const std::string& name) const {
    if (name.empty() || name[0] == '-')
        throw Refusal{unknown(name)};
}

void CommandOptions::addInput() {
    const char* group = "Input";
    file_ = cmd_.add_option_function<std::string>(
                    "FILE",
                    [this](const std::string& s) {
                        checkFile(s);
                        a_.file = s;
                    },
                    help::describe("the data file: plain text, one sample per line, "
                                   "tab-separated fields; the first field is the position (depth "
                                   "or time), evenly spaced unless --interpolate is given"))
                ->type_name("")
                ->group(group);
    const ParameterEntry& column = analysis::parameter(ParameterId::Column);
    valued(
        column.flag, column.valueName, help::entryLine(column),
        [this](const std::string& s) { a_.column = s; }, group);
    number(ParameterId::Skip, a_.skip, group, false);
}

void CommandOptions::addPreparation() {
    const char* group = "Preparation (in this order, after --interpolate; the '#' block records "
                        "the steps)";
    on(ParameterId::KeepMean, a_.keepMean, group);
    addInterpolation(group);
    on(ParameterId::Log, a_.preparation.log, group);
    const ParameterEntry& detrend = analysis::parameter(ParameterId::Detrend);
    valued(
        detrend.flag, detrend.valueName, help::entryLine(detrend),
        [this](const std::string& s) { a_.preparation.detrend = *series::parseDetrend(s); }, group)
        ->check(refusing(
            [](const std::string& s) {
                std::string why;
                return series::parseDetrend(s, &why) ? std::string() : why;
            },
            "trend"));
    on(ParameterId::Standardise, a_.preparation.standardise, group);
}

// --interpolate [STEP]: a switch whose value is optional, given as --interpolate=STEP on the
// command line as prepared.
void CommandOptions::addInterpolation(const char* group) {
    const ParameterEntry& step = analysis::parameter(ParameterId::InterpolationStep);
    CLI::Option* o = valued(
        step.flag, step.valueName,
        analysis::parameter(ParameterId::Interpolate).help + std::string("; STEP is ") + step.help +
            ", " + analysis::allowedText(step) + help::defaultText(step),
        [this](const std::string& s) {
            a_.interpolate = true;
            if (s != "true")
                a_.interpolateStep = *parseReal(s);
        },
        group);
    o->expected(0);
    o->check(refusing(
        [&step](const std::string& s) {
            const auto v = s == "true" ? std::optional<double>() : parseReal(s);
            if (s != "true" && !v)
                return inQuotes(s) + " is not a number";
            const auto problem = v ? analysis::checkValue(step, *v, step.flag) : std::nullopt;
            return problem ? problem->text : std::string();
        },
        "step"));
}

void CommandOptions::addAnalysis() {
    const char* group = "Analysis";
    auto& params = a_.params;
    numberIfTaken(ParameterId::Tbw, params.tbw, group);
    numberIfTaken(ParameterId::Tapers, params.tapers, group);
    window_ = numberIfTaken(ParameterId::Window, params.window, group);
    windowLength_ = numberIfTaken(ParameterId::WindowLength, a_.windowLength, group);
    step_ = numberIfTaken(ParameterId::Step, params.step, group);
    stepLength_ = numberIfTaken(ParameterId::StepLength, a_.stepLength, group);
    numberIfTaken(ParameterId::Nfft, params.nfft, group);
    numberIfTaken(ParameterId::WholeRecordNfft, params.nfft, group);
    fmax_ = takes(ParameterId::Fmax)
                ? number(ParameterId::Fmax, params.fmax, group)
                : numberIfTaken(ParameterId::WholeRecordFmax, params.fmax, group);
    fmaxPerUnit_ = numberIfTaken(ParameterId::FmaxPerUnit, a_.fmaxPerUnit, group);
    numberIfTaken(ParameterId::Workers, a_.workers, group);
    numberIfTaken(ParameterId::RecordLevel, a_.iprob, group);
    const ParameterEntry& detrend = analysis::parameter(ParameterId::WindowDetrend);
    valued(
        detrend.flag, detrend.valueName, help::entryLine(detrend),
        [this](const std::string& s) {
            a_.params.windowDetrend = *analysis::parseWindowDetrend(s);
        },
        group)
        ->check(refusing(
            [](const std::string& s) {
                return analysis::parseWindowDetrend(s)
                           ? std::string()
                           : inQuotes(s) + " is not none, mean or linear";
            },
            "window detrend"));
    path("--records", "DIR",
         "write the engine's records fort.17, fort.20 and fort.27 into DIR (default: the "
         "working directory)",
         a_.records, group, "--records needs a folder");
}

void CommandOptions::addFigureSize(const char* group) {
    valued(
        "--size", "WxH",
        "the figure's size: pixels for PNG (default 1200x800), millimetres for PDF and SVG "
        "(default 297x210, A4 landscape)",
        [this](const std::string& s) {
            const auto size = parseSize(s);
            a_.mapWidth = size->first;
            a_.mapHeight = size->second;
        },
        group)
        ->check(refusing(
            [](const std::string& s) {
                return parseSize(s)
                           ? std::string()
                           : inQuotes(s) + " is not a size WxH between 1x1 and 20000x20000";
            },
            "size"));
}

void CommandOptions::addMap() {
    const char* group = "Grids and the map";
    path("--grid", "PREFIX",
         "also write PREFIX-amplitude.tsv and PREFIX-probability.tsv: one row per frequency, one "
         "column per window headed by its centre",
         a_.grid, group, "--grid needs a file name prefix");
    path("--map", "FILE",
         "also draw the map, as the application shows it, into FILE: PDF, PNG or SVG by the "
         "extension (no display needed)",
         a_.map, group, "--map needs a file name")
        ->check(figureFile());
    addFigureSize(group);
    valued(
        "--map-of", "amplitude|power|logpower|normalised|probability",
        "what the map's colour shows: the line amplitude (default), its square, log10 of the "
        "power, the amplitude divided by the largest of its window, or the F-test probability; "
        "the contours stay those of the probability",
        [this](const std::string& s) { a_.mapOf = *results::parseMapOf(s); }, group)
        ->check(refusing(
            [](const std::string& s) {
                return results::parseMapOf(s) ? std::string()
                                              : inQuotes(s) + " is not amplitude, power, "
                                                              "logpower, normalised or probability";
            },
            "map variant"));
    valued(
        "--mask", "P",
        "draw cells whose F-test probability is below P transparent; a number above 0 and at "
        "most 1",
        [this](const std::string& s) { a_.maskLevel = *parseReal(s); }, group)
        ->check(realNumber())
        ->check(refusing(
            [](const std::string& s) {
                const double v = *parseReal(s);
                return v > 0 && v <= 1 ? std::string()
                                       : "the probability " + s + " must lie above 0 and at most 1";
            },
            "probability"));
    valued(
        "--colours", "NAME",
        "the colour map: " + results::colourMapWords() + " (default " + results::colourMapWord(0) +
            ")",
        [this](const std::string& s) { a_.colours = results::colourMapCode(s); }, group)
        ->check(refusing(
            [](const std::string& s) {
                return results::colourMapCode(s) >= 0
                           ? std::string()
                           : inQuotes(s) + " is not " + results::colourMapWords();
            },
            "colours"));
    on("--reverse-x", "the position axis from its largest value to its smallest", a_.reverseX,
       group);
    on("--title",
       "a title line above the map naming the file, column and parameters (PDF and SVG maps "
       "carry that title in their metadata in any case)",
       a_.mapTitle, group);
}

void CommandOptions::addLines() {
    const char* group = "Lines";
    level_ = number(ParameterId::LineLevel, a_.level, group);
    number(ParameterId::FalseDiscoveryRate, a_.fdr, group);
}

void CommandOptions::addWholeRecord() {
    const char* group = "Whole-record spectrum";
    const ParameterEntry& background = analysis::parameter(ParameterId::Background);
    valued(
        background.flag, background.valueName,
        background.help + std::string("; ") + spectrum::kRobustBackgroundHelp +
            help::defaultText(background),
        [this](const std::string& s) { spectrum::parseBackgroundKind(s, a_.background); }, group)
        ->check(refusing(
            [](const std::string& s) {
                spectrum::BackgroundKind kind{};
                return spectrum::parseBackgroundKind(s, kind)
                           ? std::string()
                           : inQuotes(s) + " is not ar1 or robust";
            },
            "background"));
    level_ = number(ParameterId::PlotLevel, a_.level, group);
    path("--plot", "FILE",
         "also draw log power with the background and its levels, and the F-test probability "
         "below it, into FILE (PDF, PNG or SVG); the bins that pass both the F-test and the 95 % "
         "level are marked",
         a_.plot, group, "--plot needs a file name")
        ->check(figureFile());
    addFigureSize(group);
}

void CommandOptions::addTrace() {
    const char* group = "Tracing a line";
    const ParameterEntry& start = analysis::parameter(ParameterId::StartPosition);
    valued(
        start.flag, start.valueName,
        std::string(start.help) + " (" + analysis::parameter(ParameterId::StartFrequency).help +
            ")",
        [this](const std::string& s) {
            const auto xf = parseStart(s);
            a_.startPosition = xf->first;
            a_.startFrequency = xf->second;
            a_.haveStart = true;
        },
        group)
        ->required()
        ->check(refusing(
            [](const std::string& s) {
                return parseStart(s)
                           ? std::string()
                           : inQuotes(s) + " is not POSITION:FREQUENCY with a frequency above 0";
            },
            "start"));
    number(ParameterId::Band, a_.band, group);
    const ParameterEntry& by = analysis::parameter(ParameterId::TraceBy);
    valued(
        by.flag, by.valueName, help::entryLine(by),
        [this](const std::string& s) { a_.traceBy = *tuning::parseTraceBy(s); }, group)
        ->check(refusing(
            [](const std::string& s) {
                return tuning::parseTraceBy(s) ? std::string()
                                               : inQuotes(s) + " is not amplitude or probability";
            },
            "criterion"));
    level_ = number(ParameterId::TraceLevel, a_.level, group);
}

void CommandOptions::addTune() {
    const char* group = "Age model and tuned series";
    path("--trace", "TRACE",
         "a tab-separated file with columns named x_centre and frequency (lines starting with "
         "'#' skipped): from trace, the window, R or Python",
         a_.traceFile, group, "--trace needs a file name");
    number(ParameterId::Period, a_.period, group);
    const ParameterEntry& track = analysis::parameter(ParameterId::SedimentationRateTrack);
    path(track.flag, track.valueName, track.help, x_.sedrateTrack, group,
         "--sedrate needs a file name");
    addPositionUnit(group);
    number(ParameterId::StartAge, a_.startAge, group);
    number(ParameterId::AgeStep, a_.tuneStep, group);
    path("--model", "FILE", "also write \"position age sedimentation_rate\", one row per sample",
         a_.model, group, "--model needs a file name");
    on(ParameterId::AcceptFlags, a_.acceptFlags, group);
}

// --positions-in, checked with the run (the unit's names are the astronomical test's).
void CommandOptions::addPositionUnit(const char* group) {
    const ParameterEntry& unit = analysis::parameter(ParameterId::PositionsIn);
    valued(
        unit.flag, unit.valueName, help::entryLine(unit),
        [this](const std::string& s) { x_.positionsIn = s; }, group);
}

void CommandOptions::addPassband() {
    band(ParameterId::Passband, x_.passband, "Band-pass")->required();
}

void CommandOptions::addAstronomicalTest() {
    const char* group = "Astronomical test";
    addPositionUnit(group);
    number(ParameterId::SedMin, x_.grid.low, group);
    number(ParameterId::SedMax, x_.grid.high, group);
    number(ParameterId::NumSed, x_.grid.count, group);
    on(ParameterId::LinearGrid, x_.grid.linear, group);
    band(ParameterId::PrecessionBand, x_.precessionBand, group);
    const ParameterEntry& targets = analysis::parameter(ParameterId::Targets);
    path(targets.flag, targets.valueName, help::entryLine(targets), x_.targets, group,
         "--targets needs a file name");
    number(ParameterId::Simulations, x_.sims, group);
    number(ParameterId::Seed, x_.seed, group);
    number(ParameterId::AstroWorkers, x_.workers, group);
    if (tool_ != Tool::TimeOpt)
        return;
    figure("--plot",
           "also draw r2_envelope, r2_power and r2_opt against the rate (log axis) with the "
           "optimum and the p-value into FILE (PDF, PNG or SVG)",
           x_.plot, group);
    addFigureSize(group);
}

void CommandOptions::addEvolutiveTest() {
    const char* group = "Evolutive test";
    number(ParameterId::AstroWindowLength, x_.windowLength, group)->required();
    number(ParameterId::AstroStepLength, x_.stepLength, group)->required();
    path("--track", "FILE",
         "also write, per window, the rate of the largest r2_opt: \"x_centre sedimentation_rate "
         "r2_opt\"",
         x_.track, group, "--track needs a file name");
    figure("--map",
           "also draw r2_opt over position and rate (log rate axis, linear with --linear-grid) "
           "with the track of optima into FILE (PDF, PNG or SVG)",
           x_.map, group);
    addFigureSize(group);
}

void CommandOptions::addTapers() {
    const char* group = "Tapers";
    number(ParameterId::TaperLength, t_.length, group)->required();
    number(ParameterId::TaperCount, t_.tapers, group)->required();
    number(ParameterId::TaperTbw, t_.tbw, group)->required();
}

void CommandOptions::addOutput() {
    const char* group = "Output";
    path("-o,--output", "FILE",
         "write the output to FILE, whole or not at all (default: standard output)",
         tool_ == Tool::Tapers ? t_.output : a_.output, group, "-o needs a file name");
    if (tool_ != Tool::Tapers)
        on("--quiet", "no engine diagnostics, summary or progress bar", a_.quiet, group);
}

void CommandOptions::addHelp() {
    cmd_.add_flag_callback(
            "-h,--help",
            [this] {
                refuseEarlierWords();
                throw HelpAsked{};
            },
            "print this help and exit")
        ->group("Output")
        ->trigger_on_parse();
}

// --interpolate takes a value only when a number follows it (CLI11 would take any word, the
// data file too): that number is joined to it as --interpolate=STEP. A lone "--" or "++" is
// refused, as before, rather than read as CLI11's end of options or of the command: the line
// ends before it, so that what comes first (a refusal, --help) is taken first. The value of an
// option is left as it is.
std::vector<std::string> CommandOptions::prepared(const std::vector<std::string>& args) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const CLI::Option* o = i > 0 ? cmd_.get_option_no_throw(arg) : nullptr;
        const bool hasNext = i + 1 < args.size();
        if (o && !o->get_positional() && o->get_expected_min() > 0 && hasNext) {
            out.push_back(arg);
            out.push_back(args[++i]);
        } else if (arg == "--interpolate" && hasNext && parseReal(args[i + 1])) {
            out.push_back(arg + "=" + args[++i]);
        } else if (i > 0 && (arg == "--" || arg == "++")) {
            stray_ = arg;
            break;
        } else {
            out.push_back(arg);
        }
    }
    return out;
}

// The same setting given twice, in position units and in samples.
std::optional<std::string> CommandOptions::twinGiven() const {
    const std::pair<CLI::Option*, CLI::Option*> twins[] = {
        {windowLength_, window_}, {stepLength_, step_}, {fmaxPerUnit_, fmax_}};
    for (const auto& [units, samples] : twins)
        if (units && samples && units->count() > 0 && samples->count() > 0)
            return units->get_name() + " and " + samples->get_name() +
                   " set the same thing, in position units and in samples; give one";
    return std::nullopt;
}

// Either a traced cycle (--trace with --period) or a sedimentation-rate track (--sedrate), the
// latter run as a command of its own.
std::optional<std::string> CommandOptions::tuneIncomplete() {
    const bool traced = !a_.traceFile.empty() || cmd_.get_option("--period")->count() > 0;
    if (x_.sedrateTrack.empty()) {
        if (a_.traceFile.empty() || !(a_.period > 0))
            return std::string("tune needs --trace FILE and --period P (the period of the traced "
                               "cycle), or --sedrate TRACK");
        if (cmd_.get_option("--positions-in")->count() > 0)
            return std::string("--positions-in is the unit of the positions for --sedrate; a "
                               "traced cycle needs none");
        return std::nullopt;
    }
    if (traced)
        return std::string("--sedrate and --trace with --period each make the age model; give "
                           "either --trace with --period, or --sedrate, never both");
    p_.command = Command::TuneSedrate;
    x_.input = a_;
    x_.startAge = a_.startAge;
    x_.tuneStep = a_.tuneStep;
    x_.model = a_.model;
    return std::nullopt;
}

std::optional<std::string> CommandOptions::incomplete() {
    if (!stray_.empty())
        return unknown(stray_);
    if (const auto twin = twinGiven())
        return twin;
    if (tool_ == Tool::Tapers) {
        for (const CLI::Option* o : cmd_.get_options())
            if (o->get_required() && o->count() == 0)
                return std::string("tapers needs --length, --tapers and --tbw");
        return std::nullopt;
    }
    if (tool_ == Tool::Trace && !a_.haveStart)
        return "trace needs --start POSITION:FREQUENCY, where the line is to be followed from";
    if (tool_ == Tool::Tune)
        if (auto problem = tuneIncomplete())
            return problem;
    if (tool_ == Tool::Filter && cmd_.get_option("--passband")->count() == 0)
        return "filter needs --passband FLO:FHI, the band to keep in cycles per position unit";
    if (tool_ == Tool::ETimeOpt && (!(x_.windowLength > 0) || !(x_.stepLength > 0)))
        return "etimeopt needs --window-length L and --step-length S, in position units";
    if (tool_ == Tool::Peaks && a_.fdr > 0 && level_->count() == 0)
        a_.level = 0; // the false-discovery control alone decides
    if (a_.map.empty() && (a_.mapOf != results::MapOf::Amplitude || a_.maskLevel > 0 ||
                           a_.colours != 0 || a_.reverseX || a_.mapTitle))
        return "--map-of, --mask, --colours, --reverse-x and --title shape the map: give --map "
               "FILE too";
    if (a_.file.empty())
        return name_ + " needs a data file; see tonalith-cli " + name_ + " --help";
    if (analysis::checkValue(analysis::parameter(ParameterId::Skip), a_.skip, "--skip"))
        return "--skip " + std::to_string(a_.skip) +
               ": the number of header lines cannot be negative";
    return std::nullopt;
}

} // namespace cli
