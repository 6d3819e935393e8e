// tonalith-cli trace and tune: a spectral line followed through the windows, and the age
// model and tuned series it gives.
#include "cli/Commands.h"
#include "cli/TuneWriting.h"

#include "core/astro/TrackCheck.h"
#include "core/io/AtomicFile.h"
#include "core/results/ResultFiles.h"
#include "core/series/SeriesFile.h"
#include "core/service/AnalysisService.h"
#include "core/text/NumberText.h"
#include "core/tuning/AgeModel.h"
#include "core/tuning/LineTrace.h"
#include "core/tuning/RowIntervals.h"
#include "core/tuning/TraceFile.h"
#include "core/units/RecordUnits.h"

#include <algorithm>
#include <cmath>

namespace cli {

namespace {

bool writeText(const std::string& path, const std::string& text) {
    std::string why;
    if (!io::AtomicFile::writeWhole(path, text, &why)) {
        complain(why);
        return false;
    }
    return true;
}

} // namespace

int runTrace(const AnalyzeOptions& o) {
    series::Series s;
    results::ResultSet r;
    if (const int status = loadChecked(o, s, r.provenance))
        return status;
    const double first = s.xpos.front(), last = s.xpos.back();
    const double highest = r.provenance.params.fmax / r.provenance.deltat;
    if (o.startPosition < std::min(first, last) || o.startPosition > std::max(first, last)) {
        complain("--start: the position " + text::writtenNumber(o.startPosition) +
                 " lies outside the record (" + text::writtenNumber(first) + " to " +
                 text::writtenNumber(last) + ")");
        return EXIT_BAD_INPUT;
    }
    if (o.startFrequency > highest) {
        complain("--start: the frequency " + text::writtenNumber(o.startFrequency) +
                 " lies above the highest frequency of the map (" + text::writtenNumber(highest) +
                 " cycles per position unit)");
        return EXIT_BAD_INPUT;
    }
    if (const int status = analyseLoaded(o, s, r))
        return status;
    const double band = o.band > 0 ? o.band : tuning::halfBandwidth(r) / 2;
    const int window = tuning::nearestWindow(r, o.startPosition);
    const int bin = tuning::startBin(r, window, o.startFrequency, band, o.traceBy);
    std::vector<tuning::TracePoint> trace =
        tuning::traceLine(r, window, bin, band, o.traceBy, o.level);
    if (o.period > 0)
        tuning::flagDrift(trace, o.period, tuning::halfBandwidth(r));
    service::Execution execution;
    execution.diagnostics = stderr;
    execution.quiet = o.quiet;
    service::addTraceIntervals(trace, r, o.interval, execution);
    const tuning::TraceStart start{o.startPosition,  o.startFrequency, band,     o.traceBy,
                                   r.frequency(bin), o.level,          o.period, o.interval};
    return writeText(o.output, tuning::traceText(r.provenance, start, trace))
               ? 0
               : EXIT_ANALYSIS_FAILED;
}

int runTune(const AnalyzeOptions& o) {
    series::Series s;
    analysis::Provenance p;
    if (const int status = loadChecked(o, s, p, LoadFor::SeriesOnly))
        return status;
    std::string why;
    const auto text = series::readText(o.traceFile, &why);
    if (!text) {
        complain("--trace: cannot read " + o.traceFile + ": " + why);
        return EXIT_BAD_INPUT;
    }
    auto trace = tuning::readTrace(*text, &why);
    if (!trace) {
        complain("--trace " + o.traceFile + ": " + why);
        return EXIT_BAD_INPUT;
    }
    // Positions that are ages (the trace says so, or the record's position title names a time
    // unit): a cycle keeps its period, so rows off 1 / period are refused as drifted.
    if (trace->period > 0 || units::isTime(units::guessUnit(p.positionName)))
        tuning::flagDriftedRows(*trace, o.period);
    if (!o.acceptFlags)
        if (const auto flagged = tuning::flaggedRowsProblem(*trace, "--accept-flags")) {
            complain("--trace " + o.traceFile + ": " + *flagged);
            return EXIT_BAD_INPUT;
        }
    const auto metres = units::metresPer(o.positionsIn);
    if (!metres) {
        complain("--positions-in: '" + o.positionsIn + "' is not a unit; give m, cm or mm");
        return EXIT_BAD_INPUT;
    }
    // The trace held against the astronomical test's track: its period must be the line's at
    // the test's rate.
    std::vector<astro::TrackMismatch> mismatched;
    if (!o.checkTrack.empty()) {
        const auto trackText = series::readText(o.checkTrack, &why);
        const auto track = trackText ? tuning::readRateTrack(*trackText, &why) : std::nullopt;
        if (!track) {
            complain("--check-track " + o.checkTrack + ": " + why);
            return EXIT_BAD_INPUT;
        }
        mismatched =
            astro::checkTraceAgainstTrack(trace->trace, o.period, track->track, *metres, {});
        if (!mismatched.empty() && !o.acceptFlags) {
            complain("--check-track " + o.checkTrack + ": " +
                     astro::mismatchText(mismatched, trace->lines, o.period) +
                     "; trace the line the period belongs to, or give --accept-flags to use "
                     "this trace as it is");
            return EXIT_BAD_INPUT;
        }
    }
    results::HeaderBlock block =
        tuning::tuningHeader(p, o.traceFile, o.period, o.startAge, o.tuneStep);
    if (!o.checkTrack.empty())
        block.line("checked against track",
                   o.checkTrack +
                       (mismatched.empty()
                            ? std::string(": every row agrees")
                            : ": " + astro::mismatchText(mismatched, trace->lines, o.period)));
    TuneRows rows;
    rows.option = "--trace";
    rows.fileName = o.traceFile;
    rows.fileText = *text;
    if (const auto spread = tuning::frequencySpread(*trace, &rows.noIntervals))
        rows.spread = *spread;
    else
        rows.spread = tuning::pointSpread(trace->trace.position, trace->trace.frequency);
    rows.how = {tuning::RowIntegral::Kind::Frequency, o.period, o.ensemble.periodSd, *metres};
    rows.quantity = "frequency";
    rows.title = p.columnName;
    rows.unfinite = "the age model is not finite for this trace and period; nothing was written";
    return writeTuning(o, s, std::move(rows), block, {});
}

} // namespace cli
