#include "core/astro/Targets.h"

#include "core/series/SeriesFile.h"

#include <cmath>

namespace astro {

TargetsRead readTargets(const std::string& text) {
    TargetsRead r;
    const auto fail = [&](std::string why) {
        r.problem = Problem{analysis::ParameterId::Targets, std::move(why)};
        return r;
    };
    r.targets.eccentricity.clear();
    r.targets.obliquity.clear();
    r.targets.precession.clear();
    const auto lines = series::splitLines(text);
    int periodColumn = -1, kindColumn = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto fields = series::splitFields(lines[i]);
        if (fields.empty() || fields[0].front() == '#')
            continue;
        const std::string line = "line " + std::to_string(i + 1);
        if (periodColumn < 0) {
            for (std::size_t c = 0; c < fields.size(); ++c) {
                if (fields[c] == "period")
                    periodColumn = static_cast<int>(c);
                if (fields[c] == "kind")
                    kindColumn = static_cast<int>(c);
            }
            if (periodColumn < 0 || kindColumn < 0)
                return fail(line + ": the targets need columns named period and kind");
            continue;
        }
        const std::size_t need = static_cast<std::size_t>(std::max(periodColumn, kindColumn));
        const auto period =
            need < fields.size() ? series::parseNumber(fields[periodColumn]) : std::nullopt;
        if (!period || !(*period > 0) || !std::isfinite(*period))
            return fail(line + ": the period must be a number above 0 (kyr)");
        const std::string_view kind = fields[kindColumn];
        if (kind == "e")
            r.targets.eccentricity.push_back(*period);
        else if (kind == "o")
            r.targets.obliquity.push_back(*period);
        else if (kind == "p")
            r.targets.precession.push_back(*period);
        else
            return fail(line +
                        ": the kind must be e (eccentricity), o (obliquity) or p "
                        "(precession), not '" +
                        std::string(kind) + "'");
    }
    if (periodColumn < 0)
        return fail("no header line with the columns period and kind");
    if (r.targets.eccentricity.empty() || r.targets.precession.empty())
        return fail(
            std::string("no ") +
            (r.targets.eccentricity.empty() ? "eccentricity (kind e)" : "precession (kind p)") +
            " period; the test needs both kinds");
    return r;
}

} // namespace astro
