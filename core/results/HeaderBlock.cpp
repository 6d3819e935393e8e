#include "core/results/HeaderBlock.h"

#include "core/text/NumberText.h"

#include <algorithm>

namespace results {

const char* programVersion() {
    return TONALITH_VERSION;
}

HeaderBlock::HeaderBlock(const std::string& what) {
    note("Tonalith " + std::string(programVersion()) + ": " + what);
}

HeaderBlock& HeaderBlock::line(const std::string& name, const std::string& value) {
    return note(name + ": " + value);
}

HeaderBlock& HeaderBlock::note(const std::string& text) {
    text_ += "# " + text + "\n";
    return *this;
}

HeaderBlock& HeaderBlock::source(const analysis::Provenance& p) {
    line("input", p.input);
    line("column",
         std::to_string(p.column) + (p.columnName.empty() ? "" : " (" + p.columnName + ")"));
    return p.droppedLines.empty() ? *this : line("dropped lines", p.droppedLines);
}

HeaderBlock& HeaderBlock::reading(const analysis::Provenance& p, bool spacingNote) {
    line("header lines skipped", std::to_string(p.skip));
    line("samples", std::to_string(p.samples));
    // The spacing as a person reads it (a resampled record's step is 0.01, not
    // 0.009999999999999787); the rows keep every position exactly.
    line("sample spacing", text::writtenNumber(p.deltat) + " (position units" +
                               (spacingNote && !p.spacingNote.empty() ? "; " + p.spacingNote : "") +
                               ")");
    line("interpolation", p.interpolation.empty() ? std::string("none") : p.interpolation);
    return line("preparation", p.preparation.empty() ? std::string("none") : p.preparation);
}

std::optional<std::string> headerValue(const std::string& text, const std::string& name) {
    const std::string key = "# " + name + ": ";
    std::size_t at = 0;
    while (at < text.size() && text[at] == '#') {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        if (text.compare(at, key.size(), key) == 0) {
            std::string value = text.substr(at + key.size(), end - at - key.size());
            if (!value.empty() && value.back() == '\r')
                value.pop_back();
            return value;
        }
        at = end + 1;
    }
    return std::nullopt;
}

} // namespace results
