// tune: an age model from a traced cycle (--trace with --period) or from a sedimentation-rate
// track (--sedrate, run as a command of its own); the one excludes the other.
#include "cli/CommandHelp.h"
#include "cli/CommandLines.h"
#include "cli/OptionRules.h"

#include <tuple>

namespace cli {

namespace {

using analysis::ParameterId;

// The ensemble and the anchors, for either route.
void bindEnsemble(OptionGroups& g, TuneEnsembleOptions& e, CLI::Option* startAge) {
    const char* group = "Age band and anchors";
    g.number(ParameterId::Ensemble, e.members, group);
    g.number(ParameterId::EnsembleSeed, e.seed, group);
    g.number(ParameterId::Interval, e.interval, group);
    const analysis::ParameterEntry& file = analysis::parameter(ParameterId::EnsembleFile);
    g.path(file.flag, file.valueName, file.help, e.file, group,
           "--ensemble-file needs a file name");
    const analysis::ParameterEntry& anchor = analysis::parameter(ParameterId::Anchor);
    g.cmd
        .add_option_function<std::vector<std::string>>(
            anchor.flag,
            [&e](const std::vector<std::string>& given) {
                std::string why;
                for (const std::string& s : given)
                    e.anchors.push_back(*tuning::parseAnchor(s, &why));
            },
            help::describe(help::entryLine(anchor)))
        ->option_text(anchor.valueName)
        ->allow_extra_args(false) // one value each time it is given: never the data file
        ->group(group)
        ->check(anchorPoint())
        ->excludes(startAge);
    g.number(ParameterId::RowWindowLength, e.windowLength, group);
}

void bind(OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& a = p.analyze;
    g.addInput(a);
    const char* group = "Age model and tuned series";
    CLI::Option* trace = g.path(
        "--trace", "TRACE",
        "a tab-separated file with columns named x_centre and frequency (lines starting with "
        "'#' skipped): from trace, the window, R or Python",
        a.traceFile, group, "--trace needs a file name");
    const analysis::ParameterEntry& periodEntry = analysis::parameter(ParameterId::Period);
    CLI::Option* period =
        g.parsed(
             periodEntry.flag, analysis::parameter(ParameterId::PeriodSd).valueName,
             help::entryLine(periodEntry) + "; " +
                 help::entryLine(analysis::parameter(ParameterId::PeriodSd)),
             [&a](const std::string& s) {
                 std::string why;
                 std::tie(a.period, a.ensemble.periodSd) = *parsePeriod(s, &why);
             },
             group)
            ->check(periodWithSd());
    const analysis::ParameterEntry& track =
        analysis::parameter(ParameterId::SedimentationRateTrack);
    CLI::Option* sedrate = g.path(track.flag, track.valueName, track.help, p.astro.sedrateTrack,
                                  group, "--sedrate needs a file name");
    sedrate->excludes(trace)->excludes(period);
    const analysis::ParameterEntry& check = analysis::parameter(ParameterId::CheckTrack);
    g.path(check.flag, check.valueName, help::entryLine(check), a.checkTrack, group,
           "--check-track needs a file name")
        ->excludes(sedrate);
    const analysis::ParameterEntry& column = analysis::parameter(ParameterId::RateColumn);
    g.text(column.flag, column.valueName, help::entryLine(column), p.astro.rateColumn, group)
        ->needs(sedrate);
    g.addPositionUnit(p.astro.positionsIn, group);
    CLI::Option* startAge = g.number(ParameterId::StartAge, a.startAge, group);
    g.number(ParameterId::AgeStep, a.tuneStep, group);
    g.path("--model", "FILE", "also write \"position age sedimentation_rate\", one row per sample",
           a.model, group, "--model needs a file name");
    g.on(ParameterId::AcceptFlags, a.acceptFlags, group);
    bindEnsemble(g, a.ensemble, startAge);
    g.addOutput(a.output, &a.quiet);
    g.addHelp();
}

std::optional<std::string> incomplete(const OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& a = p.analyze;
    AstroOptions& x = p.astro;
    const bool traced = !a.traceFile.empty() || g.cmd.get_option("--period")->count() > 0;
    if (!x.rateColumn.empty() && x.sedrateTrack.empty())
        return std::string("--rate-column names the column of rates of a --sedrate track; a "
                           "traced cycle has none");
    if (!a.checkTrack.empty() && !x.sedrateTrack.empty())
        return std::string("--check-track holds a trace against a track; with --sedrate the "
                           "track makes the age model itself: give --trace with --period");
    if (!a.ensemble.anchors.empty() && g.cmd.get_option("--start-age")->count() > 0)
        return std::string("--anchor and --start-age each fix the ages; give the anchors or the "
                           "start age, never both");
    if (!a.ensemble.file.empty() && a.ensemble.members == 0)
        return std::string("--ensemble-file writes the ensemble's models; give --ensemble N too");
    if (x.sedrateTrack.empty()) {
        if (a.traceFile.empty() || !(a.period > 0))
            return std::string("tune needs --trace FILE and --period P (the period of the traced "
                               "cycle), or --sedrate TRACK");
        if (g.cmd.get_option("--positions-in")->count() > 0 && a.checkTrack.empty() &&
            a.ensemble.members == 0)
            return std::string("--positions-in is the unit of the positions for --sedrate, "
                               "--check-track and --ensemble; a traced cycle alone needs none");
        a.positionsIn = x.positionsIn;
        return std::nullopt;
    }
    if (traced)
        return std::string("--sedrate and --trace with --period each make the age model; give "
                           "either --trace with --period, or --sedrate, never both");
    p.command = Command::TuneSedrate;
    x.input = a;
    x.startAge = a.startAge;
    x.tuneStep = a.tuneStep;
    x.model = a.model;
    return std::nullopt;
}

} // namespace

const CommandLine tuneLine{"tune", analysis::Command::Tune, Command::Tune, bind, incomplete};

} // namespace cli
