#include "core/tuning/SedimentationRate.h"

#include "core/results/ResultFiles.h"
#include "core/series/SeriesFile.h"
#include "core/tuning/PiecewiseLinear.h"

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

std::optional<std::string> checkRateTrack(const RateTrack& t, const std::vector<int>* lines) {
    return checkPiecewise(t.position, t.rate, lines,
                          {"track", "sedimentation rate", "rates must be above 0 (cm/kyr)"});
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

std::optional<ReadRateTrack> readRateTrack(const std::string& text, std::string* why) {
    const auto fail = [&](std::string reason) -> std::optional<ReadRateTrack> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    const auto lines = series::splitLines(text);
    int xColumn = -1, sColumn = -1;
    ReadRateTrack r;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto fields = series::splitFields(lines[i]);
        if (fields.empty() || fields[0].front() == '#')
            continue;
        const int line = static_cast<int>(i + 1);
        if (xColumn < 0) {
            for (std::size_t c = 0; c < fields.size(); ++c) {
                if (fields[c] == "x_centre")
                    xColumn = static_cast<int>(c);
                if (fields[c] == "sedimentation_rate")
                    sColumn = static_cast<int>(c);
            }
            if (xColumn < 0 || sColumn < 0)
                return fail("line " + std::to_string(line) +
                            ": the track needs columns named x_centre and sedimentation_rate");
            continue;
        }
        const std::size_t need = static_cast<std::size_t>(std::max(xColumn, sColumn));
        const auto x = need < fields.size() ? series::parseNumber(fields[xColumn]) : std::nullopt;
        const auto s = need < fields.size() ? series::parseNumber(fields[sColumn]) : std::nullopt;
        if (!x || !s)
            return fail("line " + std::to_string(line) +
                        " of the track does not hold numbers in x_centre and sedimentation_rate");
        r.track.position.push_back(*x);
        r.track.rate.push_back(*s);
        r.lines.push_back(line);
    }
    if (xColumn < 0)
        return fail("the track holds no header line with x_centre and sedimentation_rate");
    if (const auto problem = checkRateTrack(r.track, &r.lines))
        return fail(*problem);
    return r;
}

std::string sedimentationRateHeader(const analysis::Provenance& p, const std::string& trackName,
                                    const std::string& positionUnit, double startAge, double step) {
    const auto number = [](double v) { return results::numberText(v); };
    std::string h = "# Tonalith " + std::string(results::programVersion()) +
                    ": age model from a sedimentation-rate track\n";
    h += "# input: " + p.input + "\n";
    h += "# column: " + std::to_string(p.column) +
         (p.columnName.empty() ? "" : " (" + p.columnName + ")") + "\n";
    if (!p.preparation.empty())
        h += "# preparation: " + p.preparation + "\n";
    h += "# sedimentation-rate track: " + trackName + " (cm/kyr)\n";
    h += "# positions in: " + positionUnit + "\n";
    h += "# start age: " + number(startAge) + "\n";
    h += "# step: " + (step > 0 ? number(step) : std::string("none")) + "\n";
    h += "# age(z) = start age + integral of 100 / sedimentation rate from the first sample, z "
         "in metres; the rate linear between the track's rows and held beyond them\n";
    return h;
}

} // namespace tuning
