#include "core/service/CycleReadings.h"

#include "core/analysis/RunPreparation.h"
#include "core/astro/TimeOpt.h"
#include "core/astro/TraceReading.h"
#include "core/tuning/AgeEnsemble.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace service {

namespace {

tuning::RowSpread unread(tuning::RowSpread s, const std::string& why) {
    s.readings = "not read: " + why;
    return s;
}

int rowStep(const std::vector<double>& position, double spacing) {
    std::vector<double> gaps;
    for (std::size_t i = 1; i < position.size(); ++i)
        gaps.push_back(position[i] - position[i - 1]);
    if (gaps.empty())
        return 1;
    return std::max(1, static_cast<int>(std::lround(tuning::quantile(gaps, 0.5) / spacing)));
}

} // namespace

tuning::RowSpread withTraceReadings(const std::vector<double>& z, const std::vector<double>& y,
                                    tuning::RowSpread spread, double period, double metresPerUnit,
                                    const Execution& execution) {
    if (z.size() < 2 || spread.position.empty() || !(spread.windowLength > 0))
        return unread(std::move(spread), "no window to read the lines in");
    using analysis::ParameterId;
    analysis::RunRequest request;
    request.file = "the series";
    request.refuseUneven = true;
    request.seriesOnly = true;
    series::Series s{z, y, std::vector<int>(z.size()), {}};
    std::iota(s.lines.begin(), s.lines.end(), 1); // the samples counted from 1, as lines
    const analysis::PreparedRun run = analysis::prepareSeries(std::move(s), request);
    if (!run.ok())
        return unread(std::move(spread), "the samples are not evenly spaced");
    const double spacing = run.provenance.deltat;
    astro::TimeOptSettings settings;
    settings.metresPerUnit = metresPerUnit;
    const double step = rowStep(spread.position, spacing) * spacing;
    RunControl control;
    const astro::EvolutiveTimeOpt e = evolutiveTimeOpt(run.series, settings, spread.windowLength,
                                                       step, control, execution.workers);
    if (e.problem)
        return unread(std::move(spread),
                      "the astronomical test in the rows' windows: " + e.problem->text);
    std::vector<double> frequency;
    for (const tuning::RowMode& m : spread.main)
        frequency.push_back(m.value);
    const auto read = astro::readTracedCycle(spread.position, frequency, e, period, metresPerUnit,
                                             settings.targets);
    return astro::withCycleReadings(std::move(spread), read, period, settings.targets);
}

} // namespace service
