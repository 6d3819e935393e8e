// Numbers as text, the one way every file, header and message of the project writes them.
#pragma once

#include <string>

namespace text {

// The shortest text that reads back to the same double ("0.1", "1e-300"); infinities as "inf"
// and "-inf". For data columns and every value a file must give back exactly.
std::string numberText(double v);
void appendNumber(std::string& out, double v);

// v to `digits` significant digits, without trailing zeros or floating-point noise
// (0.009999999999990905 reads "0.01", 155.99999999999818 reads "156"). For labels, header
// lines and messages, where a person reads the number.
std::string readableNumber(double v, int digits = 6);

} // namespace text
