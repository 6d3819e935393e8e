#include "core/analysis/RunPreparation.h"

#include "core/text/NumberText.h"
#include "core/units/RecordUnits.h"

#include "engine/capacities.h"

#include <cmath>
#include <cstdint>

namespace analysis {

namespace {

std::optional<int> wholeNumber(const std::string& text) {
    const auto v = series::parseNumber(text);
    if (!v || *v != static_cast<double>(static_cast<std::int64_t>(*v)) || *v > 1e9 || *v < -1e9)
        return std::nullopt;
    return static_cast<int>(*v);
}

// The field number of the request's column, a number or a title in the line of titles; the
// column's title when the line names it.
std::optional<int> resolveColumn(const RunRequest& request, std::string_view titleLine,
                                 Problem& problem, std::string& name) {
    const auto fields = series::splitFields(titleLine);
    if (const auto n = wholeNumber(request.column)) {
        if (*n < 1) {
            problem = {Stage::Column, "field 0 holds the positions; value columns start at 1",
                       ParameterId::Column};
            return std::nullopt;
        }
        if (static_cast<std::size_t>(*n) < fields.size() && !series::parseNumber(fields[*n]))
            name = std::string(fields[*n]);
        return *n;
    }
    std::string names;
    for (std::size_t i = 1; i < fields.size(); ++i) {
        if (fields[i] == request.column) {
            name = request.column;
            return static_cast<int>(i);
        }
        names += (names.empty() ? "" : ", ") + std::string(fields[i]);
    }
    problem = {
        Stage::Column,
        "'" + request.column + "' is not a column name in the first line of " + request.file +
            (names.empty() ? " (it has no value columns)" : " (its columns are: " + names + ")"),
        ParameterId::Column};
    return std::nullopt;
}

std::optional<Problem> checkMapShape(const RunParameters& p, int npts) {
    const int windows = windowCount(p, npts);
    if (windows < 2)
        return Problem{Stage::Parameters,
                       "the settings give " + text::writtenNumber(windows) +
                           " window; the map needs at least 2 (shorten the "
                           "window of " +
                           text::writtenNumber(p.window) + " points or the step of " +
                           text::writtenNumber(p.step) + ")",
                       ParameterId::Step};
    const int rows = binCount(p);
    if (rows < 2)
        return Problem{Stage::Parameters,
                       "the settings give " + text::writtenNumber(rows) +
                           " frequency row; the map needs at least 2 (raise the "
                           "highest frequency or the number of FFT points)",
                       ParameterId::Fmax};
    return std::nullopt;
}

// Resamples an uneven series as asked; a problem when the result would not fit the engine.
std::optional<Problem> resample(const RunRequest& request, PreparedRun& run) {
    series::Series& s = run.series;
    const double step =
        request.interpolateStep > 0 ? request.interpolateStep : series::medianSpacing(s);
    const auto resampled = series::resampleEvenly(s, step, engine::NMAX);
    if (!resampled)
        return Problem{Stage::Resampling,
                       "resampling at spacing " + text::writtenNumber(step) + " would give " +
                           text::writtenNumber(series::resampledCount(s, step)) +
                           " samples; at most " + text::writtenNumber(engine::NMAX) +
                           " can be analysed",
                       ParameterId::Interpolate};
    run.resampling = {true, step, !(request.interpolateStep > 0), s.xpos.size(),
                      resampled->xpos.size()};
    s = *resampled;
    run.provenance.interpolation = "linear, to even spacing " + text::writtenNumber(step) + " (" +
                                   (run.resampling.medianStep ? "the median spacing" : "as asked") +
                                   "), from " + std::to_string(run.resampling.before) +
                                   " unevenly spaced samples";
    if (const auto problem = checkSeries(s))
        return Problem{problem->stage, "after interpolation: " + problem->text};
    return std::nullopt;
}

// The window, step and highest frequency asked in position units, as the run takes them; the
// text says what was asked and what it became.
std::string convertUnitLengths(const RunRequest& r, double deltat, RunParameters& q) {
    std::vector<std::string> done;
    if (r.windowLength > 0) {
        q.window = units::samplesIn(r.windowLength, deltat);
        done.push_back("window " + text::writtenNumber(r.windowLength) + " = " +
                       std::to_string(q.window) + " samples");
    }
    if (r.stepLength > 0) {
        q.step = units::samplesIn(r.stepLength, deltat);
        done.push_back("step " + text::writtenNumber(r.stepLength) + " = " +
                       std::to_string(q.step) + " samples");
    }
    if (r.fmaxPerUnit > 0) {
        q.fmax = r.fmaxPerUnit * deltat;
        done.push_back("highest frequency " + text::writtenNumber(r.fmaxPerUnit) +
                       " cycles per unit = " + text::writtenNumber(q.fmax) + " cycles per sample");
    }
    std::string text;
    for (const std::string& d : done)
        text += (text.empty() ? "" : ", ") + d;
    if (!text.empty())
        text += " (spacing " + text::writtenNumber(deltat) + ")";
    return text;
}

// A run with what the request says of its input and parameters, before the series is known.
PreparedRun startRun(const RunRequest& request) {
    PreparedRun run;
    Provenance& p = run.provenance;
    p.input = request.file;
    p.skip = request.skip;
    p.meanRemoved = !request.keepMean;
    p.params = request.params;
    return run;
}

// Every step once the series is in memory: its checks, resampling, preparation, parameters.
PreparedRun finishSteps(const RunRequest& request, PreparedRun run) {
    Provenance& p = run.provenance;
    if ((run.problem = checkSeries(run.series)))
        return run;
    run.spacing = checkSpacing(run.series);
    if (!run.spacing.even && !request.interpolate && request.refuseUneven) {
        const SpacingRange range = spacingRange(run.series);
        run.problem = Problem{Stage::Resampling, unevenSpacingText(range, "--interpolate "),
                              ParameterId::Interpolate, range};
        return run;
    }
    if (!run.spacing.even && request.interpolate && (run.problem = resample(request, run)))
        return run;
    if (request.preparation.any()) {
        series::PreparedValues prepared = series::prepareValues(
            request.preparation, run.series.xpos, run.series.yval, run.series.lines);
        if (prepared.problem) {
            run.problem = Problem{Stage::Preparation, *prepared.problem};
            using series::PreparationStep;
            switch (prepared.failedStep) {
            case PreparationStep::Log:
                run.problem->parameter = ParameterId::Log;
                break;
            case PreparationStep::Detrend:
                run.problem->parameter = ParameterId::Detrend;
                break;
            case PreparationStep::Standardise:
                run.problem->parameter = ParameterId::Standardise;
                break;
            case PreparationStep::Values:
                run.problem->field = SeriesField::Values;
                break;
            }
            return run;
        }
        run.series.yval = std::move(prepared.values);
        run.trend = std::move(prepared.trend);
        run.fitted = std::move(prepared.fitted);
        p.preparation = request.preparation.describe();
    }

    if ((run.problem = checkMagnitude(run.series)))
        return run;
    p.samples = static_cast<int>(run.series.xpos.size());
    p.deltat = sampleSpacing(run.series);
    if (!run.spacing.even && !run.resampling.done) {
        const SpacingRange range = spacingRange(run.series);
        p.spacingNote = "the spacing of the first two positions; the positions are not evenly "
                        "spaced (from " +
                        text::writtenNumber(range.smallest) + " to " +
                        text::writtenNumber(range.largest) + ")";
    }
    if (request.seriesOnly)
        return run;
    p.unitLengths = convertUnitLengths(request, p.deltat, p.params);
    if (request.wholeRecord) {
        p.params.window = p.samples;
        p.params.step = 1;
        if (p.params.nfft == 0)
            p.params.nfft = wholeRecordTransformLength(p.samples);
    }
    if ((run.problem = checkParameters(p.params, p.samples, p.deltat)))
        return run;
    if (request.forMap)
        run.problem = checkMapShape(p.params, p.samples);
    return run;
}

} // namespace

PreparedRun prepareRun(const RunRequest& request) {
    std::string why;
    const auto text = series::readText(request.file, &why);
    if (!text) {
        PreparedRun run = startRun(request);
        run.problem = Problem{Stage::File, why};
        return run;
    }
    PreparedRun run = readRun(request, *text);
    return run.problem ? run : finishSteps(request, std::move(run));
}

PreparedRun readRun(const RunRequest& request, const std::string& text) {
    PreparedRun run = startRun(request);
    Provenance& p = run.provenance;
    const std::string_view titles = series::titleLine(series::splitLines(text));
    run.columnTitles = series::columnTitles(titles, request.skip > 0);
    if (request.skip > 0) {
        const auto fields = series::splitFields(titles);
        if (!fields.empty() && !series::parseNumber(fields[0]))
            p.positionName = std::string(fields[0]);
    }
    Problem problem;
    const auto column = resolveColumn(request, titles, problem, p.columnName);
    if (!column) {
        run.problem = problem;
        return run;
    }
    p.column = *column;
    std::string why;
    const auto loaded = series::parseSeries(text, request.skip, *column, &why);
    if (!loaded) {
        run.problem = Problem{Stage::Data, why};
        return run;
    }
    run.series = *loaded;
    p.droppedLines = series::droppedLinesText(run.series.dropped);
    if (run.series.xpos.empty())
        run.problem = Problem{Stage::Data, series::explainEmptySeries(text, request.skip, *column)};
    return run;
}

PreparedRun prepareSeries(series::Series s, const RunRequest& request) {
    PreparedRun run = startRun(request);
    run.series = std::move(s);
    if (run.series.xpos.empty()) {
        run.problem = Problem{Stage::Data, "the series has no samples"};
        return run;
    }
    return finishSteps(request, std::move(run));
}

PreparedRun finishRun(const RunRequest& request, PreparedRun loaded) {
    // What the request says of its parameters may have changed since the series was read.
    PreparedRun run = startRun(request);
    run.series = std::move(loaded.series);
    run.columnTitles = std::move(loaded.columnTitles);
    run.provenance.positionName = std::move(loaded.provenance.positionName);
    run.provenance.columnName = std::move(loaded.provenance.columnName);
    run.provenance.column = loaded.provenance.column;
    run.provenance.droppedLines = std::move(loaded.provenance.droppedLines);
    return finishSteps(request, std::move(run));
}

double expectedSpacing(const PreparedRun& loaded, const RunRequest& request) {
    const series::Series& s = loaded.series;
    if (s.xpos.size() < 2)
        return 0;
    if (checkSpacing(s).even)
        return sampleSpacing(s);
    return request.interpolate && request.interpolateStep > 0 ? request.interpolateStep
                                                              : series::medianSpacing(s);
}

} // namespace analysis
