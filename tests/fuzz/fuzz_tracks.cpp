// Bytes as the tab-separated files the tuning and the astronomical test read: a trace (with or
// without its flag column and its intervals, the period and W of its '#' block), a
// sedimentation-rate track, a list of target periods, an anchor. Nothing may crash or read out of
// bounds; what is read back must be what the age model can use, and an ensemble drawn from
// intervals that pass their check is finite.
#include "core/astro/Targets.h"
#include "core/astro/TrackCheck.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/Hiatus.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

// A few models drawn from rows whose intervals pass their check: every age finite.
void drawFrom(std::optional<tuning::RowSpread> spread, const std::string& text) {
    if (!spread)
        return;
    spread->windowLength = tuning::rowWindowLength(text).value_or(1.0);
    tuning::possibleHiatuses(*spread, "rate");
    if (tuning::checkSpread(*spread))
        return;
    std::vector<double> z;
    const double first = spread->position.front(), last = spread->position.back();
    for (int i = 0; i < 50; ++i)
        z.push_back(first + (last - first) * i / 49.0 + (last == first ? i : 0));
    tuning::EnsembleSettings settings;
    settings.members = 3;
    const tuning::AgeEnsemble e =
        tuning::ageEnsemble(z, *spread, {tuning::RowIntegral::Kind::Rate, 0, 0, 1}, settings);
    for (const double* v : {&e.durationLow, &e.durationHigh})
        if (!std::isfinite(*v))
            std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string why;
    if (auto trace = tuning::readTrace(text, &why)) {
        if (tuning::checkTrace(trace->trace))
            std::abort(); // a trace read back is one the age model takes
        tuning::frequencyAt(trace->trace, 0.5);
        // What the block gives is a usable number or nothing; drift flags every row or none.
        for (double v : {trace->period, trace->halfBandwidth})
            if (!(v >= 0) || !std::isfinite(v))
                std::abort();
        if (tuning::flagDriftedRows(*trace, 41) &&
            trace->flags.size() != trace->trace.frequency.size())
            std::abort();
        std::string none;
        drawFrom(tuning::frequencySpread(*trace, &none), text);
    } else if (why.empty()) {
        std::abort(); // a refusal says why
    }
    why.clear();
    if (const auto track = tuning::readRateTrack(text, &why)) {
        if (tuning::checkRateTrack(track->track))
            std::abort();
        const double s = tuning::rateAt(track->track, 1.0);
        if (!(s > 0) || !std::isfinite(s))
            std::abort();
        std::string none;
        drawFrom(tuning::rateSpread(*track, &none), text);
    } else if (why.empty()) {
        std::abort();
    }
    why.clear();
    if (const auto anchor = tuning::parseAnchor(text, &why)) {
        if (!std::isfinite(anchor->position) || !std::isfinite(anchor->age) || anchor->sd < 0)
            std::abort();
    } else if (why.empty()) {
        std::abort();
    }
    // The same text as both a trace and a track: the check names what it finds, finitely.
    const auto trace = tuning::readTrace(text, &why);
    const auto track = tuning::readRateTrack(text, &why);
    if (trace && track)
        for (const auto& m : astro::checkTraceAgainstTrack(trace->trace, 41, track->track, 1, {}))
            if (!std::isfinite(m.periodAtTrack) || m.cycle.empty())
                std::abort();
    const astro::TargetsRead targets = astro::readTargets(text);
    if (!targets.problem) {
        const astro::Targets& t = targets.targets;
        if (t.eccentricity.empty() || t.precession.empty())
            std::abort(); // e and p, or a refusal; o rows may be absent
        for (const auto* periods : {&t.eccentricity, &t.obliquity, &t.precession})
            for (double p : *periods)
                if (!(p > 0) || !std::isfinite(p))
                    std::abort();
    } else if (targets.problem->text.empty()) {
        std::abort();
    }
    return 0;
}
