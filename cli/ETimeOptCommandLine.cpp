// etimeopt: timeopt's test in moving windows, with their length and step required.
#include "cli/CommandLines.h"

namespace cli {

namespace {

using analysis::ParameterId;

void addEvolutiveTest(OptionGroups& g, AstroOptions& x) {
    const char* group = "Evolutive test";
    g.number(ParameterId::AstroWindowLength, x.windowLength, group)->required();
    g.number(ParameterId::AstroStepLength, x.stepLength, group)->required();
    g.number(ParameterId::WindowFalseDiscoveryRate, x.fdr, group);
    addLineTest(g, x, group);
    g.number(ParameterId::WindowMisfitSimulations, x.windowMisfitSims, group);
    g.path("--track", "FILE",
           "also write, per window, the rate of the largest r2_opt with its p-value (NA "
           "without --sims), flag, identified rate and rate interval (--interval): \"x_centre "
           "sedimentation_rate r2_opt p_value flag identified_rate rate_low rate_high "
           "mode_share\"; rate_low and rate_high bound the mode of the window's posterior "
           "holding its identified rate, mode_share is that mode's share of the probability; "
           "flag edge (the optimum on the rate grid's edge), alias (another rate about twice or "
           "half as fast scores at least half as well, or a significant neighbour sits at such "
           "a ratio: obliquity taken for precession), jump (more than 25 % or 3 grid steps, "
           "whichever is more, from a neighbour's rate), weak (not significant after --fdr, or "
           "no --sims), else ok",
           x.track, group, "--track needs a file name");
    g.figure("--map",
             "also draw r2_opt over position and rate (log rate axis, linear with --linear-grid) "
             "with the track of optima and their intervals into FILE (PDF, PNG or SVG)",
             x.map, group);
    g.addFigureSize(x.input, group);
}

void bind(OptionGroups& g, ParsedCommandLine& p) {
    p.astro.lineLevel = analysis::parameterDefault(ParameterId::WindowLineLevel);
    AnalyzeOptions& in = p.astro.input;
    g.addInput(in);
    g.addPreparation(in);
    addAstronomicalTest(g, p.astro);
    addEvolutiveTest(g, p.astro);
    g.addOutput(in.output, &in.quiet);
    g.addHelp();
}

std::optional<std::string> incomplete(const OptionGroups&, ParsedCommandLine& p) {
    if (!(p.astro.windowLength > 0) || !(p.astro.stepLength > 0))
        return "etimeopt needs --window-length L and --step-length S, in position units";
    return std::nullopt;
}

} // namespace

const CommandLine eTimeOptLine{"etimeopt", analysis::Command::ETimeOpt, Command::ETimeOpt, bind,
                               incomplete};

} // namespace cli
