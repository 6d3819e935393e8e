// How a series was turned into the run's input, as every result file records it.
#pragma once

#include "core/analysis/RunParameters.h"

#include <string>

namespace analysis {

struct Provenance {
    std::string input;        // the data file
    int column = 1;           // field number of the values (positions are field 0)
    std::string columnName;   // its header name, when there is one
    std::string positionName; // the header name of the positions (field 0), when there is one
    int skip = 1;
    std::string droppedLines; // empty: none; else series::droppedLinesText of the file's
    int samples = 0;
    double deltat = 1.0;
    std::string spacingNote; // empty: even spacing; else how an uneven one was taken
    bool meanRemoved = true;
    RunParameters params;
    std::string interpolation; // empty: none; else how the series was resampled
    std::string preparation;   // empty: none; else the steps applied to the values
    std::string unitLengths;   // empty: none; else the settings given in position units
};

} // namespace analysis
