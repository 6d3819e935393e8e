#include "cli/CliOptions.h"

#include "Qplot/MapColours.h"
#include "core/analysis/ParameterCatalogue.h"
#include "core/series/SeriesFile.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace cli {

std::optional<double> parseReal(const std::string& text) {
    return series::parseNumber(text);
}

std::optional<int> parseInteger(const std::string& text) {
    if (text.empty() || text.size() > 32)
        return std::nullopt;
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size())
        return std::nullopt;
    for (std::size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9')
            return std::nullopt;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return std::nullopt;
    return static_cast<int>(v);
}

namespace {

using analysis::ParameterEntry;
using analysis::ParameterId;
using Tool = analysis::Command;

// A refusal worded in full, thrown from an option's callback; CLI11 prefixes the option's name
// to what a validator returns, and some refusals are worded otherwise.
struct Refusal {
    std::string text;
};
struct HelpAsked {};

std::string inQuotes(const std::string& s) {
    return "'" + s + "'";
}

const char* const commandNames[] = {"analyze", "peaks", "spectrum", "trace", "tune", "tapers"};
constexpr Tool tools[] = {Tool::Analyze, Tool::Peaks, Tool::Spectrum,
                          Tool::Trace,   Tool::Tune,  Tool::Tapers};

Command commandOf(Tool t) {
    switch (t) {
    case Tool::Analyze:
        return Command::Analyze;
    case Tool::Peaks:
        return Command::Peaks;
    case Tool::Spectrum:
        return Command::Spectrum;
    case Tool::Trace:
        return Command::Trace;
    case Tool::Tune:
        return Command::Tune;
    case Tool::Tapers:
        break;
    }
    return Command::Tapers;
}

// Text broken into lines of at most width characters, for the help's description column.
std::string wrapped(const std::string& text, std::size_t width) {
    std::istringstream words(text);
    std::string out, line, word;
    while (words >> word) {
        if (!line.empty() && line.size() + 1 + word.size() > width) {
            out += line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + line;
}

constexpr std::size_t helpColumn = 28;
constexpr std::size_t helpWidth = 80;

std::string describe(const std::string& text) {
    return wrapped(text, helpWidth - helpColumn);
}

// "(default 4)", "(default none)", or "(default: the median spacing)" for a description.
std::string defaultText(const ParameterEntry& e) {
    const bool description = std::string_view(e.defaultText).substr(0, 4) == "the ";
    return std::string(description ? " (default: " : " (default ") + e.defaultText + ")";
}

// An entry's help line with its rule and default, as the tool's help states it.
std::string helpLine(const ParameterEntry& e) {
    std::string text = e.help;
    if (e.kind == analysis::ValueKind::Real || e.kind == analysis::ValueKind::Integer)
        text += "; " + analysis::allowedText(e);
    if (*e.defaultText)
        text += defaultText(e);
    else if (e.id == ParameterId::TaperLength || e.id == ParameterId::TaperCount ||
             e.id == ParameterId::TaperTbw)
        text += " (required)";
    return text;
}

// The strict C-locale number rule: the whole text, no locale, no hexadecimal or octal.
const CLI::Validator& realNumber() {
    static const CLI::Validator v(
        [](std::string& s) {
            return parseReal(s) ? std::string() : inQuotes(s) + " is not a number";
        },
        "", "number");
    return v;
}

const CLI::Validator& wholeNumber() {
    static const CLI::Validator v(
        [](std::string& s) {
            return parseInteger(s) ? std::string() : inQuotes(s) + " is not a whole number";
        },
        "", "whole number");
    return v;
}

// The entry's range and wholeness, for the values the tool checks before the run.
CLI::Validator ruleOf(const ParameterEntry& e) {
    return CLI::Validator(
        [&e](std::string& s) {
            const auto problem = analysis::checkValue(e, *parseReal(s), e.flag);
            return problem ? problem->text : std::string();
        },
        "", "rule");
}

// Options keep the last value given, and each value is checked (and an earlier --help taken)
// in the order of the command line.
CLI::Option* inOrder(CLI::Option* o) {
    return o->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->trigger_on_parse();
}

bool isFigureFile(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char& ch : ext)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return ext == "pdf" || ext == "png" || ext == "svg";
}

const CLI::Validator& figureFile() {
    static const CLI::Validator v(
        [](std::string& s) {
            return s.empty() || isFigureFile(s)
                       ? std::string()
                       : inQuotes(s) + " does not end in .pdf, .png or .svg";
        },
        "", "figure file");
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

// POSITION:FREQUENCY, the frequency above 0.
std::optional<std::pair<double, double>> parseStart(const std::string& s) {
    const std::size_t colon = s.find(':');
    const auto x = colon == std::string::npos ? std::nullopt : parseReal(s.substr(0, colon));
    const auto f = colon == std::string::npos ? std::nullopt : parseReal(s.substr(colon + 1));
    if (x && f && std::isfinite(*x) && std::isfinite(*f) &&
        !analysis::checkValue(analysis::parameter(ParameterId::StartFrequency), *f, ""))
        return std::pair{*x, *f};
    return std::nullopt;
}

// The options of one command, added by concern.
struct CommandOptions {
    CLI::App& cmd;
    Tool tool;
    std::string name;
    AnalyzeOptions& a;
    TapersOptions& t;
    CLI::Option *window = nullptr, *step = nullptr, *fmax = nullptr, *level = nullptr;
    CLI::Option *windowLength = nullptr, *stepLength = nullptr, *fmaxPerUnit = nullptr;
    CLI::Option* file = nullptr;
    std::string stray = {}; // a lone "--" or "++", refused once the words before it are read

    bool takes(ParameterId id) const {
        return analysis::takes(analysis::parameter(id).commands, tool);
    }

    // A number of the catalogue. Checked early: its rule, unless the run words it (the rule
    // then depends on the record) or the tool words it after the command line (skip).
    template <typename T>
    CLI::Option* number(ParameterId id, T& target, const char* group, bool checkedEarly = true) {
        const ParameterEntry& e = analysis::parameter(id);
        CLI::Option* o = cmd.add_option_function<std::string>(
            e.flag,
            [&target](const std::string& s) {
                if constexpr (std::is_same_v<T, int>)
                    target = *parseInteger(s);
                else
                    target = *parseReal(s);
            },
            describe(helpLine(e)));
        o->option_text(e.valueName)->group(group);
        o->check(std::is_same_v<T, int> ? wholeNumber() : realNumber());
        if (checkedEarly && !e.checkedWithRun)
            o->check(ruleOf(e));
        return inOrder(o);
    }

    template <typename T> CLI::Option* numberIfTaken(ParameterId id, T& target, const char* group) {
        return takes(id) ? number(id, target, group) : nullptr;
    }

    // A text option; an empty value is refused with whenEmpty when one is given.
    CLI::Option* text(const std::string& flag, const std::string& valueName,
                      const std::string& description, std::string& target, const char* group,
                      const std::string& whenEmpty = "") {
        CLI::Option* o = cmd.add_option_function<std::string>(
            flag,
            [&target, whenEmpty](const std::string& s) {
                if (s.empty() && !whenEmpty.empty())
                    throw Refusal{whenEmpty};
                target = s;
            },
            describe(description));
        o->option_text(valueName)->group(group);
        return inOrder(o);
    }

    void on(const std::string& flag, const std::string& description, bool& target,
            const char* group) {
        cmd.add_flag(flag, target, describe(description))->disable_flag_override()->group(group);
    }

    void on(ParameterId id, bool& target, const char* group) {
        if (takes(id))
            on(analysis::parameter(id).flag, analysis::parameter(id).help, target, group);
    }

    std::string unknown(const std::string& arg) const {
        if (arg.size() > 1 && arg[0] == '-')
            return "unknown option " + inQuotes(arg) + " for " + name + "; see tonalith-cli " +
                   name + " --help";
        return "unexpected argument " + inQuotes(arg);
    }

    void checkFile(const std::string& name) const;
    void addHelp();
    void addInput();
    void addOutput();
    void addPreparation();
    void addAnalysis();
    void addMap();
    void addFigureSize(const char* group);
    void addLines();
    void addWholeRecord();
    void addTrace();
    void addTune();
    void addTapers();
    void addAll();
    std::vector<std::string> prepared(const std::vector<std::string>& args);
    std::optional<std::string> twinGiven() const;
    std::optional<std::string> incomplete();
};

void CommandOptions::addHelp() {
    cmd.add_flag_callback(
           "-h,--help",
           [this] {
               // A word before --help that would be refused without it is refused.
               if (file && !file->results().empty())
                   checkFile(file->results().front());
               const std::vector<std::string> extra = cmd.remaining();
               if (!extra.empty())
                   throw Refusal{unknown(extra.front())};
               throw HelpAsked{};
           },
           "print this help and exit")
        ->group("Output")
        ->trigger_on_parse();
}

void CommandOptions::checkFile(const std::string& name) const {
    if (name.empty() || name[0] == '-')
        throw Refusal{unknown(name)};
}

void CommandOptions::addInput() {
    const char* group = "Input";
    file =
        cmd.add_option_function<std::string>(
               "FILE",
               [this](const std::string& s) {
                   checkFile(s);
                   a.file = s;
               },
               describe("the data file: plain text, one sample per line, tab-separated fields; the "
                        "first field is the position (depth or time), evenly spaced unless "
                        "--interpolate is given"))
            ->type_name("")
            ->group(group);
    const ParameterEntry& column = analysis::parameter(ParameterId::Column);
    text(column.flag, column.valueName, helpLine(column), a.column, group);
    number(ParameterId::Skip, a.skip, group, false);
}

void CommandOptions::addOutput() {
    const char* group = "Output";
    text("-o,--output", "FILE",
         "write the output to FILE, whole or not at all (default: standard output)",
         tool == Tool::Tapers ? t.output : a.output, group, "-o needs a file name");
    if (tool != Tool::Tapers)
        on("--quiet", "no engine diagnostics, summary or progress bar", a.quiet, group);
}

void CommandOptions::addPreparation() {
    const char* group = "Preparation (in this order, after --interpolate; the '#' block records "
                        "the steps)";
    on(ParameterId::KeepMean, a.keepMean, group);
    if (takes(ParameterId::Interpolate)) {
        // Its value is optional: the command line gives it as --interpolate=STEP when a number
        // follows (see withInterpolationSteps).
        const ParameterEntry& e = analysis::parameter(ParameterId::InterpolationStep);
        CLI::Option* o = cmd.add_option_function<std::string>(
            "--interpolate",
            [this](const std::string& s) {
                a.interpolate = true;
                if (s != "true")
                    a.interpolateStep = *parseReal(s);
            },
            describe(analysis::parameter(ParameterId::Interpolate).help + std::string("; ") +
                     "STEP is " + std::string(e.help) + ", " + analysis::allowedText(e) +
                     defaultText(e)));
        o->expected(0)->option_text("[STEP]")->group(group);
        o->check(CLI::Validator(
            [&e](std::string& s) {
                if (s == "true")
                    return std::string();
                const auto v = parseReal(s);
                if (!v)
                    return inQuotes(s) + " is not a number";
                const auto problem = analysis::checkValue(e, *v, e.flag);
                return problem ? problem->text : std::string();
            },
            "", "step"));
        inOrder(o);
    }
    on(ParameterId::Log, a.preparation.log, group);
    if (takes(ParameterId::Detrend)) {
        const ParameterEntry& e = analysis::parameter(ParameterId::Detrend);
        CLI::Option* o = cmd.add_option_function<std::string>(
            e.flag,
            [this](const std::string& s) { a.preparation.detrend = *series::parseDetrend(s); },
            describe(helpLine(e)));
        o->option_text(e.valueName)->group(group);
        o->check(CLI::Validator(
            [](std::string& s) {
                std::string why;
                return series::parseDetrend(s, &why) ? std::string() : why;
            },
            "", "trend"));
        inOrder(o);
    }
    on(ParameterId::Standardise, a.preparation.standardise, group);
}

void CommandOptions::addAnalysis() {
    const char* group = "Analysis";
    auto& params = a.params;
    numberIfTaken(ParameterId::Tbw, params.tbw, group);
    numberIfTaken(ParameterId::Tapers, params.kspec, group);
    window = numberIfTaken(ParameterId::Window, params.mpts, group);
    windowLength = numberIfTaken(ParameterId::WindowLength, a.windowLength, group);
    step = numberIfTaken(ParameterId::Step, params.inc, group);
    stepLength = numberIfTaken(ParameterId::StepLength, a.stepLength, group);
    numberIfTaken(ParameterId::Nfft, params.nfft, group);
    numberIfTaken(ParameterId::WholeRecordNfft, params.nfft, group);
    fmax = takes(ParameterId::Fmax)
               ? number(ParameterId::Fmax, params.fmax, group)
               : numberIfTaken(ParameterId::WholeRecordFmax, params.fmax, group);
    fmaxPerUnit = numberIfTaken(ParameterId::FmaxPerUnit, a.fmaxPerUnit, group);
    numberIfTaken(ParameterId::Workers, a.workers, group);
    numberIfTaken(ParameterId::RecordLevel, a.iprob, group);
    if (takes(ParameterId::Tbw))
        text("--records", "DIR",
             "write the engine's records fort.17, fort.20 and fort.27 into DIR (default: the "
             "working directory)",
             a.records, group, "--records needs a folder");
}

void CommandOptions::addFigureSize(const char* group) {
    CLI::Option* o = cmd.add_option_function<std::string>(
        "--size",
        [this](const std::string& s) {
            const auto size = parseSize(s);
            a.mapWidth = size->first;
            a.mapHeight = size->second;
        },
        describe("the figure's size: pixels for PNG (default 1200x800), millimetres for PDF and "
                 "SVG (default 297x210, A4 landscape)"));
    o->option_text("WxH")->group(group);
    o->check(CLI::Validator(
        [](std::string& s) {
            return parseSize(s) ? std::string()
                                : inQuotes(s) + " is not a size WxH between 1x1 and 20000x20000";
        },
        "", "size"));
    inOrder(o);
}

void CommandOptions::addMap() {
    const char* group = "Grids and the map";
    text("--grid", "PREFIX",
         "also write PREFIX-amplitude.tsv and PREFIX-probability.tsv: one row per frequency, one "
         "column per window headed by its centre",
         a.grid, group, "--grid needs a file name prefix");
    text("--map", "FILE",
         "also draw the map, as the application shows it, into FILE: PDF, PNG or SVG by the "
         "extension (no display needed)",
         a.map, group, "--map needs a file name")
        ->check(figureFile());
    addFigureSize(group);
    CLI::Option* of = cmd.add_option_function<std::string>(
        "--map-of", [this](const std::string& s) { a.mapOf = *results::parseMapOf(s); },
        describe("what the map's colour shows: the line amplitude (default), its square, log10 of "
                 "the power, the amplitude divided by the largest of its window, or the F-test "
                 "probability; the contours stay those of the probability"));
    of->option_text("amplitude|power|logpower|normalised|probability")->group(group);
    of->check(CLI::Validator(
        [](std::string& s) {
            return results::parseMapOf(s)
                       ? std::string()
                       : inQuotes(s) +
                             " is not amplitude, power, logpower, normalised or probability";
        },
        "", "map variant"));
    inOrder(of);
    CLI::Option* mask = cmd.add_option_function<std::string>(
        "--mask", [this](const std::string& s) { a.maskLevel = *parseReal(s); },
        describe("draw cells whose F-test probability is below P transparent; a number above 0 "
                 "and at most 1"));
    mask->option_text("P")->group(group);
    mask->check(realNumber());
    mask->check(CLI::Validator(
        [](std::string& s) {
            const double v = *parseReal(s);
            return v > 0 && v <= 1 ? std::string()
                                   : "the probability " + s + " must lie above 0 and at most 1";
        },
        "", "probability"));
    inOrder(mask);
    CLI::Option* colours = cmd.add_option_function<std::string>(
        "--colours", [this](const std::string& s) { a.colours = mapColourCode(s.c_str()); },
        describe("the colour map: linear (default), hue, saturation, value, saturation-value, "
                 "alpha, viridis, cividis or greyscale"));
    colours->option_text("NAME")->group(group);
    colours->check(CLI::Validator(
        [](std::string& s) {
            return mapColourCode(s.c_str()) >= 0
                       ? std::string()
                       : inQuotes(s) + " is not linear, hue, saturation, value, saturation-value, "
                                       "alpha, viridis, cividis or greyscale";
        },
        "", "colours"));
    inOrder(colours);
    on("--reverse-x", "the position axis from its largest value to its smallest", a.reverseX,
       group);
    on("--title",
       "a title line above the map naming the file, column and parameters (PDF and SVG maps "
       "carry that title in their metadata in any case)",
       a.mapTitle, group);
}

void CommandOptions::addLines() {
    const char* group = "Lines";
    level = number(ParameterId::LineLevel, a.level, group);
    number(ParameterId::FalseDiscoveryRate, a.fdr, group);
}

void CommandOptions::addWholeRecord() {
    const char* group = "Whole-record spectrum";
    const ParameterEntry& background = analysis::parameter(ParameterId::Background);
    CLI::Option* o = cmd.add_option_function<std::string>(
        background.flag,
        [this](const std::string& s) { spectrum::parseBackgroundKind(s, a.background); },
        describe(helpLine(background)));
    o->option_text(background.valueName)->group(group);
    o->check(CLI::Validator(
        [](std::string& s) {
            spectrum::BackgroundKind kind{};
            return spectrum::parseBackgroundKind(s, kind) ? std::string()
                                                          : inQuotes(s) + " is not ar1 or robust";
        },
        "", "background"));
    inOrder(o);
    level = number(ParameterId::PlotLevel, a.level, group);
    text("--plot", "FILE",
         "also draw log power with the background and its levels, and the F-test probability "
         "below it, into FILE (PDF, PNG or SVG); the bins that pass both the F-test and the 95 % "
         "level are marked",
         a.plot, group, "--plot needs a file name")
        ->check(figureFile());
    addFigureSize(group);
}

void CommandOptions::addTrace() {
    const char* group = "Tracing a line";
    const ParameterEntry& start = analysis::parameter(ParameterId::StartPosition);
    CLI::Option* o = cmd.add_option_function<std::string>(
        start.flag,
        [this](const std::string& s) {
            const auto xf = parseStart(s);
            a.startPosition = xf->first;
            a.startFrequency = xf->second;
            a.haveStart = true;
        },
        describe(std::string(start.help) + " (cycles per position unit)"));
    o->option_text(start.valueName)->group(group)->required();
    o->check(CLI::Validator(
        [](std::string& s) {
            return parseStart(s)
                       ? std::string()
                       : inQuotes(s) + " is not POSITION:FREQUENCY with a frequency above 0";
        },
        "", "start"));
    inOrder(o);
    number(ParameterId::Band, a.band, group);
    const ParameterEntry& by = analysis::parameter(ParameterId::TraceBy);
    CLI::Option* b = cmd.add_option_function<std::string>(
        by.flag, [this](const std::string& s) { a.traceBy = *tuning::parseTraceBy(s); },
        describe(helpLine(by)));
    b->option_text(by.valueName)->group(group);
    b->check(CLI::Validator(
        [](std::string& s) {
            return tuning::parseTraceBy(s) ? std::string()
                                           : inQuotes(s) + " is not amplitude or probability";
        },
        "", "criterion"));
    inOrder(b);
}

void CommandOptions::addTune() {
    const char* group = "Age model and tuned series";
    text("--trace", "TRACE",
         "a tab-separated file with columns named x_centre and frequency (lines starting with "
         "'#' skipped): from trace, the window, R or Python",
         a.traceFile, group, "--trace needs a file name")
        ->required();
    number(ParameterId::Period, a.period, group)->required();
    number(ParameterId::StartAge, a.startAge, group);
    number(ParameterId::AgeStep, a.tuneStep, group);
    text("--model", "FILE", "also write \"position age sedimentation_rate\", one row per sample",
         a.model, group, "--model needs a file name");
}

void CommandOptions::addTapers() {
    const char* group = "Tapers";
    number(ParameterId::TaperLength, t.length, group)->required();
    number(ParameterId::TaperCount, t.tapers, group)->required();
    number(ParameterId::TaperTbw, t.tbw, group)->required();
}

void CommandOptions::addAll() {
    if (tool == Tool::Tapers) {
        addTapers();
        addOutput();
        addHelp();
        return;
    }
    addInput();
    if (tool != Tool::Tune) {
        addPreparation();
        addAnalysis();
    }
    switch (tool) {
    case Tool::Analyze:
        addMap();
        break;
    case Tool::Peaks:
        addLines();
        break;
    case Tool::Spectrum:
        addWholeRecord();
        break;
    case Tool::Trace:
        addTrace();
        break;
    case Tool::Tune:
        addTune();
        break;
    case Tool::Tapers:
        break;
    }
    addOutput();
    addHelp();
}

// The command line as CLI11 is to read it. --interpolate takes a value only when a number
// follows it (CLI11 would take any word, the data file too): that number is joined to it as
// --interpolate=STEP. A lone "--" or "++" is refused, as before, rather than read as CLI11's
// end of options or of the command: the line ends before it, and what comes first (a refusal,
// --help) is taken first. The value of an option is left as it is.
std::vector<std::string> CommandOptions::prepared(const std::vector<std::string>& args) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const CLI::Option* o = i > 0 ? cmd.get_option_no_throw(arg) : nullptr;
        const bool hasNext = i + 1 < args.size();
        if (o && o->get_expected_min() > 0 && hasNext) {
            out.push_back(arg);
            out.push_back(args[++i]);
        } else if (arg == "--interpolate" && hasNext && parseReal(args[i + 1])) {
            out.push_back(arg + "=" + args[++i]);
        } else if (i > 0 && (arg == "--" || arg == "++")) {
            stray = arg;
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
        {windowLength, window}, {stepLength, step}, {fmaxPerUnit, fmax}};
    for (const auto& [units, samples] : twins)
        if (units && samples && units->count() > 0 && samples->count() > 0)
            return units->get_name() + " and " + samples->get_name() +
                   " set the same thing, in position units and in samples; give one";
    return std::nullopt;
}

// What the command still lacks, or a combination it refuses, once every option is read.
std::optional<std::string> CommandOptions::incomplete() {
    if (const auto twin = twinGiven())
        return twin;
    if (tool == Tool::Tapers) {
        for (const CLI::Option* o : cmd.get_options())
            if (o->get_required() && o->count() == 0)
                return std::string("tapers needs --length, --tapers and --tbw");
        return std::nullopt;
    }
    if (tool == Tool::Trace && !a.haveStart)
        return "trace needs --start POSITION:FREQUENCY, where the line is to be followed from";
    if (tool == Tool::Tune && (a.traceFile.empty() || !(a.period > 0)))
        return "tune needs --trace FILE and --period P (the period of the traced cycle)";
    if (tool == Tool::Peaks && a.fdr > 0 && level->count() == 0)
        a.level = 0; // the false-discovery control alone decides
    if (a.map.empty() && (a.mapOf != results::MapOf::Amplitude || a.maskLevel > 0 ||
                          a.colours != 0 || a.reverseX || a.mapTitle))
        return "--map-of, --mask, --colours, --reverse-x and --title shape the map: give --map "
               "FILE too";
    if (a.file.empty())
        return name + " needs a data file; see tonalith-cli " + name + " --help";
    if (analysis::checkValue(analysis::parameter(ParameterId::Skip), a.skip, "--skip"))
        return "--skip " + std::to_string(a.skip) +
               ": the number of header lines cannot be negative";
    return std::nullopt;
}

// The synopsis: every option of the command, required ones without brackets.
class HelpFormat : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        std::string text = "Usage: tonalith-cli " + app->get_name();
        std::size_t lineStart = 0;
        for (const CLI::Option* o : app->get_options()) {
            if (o->check_lname("help"))
                continue;
            std::string item = o->get_positional()       ? o->get_name(true)
                               : o->get_snames().empty() ? "--" + o->get_lnames().front()
                                                         : "-" + o->get_snames().front();
            if (!o->get_option_text().empty())
                item += " " + o->get_option_text();
            if (!o->get_required() && !o->get_positional())
                item = "[" + item + "]";
            if (text.size() - lineStart + 1 + item.size() > helpWidth) {
                text += "\n      ";
                lineStart = text.size() - 6;
            }
            text += " " + item;
        }
        return text + "\n\n";
    }
};

