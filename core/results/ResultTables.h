// The text of a result file read back as tables: its '#' block, then tables parted by blank
// lines, each a line of tab-separated column titles and rows of as many fields. The fields stay
// text: a front end turns them into its own numbers (series::parseNumber reads back the
// doubles the writers wrote, bit for bit). The R package reads the tool's files, and its own
// results composed by core's writers, through it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace results {

struct TextTable {
    std::vector<std::string> titles;
    std::vector<std::vector<std::string>> columns; // one per title, a field per row
};

struct ResultTables {
    std::vector<std::string> header; // the '#' lines that open the text
    std::vector<TextTable> tables;
};

// The tables of the text; nothing, and why ("line N has M fields, its titles K"), when a row's
// fields do not match its titles.
std::optional<ResultTables> readResultTables(std::string_view text, std::string* why);

} // namespace results
