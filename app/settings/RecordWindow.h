// The window in the record's own units: its length, step and highest frequency as the record
// measures them. With "Keep the Window in the Record's Units" on, a record of another spacing
// is analysed with the same physical window: the run derives its samples from these and
// writes them to the sample-based preferences.
#pragma once

#include <QString>

#include <optional>

namespace RecordWindow {

extern const char* const keepKey; // "keepWindowInRecordUnits", off by default

struct Physical {
    double length = 0;      // position units
    double step = 0;        // position units
    double fmaxPerUnit = 0; // cycles per position unit
};

bool keep();
void setKeep(bool on);

// The physical window last stated or run; none before the first.
std::optional<Physical> stored();
void store(const Physical& window);

// The sample-based preferences as lengths at this spacing.
Physical inUnitsOf(double spacing);

} // namespace RecordWindow
