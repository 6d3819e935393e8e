#include "core/tuning/TraceFile.h"

#include "core/results/ResultFiles.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"
#include "core/tuning/PiecewiseLinear.h"

#include <cmath>

namespace tuning {

namespace {

// The block's words the reader looks for: the period's line and the number after W.
const char* const periodLine = "period of the traced cycle";
const char* const halfBandwidthWords = "the half-bandwidth W = ";

// The positive number that follows `after` in the first '#' line starting "# <name>: ", up to
// the next space or the line's end; 0 when there is none.
double blockNumber(const std::string& text, const std::string& name, const std::string& after) {
    const std::string start = "# " + name + ": ";
    for (const std::string_view line : series::splitLines(text)) {
        if (line.rfind(start, 0) != 0)
            continue;
        const std::size_t at = line.find(after, start.size());
        if (at == std::string_view::npos)
            return 0;
        std::string_view number = line.substr(at + after.size());
        number = number.substr(0, number.find(' '));
        const auto value = series::parseNumber(number);
        return value && *value > 0 && std::isfinite(*value) ? *value : 0;
    }
    return 0;
}

} // namespace

std::string traceText(const analysis::Provenance& p, const TraceStart& start,
                      const std::vector<TracePoint>& trace) {
    results::HeaderBlock h = results::headerBlock(p, "traced line");
    h.line("trace start",
           "position " + text::writtenNumber(start.position) + ", frequency " +
               text::writtenNumber(start.frequency) +
               (start.startedAt > 0 ? "; started at the nearest peak of the criterion, frequency " +
                                          text::writtenNumber(start.startedAt)
                                    : std::string()));
    h.line("trace band", text::writtenNumber(start.band) +
                             " cycles per position unit around the previous window's frequency");
    h.line("trace criterion", std::string("largest ") + traceByName(start.by) + ", never below " +
                                  halfBandwidthWords +
                                  text::writtenNumber(p.params.tbw / (p.params.window * p.deltat)) +
                                  " cycles per position unit");
    if (start.period > 0)
        h.line(periodLine,
               text::writtenNumber(start.period) + " (the positions are ages in its unit)");
    h.line("flag", std::string(start.period > 0 ? "drift (the frequency departs from 1 / period by "
                                                  "more than W: no longer the cycle), "
                                                : "") +
                       "jump (moved more than half the band's half-width from the window it was "
                       "followed from), edge (on the edge of the band: the line may have left it), "
                       "weak (probability below " +
                       text::writtenNumber(start.level) + "), else ok");
    h.line("frequency interval",
           text::writtenNumber(100 * start.interval) +
               " % for the line's frequency in its window: least squares of the line on the "
               "window's eigencoefficients (Thomson 1982), the likelihood-ratio interval with "
               "Student's t on 2K - 3 degrees of freedom (Beale 1960), stretched to hold the "
               "bin; NA with fewer than 2 tapers");
    std::string t = h.text() + "x_centre\tfrequency\tperiod\tamplitude\tprobability\tflag\t"
                               "frequency_low\tfrequency_high\n";
    const auto number = [](double v) { return std::isfinite(v) ? text::exactNumber(v) : "NA"; };
    for (const TracePoint& q : trace) {
        for (double v : {q.centre, q.frequency, q.frequency > 0 ? 1.0 / q.frequency : 0.0,
                         q.amplitude, q.probability})
            t += text::exactNumber(v) + "\t";
        t += std::string(traceFlagName(q.flag)) + "\t" + number(q.frequencyLow) + "\t" +
             number(q.frequencyHigh) + "\n";
    }
    return t;
}

results::HeaderBlock modelHeader(const analysis::Provenance& p, const std::string& what) {
    results::HeaderBlock h(what);
    h.source(p);
    if (!p.preparation.empty())
        h.line("preparation", p.preparation);
    return h;
}

results::HeaderBlock tuningHeader(const analysis::Provenance& p, const std::string& traceName,
                                  double period, double startAge, double step) {
    results::HeaderBlock h = modelHeader(p, "age model from a traced cycle");
    h.line("trace", traceName);
    h.line("period", text::writtenNumber(period));
    h.line("start age", text::writtenNumber(startAge));
    h.line("step", step > 0 ? text::writtenNumber(step) : std::string("none"));
    h.note("age(z) = start age + period x integral of the traced frequency from the first sample; "
           "sedimentation rate = 1 / (period x frequency)");
    return h;
}

std::string ageModelText(results::HeaderBlock header, const AgeModel& m,
                         const AgeModelTable& table) {
    if (!table.rateUnit.empty())
        header.line("sedimentation_rate", table.rateUnit);
    std::string t = header.text();
    const bool cm = table.cmPerKyr > 0;
    const AgeBand* band = table.band && !table.band->low.empty() ? table.band : nullptr;
    t += std::string("position\tage\tsedimentation_rate") +
         (cm ? "\tsedimentation_rate_cm_per_kyr" : "") +
         (band ? "\tage_low\tage_median\tage_high" : "") + "\n";
    for (std::size_t i = 0; i < m.position.size(); ++i) {
        t += text::exactNumber(m.position[i]) + "\t" + text::exactNumber(m.age[i]) + "\t" +
             text::exactNumber(m.rate[i]);
        if (cm)
            t += "\t" + text::exactNumber(m.rate[i] * table.cmPerKyr);
        if (band)
            for (const std::vector<double>* v : {&band->low, &band->median, &band->high})
                t += "\t" + text::exactNumber((*v)[i]);
        t += "\n";
    }
    return t;
}

std::string tunedSeriesText(const results::HeaderBlock& header, const TunedSeries& s,
                            const std::string& title) {
    std::string t = header.text() + "age\t" + (title.empty() ? std::string("value") : title) + "\n";
    for (std::size_t i = 0; i < s.age.size(); ++i)
        t += text::exactNumber(s.age[i]) + "\t" + text::exactNumber(s.value[i]) + "\n";
    return t;
}

bool tuningFinite(const AgeModel& m, const TunedSeries& s) {
    for (const std::vector<double>* v : {&m.age, &m.rate, &s.age, &s.value})
        for (double x : *v)
            if (!std::isfinite(x))
                return false;
    return true;
}

bool flagDriftedRows(ReadTrace& t, double period) {
    if (!(t.halfBandwidth > 0))
        return false;
    t.flags.resize(t.trace.frequency.size(), TraceFlag::Ok);
    for (std::size_t i = 0; i < t.flags.size(); ++i)
        if (drifts(t.trace.frequency[i], period, t.halfBandwidth))
            t.flags[i] = TraceFlag::Drift;
    return true;
}

std::optional<std::string> flaggedRowsProblem(const ReadTrace& t, const std::string& accept) {
    constexpr int named = 5;
    int count = 0;
    bool drift = false;
    std::string where;
    for (std::size_t i = 0; i < t.flags.size(); ++i) {
        if (t.flags[i] != TraceFlag::Jump && t.flags[i] != TraceFlag::Edge &&
            t.flags[i] != TraceFlag::Drift)
            continue;
        drift = drift || t.flags[i] == TraceFlag::Drift;
        if (++count <= named)
            where += std::string(count > 1 ? ", " : "") + "x_centre " +
                     text::writtenNumber(t.trace.position[i]) + " (line " +
                     std::to_string(t.lines[i]) + ", " + traceFlagName(t.flags[i]) + ")";
    }
    if (count == 0)
        return std::nullopt;
    return std::to_string(count) + (count > 1 ? " rows of the trace are" : " row of the trace is") +
           " flagged " + (drift ? "jump, edge or drift: " : "jump or edge: ") + where +
           (count > named ? ", ..." : "") +
           (drift ? "; the line may have jumped to another cycle, left the search band or "
                    "drifted from its period (the positions are ages, and a cycle keeps its "
                    "frequency 1 / period within the half-bandwidth W)"
                  : "; the line may have jumped to another cycle or left the search band") +
           ", and the age model would follow it; trace it again (another start or band), or "
           "give " +
           accept + " to use it as it is";
}

std::optional<ReadTrace> readTrace(const std::string& text, std::string* why) {
    const OptionalColumn flag{"flag",
                              [](const std::string& t) { return parseTraceFlag(t).has_value(); },
                              "holds no flag (ok, weak, edge, jump or drift)"};
    auto rows = readPiecewise(text, traceWords, "frequency", flag, why,
                              {"frequency_low", "frequency_high"});
    if (!rows)
        return std::nullopt;
    ReadTrace r{{std::move(rows->position), std::move(rows->value)},
                std::move(rows->lines),
                {},
                std::move(rows->numbers)};
    for (const std::string& f : rows->extra)
        r.flags.push_back(*parseTraceFlag(f));
    r.period = blockNumber(text, periodLine, "");
    r.halfBandwidth = blockNumber(text, "trace criterion", halfBandwidthWords);
    return r;
}

} // namespace tuning
