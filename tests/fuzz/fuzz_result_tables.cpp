// Bytes as a result file read back as tables (the R package's read_result). Nothing may crash
// or read out of bounds; what is read back holds together: every column as long as its table's
// rows, as many columns as titles, the block made of '#' lines only.
#include "core/results/ResultTables.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string why;
    const auto read = results::readResultTables(text, &why);
    if (!read) {
        if (why.empty())
            std::abort(); // a refusal says why
        return 0;
    }
    for (const std::string& line : read->header)
        if (line.empty() || line[0] != '#')
            std::abort();
    for (const results::TextTable& t : read->tables) {
        if (t.titles.empty() || t.columns.size() != t.titles.size())
            std::abort();
        for (const auto& column : t.columns)
            if (column.size() != t.columns.front().size())
                std::abort();
    }
    return 0;
}
