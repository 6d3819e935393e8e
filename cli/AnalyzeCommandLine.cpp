// analyze: the map's options after the record's.
#include "cli/CommandHelp.h"
#include "cli/CommandLines.h"
#include "cli/OptionRules.h"
#include "core/results/ColourMaps.h"

namespace cli {

namespace {

void addMap(OptionGroups& g, AnalyzeOptions& a) {
    const char* group = "Grids and the map";
    g.path("--grid", "PREFIX",
           "also write PREFIX-amplitude.tsv and PREFIX-probability.tsv: one row per frequency, "
           "one column per window headed by its centre",
           a.grid, group, "--grid needs a file name prefix");
    g.path("--map", "FILE",
           "also draw the map, as the application shows it, into FILE: PDF, PNG or SVG by the "
           "extension (no display needed)",
           a.map, group, "--map needs a file name")
        ->check(figureFile());
    g.addFigureSize(a, group);
    g.parsed(
         "--map-of", "amplitude|power|logpower|normalised|probability",
         "what the map's colour shows: the line amplitude (default), its square, log10 of the "
         "power, the amplitude divided by the largest of its window, or the F-test probability; "
         "the contours stay those of the probability",
         [&a](const std::string& s) { a.mapOf = *results::parseMapOf(s); }, group)
        ->check(oneOf([](const std::string& s) { return !!results::parseMapOf(s); },
                      "amplitude, power, logpower, normalised or probability"));
    g.parsed(
         "--mask", "P",
         "draw cells whose F-test probability is below P transparent; a number above 0 and at "
         "most 1",
         [&a](const std::string& s) { a.maskLevel = *parseReal(s); }, group)
        ->check(realNumber())
        ->check(refusing([](const std::string& s) {
            const double v = *parseReal(s);
            return v > 0 && v <= 1 ? std::string()
                                   : "the probability " + s + " must lie above 0 and at most 1";
        }));
    g.parsed(
         "--colours", "NAME",
         "the colour map: " + results::colourMapWords() + " (default " + results::colourMapWord(0) +
             ")",
         [&a](const std::string& s) { a.colours = results::colourMapCode(s); }, group)
        ->check(oneOf([](const std::string& s) { return results::colourMapCode(s) >= 0; },
                      results::colourMapWords()));
    g.on("--reverse-x", "the position axis from its largest value to its smallest", a.reverseX,
         group);
    g.on("--title",
         "a title line above the map naming the file, column and parameters (PDF and SVG maps "
         "carry that title in their metadata in any case)",
         a.mapTitle, group);
}

void bind(OptionGroups& g, ParsedCommandLine& p) {
    g.addInput(p.analyze);
    g.addPreparation(p.analyze);
    g.addAnalysis(p.analyze);
    addMap(g, p.analyze);
    g.addOutput(p.analyze.output, &p.analyze.quiet);
    g.addHelp();
}

} // namespace

const CommandLine analyzeLine{"analyze", analysis::Command::Analyze, Command::Analyze, bind,
                              nullptr};

} // namespace cli
