// Error records of the engine's numerical routines, in the manner of the IMSL library: a
// routine sets an error code and reports it with its six-character name; the computation
// goes on with a fill value. Codes 129..999 are terminal errors.
#pragma once

#include <string>

namespace engine {

// The 65-character record for a terminal error:
// " *** terminal error", 10 blanks, "(ier = ", ier in 3 columns, ") from imsl routine ", name.
std::string reperrRecord(int ier, const char name[6]);

// Writes the record of a terminal error to the diagnostic stream; other codes write nothing.
void reperr(int ier, const char name[6]);

} // namespace engine
