#include "cli/OptionGroups.h"

#include "cli/CommandHelp.h"
#include "cli/OptionRules.h"
#include "core/series/Preparation.h"

#include <cstdint>

namespace cli {

namespace {

using analysis::ParameterEntry;
using analysis::ParameterId;
using Tool = analysis::Command;

// Options keep the last value given, and each value is checked (and an earlier --help taken)
// in the order of the command line.
CLI::Option* inOrder(CLI::Option* o) {
    return o->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)->trigger_on_parse();
}

} // namespace

OptionGroups::OptionGroups(CLI::App& cmd, Tool tool, std::string name)
    : cmd(cmd), tool(tool), name(std::move(name)) {}

bool OptionGroups::takes(ParameterId id) const {
    return analysis::takes(analysis::parameter(id).commands, tool);
}

std::string OptionGroups::unknown(const std::string& arg) const {
    if (arg.size() > 1 && arg[0] == '-')
        return "unknown option '" + arg + "' for " + name + "; see tonalith-cli " + name +
               " --help";
    return "unexpected argument '" + arg + "'";
}

template <typename T>
CLI::Option* OptionGroups::number(ParameterId id, T& field, const char* group, bool checkedEarly) {
    const ParameterEntry& e = analysis::parameter(id);
    CLI::Option* o = cmd.add_option(e.flag, field, help::describe(help::entryLine(e)));
    o->option_text(e.valueName)->group(group);
    o->transform(catalogueNumber(e, std::is_integral_v<T>, checkedEarly && !e.checkedWithRun));
    return inOrder(o);
}

template <typename T>
CLI::Option* OptionGroups::numberIfTaken(ParameterId id, T& field, const char* group) {
    return takes(id) ? number(id, field, group) : nullptr;
}

template CLI::Option* OptionGroups::number(ParameterId, int&, const char*, bool);
template CLI::Option* OptionGroups::number(ParameterId, double&, const char*, bool);
template CLI::Option* OptionGroups::number(ParameterId, std::uint64_t&, const char*, bool);
template CLI::Option* OptionGroups::number(ParameterId, std::optional<double>&, const char*, bool);

CLI::Option* OptionGroups::text(const std::string& flag, const std::string& valueName,
                                const std::string& description, std::string& field,
                                const char* group) {
    return inOrder(cmd.add_option(flag, field, help::describe(description))
                       ->option_text(valueName)
                       ->group(group));
}

CLI::Option* OptionGroups::parsed(const std::string& flag, const std::string& valueName,
                                  const std::string& description,
                                  const std::function<void(const std::string&)>& read,
                                  const char* group) {
    return inOrder(cmd.add_option_function<std::string>(flag, read, help::describe(description))
                       ->option_text(valueName)
                       ->group(group));
}

CLI::Option* OptionGroups::path(const std::string& flag, const std::string& valueName,
                                const std::string& description, std::string& field,
                                const char* group, const std::string& whenEmpty) {
    return text(flag, valueName, description, field, group)
        ->check(CLI::Validator(
            [whenEmpty](std::string& s) {
                if (s.empty())
                    throw Refusal(whenEmpty);
                return std::string();
            },
            ""));
}

CLI::Option* OptionGroups::figure(const std::string& flag, const std::string& description,
                                  std::string& field, const char* group) {
    return path(flag, "FILE", description, field, group, flag + " needs a file name")
        ->check(figureFile());
}

CLI::Option* OptionGroups::band(ParameterId id, astro::Band& field, const char* group) {
    const ParameterEntry& e = analysis::parameter(id);
    return parsed(
               e.flag, e.valueName, help::entryLine(e),
               [&field](const std::string& s) { field = *parseBand(s); }, group)
        ->check(frequencyBand());
}

void OptionGroups::on(const std::string& flag, const std::string& description, bool& field,
                      const char* group) {
    cmd.add_flag(flag, field, help::describe(description))->disable_flag_override()->group(group);
}

void OptionGroups::on(ParameterId id, bool& field, const char* group) {
    if (takes(id))
        on(analysis::parameter(id).flag, analysis::parameter(id).help, field, group);
}

void OptionGroups::checkFile(const std::string& word) const {
    if (word.empty() || word[0] == '-')
        throw Refusal(unknown(word));
}

