#include "core/tuning/PiecewiseLinear.h"

#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>

namespace tuning {

std::optional<std::string> checkPiecewise(const std::vector<double>& position,
                                          const std::vector<double>& value,
                                          const std::vector<int>* lines,
                                          const PiecewiseWords& words) {
    const auto where = [&](std::size_t i) {
        return lines ? "line " + std::to_string((*lines)[i]) : "row " + std::to_string(i + 1);
    };
    const std::string of = std::string(" of the ") + words.what;
    if (position.empty() || position.size() != value.size())
        return std::string("the ") + words.what + " holds no rows with a position and a " +
               words.quantity;
    for (std::size_t i = 0; i < position.size(); ++i) {
        if (!std::isfinite(position[i]))
            return where(i) + of + " holds a position that is not a finite number";
        if (!(value[i] > 0) || !std::isfinite(value[i]))
            return where(i) + of + " holds the " + words.quantity + " " +
                   text::writtenNumber(value[i]) + "; " + words.rule;
        if (i > 0 && !(position[i] > position[i - 1]))
            return where(i) + of + " holds the position " + text::writtenNumber(position[i]) +
                   ", which is not above the one before; positions must increase";
    }
    return std::nullopt;
}

double piecewiseAt(const std::vector<double>& x, const std::vector<double>& v, double z) {
    if (z <= x.front())
        return v.front();
    if (z >= x.back())
        return v.back();
    const std::size_t j = static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), z) -
                                                   x.begin()); // x[j-1] <= z < x[j]
    const double u = (z - x[j - 1]) / (x[j] - x[j - 1]);
    return v[j - 1] + u * (v[j] - v[j - 1]);
}

std::optional<PiecewiseRows> readPiecewise(const std::string& text, const PiecewiseWords& words,
                                           const char* valueColumn, const OptionalColumn& optional,
                                           std::string* why,
                                           const std::vector<std::string>& numbers) {
    const auto fail = [&](std::string reason) -> std::optional<PiecewiseRows> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    const std::string columns = std::string("x_centre and ") + valueColumn;
    const auto lines = series::splitLines(text);
    int xColumn = -1, vColumn = -1, extra = -1;
    std::vector<std::pair<std::string, std::size_t>> further; // name and field
    PiecewiseRows r;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto fields = series::splitFields(lines[i]);
        if (fields.empty() || fields[0].front() == '#')
            continue;
        const int line = static_cast<int>(i + 1);
        if (xColumn < 0) {
            for (std::size_t c = 0; c < fields.size(); ++c) {
                if (fields[c] == "x_centre")
                    xColumn = static_cast<int>(c);
                if (fields[c] == valueColumn)
                    vColumn = static_cast<int>(c);
                if (optional.name && fields[c] == optional.name)
                    extra = static_cast<int>(c);
                for (const std::string& name : numbers)
                    if (fields[c] == name)
                        further.emplace_back(name, c);
            }
            if (xColumn < 0 || vColumn < 0)
                return fail("line " + std::to_string(line) + ": the " + words.what +
                            " needs columns named " + columns);
            continue;
        }
        const std::size_t need = static_cast<std::size_t>(std::max(xColumn, vColumn));
        const auto x = need < fields.size() ? series::parseNumber(fields[xColumn]) : std::nullopt;
        const auto v = need < fields.size() ? series::parseNumber(fields[vColumn]) : std::nullopt;
        if (!x || !v)
            return fail("line " + std::to_string(line) + " of the " + words.what +
                        " does not hold numbers in " + columns);
        if (extra >= 0) {
            const std::string e = static_cast<std::size_t>(extra) < fields.size()
                                      ? std::string(fields[extra])
                                      : std::string();
            if (!optional.valid(e))
                return fail("line " + std::to_string(line) + " of the " + words.what + " " +
                            optional.refusal);
            r.extra.push_back(e);
        }
        for (const auto& [name, field] : further) {
            const auto n =
                field < fields.size() ? series::parseNumber(fields[field]) : std::nullopt;
            if (!n && (field >= fields.size() || fields[field] != "NA"))
                return fail("line " + std::to_string(line) + " of the " + words.what +
                            " holds neither a number nor NA in " + name);
            r.numbers[name].push_back(n ? *n : std::nan(""));
        }
        r.position.push_back(*x);
        r.value.push_back(*v);
        r.lines.push_back(line);
    }
    if (xColumn < 0)
        return fail("the " + std::string(words.what) + " holds no header line with " + columns);
    if (const auto problem = checkPiecewise(r.position, r.value, &r.lines, words))
        return fail(*problem);
    return r;
}

} // namespace tuning
