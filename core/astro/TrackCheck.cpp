#include "core/astro/TrackCheck.h"

#include "core/astro/CycleIdentity.h"
#include "core/astro/TrackFlags.h"
#include "core/text/NumberText.h"

#include <cmath>

namespace astro {

namespace {

std::string cycleWords(const std::string& name) {
    switch (name.empty() ? 'n' : name[0]) {
    case 'e':
        return "eccentricity";
    case 'o':
        return "obliquity";
    case 'p':
        return "precession";
    default:
        return "no astronomical target";
    }
}

} // namespace

std::vector<TrackMismatch> checkTraceAgainstTrack(const tuning::Trace& trace, double period,
                                                  const tuning::RateTrack& track,
                                                  double metresPerUnit, const Targets& targets) {
    std::vector<TrackMismatch> found;
    const double cmPerUnit = 100 * metresPerUnit;
    for (std::size_t i = 0; i < trace.position.size(); ++i) {
        const double f = trace.frequency[i];
        if (!(f > 0))
            continue;
        const double traced = cmPerUnit / (f * period);
        const double rate = tuning::rateAt(track, trace.position[i]);
        if (std::fabs(std::log(traced / rate)) <= std::log1p(jumpShare))
            continue;
        const double periodAtTrack = cmPerUnit / (f * rate);
        // Within a quarter of the target's frequency: the rows already disagree by more.
        const std::string cycle = cycleName(1 / periodAtTrack, jumpShare / periodAtTrack, targets);
        found.push_back({i, trace.position[i], traced, rate, periodAtTrack, cycle});
    }
    return found;
}

std::string mismatchText(const std::vector<TrackMismatch>& m, const std::vector<int>& lines,
                         double period) {
    constexpr std::size_t named = 3;
    std::string t =
        std::to_string(m.size()) +
        (m.size() == 1 ? " row of the trace disagrees" : " rows of the trace disagree") +
        " with the track: ";
    for (std::size_t k = 0; k < m.size() && k < named; ++k) {
        const TrackMismatch& r = m[k];
        t += (k ? "; " : "") + std::string("at x_centre ") + text::exactNumber(r.position) +
             (r.row < lines.size() ? " (line " + std::to_string(lines[r.row]) + ")" : "") +
             " the trace implies " + text::displayNumber(r.tracedRate, 3) + " cm/kyr, the track " +
             text::displayNumber(r.trackRate, 3) + "; at " + text::displayNumber(r.trackRate, 2) +
             " cm/kyr this line is a " + text::displayNumber(r.periodAtTrack, 3) +
             "-kyr cycle: " + cycleWords(r.cycle) + ", not " + text::displayNumber(period) + " kyr";
    }
    return t + (m.size() > named ? "; ..." : "");
}

} // namespace astro
