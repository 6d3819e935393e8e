#include "core/astro/TargetsAtAge.h"

#include <cmath>
#include <stdexcept>

namespace astro {

namespace {

// La2004 (Laskar et al. 2004, Table 3): secular frequencies in arcsec/yr, and the precession
// constant at J2000.
constexpr double g2 = 7.452, g3 = 17.368, g4 = 17.916, g5 = 4.257452;
constexpr double s1 = -5.61, s3 = -18.848, s4 = -17.751, s6 = -26.347855;
constexpr double k0 = 50.475838;
constexpr double arcsecPerTurnPerKyr = 1296; // a period in kyr is 1296 / (arcsec/yr)

// The present Earth, Moon and Sun (IERS Conventions 2010 and the JPL ephemerides' constants).
constexpr double gmEarth = 3.986004418e14;    // m^3 s^-2
constexpr double moonPerEarth = 0.0123000371; // mass ratio
constexpr double gmSun = 1.32712440041e20;    // m^3 s^-2
constexpr double moonDistance = 3.84399e8;    // m, semi-major axis
constexpr double moonEccentricity = 0.0549;
constexpr double moonInclination = 5.145 * M_PI / 180; // to the ecliptic
constexpr double sunDistance = 1.495978707e11;         // m, 1 au
constexpr double earthEccentricity = 0.0167086;
constexpr double earthRadius = 6.378137e6; // m, equatorial
constexpr double momentOfInertia = 0.3307; // C / (M R^2)
constexpr double earthSpin = 7.292115e-5;  // rad/s

// Williams (2000): the Elatina Formation's tidal rhythmites, 620 Ma.
constexpr double calibrationAgeMa = 620, calibrationDistance = 0.965;

double squared(double x) {
    return x * x;
}

// b: the Moon's share of the torque on the bulge, G m / a^3 against G M_s / a_s^3, each with
// its orbit's eccentricity and the Moon's with its inclination.
double lunarShare() {
    const double moonOverSun =
        gmEarth * moonPerEarth / gmSun * std::pow(sunDistance / moonDistance, 3) *
        std::pow((1 - squared(earthEccentricity)) / (1 - squared(moonEccentricity)), 1.5) *
        (1 - 1.5 * squared(std::sin(moonInclination)));
    return moonOverSun / (1 + moonOverSun);
}

// L: the Moon's orbital angular momentum m M / (M + m) sqrt(G (M + m) a (1 - e^2)) over the
// Earth's spin C w = 0.3307 M R^2 w (the mass M and G cancel).
double angularMomentumRatio() {
    const double q = moonPerEarth;
    return q / (1 + q) *
           std::sqrt((1 + q) * gmEarth * moonDistance * (1 - squared(moonEccentricity))) /
           (momentOfInertia * squared(earthRadius) * earthSpin);
}

// r: the Sun's tidal torque on the Earth over the Moon's, (M_s / m)^2 (a / a_s)^6.
double solarBraking() {
    return squared(gmSun / (gmEarth * moonPerEarth)) * std::pow(moonDistance / sunDistance, 6);
}

void requireAge(double ageMa) {
    if (const auto problem = checkAge(ageMa))
        throw std::domain_error(problem->text);
}

double period(double frequency) {
    return arcsecPerTurnPerKyr / frequency;
}

} // namespace

std::optional<Problem> checkAge(double ageMa) {
    const analysis::ParameterEntry& e = analysis::parameter(analysis::ParameterId::AgeMa);
    if (const auto problem = analysis::checkValue(e, ageMa, ""))
        return Problem{e.id, problem->text + " (Ma), the range of the Earth-Moon model"};
    return std::nullopt;
}

EarthMoon earthMoonAt(double ageMa) {
    requireAge(ageMa);
    const double spanMa = calibrationAgeMa / (1 - std::pow(calibrationDistance, 6.5));
    EarthMoon m;
    m.distance = std::pow(1 - ageMa / spanMa, 1 / 6.5);
    const double u = std::sqrt(m.distance);
    m.spin = 1 + angularMomentumRatio() * ((1 - u) + solarBraking() * (1 - std::pow(u, 13)) / 13);
    return m;
}

double precessionConstantAt(double ageMa) {
    const EarthMoon m = earthMoonAt(ageMa);
    const double b = lunarShare();
    return k0 * m.spin * ((1 - b) + b / std::pow(m.distance, 3));
}

Targets targetsAtAge(double ageMa) {
    const double k = precessionConstantAt(ageMa);
    Targets t;
    t.precession = {period(k + g5), period(k + g2), period(k + g3), period(k + g4)};
    t.obliquity = {period(k + s3), period(k + s4), period(k + s6), period(k + s1)};
    return t;
}

} // namespace astro
