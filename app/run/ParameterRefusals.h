// A refused parameter as the window names it: by its Preferences label from the parameter
// catalogue, so that the user finds the field to change.
#pragma once

#include "core/analysis/RunParameters.h"

#include <QString>

// The problem's text, led by the Preferences label of the parameter at fault when there is one:
// "Number of tapers: number of tapers 11 is outside 1 .. 10".
QString refusalNamingPreference(const analysis::Problem& problem);
