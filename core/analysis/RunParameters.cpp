#include "core/analysis/RunParameters.h"

#include "core/text/NumberText.h"
#include "engine/capacities.h"
#include "engine/diagnostics.h"
#include "engine/mwc2.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace analysis {

// The capacities core states for its front ends are the engine's.
static_assert(maxSamples == engine::NMAX && maxTransformLength == engine::NFMAX &&
                  maxTapers == engine::KMAX,
              "core/analysis/RunParameters.h must state the engine's capacities");

std::optional<WindowDetrend> parseWindowDetrend(const std::string& text) {
    for (const auto how : {WindowDetrend::None, WindowDetrend::Mean, WindowDetrend::Linear})
        if (text == windowDetrendName(how))
            return how;
    return std::nullopt;
}

const char* windowDetrendName(WindowDetrend how) {
    switch (how) {
    case WindowDetrend::Mean:
        return "mean";
    case WindowDetrend::Linear:
        return "linear";
    default:
        return "none";
    }
}

int wholeRecordTransformLength(int n) {
    int nfft = 1;
    while (nfft < 2 * n && nfft < (1 << 30))
        nfft *= 2;
    return nfft;
}

namespace {

// A parameter that does not fit the series or the other parameters.
Problem about(ParameterId id, std::string text) {
    return {Stage::Parameters, std::move(text), id};
}

} // namespace

std::optional<Problem> checkParameters(const RunParameters& p, int npts, double deltat) {
    using engine::Mwc2Status;
    const engine::Mwc2Check c =
        engine::mwc2check(p.tbw, p.fmax, deltat, npts, p.tapers, p.window, p.step, p.nfft);
    switch (c.status) {
    case Mwc2Status::Ok: {
        if (!(p.fmax > 0))
            return about(ParameterId::Fmax,
                         "highest frequency " + text::writtenNumber(p.fmax) +
                             " keeps no frequency above 0; it must be above 0 (at most 0.5 "
                             "cycles per sample)");
        // Four result arrays of windows x frequencies doubles, and the map's two matrices.
        const double cells = static_cast<double>(windowCount(p, npts)) * binCount(p);
        if (cells > maxResultCells)
            return about(ParameterId::Step,
                         "the settings give " + std::to_string(windowCount(p, npts)) +
                             " windows x " + std::to_string(binCount(p)) +
                             " frequencies = " + text::writtenNumber(cells) +
                             " results, more than the " + text::writtenNumber(maxResultCells) +
                             " that fit in memory; raise the window step, or lower the highest "
                             "frequency or the FFT points");
        return std::nullopt;
    }
    case Mwc2Status::BadNpts:
        if (npts < 1)
            return Problem{Stage::Series, "the series is empty"};
        return Problem{Stage::Series, "the series has " + std::to_string(npts) +
                                          " samples; at most " + std::to_string(engine::NMAX) +
                                          " can be analysed"};
    case Mwc2Status::BadMpts:
        if (p.window > npts)
            return about(ParameterId::Window, "window length " + std::to_string(p.window) +
                                                  " exceeds the " + std::to_string(npts) +
                                                  " samples of the series");
        return about(ParameterId::Window, "window length " + std::to_string(p.window) +
                                              " is below the minimum of 2 samples");
    case Mwc2Status::BadInc:
        return about(ParameterId::Step,
                     "window step " + std::to_string(p.step) + " must be at least 1 sample");
    case Mwc2Status::BadNfft:
        if (p.nfft < p.window)
            return about(ParameterId::Nfft, "transform length " + std::to_string(p.nfft) +
                                                " is shorter than the window length " +
                                                std::to_string(p.window));
        return about(ParameterId::Nfft, "transform length " + std::to_string(p.nfft) +
                                            " exceeds the maximum " +
                                            std::to_string(engine::NFMAX));
    case Mwc2Status::BadKspec:
        return about(ParameterId::Tapers, "number of tapers " + std::to_string(p.tapers) +
                                              " is outside 1 .. " +
                                              std::to_string(std::min(engine::KMAX, p.window)));
    case Mwc2Status::BadTbw:
        if (!std::isfinite(p.tbw))
            return about(ParameterId::Tbw, "time-bandwidth product " + text::writtenNumber(p.tbw) +
                                               " is not a number");
        return about(ParameterId::Tbw, "time-bandwidth product " + text::writtenNumber(p.tbw) +
                                           " gives a half-bandwidth of " +
                                           text::writtenNumber(p.tbw / p.window) +
                                           " cycles per sample, which must lie between 0 and 0.5; "
                                           "with a window of " +
                                           std::to_string(p.window) +
                                           " samples the product must lie above 0 and below " +
                                           text::writtenNumber(p.window / 2.0));
    case Mwc2Status::BadFmax:
        return about(ParameterId::Fmax,
                     "highest frequency " + text::writtenNumber(p.fmax) + " is not a number");
    case Mwc2Status::BadDeltat:
        return Problem{Stage::Spacing, "sample spacing " + text::writtenNumber(deltat) +
                                           " (second position minus first) must be above 0"};
    default:
        return Problem{Stage::Series, c.message};
    }
}

