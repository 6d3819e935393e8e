#include "core/astro/AstroFiles.h"

#include "core/results/ResultFiles.h"
#include "core/text/NumberText.h"

#include <cmath>

namespace astro {

namespace {

std::string list(const std::vector<double>& v) {
    std::string t;
    for (double x : v)
        t += (t.empty() ? "" : ", ") + text::exactNumber(x);
    return t;
}

std::string recordBlock(const analysis::Provenance& p, const std::string& what) {
    std::string h = "# Tonalith " + std::string(results::programVersion()) + ": " + what + "\n";
    h += "# input: " + p.input + "\n";
    h += "# column: " + std::to_string(p.column) +
         (p.columnName.empty() ? "" : " (" + p.columnName + ")") + "\n";
    h += "# header lines skipped: " + std::to_string(p.skip) + "\n";
    h += "# samples: " + std::to_string(p.samples) + "\n";
    h += "# sample spacing: " + text::displayNumber(p.deltat, 10) + " (position units)\n";
    h += "# interpolation: " + (p.interpolation.empty() ? std::string("none") : p.interpolation) +
         "\n";
    h += "# preparation: " + (p.preparation.empty() ? std::string("none") : p.preparation) + "\n";
    return h;
}

std::string testBlock(const TestDescription& d, const std::string& what) {
    const TimeOptSettings& s = d.settings;
    const std::vector<double> scored = scoredRates(s, d.record.deltat);
    std::string h = recordBlock(d.record, what);
    h += "# positions in: " + d.positionUnit + "\n";
    h += "# trial sedimentation rates: " + std::to_string(s.grid.count) + " from " +
         text::exactNumber(s.grid.low) + " to " + text::exactNumber(s.grid.high) + " cm/kyr, " +
         (s.grid.linear ? "evenly spaced" : "evenly spaced in log(rate)") + "\n";
    h += "# scored rates: " + std::to_string(scored.size()) +
         (scored.empty() ? std::string()
                         : " from " + text::exactNumber(scored.front()) + " to " +
                               text::exactNumber(scored.back()) + " cm/kyr") +
         " (those putting the precession band below the Nyquist frequency)\n";
    h += "# precession band: " + text::exactNumber(s.precessionBand.low) + " to " +
         text::exactNumber(s.precessionBand.high) + " cycles/kyr\n";
    h +=
        "# targets: " + (d.targetsSource.empty() ? std::string("default") : d.targetsSource) + "\n";
    h += "# eccentricity periods: " + list(s.targets.eccentricity) + " kyr\n";
    h += "# precession periods: " + list(s.targets.precession) + " kyr\n";
    h += "# r2_power: variance of the detrended, standardised series explained by the target "
         "periods; r2_envelope: variance of the precession band's envelope explained by the "
         "eccentricity periods; r2_opt = r2_envelope x r2_power\n";
    return h;
}

std::string windowLines(double windowLength, double stepLength) {
    return "# window: " + text::exactNumber(windowLength) + " position units, step " +
           text::exactNumber(stepLength) + "\n";
}

} // namespace

std::string filterText(const analysis::Provenance& record, const Band& band,
                       const std::vector<double>& positions, const std::vector<double>& values,
                       const BandPassed& filtered) {
    std::string t = recordBlock(record, "band-pass and amplitude envelope");
    t += "# passband: " + text::exactNumber(band.low) + " to " + text::exactNumber(band.high) +
         " cycles per position unit, zero-phase, raised-cosine edges a quarter of the band wide\n";
    t += "# envelope: modulus of the analytic signal of the filtered series\n";
    t += "position\tvalue\tfiltered\tenvelope\n";
    for (std::size_t i = 0; i < positions.size(); ++i)
        t += text::exactNumber(positions[i]) + "\t" + text::exactNumber(values[i]) + "\t" +
             text::exactNumber(filtered.filtered[i]) + "\t" +
             text::exactNumber(filtered.envelope[i]) + "\n";
    return t;
}

std::string timeOptText(const TestDescription& d, const TimeOptScan& scan,
                        const Significance* significance) {
    std::string t = testBlock(d, "astronomical test (TimeOpt)");
    t += "# lag-1 autocorrelation: " + text::exactNumber(scan.lag1) + "\n";
    if (significance)
        t += "# significance: " + std::to_string(significance->simulations) +
             " AR(1) surrogates with the record's lag-1 autocorrelation, each scored by its "
             "largest r2_opt; " +
             std::to_string(significance->reaching) + " reached the record's\n";
    const RateScore& best = scan.scores[scan.best];
    t += "# optimal sedimentation rate: " + text::exactNumber(best.rate) + " cm/kyr\n";
    t += "# r2_opt: " + text::exactNumber(best.r2Opt) + "\n";
    if (significance)
        t += "# p-value: " + text::exactNumber(significance->pValue) + " (" +
             std::to_string(significance->simulations) + " simulations)\n";
    t += "sedimentation_rate\tr2_envelope\tr2_power\tr2_opt\n";
    for (const RateScore& s : scan.scores)
        t += text::exactNumber(s.rate) + "\t" + text::exactNumber(s.r2Envelope) + "\t" +
             text::exactNumber(s.r2Power) + "\t" + text::exactNumber(s.r2Opt) + "\n";
    return t;
}

std::string evolutiveText(const TestDescription& d, double windowLength, double stepLength,
                          const EvolutiveTimeOpt& e) {
    std::string t = testBlock(d, "evolutive astronomical test (TimeOpt in moving windows)") +
                    windowLines(windowLength, stepLength);
    t += "x_centre\tsedimentation_rate\tr2_envelope\tr2_power\tr2_opt\n";
    for (std::size_t w = 0; w < e.centres.size(); ++w)
        for (std::size_t r = 0; r < e.rates.size(); ++r) {
            const RateScore& s = e.cells[w * e.rates.size() + r];
            t += text::exactNumber(e.centres[w]) + "\t" + text::exactNumber(s.rate) + "\t" +
                 text::exactNumber(s.r2Envelope) + "\t" + text::exactNumber(s.r2Power) + "\t" +
                 text::exactNumber(s.r2Opt) + "\n";
        }
    return t;
}

std::string trackText(const TestDescription& d, double windowLength, double stepLength,
                      const std::vector<TrackPoint>& track) {
    std::string t = testBlock(d, "track of the optimal sedimentation rate") +
                    windowLines(windowLength, stepLength);
    t += "x_centre\tsedimentation_rate\tr2_opt\n";
    for (const TrackPoint& p : track)
        t += text::exactNumber(p.centre) + "\t" + text::exactNumber(p.rate) + "\t" +
             text::exactNumber(p.r2Opt) + "\n";
    return t;
}

bool allFinite(const std::vector<double>& v) {
    for (double x : v)
        if (!std::isfinite(x))
            return false;
    return true;
}

bool allFinite(const std::vector<RateScore>& scores) {
    for (const RateScore& s : scores)
        if (!std::isfinite(s.rate) || !std::isfinite(s.r2Envelope) || !std::isfinite(s.r2Power) ||
            !std::isfinite(s.r2Opt))
            return false;
    return true;
}

} // namespace astro
