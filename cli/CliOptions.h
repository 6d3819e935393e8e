// The command line of tonalith-cli, parsed into what each command needs.
#pragma once

#include "cli/AnalyzeOptions.h"
#include "cli/AstroOptions.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class Command {
    Analyze,
    Peaks,
    Spectrum,
    Trace,
    Tune,
    Tapers,
    Filter,
    TimeOpt,
    ETimeOpt,
    Misfit,      // asm
    TuneSedrate, // tune --sedrate: the age model from a sedimentation-rate track
    Help,
    Version
};

struct ParsedCommandLine {
    Command command = Command::Help;
    AnalyzeOptions analyze;
    TapersOptions tapers;
    AstroOptions astro;    // filter, timeopt, etimeopt and tune --sedrate
    std::string helpTopic; // "" or a command's name
};

struct ParseResult {
    std::optional<ParsedCommandLine> parsed;
    std::string error; // set when parsed is empty: one line naming the problem
};

// args excludes the program name.
ParseResult parseCommandLine(const std::vector<std::string>& args);

// The help: every command (topic empty) or one command ("analyze", ...), with the exit status.
std::string helpText(const std::string& topic);

} // namespace cli
