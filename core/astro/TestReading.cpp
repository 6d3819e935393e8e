#include "core/astro/TestReading.h"

#include "core/text/NumberText.h"

#include <algorithm>

namespace astro {

TestReading readTest(const TimeOptScan& scan, const Significance* significance) {
    TestReading r;
    const std::vector<RateScore>& s = scan.scores;
    if (s.empty())
        return r;
    r.atEdge = s.size() > 1 && (scan.best == 0 || scan.best == s.size() - 1);
    r.tested = significance && significance->simulations > 0;
    r.significant = r.tested && significance->pValue <= significanceLevel;
    r.candidates = candidateRates(s);
    if (r.atEdge)
        r.cautions.push_back("the optimum lies at the edge of the rate grid: widen it");
    if (!r.tested)
        r.cautions.push_back("no simulations were run: the optimum's significance is not known");
    else if (!r.significant)
        r.cautions.push_back("not significant at the " + text::exactNumber(significanceLevel) +
                             " level (p-value " + text::exactNumber(significance->pValue) + ")");
    return r;
}

std::vector<RateScore> candidateRates(const std::vector<RateScore>& s) {
    std::vector<RateScore> found;
    double largest = 0;
    for (const RateScore& score : s)
        largest = std::max(largest, score.r2Opt);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool peak = (i == 0 || s[i].r2Opt >= s[i - 1].r2Opt) &&
                          (i + 1 == s.size() || s[i].r2Opt >= s[i + 1].r2Opt);
        if (peak && s[i].r2Opt >= largest / 2)
            found.push_back(s[i]);
    }
    return found;
}

std::string candidatesText(const std::vector<RateScore>& candidates) {
    std::string t;
    for (const RateScore& c : candidates)
        t += (t.empty() ? "" : ", ") + text::exactNumber(c.rate) + " cm/kyr (r2_opt " +
             text::displayNumber(c.r2Opt) + ")";
    return t;
}

} // namespace astro