struct CommandText {
    const char* description;
    const char* footer;
};

// What each command does and writes: the part of the help that is not about one option.
CommandText commandText(Tool tool) {
    switch (tool) {
    case Tool::Analyze:
        return {"analyze: evolutive multitaper harmonic analysis of one column of a data file.",
                "Output: a block of '#' lines saying how the results were made (file, column, "
                "parameters, spacing, version), a header line \"x_centre frequency amplitude "
                "probability\" and one tab-separated line per window and frequency (window-major, "
                "frequency ascending); frequencies in cycles per position unit; numbers read back "
                "to the same double. The sample spacing is the difference of the first two "
                "positions. The engine's diagnostic lines, a summary and warnings go to standard "
                "error."};
    case Tool::Peaks:
        return {"peaks: the spectral lines of every window: the frequencies whose F-test "
                "probability reaches the level and is a local maximum there. Frequency 0 is never "
                "a line. Analysis and preparation as for analyze.",
                "Output: the '#' block, which states the lines expected by chance alone per "
                "window, a header \"x_centre frequency period amplitude probability\" and one line "
                "per line; the period is 1/frequency in position units."};
    case Tool::Spectrum:
        return {"spectrum: the spectrum of the whole record: Thomson's adaptively weighted "
                "multitaper power (one-sided, summing over the bins to the variance), the "
                "harmonic F-test of one window the length of the record, and a red-noise "
                "background with its 90, 95 and 99 % levels (chi-square, 2K degrees of freedom).",
                "Output: the '#' block (with the background, rho and S0), a header \"frequency "
                "period power amplitude probability background level_90 level_95 level_99\" and "
                "one line per bin; the period of frequency 0 is written as 0."};
    case Tool::Trace:
        return {"trace: follows one spectral line through the windows: from the start window, "
                "each next window in both directions takes the bin of largest amplitude (or "
                "probability) within the band around the previous window's frequency. Analysis "
                "and preparation as for analyze; --step is the window step in samples.",
                "Output: the '#' block with the start, band and criterion, a header \"x_centre "
                "frequency period amplitude probability\" and one row per window in position "
                "order."};
    case Tool::Tune:
        return {"tune: an age model and the tuned series from a traced cycle of period P: "
                "between the trace's rows the frequency is linear in position, held at the end "
                "values beyond them; age(z) = T + P x (integral of f from the first sample's "
                "position to z), sedimentation rate 1 / (P x f(z)). Here --step is an age step, "
                "not a window step.",
                "Output: the '#' block, a header \"age\" and the column's title, one row per "
                "sample or step."};
    case Tool::Tapers:
        break;
    }
    return {"tapers: the Slepian tapers of length N with their concentration ratios.",
            "Output: a header \"k lambda one_minus_lambda\" and K rows, a blank line, then a "
            "header \"n taper_1 ... taper_K\" and N rows (n from 1)."};
}

