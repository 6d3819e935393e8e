#include "core/results/ResultSet.h"

#include <algorithm>
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

std::vector<Peak> findPeaks(const ResultSet& r, int window, double level) {
    std::vector<Peak> peaks;
    const int n = r.bins;
    auto p = [&](int i) { return r.prob[r.row(window, i)]; };
    auto significant = [&](int i) { return i >= 0 && i < n && p(i) >= level && p(i) <= 1.0; };
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
            peaks.push_back({r.centre(window), f,
                             f > 0 ? 1.0 / f : std::numeric_limits<double>::infinity(),
                             r.ampl[r.row(window, best)], p(best)});
        }
        i = end + 1;
    }
    return peaks;
}

} // namespace results
