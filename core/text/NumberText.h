// Numbers as text, the one way every file, header and message of the project writes them: two
// forms, each with its own name, so that a reader knows which one a line holds.
#pragma once

#include <string>

namespace text {

// Exact: the shortest text that reads back to the same double ("0.1", "1e-300"); infinities as
// "inf" and "-inf". For data columns and every value a file or a message must give back
// exactly.
std::string exactNumber(double v);
void appendExactNumber(std::string& out, double v);
// Exact, whole numbers written in full (100000, not the shorter 1e+05): the limits and defaults
// the options name.
std::string exactNumberInFull(double v);

// Display: v to `digits` significant digits, without trailing zeros or floating-point noise
// (0.009999999999990905 reads "0.01", 155.99999999999818 reads "156"). For labels, header
// lines and messages, where a person reads the number.
std::string displayNumber(double v, int digits = 6);
// Written: as a person writes the number, to 10 significant digits: the noise of arithmetic
// goes (1.999999999998 reads "2", 0.009999999999990905 reads "0.01") and every digit a user
// typed stays. For settings, header lines and messages that give back a value.
std::string writtenNumber(double v);

} // namespace text
