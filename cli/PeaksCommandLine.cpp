// peaks: the lines' options after the record's.
#include "cli/CommandLines.h"

namespace cli {

namespace {

using analysis::ParameterId;

void bind(OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& a = p.analyze;
    g.addInput(a);
    g.addPreparation(a);
    g.addAnalysis(a);
    const char* group = "Lines";
    g.number(ParameterId::LineLevel, a.level, group);
    g.number(ParameterId::FalseDiscoveryRate, a.fdr, group);
    g.addOutput(a.output, &a.quiet);
    g.addHelp();
}

// The false-discovery control alone decides unless a level is given too.
std::optional<std::string> incomplete(const OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& a = p.analyze;
    if (a.fdr > 0 &&
        g.cmd.get_option(analysis::parameter(ParameterId::LineLevel).flag)->count() == 0)
        a.level = 0;
    return std::nullopt;
}

} // namespace

const CommandLine peaksLine{"peaks", analysis::Command::Peaks, Command::Peaks, bind, incomplete};

} // namespace cli
