// The age band as files say it: the '#' lines of the ensemble (how it was drawn, the band's
// points, the duration with its interval, the anchors and how far the model without them
// missed each), the band's columns after the model's, and the ensemble's own file, one column
// per model.
#pragma once

#include "core/results/HeaderBlock.h"
#include "core/tuning/AgeEnsemble.h"
#include "core/tuning/Hiatus.h"

#include <string>

namespace tuning {

// What the lines say of how the ensemble was made.
struct EnsembleDescription {
    int members = 0;
    std::uint64_t seed = 1;
    double probability = 0.95;       // of the band
    double rowProbability = 0.95;    // of the rows' intervals
    double windowLength = 0;         // of the rows, position units
    bool severalModes = false;       // some row has further modes
    int widened = 0;                 // rows given the median widths (RowSpread::widened)
    std::size_t outlying = 0;        // rows read at the other cycle than their neighbours
    bool windowChange = false;       // a shared error from the change across the window
    double scatter = 0;              // the rows' scatter, log value (0: not read)
    std::string readings;            // rows read as another cycle (RowSpread::readings)
    double period = 0, periodSd = 0; // a traced cycle's; periodSd 0: exact
    std::vector<Anchor> anchors;
    std::vector<PossibleHiatus> hiatuses;
};

// How an ensemble drawn from `rows` with `how` and `settings` was made, with the possible
// hiatuses found among the rows.
EnsembleDescription describedEnsemble(const RowSpread& rows, const RowIntegral& how,
                                      const EnsembleSettings& settings,
                                      std::vector<PossibleHiatus> hiatuses);

// The lines, added to the block of the model and of the tuned series, one for each possible
// hiatus among them; nothing is added without members or anchors.
void describeEnsemble(results::HeaderBlock& h, const EnsembleDescription& d, const AgeEnsemble& e);

// "2.5", "50", "97.5": the band's points in percent.
std::string bandPoints(double probability);

// "position	age_1	...	age_N" and one row per sample, after the block.
std::string ensembleMembersText(const results::HeaderBlock& header, const AgeEnsemble& e);

} // namespace tuning