double sampleSpacing(const series::Series& s) {
    return s.xpos.size() >= 2 ? s.xpos[1] - s.xpos[0] : 1.0;
}

std::optional<Problem> checkSeries(const series::Series& s) {
    const std::size_t n = s.xpos.size();
    if (n < 2)
        return Problem{Stage::Series, n == 0 ? "no data line holds a position and a value"
                                             : "only one data line holds a position and a value"};
    if (n > static_cast<std::size_t>(engine::NMAX))
        return Problem{Stage::Series, "the series has " + std::to_string(n) + " samples; at most " +
                                          std::to_string(engine::NMAX) + " can be analysed"};
    for (std::size_t i = 0; i < n; ++i) {
        const std::string where = "line " + std::to_string(s.lines[i]);
        if (!std::isfinite(s.yval[i]))
            return Problem{Stage::Series,
                           where + " holds the value " + text::writtenNumber(s.yval[i]) +
                               ", which is not a finite number",
                           std::nullopt, std::nullopt, SeriesField::Values};
        if (!std::isfinite(s.xpos[i]))
            return Problem{Stage::Series,
                           where + " holds the position " + text::writtenNumber(s.xpos[i]) +
                               ", which is not a finite number",
                           std::nullopt, std::nullopt, SeriesField::Positions};
        if (i > 0 && !(s.xpos[i] > s.xpos[i - 1]))
            return Problem{Stage::Spacing, "positions must increase, but " + where + " (position " +
                                               text::writtenNumber(s.xpos[i]) +
                                               ") does not follow line " +
                                               std::to_string(s.lines[i - 1]) + " (position " +
                                               text::writtenNumber(s.xpos[i - 1]) + ")"};
    }
    return std::nullopt;
}

std::optional<Problem> checkMagnitude(const series::Series& s) {
    for (std::size_t i = 0; i < s.yval.size(); ++i)
        if (std::fabs(s.yval[i]) > largestValue)
            return Problem{Stage::Series,
                           "line " + std::to_string(s.lines[i]) + " holds the value " +
                               text::writtenNumber(s.yval[i]) +
                               ", too large to analyse (beyond 1e100 in size the spectra "
                               "overflow); rescale the values, for example divide them by a "
                               "power of ten, and run again",
                           std::nullopt, std::nullopt, SeriesField::Values};
    return std::nullopt;
}

SpacingRange spacingRange(const series::Series& s) {
    SpacingRange r;
    r.median = series::medianSpacing(s);
    r.smallest = r.largest = sampleSpacing(s);
    for (std::size_t i = 1; i < s.xpos.size(); ++i) {
        r.smallest = std::min(r.smallest, s.xpos[i] - s.xpos[i - 1]);
        r.largest = std::max(r.largest, s.xpos[i] - s.xpos[i - 1]);
    }
    return r;
}

std::string unevenSpacingText(const SpacingRange& s, const std::string& option) {
    const auto six = [](double v) {
        char text[32];
        std::snprintf(text, sizeof text, "%.6g", v);
        return std::string(text);
    };
    return "the positions are not evenly spaced (spacing from " + six(s.smallest) + " to " +
           six(s.largest) + ", median " + six(s.median) +
           "); an analysis needs even spacing: resample it with " + option + six(s.median) +
           " (the median spacing) or another step";
}

SpacingReport checkSpacing(const series::Series& s) {
    SpacingReport r;
    r.deltat = sampleSpacing(s);
    for (std::size_t i = 1; i < s.xpos.size(); ++i) {
        const double dev = std::fabs((s.xpos[i] - s.xpos[i - 1]) - r.deltat);
        if (dev > r.largestDeviation) {
            r.largestDeviation = dev;
            r.line = s.lines[i];
        }
    }
    if (r.largestDeviation > 1e-6 * std::fabs(r.deltat)) {
        r.even = false;
        r.detail = "the spacing is taken as " + text::writtenNumber(r.deltat) +
                   " (the first two positions), and the spacing ending at line " +
                   std::to_string(r.line) + " deviates from it by " +
                   text::writtenNumber(r.largestDeviation);
        r.text = "the positions are not evenly spaced: " + r.detail;
    }
    return r;
}

int windowCount(const RunParameters& p, int npts) {
    return engine::mwc2Windows(npts, p.window, p.step);
}

int binCount(const RunParameters& p) {
    return engine::mwc2Bins(p.nfft, p.fmax);
}

} // namespace analysis
