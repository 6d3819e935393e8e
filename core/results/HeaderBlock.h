// The '#' block that opens every file Tonalith writes: the program and what the file holds, the
// record it was made from, then the file's own lines, each "# name: value" or a note.
#pragma once

#include "core/analysis/Provenance.h"

#include <optional>
#include <string>

namespace results {

// Program version recorded in result files.
const char* programVersion();

class HeaderBlock {
public:
    // "# Tonalith <version>: <what>"
    explicit HeaderBlock(const std::string& what);

    // "# <name>: <value>"
    HeaderBlock& line(const std::string& name, const std::string& value);
    // "# <text>": a line that is not a name and its value.
    HeaderBlock& note(const std::string& text);

    // The record's input file and column, and the lines dropped when any were.
    HeaderBlock& source(const analysis::Provenance& p);
    // How the record was read and prepared: header lines skipped, samples, spacing (with what
    // was noted of uneven positions when spacingNote), interpolation and preparation ("none"
    // when there was none).
    HeaderBlock& reading(const analysis::Provenance& p, bool spacingNote);

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// The value of the first "# name: value" line of a file's '#' block (the lines before the first
// that does not start with '#'), as the block's own lines are read back; nothing without one.
std::optional<std::string> headerValue(const std::string& text, const std::string& name);

} // namespace results
