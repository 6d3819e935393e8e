// The intervals a track or a trace carries, as the ensemble draws from them: a track's
// rate_low, rate_high and mode_share (etimeopt), a trace's frequency_low and frequency_high
// (trace), with the window each row was measured in, read from the file's '#' block.
#pragma once

#include "core/tuning/RowDraws.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/TraceFile.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tuning {

// The window of a file's rows in position units, from its '#' block: "window: L position
// units, step S" (etimeopt's track) or "window: M samples" with "sample spacing: D" (a trace);
// nothing when the block says neither.
std::optional<double> rowWindowLength(const std::string& text);

// The rows with their intervals: centres (the rows' values), the columns' ends and the main
// mode's share (1 where the file has no mode_share or NA). An interval that misses its value by
// less than 25 % (an interval between the grid's rates, the value on the grid) is stretched to
// hold it; a row whose interval is NA or lies further off takes the median widths of the others
// (counted in `widened`). Why not,
// naming the columns, when the file lacks them or no row has an interval; `what` names the
// rows ("track").
std::optional<RowSpread> spreadFrom(const std::vector<double>& position,
                                    const std::vector<double>& value,
                                    const std::map<std::string, std::vector<double>>& columns,
                                    const char* lowColumn, const char* highColumn, const char* what,
                                    std::string* why);

// Rows without intervals: each interval its value alone (the central model needs no more).
RowSpread pointSpread(const std::vector<double>& position, const std::vector<double>& value);

std::optional<RowSpread> rateSpread(const ReadRateTrack& t, std::string* why);
std::optional<RowSpread> frequencySpread(const ReadTrace& t, std::string* why);

} // namespace tuning
