#include "core/tuning/TraceFile.h"

#include "core/results/ResultFiles.h"
#include "core/series/SeriesFile.h"
#include "core/text/NumberText.h"
#include "core/tuning/PiecewiseLinear.h"

#include <cmath>

namespace tuning {

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
    h.line("trace criterion", std::string("largest ") + traceByName(start.by) +
                                  ", never below the half-bandwidth W = " +
                                  text::writtenNumber(p.params.tbw / (p.params.window * p.deltat)) +
                                  " cycles per position unit");
    h.line("flag", "jump (moved more than half the band's half-width from the window it was "
                   "followed from), edge (on the edge of the band: the line may have left it), "
                   "weak (probability below " +
                       text::writtenNumber(start.level) + "), else ok");
    std::string t = h.text() + "x_centre\tfrequency\tperiod\tamplitude\tprobability\tflag\n";
    for (const TracePoint& q : trace) {
        for (double v : {q.centre, q.frequency, q.frequency > 0 ? 1.0 / q.frequency : 0.0,
                         q.amplitude, q.probability})
            t += text::exactNumber(v) + "\t";
        t += std::string(traceFlagName(q.flag)) + "\n";
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
    t += cm ? "position\tage\tsedimentation_rate\tsedimentation_rate_cm_per_kyr\n"
            : "position\tage\tsedimentation_rate\n";
    for (std::size_t i = 0; i < m.position.size(); ++i) {
        t += text::exactNumber(m.position[i]) + "\t" + text::exactNumber(m.age[i]) + "\t" +
             text::exactNumber(m.rate[i]);
        if (cm)
            t += "\t" + text::exactNumber(m.rate[i] * table.cmPerKyr);
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

std::optional<std::string> flaggedRowsProblem(const ReadTrace& t, const std::string& accept) {
    constexpr int named = 5;
    int count = 0;
    std::string where;
    for (std::size_t i = 0; i < t.flags.size(); ++i) {
        if (t.flags[i] != TraceFlag::Jump && t.flags[i] != TraceFlag::Edge)
            continue;
        if (++count <= named)
            where += std::string(count > 1 ? ", " : "") + "x_centre " +
                     text::writtenNumber(t.trace.position[i]) + " (line " +
                     std::to_string(t.lines[i]) + ", " + traceFlagName(t.flags[i]) + ")";
    }
    if (count == 0)
        return std::nullopt;
    return std::to_string(count) + (count > 1 ? " rows of the trace are" : " row of the trace is") +
           " flagged jump or edge: " + where + (count > named ? ", ..." : "") +
           "; the line may have jumped to another cycle or left the search band, and the age "
           "model would follow it; trace it again (another start or band), or give " +
           accept + " to use it as it is";
}

std::optional<ReadTrace> readTrace(const std::string& text, std::string* why) {
    const OptionalColumn flag{"flag",
                              [](const std::string& t) { return parseTraceFlag(t).has_value(); },
                              "holds no flag (ok, weak, edge or jump)"};
    auto rows = readPiecewise(text, traceWords, "frequency", flag, why);
    if (!rows)
        return std::nullopt;
    ReadTrace r{{std::move(rows->position), std::move(rows->value)}, std::move(rows->lines), {}};
    for (const std::string& f : rows->extra)
        r.flags.push_back(*parseTraceFlag(f));
    return r;
}

} // namespace tuning
