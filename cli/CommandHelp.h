// The tool's help: each command's prose, synopsis and options (the catalogue's with their rules
// and defaults), wrapped to a terminal's width, and the exit status.
#pragma once

#include "core/analysis/ParameterCatalogue.h"

#include <CLI/CLI.hpp>

#include <string>

namespace cli::help {

// A description wrapped to the help's description column.
std::string describe(const std::string& text);

// An entry's help line with its rule and default, unwrapped.
std::string entryLine(const analysis::ParameterEntry& e);

// "(default 4)", "(default none)", or "(default: the median spacing)" for a description.
std::string defaultText(const analysis::ParameterEntry& e);

// The command's prose before and after its options, and its synopsis and layout.
void formatCommand(CLI::App& cmd, analysis::Command tool);

extern const char* const overview;
extern const char* const exitStatus;

} // namespace cli::help
