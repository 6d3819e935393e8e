// trace: where the line starts and how it is followed, after the record's options.
#include "cli/CommandHelp.h"
#include "cli/CommandLines.h"
#include "cli/OptionRules.h"

namespace cli {

namespace {

using analysis::ParameterId;

void addTrace(OptionGroups& g, AnalyzeOptions& a) {
    const char* group = "Tracing a line";
    const analysis::ParameterEntry& start = analysis::parameter(ParameterId::StartPosition);
    g.parsed(
         start.flag, start.valueName,
         std::string(start.help) + " (" + analysis::parameter(ParameterId::StartFrequency).help +
             ")",
         [&a](const std::string& s) {
             std::tie(a.startPosition, a.startFrequency) = *parseStart(s);
             a.haveStart = true;
         },
         group)
        ->required()
        ->check(startPoint());
    g.number(ParameterId::Band, a.band, group);
    const analysis::ParameterEntry& by = analysis::parameter(ParameterId::TraceBy);
    g.parsed(
         by.flag, by.valueName, help::entryLine(by),
         [&a](const std::string& s) { a.traceBy = *tuning::parseTraceBy(s); }, group)
        ->check(oneOf([](const std::string& s) { return !!tuning::parseTraceBy(s); },
                      "amplitude or probability"));
    g.number(ParameterId::TraceLevel, a.level, group);
    const analysis::ParameterEntry& period = analysis::parameter(ParameterId::Period);
    g.number(ParameterId::Period, a.period, group)
        ->description(help::describe(
            help::entryLine(period) +
            "; given, the positions are ages in the unit of P, and rows whose frequency departs "
            "from 1 / P by more than W (the tapers' half-bandwidth) are flagged drift"));
    g.number(ParameterId::IntervalProbability, a.interval, group);
}

void bind(OptionGroups& g, ParsedCommandLine& p) {
    g.addInput(p.analyze);
    g.addPreparation(p.analyze);
    g.addAnalysis(p.analyze);
    addTrace(g, p.analyze);
    g.addOutput(p.analyze.output, &p.analyze.quiet);
    g.addHelp();
}

std::optional<std::string> incomplete(const OptionGroups&, ParsedCommandLine& p) {
    if (!p.analyze.haveStart)
        return "trace needs --start POSITION:FREQUENCY, where the line is to be followed from";
    return std::nullopt;
}

} // namespace

const CommandLine traceLine{"trace", analysis::Command::Trace, Command::Trace, bind, incomplete};

} // namespace cli
