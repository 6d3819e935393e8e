#include "cli/CliOptions.h"

#include "cli/CommandHelp.h"
#include "cli/CommandLines.h"

#include <algorithm>

namespace cli {

namespace {

const CommandLine* const commandLines[] = {&analyzeLine,  &peaksLine,  &spectrumLine, &traceLine,
                                           &tuneLine,     &tapersLine, &filterLine,   &timeOptLine,
                                           &eTimeOptLine, &misfitLine};
constexpr const char* commandList =
    "analyze, peaks, spectrum, trace, tune, tapers, filter, timeopt, etimeopt or asm";

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

// The record's options: the astronomical commands keep them with their own.
const AnalyzeOptions& recordOptions(analysis::Command tool, const ParsedCommandLine& p) {
    const bool astronomical =
        tool == analysis::Command::Filter || tool == analysis::Command::TimeOpt ||
        tool == analysis::Command::ETimeOpt || tool == analysis::Command::Misfit;
    return astronomical ? p.astro.input : p.analyze;
}

const CommandLine* commandNamed(const std::string& word) {
    for (const CommandLine* line : commandLines)
        if (word == line->name)
            return line;
    return nullptr;
}

// A relation between options CLI11 found unmet: the command's own checks word it.
bool unmetRelation(const CLI::ParseError& e) {
    return dynamic_cast<const CLI::RequiredError*>(&e) ||
           dynamic_cast<const CLI::ExcludesError*>(&e) ||
           dynamic_cast<const CLI::RequiresError*>(&e);
}

// The refusal of an error CLI11 found, in the tool's words.
std::string wording(const CLI::ParseError& e, const std::vector<std::string>& words) {
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e)) {
        const std::string what = e.what();
        if (what.find("flag override") != std::string::npos)
            return "--" + what.substr(0, what.find(' ')) + " takes no value";
        // Values run out only at the end of the command line.
        const std::string& last = words.back();
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
    const CommandLine* line = commandNamed(word);
    if (!line)
        return refused("unknown command '" + word + "' (" + commandList +
                       "); see tonalith-cli --help");
    p.command = line->parsedAs;

    CLI::App app{"", "tonalith-cli"};
    app.set_help_flag();
    app.require_subcommand(1);
    OptionGroups options(*app.add_subcommand(word), line->tool, word);
    line->bind(options, p);
    const std::vector<std::string> words = options.wordsToRead(args);
    try {
        std::vector<std::string> reversed(words.rbegin(), words.rend()); // CLI11 reads from the end
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (const auto earlier = options.earlierWordAtFault())
            return refused(*earlier);
        if (dynamic_cast<const CLI::CallForHelp*>(&e)) {
            p.command = Command::Help;
            p.helpTopic = word;
            return accepted(p);
        }
        if (!unmetRelation(e))
            return refused(dynamic_cast<const Refusal*>(&e) ? e.what() : wording(e, words));
    }
    if (auto problem = options.strayOrTwin())
        return refused(*problem);
    if (line->incomplete)
        if (auto problem = line->incomplete(options, p))
            return refused(*problem);
    if (line->tool != analysis::Command::Tapers)
        if (auto problem = options.recordIncomplete(recordOptions(line->tool, p)))
            return refused(*problem);
    return accepted(p);
}

std::string helpText(const std::string& topic) {
    std::string text = topic.empty() ? help::overview : "";
    for (const CommandLine* line : commandLines) {
        if (!topic.empty() && topic != line->name)
            continue;
        ParsedCommandLine p;
        CLI::App app{"", "tonalith-cli"};
        app.set_help_flag();
        OptionGroups options(*app.add_subcommand(line->name), line->tool, line->name);
        line->bind(options, p);
        help::formatCommand(options.cmd, line->tool);
        text += options.cmd.help() + "\n";
    }
    return text + help::exitStatus;
}

} // namespace cli
