// Bytes as the tab-separated files the tuning and the astronomical test read: a trace (with or
// without its flag column), a sedimentation-rate track, a list of target periods. Nothing may
// crash or read out of bounds; what is read back must be what the age model can use.
#include "core/astro/Targets.h"
#include "core/astro/TrackCheck.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string why;
    if (const auto trace = tuning::readTrace(text, &why)) {
        if (tuning::checkTrace(trace->trace))
            std::abort(); // a trace read back is one the age model takes
        tuning::frequencyAt(trace->trace, 0.5);
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
    if (!targets.problem)
        for (const auto* periods : {&targets.targets.eccentricity, &targets.targets.precession}) {
            if (periods->empty())
                std::abort(); // both kinds, or a refusal
            for (double p : *periods)
                if (!(p > 0) || !std::isfinite(p))
                    std::abort();
        }
    return 0;
}
