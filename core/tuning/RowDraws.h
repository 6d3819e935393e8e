// Random rows of an age model drawn from the intervals its rows carry: a traced line's
// frequency or a track's sedimentation rate, each measured in a window of the record. Each row
// is drawn in log value from a normal about the middle of its interval that puts the interval's
// ends at the matching quantiles, so that a row's draws fall within its interval as often as the
// interval claims. Neighbouring windows share samples and their errors with them:
// the standard normal behind row i is the sum of independent normals over the samples of its
// window, scaled to unit variance, so that two rows correlate by the share of samples they have
// in common, |A and B| / sqrt(|A| |B|). A row whose distribution has several modes (the
// factor-of-two case of the astronomical test) takes one per draw by the modes' shares, from a
// second field correlated in the same way, so that overlapping windows tend to take the same.
// A row's shared error (RowMode::changeSd) takes one standard normal per draw for all rows.
#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace tuning {

// One mode of a row's distribution: its central value, its interval and its share; changeSd,
// the standard deviation in log value of an error the row shares with every other row (the
// change of rate within its window, see WindowChange.h), drawn with one deviate per draw.
struct RowMode {
    double value = 0, low = 0, high = 0, share = 1, changeSd = 0;
};

// The rows of a model with what they may be: at each position the main mode (the value the
// model integrates, with its interval and share) and any further modes. Modes' shares need not
// sum to 1: they are taken relative to their sum.
struct RowSpread {
    std::vector<double> position;
    std::vector<RowMode> main;
    std::vector<std::vector<RowMode>> others; // empty, or one (maybe empty) list per row
    double probability = 0.95;                // of every interval
    double windowLength = 0;                  // position units: the window each row was measured in
    int widened = 0; // rows whose interval was not known, given the median widths of the others
    // Rows read as another cycle than the traced one, with that reading as a further mode, in
    // words for the '#' block (core/astro/TraceReading.h); empty: none.
    std::string readings;
};

// Why the spread cannot be drawn from (the first fault, naming its row from 1), or nothing: an
// interval must hold its central value, all above 0 and finite; shares in [0, 1]; a window
// length above 0; the probability within (0, 1).
std::optional<std::string> checkSpread(const RowSpread& s);

// The samples of each row's window, as a half-open range of indices into the sorted sample
// positions z: those within half the window length of the row's centre (at least the nearest).
struct WindowSamples {
    std::vector<std::size_t> first, end;
};
WindowSamples windowSamples(const std::vector<double>& z, const RowSpread& s);

// Draws of the rows' values, one set per call.
class RowDraws {
public:
    RowDraws(const std::vector<double>& z, const RowSpread& spread, std::uint64_t seed);
    // The rows' values of the next draw.
    std::vector<double> next();
    // A standard normal from the same generator (the period's error, the anchors' errors).
    double normal();

private:
    std::vector<double> correlatedNormals();
    double fromMode(const RowMode& m, double e) const;

    const RowSpread& spread_;
    WindowSamples windows_;
    std::size_t samples_;
    double zScore_; // the standard normal's quantile at (1 + probability) / 2
    bool modes_ = false;
    bool changes_ = false; // some row has a shared error
    std::mt19937_64 generator_;
    std::normal_distribution<double> normal_;
    std::vector<double> prefix_;
};

// The standard normal's distribution function and its inverse.
double normalCdf(double x);
double normalQuantile(double p);

} // namespace tuning
