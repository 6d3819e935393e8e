// The module's analyses of a prepared run, handed to the analysis service on a cancellable
// thread of their own; a run the service could not finish raises RuntimeError with its words.
#pragma once

#include "core/analysis/RunPreparation.h"
#include "core/results/ResultSet.h"
#include "core/spectrum/WholeRecord.h"

namespace pymodule {

// The evolutive analysis of run's series with the run's settings; `workers` threads for the
// windows (0: one per core).
results::ResultSet evolutiveAnalysis(const analysis::PreparedRun& run, int workers);

// The whole record's spectrum of run's series with the run's settings and that background.
spectrum::WholeRecord wholeRecordAnalysis(const analysis::PreparedRun& run, bool keepMean,
                                          spectrum::BackgroundKind background);

} // namespace pymodule
