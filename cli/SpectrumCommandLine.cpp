// spectrum: the whole record's options after the record's, with its own transform length and
// highest frequency by default.
#include "cli/CommandHelp.h"
#include "cli/CommandLines.h"
#include "cli/OptionRules.h"

namespace cli {

namespace {

using analysis::ParameterId;

void addWholeRecord(OptionGroups& g, AnalyzeOptions& a) {
    const char* group = "Whole-record spectrum";
    const analysis::ParameterEntry& background = analysis::parameter(ParameterId::Background);
    g.parsed(
         background.flag, background.valueName,
         background.help + std::string("; ") + spectrum::kRobustBackgroundHelp +
             help::defaultText(background),
         [&a](const std::string& s) { spectrum::parseBackgroundKind(s, a.background); }, group)
        ->check(oneOf(
            [](const std::string& s) {
                spectrum::BackgroundKind kind{};
                return spectrum::parseBackgroundKind(s, kind);
            },
            "ar1 or robust"));
    g.number(ParameterId::PlotLevel, a.level, group);
    g.path("--plot", "FILE",
           "also draw log power with the background and its levels, and the F-test probability "
           "below it, into FILE (PDF, PNG or SVG); the bins that pass both the F-test and the "
           "95 % level are marked",
           a.plot, group, "--plot needs a file name")
        ->check(figureFile());
    g.addFigureSize(a, group);
}

void bind(OptionGroups& g, ParsedCommandLine& p) {
    AnalyzeOptions& a = p.analyze;
    a.params.nfft = analysis::wholeDefault(ParameterId::WholeRecordNfft);
    a.params.fmax = analysis::parameterDefault(ParameterId::WholeRecordFmax);
    g.addInput(a);
    g.addPreparation(a);
    g.addAnalysis(a);
    addWholeRecord(g, a);
    g.addOutput(a.output, &a.quiet);
    g.addHelp();
}

} // namespace

const CommandLine spectrumLine{"spectrum", analysis::Command::Spectrum, Command::Spectrum, bind,
                               nullptr};

} // namespace cli
