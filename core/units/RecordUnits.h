// The units a record is measured in: the position unit (a length such as m, or a time such as
// kyr) and, for a depth record, the unit of the ages it is tuned to. Guessed from a column title
// where the title says it, converted where both units are known, so that a sedimentation rate
// reads in cm/kyr whatever the record's units.
#pragma once

#include <optional>
#include <string>

namespace units {

// The units offered by name; any other text is kept as the user wrote it.
inline const char* const knownUnits[] = {"m", "cm", "mm", "kyr", "ka", "yr", "Myr", "Ma"};

// The unit a column title names ("depth_m", "Depth sed [m]", "age_ka", "depth_rmcd" -> m);
// empty when the title names none.
std::string guessUnit(const std::string& columnTitle);

// Metres in one unit: m, cm or mm, written so (the tool's --positions-in takes these words and
// refuses any other spelling); none for any other text.
std::optional<double> metresPer(const std::string& unit);
// Kiloyears in one unit (kyr, ka, yr, Myr, Ma); none for a unit that is not a time.
std::optional<double> kyrPer(const std::string& unit);
inline bool isTime(const std::string& unit) {
    return kyrPer(unit).has_value();
}

// Centimetres per kyr in one position unit per age unit: a rate in m per kyr times 100. None
// when the position unit is not a length or the age unit not a time.
std::optional<double> cmPerKyrFactor(const std::string& positionUnit, const std::string& ageUnit);

// A typical sedimentation rate in position units per kyr for a trial: 1.5 cm/kyr for a length,
// 1 kyr per kyr for a record already in time; 1 when the unit is not known.
double typicalRate(const std::string& positionUnit);

// Whole samples in a length of position units at a spacing: the nearest whole number, halves
// away from zero; 0 below one sample or for no number, at most INT_MAX. The one rounding of
// window and step lengths, for the run, the astronomical test and the window's fields.
int samplesIn(double length, double spacing);

} // namespace units
