#include "cli/CliOptions.h"

#include "cli/CommandHelp.h"
#include "cli/CommandOptions.h"
#include "core/series/SeriesFile.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

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

using analysis::ParameterId;
using Tool = analysis::Command;

const char* const commandNames[] = {"analyze", "peaks",  "spectrum", "trace",   "tune",
                                    "tapers",  "filter", "timeopt",  "etimeopt"};
constexpr Tool tools[] = {Tool::Analyze, Tool::Peaks,  Tool::Spectrum, Tool::Trace,   Tool::Tune,
                          Tool::Tapers,  Tool::Filter, Tool::TimeOpt,  Tool::ETimeOpt};
constexpr Command parsedAs[] = {Command::Analyze, Command::Peaks,   Command::Spectrum,
                                Command::Trace,   Command::Tune,    Command::Tapers,
                                Command::Filter,  Command::TimeOpt, Command::ETimeOpt};
constexpr const char* commandList =
    "analyze, peaks, spectrum, trace, tune, tapers, filter, timeopt or etimeopt";

// The defaults that differ by command: the whole record's transform length and frequencies.
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

// The refusal of an error CLI11 found, in the tool's words.
std::string wording(const CLI::ParseError& e, const std::vector<std::string>& args) {
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
        return refused(std::string("no command given (") + commandList +
                       "); see tonalith-cli --help");
    const std::string& word = args[0];
    ParsedCommandLine p;
    if (word == "--version" || word == "--help" || word == "-h" || word == "help") {
        p.command = word == "--version" ? Command::Version : Command::Help;
        return accepted(p);
    }
    const auto* named = std::find(std::begin(commandNames), std::end(commandNames), word);
    if (named == std::end(commandNames))
        return refused("unknown command '" + word + "' (" + commandList +
                       "); see tonalith-cli --help");
    const std::size_t index = static_cast<std::size_t>(named - std::begin(commandNames));
    p.command = parsedAs[index];
    startingValues(tools[index], p.analyze);

    CLI::App app{"", "tonalith-cli"};
    app.set_help_flag();
    app.require_subcommand(1);
    CLI::App& cmd = *app.add_subcommand(word);
    CommandOptions options(cmd, tools[index], word, p);
    try {
        std::vector<std::string> reversed = options.prepared(args);
        std::reverse(reversed.begin(), reversed.end()); // CLI11 reads the vector from its end
        app.parse(reversed);
    } catch (const Refusal& r) {
        return refused(r.text);
    } catch (const HelpAsked&) {
        p.command = Command::Help;
        p.helpTopic = word;
        return accepted(p);
    } catch (const CLI::ParseError& e) {
        // A word refused before the error comes first; a missing option is worded below.
        try {
            options.refuseEarlierWords();
        } catch (const Refusal& r) {
            return refused(r.text);
        }
        if (!dynamic_cast<const CLI::RequiredError*>(&e))
            return refused(wording(e, args));
    }
    if (const auto problem = options.incomplete())
        return refused(*problem);
    return accepted(p);
}

std::string helpText(const std::string& topic) {
    std::string text = topic.empty() ? help::overview : "";
    for (std::size_t i = 0; i < std::size(commandNames); ++i) {
        if (!topic.empty() && topic != commandNames[i])
            continue;
        ParsedCommandLine p;
        startingValues(tools[i], p.analyze);
        CLI::App app{"", "tonalith-cli"};
        app.set_help_flag();
        CLI::App& cmd = *app.add_subcommand(commandNames[i]);
        const CommandOptions options(cmd, tools[i], commandNames[i], p);
        help::formatCommand(cmd, tools[i]);
        text += cmd.help() + "\n";
    }
    return text + help::exitStatus;
}

} // namespace cli
