#include "core/tuning/AgeEnsemble.h"

#include "core/text/NumberText.h"
#include "core/tuning/NeighbourReadings.h"
#include "core/tuning/PiecewiseLinear.h"
#include "core/tuning/RowScatter.h"
#include "core/tuning/SedimentationRate.h"
#include "core/tuning/WindowChange.h"

#include <algorithm>
#include <cmath>

namespace tuning {

std::optional<std::string> periodSdProblem(double period, double sd) {
    if (sd < period / 3)
        return std::nullopt;
    return "the standard deviation " + text::writtenNumber(sd) +
           " is not below a third of the period " + text::writtenNumber(period) +
           "; the draws would come near a period of 0";
}

AgeModel integrateRows(const std::vector<double>& z, const std::vector<double>& position,
                       const std::vector<double>& value, const RowIntegral& how, double period,
                       double startAge) {
    if (how.kind == RowIntegral::Kind::Frequency)
        return ageModel(z, Trace{position, value}, period, startAge);
    return sedimentationAgeModel(z, RateTrack{position, value}, how.metresPerUnit, startAge);
}

std::optional<std::string> ensembleTooLarge(std::size_t samples, int members) {
    if (static_cast<double>(samples) * members <= ensembleCellLimit)
        return std::nullopt;
    return std::to_string(members) + " age models of " + std::to_string(samples) +
           " samples are more than the " + text::writtenNumber(ensembleCellLimit) +
           " ages an ensemble may hold; give at most " +
           std::to_string(
               static_cast<long long>(ensembleCellLimit / static_cast<double>(samples))) +
           " members";
}

double quantile(std::vector<double>& v, double q) {
    const double at = q * static_cast<double>(v.size() - 1);
    const auto k = static_cast<std::size_t>(std::floor(at));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    const double below = v[k];
    if (k + 1 >= v.size())
        return below;
    const double above = *std::min_element(v.begin() + static_cast<long>(k) + 1, v.end());
    return below + (at - static_cast<double>(k)) * (above - below);
}

namespace {

std::vector<double> centralValues(const RowSpread& s) {
    std::vector<double> v;
    for (const RowMode& m : s.main)
        v.push_back(m.value);
    return v;
}

// A period for one draw: normal about the period, redrawn where it would not be above 0.
double drawPeriod(RowDraws& draws, const RowIntegral& how) {
    for (;;) {
        const double p = how.period + how.periodSd * draws.normal();
        if (p > 0)
            return p;
    }
}

// The anchors' ages for one draw, each normal about its age; redrawn (a bounded number of
// times) until they increase with position, as every model's ages do.
std::optional<std::vector<double>> drawAnchorAges(RowDraws& draws,
                                                  const std::vector<Anchor>& anchors) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::vector<double> at;
        at.reserve(anchors.size());
        for (const Anchor& a : anchors)
            at.push_back(a.age + a.sd * draws.normal());
        if (std::is_sorted(at.begin(), at.end(), std::less_equal<>()) &&
            std::adjacent_find(at.begin(), at.end()) == at.end())
            return at;
    }
    return std::nullopt;
}

// Beyond the outer rows the single model holds their values, but the outer windows measured
// the rate over a whole window, not over the half window beyond their centres: where the rate
// trends, the held value is off by about the change over half a window, in the trend's
// direction. Each model draws the value at the record's ends about the trend carried on to
// them, with that change (in log) as its standard deviation, linear from there to the outer
// row; the trend read from the rows within half a window of the outer one, leaving out those
// read at the other cycle than their neighbours.
struct RecordEnds {
    std::vector<double> position; // the rows' positions with the record's ends added
    double sdFirst = 0, sdLast = 0;
    double shiftFirst = 0, shiftLast = 0; // log: the trend carried on to the end
    bool first = false, last = false;
};

RecordEnds recordEnds(const std::vector<double>& z, const RowSpread& s) {
    RecordEnds e;
    const std::vector<double>& x = s.position;
    SettledRows settled = settledRows(s);
    if (settled.position.empty()) {
        settled.position = x;
        for (const RowMode& m : s.main)
            settled.logValue.push_back(std::log(m.value));
    }
    const auto at = [&](double p) { return piecewiseAt(settled.position, settled.logValue, p); };
    const double half = s.windowLength / 2;
    e.first = z.front() < x.front();
    e.last = z.back() > x.back();
    if (e.first) {
        e.position.push_back(z.front());
        const double change = at(x.front() + half) - at(x.front());
        e.sdFirst = std::fabs(change);
        e.shiftFirst = -change * std::min(1.0, (x.front() - z.front()) / half);
    }
    e.position.insert(e.position.end(), x.begin(), x.end());
    if (e.last) {
        e.position.push_back(z.back());
        const double change = at(x.back()) - at(x.back() - half);
        e.sdLast = std::fabs(change);
        e.shiftLast = change * std::min(1.0, (z.back() - x.back()) / half);
    }
    return e;
}

