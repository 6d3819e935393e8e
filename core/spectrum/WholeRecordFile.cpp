#include "core/spectrum/WholeRecordFile.h"

#include "core/results/ResultFiles.h"
#include "core/text/NumberText.h"

#include <cmath>

namespace spectrum {

results::HeaderBlock wholeRecordHeader(const analysis::Provenance& p, const WholeRecord& r) {
    const Background& b = r.background;
    results::HeaderBlock h = results::headerBlock(p, "spectrum of the whole record");
    h.line("power", "Thomson's adaptive multitaper estimate, one-sided, (value unit)^2 per (cycle "
                    "per position unit); adaptive weights " +
                        std::string(r.converged ? "converged" : "stopped at the iteration cap") +
                        " within " + std::to_string(r.iterations) + " iterations");
    h.line("amplitude, probability", "harmonic F-test of one window the length of the record");
    h.line("background",
           backgroundKindName(b.kind) +
               (b.kind == BackgroundKind::Robust
                    ? " (after Mann and Lees 1996: rho and S0 fitted to the log of the power's "
                      "running median over " +
                          text::exactNumber(kRobustLogWidth * 100) +
                          " % of the frequency either side (at least the bandwidth 2W, at most " +
                          text::exactNumber(kRobustSmoothingFraction * 100) +
                          " % of the range), divided by the median of chi-square / dof, above the "
                          "half-bandwidth W; prefer it to ar1 when strong lines would pull that "
                          "fit up)"
                    : std::string(" (lag-one autocorrelation of the analysed series; robust "
                                  "instead fits the spectrum's running median, for records with "
                                  "strong lines)")));
    h.line("rho", text::exactNumber(b.rho));
    h.line("S0", text::exactNumber(b.S0));
    h.line("levels", "background x chi-square quantile (0.90, 0.95, 0.99) / dof, with each bin's "
                     "own degrees of freedom from the adaptive weights (column dof; " +
                         std::to_string(2 * p.params.tapers) + " where all " +
                         std::to_string(p.params.tapers) + " tapers count fully)");
    h.line("period", "NA at frequency 0, which has none");
    return h;
}

std::string wholeRecordTitles() {
    return "frequency\tperiod\tpower\tamplitude\tprobability\tbackground\tlevel_90\tlevel_95\t"
           "level_99\tdof\n";
}

void appendWholeRecordRow(std::string& out, const WholeRecord& r, std::size_t i) {
    const Background& b = r.background;
    const double f = r.frequency[i];
    text::appendExactNumber(out, f);
    out += '\t';
    if (f > 0)
        text::appendExactNumber(out, 1.0 / f);
    else
        out += "NA";
    for (double v : {r.power[i], r.amplitude[i], r.probability[i], b.level[i], b.level90[i],
                     b.level95[i], b.level99[i], r.dof[i]}) {
        out.push_back('\t');
        text::appendExactNumber(out, v);
    }
    out.push_back('\n');
}

bool wholeRecordFinite(const WholeRecord& r) {
    const Background& b = r.background;
    for (const std::vector<double>* v : {&r.frequency, &r.power, &r.amplitude, &r.probability,
                                         &b.level, &b.level90, &b.level95, &b.level99, &r.dof})
        for (double x : *v)
            if (!std::isfinite(x))
                return false;
    return std::isfinite(b.rho) && std::isfinite(b.S0);
}

bool writeWholeRecord(io::AtomicFile& out, const analysis::Provenance& p, const WholeRecord& r) {
    std::string text = wholeRecordHeader(p, r).text() + wholeRecordTitles();
    for (std::size_t i = 0; i < r.frequency.size(); ++i)
        appendWholeRecordRow(text, r, i);
    return out.write(text);
}

} // namespace spectrum
