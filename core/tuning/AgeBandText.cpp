#include "core/tuning/AgeBandText.h"

#include "core/text/NumberText.h"
#include "core/tuning/NeighbourReadings.h"
#include "core/tuning/RowScatter.h"
#include "core/tuning/WindowChange.h"

#include <cmath>
#include <utility>

namespace tuning {

namespace {

std::string people(double v) {
    return text::displayNumber(v);
}

std::string percent(double p) {
    return text::displayNumber(100 * p) + " %";
}

std::string anchorText(const Anchor& a) {
    return "position " + text::writtenNumber(a.position) + ", age " + text::writtenNumber(a.age) +
           (a.sd > 0 ? ", standard deviation " + text::writtenNumber(a.sd) : ", exact");
}

std::string missText(const AnchorMiss& m) {
    if (m.miss == 0)
        return "the model without anchors meets it";
    std::string t = "the model without anchors, shifted to the first, gives " + people(m.model) +
                    ": " + people(std::fabs(m.miss)) + (m.miss < 0 ? " too young" : " too old");
    if (std::isfinite(m.inSd))
        t += ", " + text::displayNumber(std::fabs(m.inSd), 3) + " standard deviations";
    return t;
}

} // namespace

std::string bandPoints(double probability) {
    return text::displayNumber(50 - 50 * probability) + ", 50 and " +
           text::displayNumber(50 + 50 * probability);
}

EnsembleDescription describedEnsemble(const RowSpread& rows, const RowIntegral& how,
                                      const EnsembleSettings& settings,
                                      std::vector<PossibleHiatus> hiatuses) {
    EnsembleDescription d;
    d.members = settings.members;
    d.seed = settings.seed;
    d.probability = settings.probability;
    d.rowProbability = rows.probability;
    d.windowLength = rows.windowLength;
    d.widened = rows.widened;
    for (const auto& list : rows.others)
        d.severalModes = d.severalModes || !list.empty();
    d.outlying = outlyingReadings(rows);
    d.windowChange = widensByWindowChange(rows);
    d.scatter = rowScatter(rows);
    d.readings = rows.readings;
    d.period = how.period;
    d.periodSd = how.periodSd;
    d.anchors = settings.anchors;
    d.hiatuses = std::move(hiatuses);
    return d;
}

void describeEnsemble(results::HeaderBlock& h, const EnsembleDescription& d, const AgeEnsemble& e) {
    if (d.members > 0) {
        std::string how =
            std::to_string(d.members) + " age models, seed " + std::to_string(d.seed) +
            "; each row drawn in log value from a normal about its interval's middle that puts "
            "its " +
            percent(d.rowProbability) + " interval's ends at the matching points" +
            (d.windowChange ? ", with an error all rows share (one draw per model) from the "
                              "change of the rows across each row's window"
                            : "") +
            "; neighbouring rows correlated by the share of samples their windows (" +
            people(d.windowLength) + " position units) have in common";
        if (d.widened > 0)
            how += "; " + std::to_string(d.widened) +
                   (d.widened == 1 ? " row without an interval that holds its value took"
                                   : " rows without an interval that holds their value took") +
                   " the median widths of the others";
        if (d.scatter > 0)
            how += "; intervals narrower than the rows' scatter about their trend (" +
                   people(d.scatter) +
                   " in log value, from their second differences half a window apart) widened "
                   "to it";
        if (d.severalModes)
            how += "; a row with several modes takes one per model by their shares";
        if (d.outlying > 0)
            how += "; " + std::to_string(d.outlying) +
                   (d.outlying == 1 ? " row read at the other cycle than its neighbours"
                                    : " rows read at the other cycle than their neighbours") +
                   " (a value about twice or half theirs) drawn at either reading, half the "
                   "models each";
        if (d.periodSd > 0)
            how += "; the period drawn for each model, normal with standard deviation " +
                   text::writtenNumber(d.periodSd);
        h.line("ensemble", how);
        if (!d.readings.empty())
            h.line("cycle reading", d.readings);
        h.line("age band", "age_low, age_median and age_high, the " + bandPoints(d.probability) +
                               " % points of the models' ages at each position; the rows' "
                               "intervals only: time missing in a hiatus is not in it");
    }
    for (std::size_t j = 0; j < d.anchors.size(); ++j)
        h.line("anchor " + std::to_string(j + 1),
               anchorText(d.anchors[j]) +
                   (j < e.misses.size() && j > 0 ? "; " + missText(e.misses[j]) : std::string()));
    if (!d.anchors.empty())
        h.line("anchored", d.anchors.size() == 1
                               ? "the ages shifted to meet the anchor"
                               : "the ages scaled between neighbouring anchors to meet each, and "
                                 "shifted beyond the outer ones" +
                                     std::string(d.members > 0 ? "; each model meets the "
                                                                 "anchors' ages drawn with their "
                                                                 "standard deviations"
                                                               : ""));
    if (d.members > 0 || !d.anchors.empty())
        for (const PossibleHiatus& p : d.hiatuses) {
            std::string why;
            for (const std::string& sign : p.signs)
                why += (why.empty() ? "" : "; ") + sign;
            h.line("possible hiatus or condensed section",
                   "at position " + people(p.position) + " (windows centred from " +
                       text::writtenNumber(p.first) + " to " + text::writtenNumber(p.last) +
                       "): " + why);
        }
    if (d.members > 0)
        h.line("duration", people(e.duration) + " (" + percent(d.probability) + " interval " +
                               people(e.durationLow) + " to " + people(e.durationHigh) + ")");
    else if (!d.anchors.empty())
        h.line("duration", people(e.duration));
}

std::string ensembleMembersText(const results::HeaderBlock& header, const AgeEnsemble& e) {
    std::string t = header.text() + "position";
    for (std::size_t k = 0; k < e.members.size(); ++k)
        t += "\tage_" + std::to_string(k + 1);
    t += "\n";
    for (std::size_t i = 0; i < e.central.position.size(); ++i) {
        text::appendExactNumber(t, e.central.position[i]);
        for (const std::vector<double>& m : e.members) {
            t += '\t';
            text::appendExactNumber(t, m[i]);
        }
        t += '\n';
    }
    return t;
}

} // namespace tuning
