// An age model with its uncertainty: N models drawn from the rows' intervals (RowDraws), each
// integrated as the single model is, pinned to the anchors when there are any, and summed up
// at every sample by the points of the band (2.5, 50 and 97.5 % by default) and over the
// record by the duration with its interval. The central model is the one the rows' own values
// give, pinned to the anchors' own ages.
#pragma once

#include "core/tuning/AgeModel.h"
#include "core/tuning/Anchors.h"
#include "core/tuning/RowDraws.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tuning {

// How rows become ages: a traced frequency times a period (age = T + P x integral of f), or a
// sedimentation rate in cm/kyr (age = T + integral of 100 / s, positions in metresPerUnit
// metres).
struct RowIntegral {
    enum class Kind { Frequency, Rate } kind = Kind::Frequency;
    double period = 0, periodSd = 0; // frequency rows; periodSd: one standard deviation
    double metresPerUnit = 1;        // positions in metres (frequency rows: to read their cycle)
};

// Why a period's standard deviation cannot be drawn from: a third of the period or more, where
// draws would come near 0; nothing otherwise.
std::optional<std::string> periodSdProblem(double period, double sd);

AgeModel integrateRows(const std::vector<double>& z, const std::vector<double>& position,
                       const std::vector<double>& value, const RowIntegral& how, double period,
                       double startAge);

struct EnsembleSettings {
    int members = 0; // 0: the central model alone
    std::uint64_t seed = 1;
    double probability = 0.95;   // of the band and of the duration's interval
    double startAge = 0;         // without anchors
    std::vector<Anchor> anchors; // checked and sorted (checkAnchors)
    bool keepMembers = false;
};

// The most samples times members an ensemble holds (doubles), and why a request needs more.
constexpr double ensembleCellLimit = 5e7;
std::optional<std::string> ensembleTooLarge(std::size_t samples, int members);

struct AgeBand {
    std::vector<double> low, median, high;
};

struct AgeEnsemble {
    AgeModel central;
    AgeBand band;                                           // empty without members
    double duration = 0, durationLow = 0, durationHigh = 0; // the interval: with members only
    std::vector<AnchorMiss> misses;                         // one per anchor
    std::vector<std::vector<double>> members;               // ages, when kept
    std::optional<std::string> problem; // why no ensemble could be drawn; nothing else is set
};

// The rows: their positions and central values (spread.position, spread.main[i].value), with
// their intervals; spread is checked (checkSpread) when members > 0.
AgeEnsemble ageEnsemble(const std::vector<double>& z, const RowSpread& spread,
                        const RowIntegral& how, const EnsembleSettings& settings);

// The q-quantile (0 <= q <= 1) of v, linear between order statistics; v is reordered.
double quantile(std::vector<double>& v, double q);

} // namespace tuning
