#include "core/tuning/SedimentationRate.h"

#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"
#include "core/tuning/PiecewiseLinear.h"
#include "core/tuning/TraceFile.h"

#include <algorithm>
#include <cmath>

namespace tuning {

namespace {

// The integral of 1 / s over a length along which s runs linearly from s0 to s1 (both > 0);
// log1p keeps it exact as s1 approaches s0.
double inverseRateIntegral(double length, double s0, double s1) {
    const double u = (s1 - s0) / s0;
    return length / s0 * (u == 0 ? 1.0 : std::log1p(u) / u);
}

} // namespace

namespace {
const PiecewiseWords rateWords{"track", "sedimentation rate", "rates must be above 0 (cm/kyr)"};
} // namespace

std::optional<std::string> checkRateTrack(const RateTrack& t, const std::vector<int>* lines) {
    return checkPiecewise(t.position, t.rate, lines, rateWords);
}

double rateAt(const RateTrack& t, double z) {
    return piecewiseAt(t.position, t.rate, z);
}

AgeModel sedimentationAgeModel(const std::vector<double>& z, const RateTrack& t,
                               double metresPerUnit, double startAge) {
    AgeModel m;
    m.position = z;
    m.age.resize(z.size());
    m.rate.resize(z.size());
    if (z.empty())
        return m;
    // Kyr per position unit at rate 1 cm/kyr; the rate is linear between consecutive
    // breakpoints (the samples and the track's rows).
    const double kyrPerUnit = 100 * metresPerUnit;
    const std::vector<double>& x = t.position;
    std::size_t next =
        static_cast<std::size_t>(std::upper_bound(x.begin(), x.end(), z[0]) - x.begin());
    double integral = 0, at = z[0], sAt = rateAt(t, z[0]);
    for (std::size_t i = 0; i < z.size(); ++i) {
        while (next < x.size() && x[next] < z[i]) {
            integral += inverseRateIntegral(x[next] - at, sAt, t.rate[next]);
            at = x[next];
            sAt = t.rate[next];
            ++next;
        }
        const double s = rateAt(t, z[i]);
        integral += inverseRateIntegral(z[i] - at, sAt, s);
        at = z[i];
        sAt = s;
        m.age[i] = startAge + kyrPerUnit * integral;
        m.rate[i] = s / kyrPerUnit;
    }
    return m;
}

const char* rateFlagName(RateFlag flag) {
    switch (flag) {
    case RateFlag::Weak:
        return "weak";
    case RateFlag::Jump:
        return "jump";
    case RateFlag::Alias:
        return "alias";
    case RateFlag::Edge:
        return "edge";
    default:
        return "ok";
    }
}

std::optional<RateFlag> parseRateFlag(const std::string& text) {
    for (const RateFlag f :
         {RateFlag::Ok, RateFlag::Weak, RateFlag::Jump, RateFlag::Alias, RateFlag::Edge})
        if (text == rateFlagName(f))
            return f;
    return std::nullopt;
}

namespace {

// Whether the column titles of a track (its first line that is not a '#' line) name `column`.
bool titlesName(const std::string& text, const std::string& column) {
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (line.empty() || line[0] == '#')
            continue;
        std::size_t from = 0;
        while (from <= line.size()) {
            const std::size_t tab = std::min(line.find('\t', from), line.size());
            std::string word = line.substr(from, tab - from);
            if (!word.empty() && word.back() == '\r')
                word.pop_back();
            if (word == column)
                return true;
            from = tab + 1;
        }
        return false;
    }
    return false;
}

} // namespace

std::optional<ReadRateTrack> readRateTrack(const std::string& text, std::string* why,
                                           const std::string& column) {
    const OptionalColumn flag{"flag",
                              [](const std::string& t) { return parseRateFlag(t).has_value(); },
                              "holds no flag (ok, weak, jump, alias or edge)"};
    const std::string chosen = !column.empty()                          ? column
                               : titlesName(text, identifiedRateColumn) ? identifiedRateColumn
                                                                        : optimumRateColumn;
    auto rows = readPiecewise(text, rateWords, chosen.c_str(), flag, why,
                              {"rate_low", "rate_high", "mode_share"});
    if (!rows)
        return std::nullopt;
    ReadRateTrack r{{std::move(rows->position), std::move(rows->value)},
                    std::move(rows->lines),
                    {},
                    chosen,
                    std::move(rows->numbers)};
    for (const std::string& f : rows->extra)
        r.flags.push_back(*parseRateFlag(f));
    return r;
}

std::optional<std::string> flaggedRateRowsProblem(const ReadRateTrack& t,
                                                  const std::string& accept) {
    constexpr int named = 5;
    int count = 0;
    std::string where;
    for (std::size_t i = 0; i < t.flags.size(); ++i) {
        const RateFlag f = t.flags[i];
        if (f != RateFlag::Edge && f != RateFlag::Alias && f != RateFlag::Jump)
            continue;
        if (++count <= named)
            where += std::string(count > 1 ? ", " : "") + "x_centre " +
                     text::writtenNumber(t.track.position[i]) + " (line " +
                     std::to_string(t.lines[i]) + ", " + rateFlagName(f) + ")";
    }
    if (count == 0)
        return std::nullopt;
    return std::to_string(count) +
           (count > 1 ? " windows of the track are" : " window of the track is") +
           " flagged edge, alias or jump: " + where + (count > named ? ", ..." : "") +
           "; the rate may lie beyond the grid, be twice or half the true one (obliquity taken "
           "for precession) or have jumped, and the age model would follow it; widen the rate "
           "grid or change the windows, or give " +
           accept + " to use it as it is";
}

results::HeaderBlock sedimentationRateHeader(const analysis::Provenance& p,
                                             const std::string& trackName,
                                             const std::string& positionUnit, double startAge,
                                             double step, const std::string& column) {
    results::HeaderBlock h = modelHeader(p, "age model from a sedimentation-rate track");
    h.line("sedimentation-rate track", trackName + " (cm/kyr)");
    h.line("rate column", column);
    h.line("positions in", positionUnit);
    h.line("start age", text::writtenNumber(startAge));
    h.line("step", step > 0 ? text::writtenNumber(step) : std::string("none"));
    h.note("age(z) = start age + integral of 100 / sedimentation rate from the first sample, z in "
           "metres; the rate linear between the track's rows and held beyond them");
    return h;
}

} // namespace tuning
