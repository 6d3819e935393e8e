#include "core/spectrum/WholeRecordFile.h"

#include "core/results/ResultFiles.h"

#include <cmath>

namespace spectrum {

namespace {
std::string num(double v) {
    return results::numberText(v);
}
} // namespace

std::string wholeRecordHeader(const analysis::Provenance& p, const WholeRecord& r) {
    const Background& b = r.background;
    std::string h = results::headerBlock(p, "spectrum of the whole record");
    h += "# power: Thomson's adaptive multitaper estimate, one-sided, (value unit)^2 per (cycle "
         "per position unit); adaptive weights " +
         std::string(r.converged ? "converged" : "stopped at the iteration cap") + " within " +
         std::to_string(r.iterations) + " iterations\n";
    h += "# amplitude, probability: harmonic F-test of one window the length of the record\n";
    h += std::string("# background: ") + backgroundKindName(b.kind) +
         (b.kind == BackgroundKind::Robust
              ? " (Mann and Lees 1996: median over " + num(kRobustSmoothingFraction * 100) +
                    " % of the frequency range, fitted in log)"
              : " (lag-one autocorrelation of the analysed series)") +
         "\n";
    h += "# rho: " + num(b.rho) + "\n";
    h += "# S0: " + num(b.S0) + "\n";
    h += "# levels: background x chi-square quantile (0.90, 0.95, 0.99; " +
         std::to_string(2 * p.params.kspec) + " degrees of freedom) / " +
         std::to_string(2 * p.params.kspec) + "\n";
    return h;
}

std::string wholeRecordTitles() {
    return "frequency\tperiod\tpower\tamplitude\tprobability\tbackground\tlevel_90\tlevel_95\t"
           "level_99\n";
}

void appendWholeRecordRow(std::string& out, const WholeRecord& r, std::size_t i) {
    const Background& b = r.background;
    const double f = r.frequency[i];
    for (double v : {f, f > 0 ? 1.0 / f : 0.0, r.power[i], r.amplitude[i], r.probability[i],
                     b.level[i], b.level90[i], b.level95[i]}) {
        results::appendNumber(out, v);
        out.push_back('\t');
    }
    results::appendNumber(out, b.level99[i]);
    out.push_back('\n');
}

bool wholeRecordFinite(const WholeRecord& r) {
    const Background& b = r.background;
    for (const std::vector<double>* v : {&r.frequency, &r.power, &r.amplitude, &r.probability,
                                         &b.level, &b.level90, &b.level95, &b.level99})
        for (double x : *v)
            if (!std::isfinite(x))
                return false;
    return std::isfinite(b.rho) && std::isfinite(b.S0);
}

bool writeWholeRecord(io::AtomicFile& out, const analysis::Provenance& p, const WholeRecord& r) {
    std::string text = wholeRecordHeader(p, r) + wholeRecordTitles();
    for (std::size_t i = 0; i < r.frequency.size(); ++i)
        appendWholeRecordRow(text, r, i);
    return out.write(text);
}

} // namespace spectrum
