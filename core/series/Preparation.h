// Series preparation before the harmonic analysis: natural log, trend removal and standardising.
// Trends: least-squares polynomials in position (centred and scaled positions, Chebyshev basis,
// Householder QR; Golub & Van Loan 2013, sec. 5.2) and LOWESS (Cleveland 1979, local linear,
// tricube weights, no robustness iterations). Positions are in the series' own depth or time
// units; trends are returned in the units of the values after the log step.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace series {

struct Detrend {
    enum class Method { None, Linear, Polynomial, Lowess };
    Method method = Method::None;
    int degree = 0;    // Polynomial: 1..6 (Linear is degree 1)
    double span = 0.0; // Lowess: fraction F of the samples, 0 < F <= 1
};

// Same method and the parameter that method uses.
bool operator==(const Detrend& a, const Detrend& b);
inline bool operator!=(const Detrend& a, const Detrend& b) {
    return !(a == b);
}

constexpr int maxPolynomialDegree = 6;

// Reads "none", "linear", "poly:N" (N = 1..6) or "lowess:F" (0 < F <= 1), exactly, lower case,
// without spaces. Anything else gives nothing and, when why is given, a one-line reason.
std::optional<Detrend> parseDetrend(std::string_view text, std::string* why = nullptr);

// The text parseDetrend reads back to d; F is written in the shortest form that round-trips.
std::string detrendText(const Detrend& d);

struct Preparation {
    bool log = false;
    Detrend detrend;
    bool standardise = false;

    bool any() const;
    // One line for a result file's '#' header, e.g.
    // "log, then polynomial trend of degree 3 removed, then standardised", or "none".
    std::string describe() const;
};

// The step of a preparation that refused the series: the values as given, the log, the
// detrending, the standardising.
enum class PreparationStep { Values, Log, Detrend, Standardise };

struct PreparedValues {
    std::vector<double> values;         // after every step
    std::vector<double> trend;          // removed trend (units after log); empty without detrending
    std::vector<double> fitted;         // the values the trend was fitted to (after log)
    std::optional<std::string> problem; // when set, nothing else is valid
    PreparationStep failedStep = PreparationStep::Values; // with the problem: where it arose
};

// Applies log, then detrending, then standardising to y. x holds strictly increasing positions
// (checked only when detrending); lines holds each sample's 1-based file line, used in messages.
PreparedValues prepareValues(const Preparation& p, const std::vector<double>& x,
                             const std::vector<double>& y, const std::vector<int>& lines);

// Least-squares polynomial of the given degree (1..6) in position, evaluated at every x.
// Empty when it cannot be fitted: sizes differ, degree out of range, fewer than degree + 1
// samples, or positions too clustered to tell the polynomial's terms apart.
std::vector<double> polynomialTrend(const std::vector<double>& x, const std::vector<double>& y,
                                    int degree);

// LOWESS trend with span F (0 < F <= 1) on sorted positions, evaluated at every x. Empty when
// sizes differ, F is out of range, positions are unsorted or not finite, or there are no samples.
// O(n q) with q = max(2, floor(F n)); a sample whose weighted line is undetermined (only itself
// weighs anything) takes the weighted mean, i.e. its own value.
std::vector<double> lowessTrend(const std::vector<double>& x, const std::vector<double>& y,
                                double span);

} // namespace series
