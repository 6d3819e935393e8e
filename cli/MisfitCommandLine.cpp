// asm: the average spectral misfit of the record's lines over trial sedimentation rates, after
// the record's input and preparation.
#include "cli/CommandLines.h"

namespace cli {

namespace {

using analysis::ParameterId;

void bind(OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& in = p.astro.input;
    g.addInput(in);
    g.addPreparation(in);
    const char* group = "Spectral misfit";
    addLineTest(g, p.astro, group);
    addRateGrid(g, p.astro, group);
    g.number(ParameterId::MisfitSimulations, p.astro.misfitSims, group);
    g.number(ParameterId::Seed, p.astro.seed, group);
    g.addOutput(in.output, &in.quiet);
    g.addHelp();
}

} // namespace

const CommandLine misfitLine{"asm", analysis::Command::Misfit, Command::Misfit, bind, nullptr};

} // namespace cli