void OptionGroups::addInput(AnalyzeOptions& a) {
    const char* group = "Input";
    fileField_ = &a.file;
    file_ = cmd.add_option_function<std::string>(
                   "FILE",
                   [this](const std::string& s) {
                       if (fileGivenBack_)
                           throw Refusal(unknown(s));
                       checkFile(s);
                       *fileField_ = s;
                   },
                   help::describe("the data file: plain text, one sample per line, "
                                  "tab-separated fields; the first field is the position (depth "
                                  "or time), evenly spaced unless --interpolate is given"))
                ->type_name("")
                ->group(group);
    const ParameterEntry& column = analysis::parameter(ParameterId::Column);
    text(column.flag, column.valueName, help::entryLine(column), a.column, group);
    number(ParameterId::Skip, a.skip, group, false);
}

void OptionGroups::addPreparation(AnalyzeOptions& a) {
    const char* group = "Preparation (in this order, after --interpolate; the '#' block records "
                        "the steps)";
    on(ParameterId::KeepMean, a.keepMean, group);
    addInterpolation(a, group);
    on(ParameterId::Log, a.preparation.log, group);
    const ParameterEntry& detrend = analysis::parameter(ParameterId::Detrend);
    parsed(
        detrend.flag, detrend.valueName, help::entryLine(detrend),
        [&a](const std::string& s) { a.preparation.detrend = *series::parseDetrend(s); }, group)
        ->check(refusing([](const std::string& s) {
            std::string why;
            return series::parseDetrend(s, &why) ? std::string() : why;
        }));
    on(ParameterId::Standardise, a.preparation.standardise, group);
}

// --interpolate [STEP]: a switch whose value is optional. CLI11 gives it the next word that
// is not an option; a word that is not a number is no step but the data file, or refused.
void OptionGroups::addInterpolation(AnalyzeOptions& a, const char* group) {
    const ParameterEntry& step = analysis::parameter(ParameterId::InterpolationStep);
    parsed(
        step.flag, step.valueName,
        analysis::parameter(ParameterId::Interpolate).help + std::string("; STEP is ") + step.help +
            ", " + analysis::allowedText(step) + help::defaultText(step),
        [this, &a](const std::string& s) {
            a.interpolate = true;
            if (const auto v = parseReal(s))
                a.interpolateStep = *v;
            else if (s != "true") // given alone: its default below
                giveBack(s);
        },
        group)
        ->expected(0, 1)
        ->default_str("true")
        ->check(refusing([&step](const std::string& s) {
            const auto v = parseReal(s);
            const auto problem = v ? analysis::checkValue(step, *v, step.flag) : std::nullopt;
            return problem ? problem->text : std::string();
        }));
}

// A word CLI11 gave --interpolate that is no number: the data file unless one is given.
void OptionGroups::giveBack(const std::string& word) {
    if (fileGivenBack_ || file_->count() > 0)
        throw Refusal(unknown(word));
    checkFile(word);
    *fileField_ = word;
    fileGivenBack_ = true;
}

// The same setting in position units and in samples: one excludes the other.
void OptionGroups::twins(CLI::Option* units, CLI::Option* samples) {
    if (!units || !samples)
        return;
    exclusive(units, samples,
              units->get_name() + " and " + samples->get_name() +
                  " set the same thing, in position units and in samples; give one");
}

void OptionGroups::exclusive(CLI::Option* a, CLI::Option* b, std::string why) {
    a->excludes(b);
    exclusive_.push_back({a, b, std::move(why)});
}

void OptionGroups::addAnalysis(AnalyzeOptions& a) {
    const char* group = "Analysis";
    auto& params = a.params;
    numberIfTaken(ParameterId::Tbw, params.tbw, group);
    numberIfTaken(ParameterId::Tapers, params.tapers, group);
    CLI::Option* window = numberIfTaken(ParameterId::Window, params.window, group);
    twins(numberIfTaken(ParameterId::WindowLength, a.windowLength, group), window);
    CLI::Option* step = numberIfTaken(ParameterId::Step, params.step, group);
    twins(numberIfTaken(ParameterId::StepLength, a.stepLength, group), step);
    numberIfTaken(ParameterId::Nfft, params.nfft, group);
    numberIfTaken(ParameterId::WholeRecordNfft, params.nfft, group);
    CLI::Option* fmax = takes(ParameterId::Fmax)
                            ? number(ParameterId::Fmax, params.fmax, group)
                            : numberIfTaken(ParameterId::WholeRecordFmax, params.fmax, group);
    twins(numberIfTaken(ParameterId::FmaxPerUnit, a.fmaxPerUnit, group), fmax);
    numberIfTaken(ParameterId::Workers, a.workers, group);
    numberIfTaken(ParameterId::RecordLevel, a.iprob, group);
    const ParameterEntry& detrend = analysis::parameter(ParameterId::WindowDetrend);
    parsed(
        detrend.flag, detrend.valueName, help::entryLine(detrend),
        [&params](const std::string& s) {
            params.windowDetrend = *analysis::parseWindowDetrend(s);
        },
        group)
        ->check(oneOf([](const std::string& s) { return !!analysis::parseWindowDetrend(s); },
                      "none, mean or linear"));
    path("--records", "DIR",
         "write the engine's records fort.17, fort.20 and fort.27 into DIR (default: the "
         "working directory)",
         a.records, group, "--records needs a folder");
}

