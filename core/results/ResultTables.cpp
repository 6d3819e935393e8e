#include "core/results/ResultTables.h"

#include "core/series/SeriesFile.h"

namespace results {

namespace {

std::vector<std::string> tabFields(std::string_view line) {
    std::vector<std::string> fields;
    for (std::size_t tab; (tab = line.find('\t')) != std::string_view::npos;
         line.remove_prefix(tab + 1))
        fields.emplace_back(line.substr(0, tab));
    fields.emplace_back(line);
    return fields;
}

} // namespace

std::optional<ResultTables> readResultTables(std::string_view text, std::string* why) {
    const std::vector<std::string_view> lines = series::splitLines(text);
    ResultTables out;
    std::size_t i = 0;
    for (; i < lines.size() && !lines[i].empty() && lines[i][0] == '#'; ++i)
        out.header.emplace_back(lines[i]);
    while (i < lines.size()) {
        if (lines[i].empty()) {
            ++i;
            continue;
        }
        TextTable table;
        table.titles = tabFields(lines[i++]);
        table.columns.resize(table.titles.size());
        for (; i < lines.size() && !lines[i].empty(); ++i) {
            std::vector<std::string> fields = tabFields(lines[i]);
            if (fields.size() != table.titles.size()) {
                if (why)
                    *why = "line " + std::to_string(i + 1) + " has " +
                           std::to_string(fields.size()) + " fields, its titles " +
                           std::to_string(table.titles.size());
                return std::nullopt;
            }
            for (std::size_t c = 0; c < fields.size(); ++c)
                table.columns[c].push_back(std::move(fields[c]));
        }
        out.tables.push_back(std::move(table));
    }
    return out;
}

} // namespace results