const char* const exitStatus =
    "Exit status: 0 success, 2 bad input (file, column, option or parameter), 1 the analysis\n"
    "failed. Messages go to standard error.\n";

// The command's options on the app, reading into p.
CommandOptions addCommand(CLI::App& app, Tool tool, const std::string& name, ParsedCommandLine& p) {
    CLI::App* cmd = app.add_subcommand(name);
    const CommandText words = commandText(tool);
    cmd->description(wrapped(words.description, helpWidth));
    cmd->footer(wrapped(words.footer, helpWidth));
    auto format = std::make_shared<HelpFormat>();
    format->column_width(helpColumn);
    format->label("Positionals", "Input file");
    cmd->formatter(format);
    CommandOptions o{*cmd, tool, name, p.analyze, p.tapers};
    o.addAll();
    return o;
}

void startingValues(Tool tool, AnalyzeOptions& a) {
    if (tool != Tool::Spectrum)
        return;
    a.params.nfft = static_cast<int>(analysis::parameterDefault(ParameterId::WholeRecordNfft));
    a.params.fmax = analysis::parameterDefault(ParameterId::WholeRecordFmax);
}

ParseResult refused(std::string text) {
    ParseResult r;
    r.error = std::move(text);
    return r;
}

ParseResult accepted(const ParsedCommandLine& p) {
    ParseResult r;
    r.parsed = p;
    return r;
}

