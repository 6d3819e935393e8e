// The points of a trace flagged as a possible jump to another line (jump or edge) or, on a
// record whose positions are ages, as drifted from the cycle's period, in words: the tracing bar
// lists them and the age model names them before it follows such a trace.
#pragma once

#include "core/tuning/LineTrace.h"

#include <QString>

#include <vector>

// Flagged jump, edge or drift: the line may have left the one the trace started on.
bool isFlagged(const tuning::TracePoint& p);

int flaggedCount(const std::vector<tuning::TracePoint>& trace);

// The flags a message names: "jump or edge", or "jump, edge or drift" when a point drifted.
QString flaggedKinds(const std::vector<tuning::TracePoint>& trace);
// What the flagged points may mean: "jumped to another cycle or left the search band", and
// the drift's meaning when a point drifted.
QString flaggedMeaning(const std::vector<tuning::TracePoint>& trace);

// The flagged points by window centre and flag, the first `named` of them ("12.5 (jump),
// 37.5 (edge), ..."); named < 0: all of them.
QString flaggedWindows(const std::vector<tuning::TracePoint>& trace, int named);

// A point's flag as it stands at `level`: jump, edge and drift kept, ok or weak by its
// probability.
void flagByLevel(tuning::TracePoint& p, double level);
