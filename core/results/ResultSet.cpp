#include "core/results/ResultSet.h"

#include "core/results/ChanceLines.h"
#include "core/results/FalseDiscovery.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

namespace results {

std::optional<std::vector<double>> transposeGrid(const std::vector<double>& a, std::size_t rows,
                                                 std::size_t cols) {
    std::vector<double> result;
    result.reserve(a.size());
    if (rows == 0)
        return result;
    for (std::size_t i = 0; i < rows; ++i)
        for (std::size_t j = 0; j < cols; ++j) {
            if (i + j * rows >= a.size())
                return std::nullopt;
            result.push_back(a[i + j * rows]);
        }
    return result;
}

std::size_t distinctCount(const std::vector<double>& v) {
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    return static_cast<std::size_t>(std::unique(sorted.begin(), sorted.end()) - sorted.begin());
}

bool resultsFinite(const std::vector<double>& xcent, const std::vector<double>& freq,
                   const std::vector<double>& ampl, const std::vector<double>& prob) {
    for (const std::vector<double>* v : {&xcent, &freq, &ampl, &prob})
        for (double x : *v)
            if (!std::isfinite(x))
                return false;
    return true;
}

int testedBins(const ResultSet& r, int window) {
    int tested = 0;
    for (int i = 0; i < r.bins; ++i)
        tested += r.prob[r.row(window, i)] <= 1.0;
    return tested;
}

std::vector<Peak> findPeaks(const ResultSet& r, int window, const LineRule& rule) {
    std::vector<Peak> peaks;
    const int n = r.bins;
    auto p = [&](int i) { return r.prob[r.row(window, i)]; };
    std::vector<bool> kept;
    if (rule.fdr > 0) {
        std::vector<double> pvalues;
        std::vector<int> bin;
        for (int i = 0; i < n; ++i)
            if (p(i) >= 0.0 && p(i) <= 1.0) {
                pvalues.push_back(1.0 - p(i));
                bin.push_back(i);
            }
        const std::vector<bool> discovery = benjaminiHochberg(pvalues, rule.fdr);
        kept.assign(n, false);
        for (std::size_t j = 0; j < bin.size(); ++j)
            kept[bin[j]] = discovery[j];
    }
    auto significant = [&](int i) {
        return i >= 0 && i < n && p(i) >= rule.level && p(i) <= 1.0 && (kept.empty() || kept[i]);
    };
    int i = 0;
    while (i < n) {
        if (!significant(i)) {
            ++i;
            continue;
        }
        // A plateau of equal probability within the run of significant bins.
        int end = i;
        while (significant(end + 1) && p(end + 1) == p(i))
            ++end;
        const bool risesInto = !significant(i - 1) || p(i - 1) < p(i);
        const bool fallsAfter = !significant(end + 1) || p(end + 1) < p(i);
        if (risesInto && fallsAfter) {
            int best = i;
            for (int k = i + 1; k <= end; ++k)
                if (r.ampl[r.row(window, k)] > r.ampl[r.row(window, best)])
                    best = k;
            const double f = r.freq[r.row(window, best)];
            if (f > 0)
                peaks.push_back(
                    {r.centre(window), f, 1.0 / f, r.ampl[r.row(window, best)], p(best)});
        }
        i = end + 1;
    }
    return peaks;
}

std::vector<Peak> findPeaks(const ResultSet& r, int window, double level) {
    return findPeaks(r, window, LineRule{level, 0});
}

std::string lineRuleText(const LineRule& rule, const analysis::RunParameters& p, int tested) {
    char text[256];
    if (rule.fdr > 0)
        std::snprintf(text, sizeof text,
                      "Benjamini-Hochberg false-discovery control at rate %g over each window's "
                      "%d tested bins: at most %g of the lines reported are expected by chance",
                      rule.fdr, tested, rule.fdr);
    else
        std::snprintf(text, sizeof text,
                      "expected chance lines per window at level %g: %.3g (local maxima of the "
                      "F statistic that white noise gives over the %d tested bins, about %.3g "
                      "independent frequencies)",
                      rule.level, expectedChanceLines(p, rule.level), tested,
                      tested * static_cast<double>(p.window) / p.nfft);
    return text;
}

} // namespace results