void OptionGroups::addFigureSize(AnalyzeOptions& a, const char* group) {
    parsed(
        "--size", "WxH",
        "the figure's size: pixels for PNG (default 1200x800), millimetres for PDF and SVG "
        "(default 297x210, A4 landscape)",
        [&a](const std::string& s) { std::tie(a.mapWidth, a.mapHeight) = *parseSize(s); }, group)
        ->check(figureSize());
}

// --positions-in, checked with the run (the unit's names are the astronomical test's).
CLI::Option* OptionGroups::addPositionUnit(std::string& unit, const char* group) {
    const ParameterEntry& e = analysis::parameter(ParameterId::PositionsIn);
    return text(e.flag, e.valueName, help::entryLine(e), unit, group);
}

void OptionGroups::addTargets(std::string& file, std::optional<double>& ageMa, const char* group) {
    const ParameterEntry& targets = analysis::parameter(ParameterId::Targets);
    CLI::Option* fileOption = path(targets.flag, targets.valueName, help::entryLine(targets), file,
                                   group, std::string(targets.flag) + " needs a file name");
    exclusive(number(ParameterId::AgeMa, ageMa, group), fileOption,
              "--age-ma and --targets both set the target periods: give one (the age sets the "
              "precession and obliquity periods of its time, a targets file every period)");
}

void OptionGroups::addOutput(std::string& file, bool* quiet) {
    const char* group = "Output";
    path("-o,--output", "FILE",
         "write the output to FILE, whole or not at all (default: standard output)", file, group,
         "-o needs a file name");
    if (quiet)
        on("--quiet", "no engine diagnostics, summary or progress bar", *quiet, group);
}

// Taken where it stands: a word at fault before it is refused, and nothing after it is read.
void OptionGroups::addHelp() {
    cmd.add_flag_callback(
           "-h,--help", [] { throw CLI::CallForHelp(); }, "print this help and exit")
        ->group("Output")
        ->trigger_on_parse();
}

std::vector<std::string> OptionGroups::wordsToRead(const std::vector<std::string>& args) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const CLI::Option* o = cmd.get_option_no_throw(args[i]);
        const bool valueFollows = i + 1 < args.size() && o && !o->get_positional() &&
                                  (o->get_expected_min() > 0 || parseReal(args[i + 1]));
        if (valueFollows) {
            ++i;
        } else if (args[i] == "--" || args[i] == "++") {
            stray_ = args[i];
            return {args.begin(), args.begin() + static_cast<std::ptrdiff_t>(i)};
        }
    }
    return args;
}

std::optional<std::string> OptionGroups::earlierWordAtFault() const {
    try {
        if (file_ && !file_->results().empty()) {
            if (fileGivenBack_)
                return unknown(file_->results().front());
            checkFile(file_->results().front());
        }
    } catch (const Refusal& r) {
        return std::string(r.what());
    }
    const std::vector<std::string> extra = cmd.remaining();
    if (!extra.empty())
        return unknown(extra.front());
    return std::nullopt;
}

std::optional<std::string> OptionGroups::strayOrTwin() const {
    if (!stray_.empty())
        return unknown(stray_);
    for (const Exclusive& e : exclusive_)
        if (e.a->count() > 0 && e.b->count() > 0)
            return e.why;
    return std::nullopt;
}

std::optional<std::string> OptionGroups::recordIncomplete(const AnalyzeOptions& a) const {
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

} // namespace cli