// The refusal for an error CLI11 found, in the tool's words.
std::string wording(const CLI::ParseError& e, const CommandOptions& o,
                    const std::vector<std::string>& args) {
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        const std::vector<std::string> extra = o.cmd.remaining();
        return o.unknown(extra.empty() ? args.back() : extra.front());
    }
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        const std::string what = e.what();
        if (what.find("flag override") != std::string::npos)
            return "--" + what.substr(0, what.find(' ')) + " takes no value";
        // Values run out only at the end of the command line.
        const std::string& last = args.back();
        return last.substr(0, last.find('=')) + " needs a value";
    }
    return e.what();
}

} // namespace

ParseResult parseCommandLine(const std::vector<std::string>& args) {
    if (args.empty())
        return refused("no command given (analyze, peaks, spectrum, trace, tune or tapers); see "
                       "tonalith-cli --help");
    const std::string& word = args[0];
    ParsedCommandLine p;
    if (word == "--version") {
        p.command = Command::Version;
        return accepted(p);
    }
    if (word == "--help" || word == "-h" || word == "help") {
        p.command = Command::Help;
        return accepted(p);
    }
    const auto* named = std::find(std::begin(commandNames), std::end(commandNames), word);
    if (named == std::end(commandNames))
        return refused("unknown command " + inQuotes(word) +
                       " (analyze, peaks, spectrum, trace, tune or tapers); see tonalith-cli "
                       "--help");
    const Tool tool = tools[named - std::begin(commandNames)];
    p.command = commandOf(tool);
    startingValues(tool, p.analyze);

    CLI::App app{"", "tonalith-cli"};
    app.set_help_flag();
    app.require_subcommand(1);
    CommandOptions o = addCommand(app, tool, word, p);
    try {
        std::vector<std::string> reversed = o.prepared(args);
        std::reverse(reversed.begin(), reversed.end());
        app.parse(reversed);
    } catch (const Refusal& r) {
        return refused(r.text);
    } catch (const HelpAsked&) {
        p.command = Command::Help;
        p.helpTopic = word;
        return accepted(p);
    } catch (const CLI::RequiredError&) {
        // Worded below, after what the command line refuses before it.
        if (!o.cmd.remaining().empty())
            return refused(o.unknown(o.cmd.remaining().front()));
    } catch (const CLI::ParseError& e) {
        return refused(wording(e, o, args));
    }
    if (!o.stray.empty())
        return refused(o.unknown(o.stray));
    if (const auto problem = o.incomplete())
        return refused(*problem);
    return accepted(p);
}

std::string helpText(const std::string& topic) {
    std::string text;
    if (topic.empty())
        text = "tonalith-cli: evolutive multitaper harmonic analysis of a measured series.\n"
               "Usage: tonalith-cli COMMAND FILE [OPTIONS] (COMMAND: analyze, peaks, spectrum, "
               "trace, tune)\n"
               "       tonalith-cli tapers --length N --tapers K --tbw X [-o FILE]\n"
               "       tonalith-cli [COMMAND] --help\n"
               "       tonalith-cli --version\n\n";
    for (std::size_t i = 0; i < std::size(commandNames); ++i) {
        if (!topic.empty() && topic != commandNames[i])
            continue;
        ParsedCommandLine p;
        startingValues(tools[i], p.analyze);
        CLI::App app{"", "tonalith-cli"};
        app.set_help_flag();
        addCommand(app, tools[i], commandNames[i], p);
        text += app.get_subcommand(commandNames[i])->help() + "\n";
    }
    return text + exitStatus;
}

} // namespace cli
