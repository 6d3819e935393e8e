// Precession and obliquity target periods for a record's age, after the method of Waltham
// (2015, Journal of Sedimentary Research 85, 990-998, "Milankovitch period uncertainties and
// their impact on cyclostratigraphy"): the planets' secular frequencies g_i and s_i hold, while
// the precession constant k grew back in time with the Earth-Moon system's tidal evolution; the
// climatic precession terms have periods 1 / (k + g_i) and the obliquity terms 1 / (k + s_i).
// g_i, s_i and the present k are those of the La2004 solution (Laskar et al. 2004, A&A 428,
// 261-285, Table 3), in arcsec/yr; periods in kyr.
//
// The Earth-Moon model, for an age A (Ma), a the Moon's distance and w the Earth's spin, 0 the
// present:
//   k = k0 (w / w0) ((1 - b) + b (a0 / a)^3): the solar and lunar torques on the equatorial
//       bulge, b the Moon's present share; the bulge's flattening follows w^2, so that k follows
//       w once divided by the spin;
//   (a / a0)^(13/2) = 1 - A / T: the tidal torque falls as a^-6 (a constant tidal lag), T set by
//       the Moon at 0.965 of its present distance 620 Ma ago (Elatina tidal rhythmites,
//       Williams 2000, Reviews of Geophysics 38, 37-59);
//   w / w0 = 1 + L ((1 - u) + r (1 - u^13) / 13), u = sqrt(a / a0): the Moon's orbital angular
//       momentum L C w0 (proportional to sqrt(a)) taken from the spin, plus the Sun's tide
//       braking the spin r (a / a0)^6 times as hard as the Moon's.
// Held at present: the obliquity, the lunar orbit's eccentricity and inclination. The range of
// ages is the catalogue's (analysis::ParameterId::AgeMa): from the present to the calibration.
#pragma once

#include "core/astro/AstroProblem.h"
#include "core/astro/Targets.h"

#include <optional>

namespace astro {

// An age (Ma) outside the model's range: the problem, worded with the range.
std::optional<Problem> checkAge(double ageMa);

// The Earth-Moon system at an age, relative to the present.
struct EarthMoon {
    double distance = 1; // a / a0
    double spin = 1;     // w / w0 (the day is shorter by this factor)
};

// These take an age checkAge accepts (std::domain_error otherwise).
EarthMoon earthMoonAt(double ageMa);
double precessionConstantAt(double ageMa); // arcsec/yr, 50.475838 at present

// The default targets with the precession and obliquity periods of the age, in the defaults'
// order (g5, g2, g3, g4; s3, s4, s6, s1); the eccentricity periods are kept.
Targets targetsAtAge(double ageMa);

} // namespace astro
