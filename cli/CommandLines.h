// Each command of tonalith-cli as its command line: its options, bound to the fields of the
// parsed command line, and what it refuses once every option is read.
#pragma once

#include "cli/CliOptions.h"
#include "cli/OptionGroups.h"

#include <optional>
#include <string>

namespace cli {

struct CommandLine {
    const char* name;
    analysis::Command tool;
    Command parsedAs;
    // Sets the command's own defaults and adds its options to g, reading into p.
    void (*bind)(OptionGroups& g, ParsedCommandLine& p);
    // What the command lacks or refuses once every option is read; nullptr: nothing more.
    std::optional<std::string> (*incomplete)(const OptionGroups& g, ParsedCommandLine& p);
};

// One file each.
extern const CommandLine analyzeLine, peaksLine, spectrumLine, traceLine, tuneLine, tapersLine,
    filterLine, timeOptLine, eTimeOptLine, misfitLine;

// timeopt's test, which etimeopt runs in each window.
void addAstronomicalTest(OptionGroups& g, AstroOptions& x);
// The positions' unit, the trial rates and the targets: timeopt's, etimeopt's and asm's.
void addRateGrid(OptionGroups& g, AstroOptions& x, const char* group);
// The harmonic F-test of the lines whose misfit asm and etimeopt's windows take.
void addLineTest(OptionGroups& g, AstroOptions& x, const char* group);

} // namespace cli
