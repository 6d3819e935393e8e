#include "core/spectrum/SlepianTapers.h"

#include "core/text/NumberText.h"
#include "engine/capacities.h"
#include "engine/diagnostics.h"
#include "engine/tapers.h"

#include <algorithm>
#include <cmath>

namespace spectrum {

std::optional<TaperProblem> checkTapers(int n, int k, double tbw) {
    if (n < 2 || n > engine::NMAX)
        return TaperProblem{analysis::ParameterId::TaperLength,
                            "the taper length must lie in 2 .. " + std::to_string(engine::NMAX)};
    const int kmax = std::min(engine::KMAX, n);
    if (k < 1 || k > kmax)
        return TaperProblem{analysis::ParameterId::TaperCount,
                            "the number of tapers must lie in 1 .. " + std::to_string(kmax)};
    const double W = tbw * (1.0 / n);
    if (!std::isfinite(tbw) || !(W > 0 && W < 0.5))
        return TaperProblem{analysis::ParameterId::TaperTbw,
                            "the time-bandwidth product must lie above 0 and below " +
                                text::exactNumber(n / 2.0) + " (half the length)"};
    return std::nullopt;
}

TaperSet slepianTapers(int n, int k, double tbw) {
    const engine::quad W = static_cast<engine::quad>(tbw * (1.0 / n));
    std::vector<engine::quad> v(static_cast<std::size_t>(n) * k), eig(k), lambda(k), oneMinus(k);
    std::vector<engine::quad> work(engine::dpssWorkQuads(n));
    std::vector<int> itag(n / 2 + 1);
    TaperSet t;
    engine::dpss(n, n, k, W, v.data(), eig.data(), t.status, work.data(), itag.data());
    if (t.status != 0)
        return t;
    engine::dpssev(n, n, k, W, engine::DPSSEV_RELTOL, engine::DPSSEV_ABSTOL, v.data(),
                   lambda.data(), oneMinus.data());
    t.tapers.assign(v.begin(), v.end());
    t.ratios.assign(lambda.begin(), lambda.end());
    t.oneMinusRatios.assign(oneMinus.begin(), oneMinus.end());
    return t;
}

std::string taperText(const TaperSet& t, int n, int k) {
    std::string text = "k\tlambda\tone_minus_lambda\n";
    for (int j = 0; j < k; ++j)
        text += std::to_string(j + 1) + "\t" + text::exactNumber(t.ratios[j]) + "\t" +
                text::exactNumber(t.oneMinusRatios[j]) + "\n";
    text += "\nn";
    for (int j = 0; j < k; ++j)
        text += "\ttaper_" + std::to_string(j + 1);
    text += "\n";
    for (int i = 0; i < n; ++i) {
        text += std::to_string(i + 1);
        for (int j = 0; j < k; ++j)
            text += "\t" + text::exactNumber(t.tapers[static_cast<std::size_t>(j) * n + i]);
        text += "\n";
    }
    return text;
}

} // namespace spectrum
