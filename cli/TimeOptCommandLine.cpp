// timeopt: the astronomical test over trial sedimentation rates, after the record's input and
// preparation; its options are etimeopt's too.
#include "cli/CommandLines.h"

namespace cli {

using analysis::ParameterId;

void addRateGrid(OptionGroups& g, AstroOptions& x, const char* group) {
    g.addPositionUnit(x.positionsIn, group);
    g.number(ParameterId::SedMin, x.grid.low, group);
    g.number(ParameterId::SedMax, x.grid.high, group);
    g.number(ParameterId::NumSed, x.grid.count, group);
    g.on(ParameterId::LinearGrid, x.grid.linear, group);
    g.addTargets(x.targets, x.ageMa, group);
}

void addLineTest(OptionGroups& g, AstroOptions& x, const char* group) {
    g.number(ParameterId::MisfitTbw, x.lineTbw, group);
    g.number(ParameterId::MisfitTapers, x.lineTapers, group);
    if (g.takes(ParameterId::WholeRecordNfft))
        g.number(ParameterId::WholeRecordNfft, x.lineNfft, group);
    if (g.takes(ParameterId::MisfitLevel))
        g.number(ParameterId::MisfitLevel, x.lineLevel, group);
    else
        g.number(ParameterId::WindowLineLevel, x.lineLevel, group);
}

void addAstronomicalTest(OptionGroups& g, AstroOptions& x) {
    const char* group = "Astronomical test";
    addRateGrid(g, x, group);
    g.band(ParameterId::PrecessionBand, x.precessionBand, group);
    g.number(ParameterId::Simulations, x.sims, group);
    g.number(ParameterId::Seed, x.seed, group);
    g.number(ParameterId::AstroWorkers, x.workers, group);
    g.number(ParameterId::IntervalProbability, x.interval, group);
    if (g.tool != analysis::Command::TimeOpt)
        return;
    g.figure("--plot",
             "also draw r2_envelope, r2_power and r2_opt against the rate (log axis) with the "
             "optimum, its interval shaded and the p-value into FILE (PDF, PNG or SVG)",
             x.plot, group);
    g.addFigureSize(x.input, group);
}

namespace {

void bind(OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& in = p.astro.input;
    g.addInput(in);
    g.addPreparation(in);
    addAstronomicalTest(g, p.astro);
    g.addOutput(in.output, &in.quiet);
    g.addHelp();
}

} // namespace

const CommandLine timeOptLine{"timeopt", analysis::Command::TimeOpt, Command::TimeOpt, bind,
                              nullptr};

} // namespace cli
