#include "core/spectrum/WholeRecordFile.h"

#include "core/results/ResultFiles.h"
#include "core/text/NumberText.h"

#include <algorithm>
#include <cmath>

namespace spectrum {

namespace {

std::string removedShare(const WholeRecord& r) {
    const Removed removed = r.expected ? r.expected->removed() : Removed::Nothing;
    return removed == Removed::Line   ? ", the removed line's share taken out,"
           : removed == Removed::Mean ? ", the removed mean's share taken out,"
                                      : "";
}

} // namespace

std::string reliableText(const WholeRecord& r) {
    const Background& b = r.background;
    const double W = r.halfBandwidth;
    std::string text =
        "1 where the levels can be trusted; 0 below 2W = " +
        text::displayNumber(kReliableFrom * W) +
        ", twice the half-bandwidth (below W the record's mean or trend and the tapers' "
        "bandwidth decide the power; between W and 2W the level of a red background rests on "
        "a rho whose error the series' lowest bins set, and the robust fit starts at W)";
    if (std::find(b.reliable.begin(), b.reliable.end(), 1) == b.reliable.end())
        return text + "; no bin here is reliable";
    return text + "; here from frequency " + text::displayNumber(unreliableBelow(r)) + " up";
}

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
                    ? " (after Mann and Lees 1996: rho fitted to the log of the power's "
                      "running median over " +
                          text::exactNumber(kRobustLogWidth * 100) +
                          " % of the frequency either side (at least the bandwidth 2W, at most " +
                          text::exactNumber(kRobustSmoothingFraction * 100) +
                          " % of the range), divided by the median of chi-square / dof, above the "
                          "half-bandwidth W, and S0 to it against the expected power; prefer it "
                          "to ar1 when strong lines would pull that fit up)"
                    : std::string(" (rho the lag-one autocorrelation of the analysed series "
                                  "corrected for its bias, (n r1 + 1) / (n - 3); S0 the mean of "
                                  "power / expected power above the half-bandwidth W; robust "
                                  "instead fits the spectrum's running median, for records with "
                                  "strong lines)")) +
               "; the column is the power the estimate gives such AR(1) noise on average: its "
               "spectrum smoothed by the tapers" +
               removedShare(r) + " and the adaptive weights applied");
    h.line("rho", text::exactNumber(b.rho));
    h.line("S0", text::exactNumber(b.S0));
    h.line("levels",
           "background x chi-square quantile (0.90, 0.95, 0.99) / dof, with each bin's own "
           "degrees of freedom from the adaptive weights (column dof; " +
               std::to_string(2 * p.params.tapers) + " where all " +
               std::to_string(p.params.tapers) + " tapers count fully)" +
               (b.kind == BackgroundKind::Ar1
                    ? ", changed where the fit leans on the bin's own power (the lowest "
                      "frequencies of a red spectrum): the dof whose log chi-square has the "
                      "variance of log(power / level) once the fit's dependence on the bin and "
                      "its own error are counted"
                    : std::string()));
    h.line("reliable", reliableText(r));
    h.line("period", "NA at frequency 0, which has none");
    return h;
}

std::string wholeRecordTitles() {
    return "frequency\tperiod\tpower\tamplitude\tprobability\tbackground\tlevel_90\tlevel_95\t"
           "level_99\tdof\treliable\n";
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
    out += b.reliable[i] ? "\t1\n" : "\t0\n";
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
