// The cycle each row of a trace is (core/astro/TraceReading.h), from the astronomical test at
// its defaults in windows of the rows' length stepped as the rows are, each row taking the
// window centred nearest it.
#pragma once

#include "core/service/AnalysisService.h"
#include "core/tuning/RowDraws.h"

#include <vector>

namespace service {

// spread (a trace's rows, frequencies in cycles per position unit, spread.windowLength set) with
// the rows read as another cycle than `period` given that reading as a further mode; positions
// in metresPerUnit metres. The series z, y must be evenly spaced: otherwise, or when its windows
// cannot be analysed, the rows are left as they are and spread.readings says why.
tuning::RowSpread withTraceReadings(const std::vector<double>& z, const std::vector<double>& y,
                                    tuning::RowSpread spread, double period, double metresPerUnit,
                                    const Execution& execution = {});

} // namespace service
