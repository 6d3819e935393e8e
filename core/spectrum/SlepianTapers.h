// One set of Slepian tapers with their concentration ratios, checked and computed as the
// engine computes them (binary128), then rounded to double: for the tool's tapers command and
// the Python module alike.
#pragma once

#include "core/analysis/ParameterCatalogue.h"

#include <optional>
#include <string>
#include <vector>

namespace spectrum {

struct TaperProblem {
    analysis::ParameterId argument; // TaperLength, TaperCount or TaperTbw
    std::string text; // what is allowed, e.g. "the taper length must lie in 2 .. 524288"
};

// n in 2 .. NMAX, k in 1 .. min(KMAX, n), finite tbw with 0 < tbw / n < 1/2.
std::optional<TaperProblem> checkTapers(int n, int k, double tbw);

struct TaperSet {
    std::vector<double> tapers;         // taper j (0-based) at j * n + t, unit energy
    std::vector<double> ratios;         // lambda_j
    std::vector<double> oneMinusRatios; // 1 - lambda_j, accurate where lambda_j rounds to 1
    int status = 0;                     // non-zero: the tapers could not be computed
};

// The tapers of arguments checkTapers accepts.
TaperSet slepianTapers(int n, int k, double tbw);

// The tapers as the tool writes them: "k	lambda	one_minus_lambda", one row per taper, a
// blank line, then "n	taper_1 ... taper_K", one row per sample (n counted from 1).
std::string taperText(const TaperSet& t, int n, int k);

} // namespace spectrum
