// filter: the band to keep, after the record's input and preparation.
#include "cli/CommandLines.h"

namespace cli {

namespace {

using analysis::ParameterId;

void bind(OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& in = p.astro.input;
    g.addInput(in);
    g.addPreparation(in);
    g.band(ParameterId::Passband, p.astro.passband, "Band-pass")->required();
    g.addOutput(in.output, &in.quiet);
    g.addHelp();
}

std::optional<std::string> incomplete(const OptionGroups& g, ParsedCommandLine&) {
    if (g.cmd.get_option(analysis::parameter(ParameterId::Passband).flag)->count() == 0)
        return "filter needs --passband FLO:FHI, the band to keep in cycles per position unit";
    return std::nullopt;
}

} // namespace

const CommandLine filterLine{"filter", analysis::Command::Filter, Command::Filter, bind,
                             incomplete};

} // namespace cli
