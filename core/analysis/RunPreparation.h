// The one way a run is prepared, for the window and the tool alike: the data file is read, the
// value column found, the series loaded and checked, resampled to even spacing when asked, and
// the parameters checked against it. The front ends only word the outcome for their medium.
#pragma once

#include "core/analysis/Provenance.h"
#include "core/analysis/RunParameters.h"
#include "core/series/Preparation.h"
#include "core/series/SeriesFile.h"

#include <cstddef>
#include <optional>
#include <string>

namespace analysis {

struct RunRequest {
    std::string file;
    std::string column = "1";   // a field number (positions are field 0) or a column title
    int skip = 1;               // header lines before the data
    bool interpolate = false;   // resample an unevenly spaced series to even spacing
    double interpolateStep = 0; // 0: the median spacing
    // An unevenly spaced series without interpolation is refused (a problem of resampling with
    // its spacings) instead of being analysed at the spacing of its first two positions; also
    // when the series alone is prepared (the astronomical test needs even spacing too).
    bool refuseUneven = false;
    RunParameters params;
    bool keepMean = false;
    series::Preparation preparation; // after resampling
    bool forMap = false;             // a map needs at least 2 windows and 2 frequency rows
    // One window the length of the prepared series, step 1; a transform length of 0 becomes
    // wholeRecordTransformLength of the series.
    bool wholeRecord = false;
    bool seriesOnly = false; // the series alone, for tuning: no analysis parameters checked
    // Settings in position units, converted once the spacing is known (0: not given): the
    // window and step rounded to whole samples, the highest frequency in cycles per unit.
    double windowLength = 0, stepLength = 0, fmaxPerUnit = 0;
};

struct Resampling {
    bool done = false;
    double step = 0;
    bool medianStep = true; // the step is the median spacing, not one that was asked for
    std::size_t before = 0, after = 0;
};

struct PreparedRun {
    series::Series series;                 // as the engine gets it
    Provenance provenance;                 // its parameters are those the run takes
    std::vector<std::string> columnTitles; // of the file's value columns, field 1 first
    SpacingReport spacing;                 // of the series as it was read
    Resampling resampling;
    std::vector<double> trend;  // removed by detrending, at the series' positions
    std::vector<double> fitted; // the values the trend was fitted to (after log)
    // The first problem found; when set, only provenance.input and columnTitles may be used.
    // Problem texts do not name the file: the front ends do, each in its own way.
    std::optional<Problem> problem;
    bool ok() const { return !problem; }
};

PreparedRun prepareRun(const RunRequest& request);

// prepareRun in two steps, so that a front end reads the file once and may ask the user between
// them: the file's text to its loaded series (column found, data lines read; no check yet), then
// every step after (checks, resampling, preparation, parameters) with the request as it is then.
PreparedRun readRun(const RunRequest& request, const std::string& text);
PreparedRun finishRun(const RunRequest& request, PreparedRun loaded);

// The spacing a loaded series will be analysed at: that of its first two positions when it is
// evenly spaced, else the interpolation step asked or the median spacing (0 for fewer than two
// samples).
double expectedSpacing(const PreparedRun& loaded, const RunRequest& request);

// The same steps for a series already in memory (request.file only names it in the provenance;
// the column and header lines are not used): its checks, resampling, preparation, parameters.
// Line numbers in messages are those the series carries.
PreparedRun prepareSeries(series::Series s, const RunRequest& request);

} // namespace analysis