// A model's rows with the record's ends drawn.
std::vector<double> withEnds(const RecordEnds& e, std::vector<double> rows, RowDraws& draws) {
    if (e.first)
        rows.insert(rows.begin(),
                    rows.front() * std::exp(e.shiftFirst + e.sdFirst * draws.normal()));
    if (e.last)
        rows.push_back(rows.back() * std::exp(e.shiftLast + e.sdLast * draws.normal()));
    return rows;
}

// The band's points and the duration's interval over the members.
void summarise(AgeEnsemble& e, const std::vector<std::vector<double>>& ages, double probability) {
    const double lowQ = 0.5 - probability / 2, highQ = 0.5 + probability / 2;
    const std::size_t n = e.central.position.size();
    std::vector<double> at(ages.size());
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t k = 0; k < ages.size(); ++k)
            at[k] = ages[k][i];
        e.band.low.push_back(quantile(at, lowQ));
        e.band.median.push_back(quantile(at, 0.5));
        e.band.high.push_back(quantile(at, highQ));
    }
    for (std::size_t k = 0; k < ages.size(); ++k)
        at[k] = ages[k].back() - ages[k].front();
    e.durationLow = quantile(at, lowQ);
    e.durationHigh = quantile(at, highQ);
}

// The standard deviation over the members of each anchor's age less the first anchor's, in
// the models without anchors (their ages at the anchors, one list per member).
std::vector<double> anchorSpread(const std::vector<std::vector<double>>& freeAt,
                                 std::size_t anchors) {
    std::vector<double> sd;
    const double n = static_cast<double>(freeAt.size());
    for (std::size_t j = 0; j < anchors; ++j) {
        double sum = 0, squares = 0;
        for (const std::vector<double>& at : freeAt) {
            const double d = at[j] - at[0];
            sum += d;
            squares += d * d;
        }
        sd.push_back(n > 1 ? std::sqrt(std::max(0.0, (squares - sum * sum / n) / (n - 1))) : 0.0);
    }
    return sd;
}

} // namespace

AgeEnsemble ageEnsemble(const std::vector<double>& z, const RowSpread& spread,
                        const RowIntegral& how, const EnsembleSettings& s) {
    AgeEnsemble e;
    const bool anchored = !s.anchors.empty();
    const double start = anchored ? 0.0 : s.startAge;
    e.central = integrateRows(z, spread.position, centralValues(spread), how, how.period, start);
    if (s.members > 0)
        if (auto problem = checkSpread(spread)) {
            e.problem = std::move(problem);
            return e;
        }
    // Rows read at the other cycle than their neighbours are drawn at either reading, every
    // interval holds at least the rows' scatter, and every row shares the error that the change
    // of the rows across its window brings.
    const RowSpread drawn =
        s.members > 0 ? withWindowChange(withRowScatter(withNeighbourReadings(spread))) : spread;
    RowDraws draws(z, drawn, s.seed);
    std::vector<std::vector<double>> ages;
    std::vector<std::vector<double>> freeAt; // each member's ages at the anchors, unpinned
    const RecordEnds ends = s.members > 0 ? recordEnds(z, spread) : RecordEnds();
    for (int k = 0; k < s.members; ++k) {
        const std::vector<double> rows = withEnds(ends, draws.next(), draws);
        const double period = how.periodSd > 0 ? drawPeriod(draws, how) : how.period;
        AgeModel m = integrateRows(z, ends.position, rows, how, period, start);
        if (anchored) {
            std::vector<double> own;
            for (const Anchor& a : s.anchors)
                own.push_back(ageAt(m, a.position));
            freeAt.push_back(std::move(own));
            const auto at = drawAnchorAges(draws, s.anchors);
            if (!at) {
                e.problem = "the anchors' standard deviations overlap so much that their ages "
                            "seldom increase with position; give smaller standard deviations or "
                            "anchors further apart";
                return e;
            }
            pinToAnchors(m, s.anchors, *at);
        }
        ages.push_back(std::move(m.age));
    }
    if (anchored) {
        e.misses = anchorMisses(e.central, s.anchors, anchorSpread(freeAt, s.anchors.size()));
        std::vector<double> at;
        for (const Anchor& a : s.anchors)
            at.push_back(a.age);
        pinToAnchors(e.central, s.anchors, at);
    }
    e.duration = e.central.age.back() - e.central.age.front();
    if (!ages.empty())
        summarise(e, ages, s.probability);
    if (s.keepMembers)
        e.members = std::move(ages);
    return e;
}

} // namespace tuning
