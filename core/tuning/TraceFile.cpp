#include "core/tuning/TraceFile.h"

#include "core/results/ResultFiles.h"
#include "core/series/SeriesFile.h"

namespace tuning {

std::string traceText(const analysis::Provenance& p, const TraceStart& start,
                      const std::vector<TracePoint>& trace) {
    const auto num = [](double v) {
        std::string s;
        results::appendNumber(s, v);
        return s;
    };
    std::string t = results::headerBlock(p, "traced line");
    t += "# trace start: position " + num(start.position) + ", frequency " + num(start.frequency) +
         "\n";
    t += "# trace band: " + num(start.band) +
         " cycles per position unit around the previous "
         "window's frequency\n";
    t += std::string("# trace criterion: largest ") + traceByName(start.by) + "\n";
    t += "x_centre\tfrequency\tperiod\tamplitude\tprobability\n";
    for (const TracePoint& q : trace) {
        for (double v :
             {q.centre, q.frequency, q.frequency > 0 ? 1.0 / q.frequency : 0.0, q.amplitude})
            t += num(v) + "\t";
        t += num(q.probability) + "\n";
    }
    return t;
}

std::optional<ReadTrace> readTrace(const std::string& text, std::string* why) {
    const auto fail = [&](std::string reason) -> std::optional<ReadTrace> {
        if (why)
            *why = std::move(reason);
        return std::nullopt;
    };
    const auto lines = series::splitLines(text);
    int xColumn = -1, fColumn = -1;
    ReadTrace r;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto fields = series::splitFields(lines[i]);
        if (fields.empty() || fields[0].front() == '#')
            continue;
        const int line = static_cast<int>(i + 1);
        if (xColumn < 0) {
            for (std::size_t c = 0; c < fields.size(); ++c) {
                if (fields[c] == "x_centre")
                    xColumn = static_cast<int>(c);
                if (fields[c] == "frequency")
                    fColumn = static_cast<int>(c);
            }
            if (xColumn < 0 || fColumn < 0)
                return fail("line " + std::to_string(line) +
                            ": the trace needs columns named x_centre and frequency");
            continue;
        }
        const std::size_t need = static_cast<std::size_t>(std::max(xColumn, fColumn));
        const auto x = need < fields.size() ? series::parseNumber(fields[xColumn]) : std::nullopt;
        const auto f = need < fields.size() ? series::parseNumber(fields[fColumn]) : std::nullopt;
        if (!x || !f)
            return fail("line " + std::to_string(line) +
                        " of the trace does not hold numbers in x_centre and frequency");
        r.trace.position.push_back(*x);
        r.trace.frequency.push_back(*f);
        r.lines.push_back(line);
    }
    if (xColumn < 0)
        return fail("the trace holds no header line with x_centre and frequency");
    if (const auto problem = checkTrace(r.trace, &r.lines))
        return fail(*problem);
    return r;
}

} // namespace tuning
