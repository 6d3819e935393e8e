#include "core/astro/AstroFiles.h"

#include "core/astro/TargetsAtAge.h"
#include "core/astro/TestReading.h"

#include "core/results/HeaderBlock.h"
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

// The record as the astronomical outputs name it: its spacing without the note on uneven
// positions.
results::HeaderBlock recordBlock(const analysis::Provenance& p, const std::string& what) {
    results::HeaderBlock h(what);
    h.source(p).reading(p, false);
    return h;
}

// Where the target periods come from and, for an age, its precession constant.
void targetsUsed(results::HeaderBlock& h, const TestDescription& d) {
    if (!d.ageMa) {
        h.line("targets", d.targetsSource.empty() ? std::string("default") : d.targetsSource);
        return;
    }
    h.line("targets", "precession and obliquity for an age of " + text::exactNumber(*d.ageMa) +
                          " Ma (Earth-Moon model after Waltham 2015, La2004 frequencies), "
                          "eccentricity default");
    h.line("precession constant k",
           text::exactNumber(precessionConstantAt(*d.ageMa)) + " arcsec/yr");
}

results::HeaderBlock testBlock(const TestDescription& d, const std::string& what) {
    const TimeOptSettings& s = d.settings;
    const std::vector<double> scored = scoredRates(s, d.record.deltat);
    results::HeaderBlock h = recordBlock(d.record, what);
    h.line("positions in", d.positionUnit);
    h.line("trial sedimentation rates",
           std::to_string(s.grid.count) + " from " + text::exactNumber(s.grid.low) + " to " +
               text::exactNumber(s.grid.high) + " cm/kyr, " +
               (s.grid.linear ? "evenly spaced" : "evenly spaced in log(rate)"));
    h.line("scored rates",
           std::to_string(scored.size()) +
               (scored.empty() ? std::string()
                               : " from " + text::exactNumber(scored.front()) + " to " +
                                     text::exactNumber(scored.back()) + " cm/kyr") +
               " (those putting the precession band below the Nyquist frequency)");
    h.line("precession band", text::exactNumber(s.precessionBand.low) + " to " +
                                  text::exactNumber(s.precessionBand.high) + " cycles/kyr");
    targetsUsed(h, d);
    h.line("eccentricity periods", list(s.targets.eccentricity) + " kyr");
    h.line("precession periods", list(s.targets.precession) + " kyr");
    if (d.ageMa)
        h.line("obliquity periods", list(s.targets.obliquity) + " kyr (not fitted by TimeOpt)");
    h.line("r2_power", "variance of the detrended, standardised series explained by the target "
                       "periods; r2_envelope: variance of the precession band's envelope explained "
                       "by the eccentricity periods; r2_opt = r2_envelope x r2_power");
    h.line("record edges", "left out of r2_envelope, for the record and its surrogates: the "
                           "samples where a unit sinusoid at the band's centre, filtered alike, "
                           "has an envelope below " +
                               text::exactNumber(trustedEnvelope) +
                               " (r2_envelope 0 where "
                               "too few samples are left)");
    return h;
}

// The windows of the evolutive test, after the test's block.
results::HeaderBlock windowBlock(const TestDescription& d, const std::string& what,
                                 double windowLength, double stepLength) {
    results::HeaderBlock h = testBlock(d, what);
    h.line("window", text::exactNumber(windowLength) + " position units, step " +
                         text::exactNumber(stepLength));
    return h;
}

// How a rate's interval is made, in one line.
const char* intervalMethod = "the highest-density interval of the rate's posterior: uniform prior, "
                             "likelihood of the power fit with AR(1) residuals (after Meyers and "
                             "Malinverno 2018, PNAS 115, 6363), linear in log-likelihood between "
                             "the rates it was computed at";

// The interval's lines: the mode holding `rate` and the others.
void rateIntervalLines(results::HeaderBlock& h, const RateInterval& interval, double rate) {
    const RateMode* held = interval.holding(rate);
    if (!held) {
        h.line("rate interval", "none: the likelihood is not known");
        return;
    }
    h.line("rate interval",
           modeText(interval, *held) + ", the mode holding the optimum; " + intervalMethod);
    std::string others;
    for (const RateMode& m : interval.modes)
        if (&m != held)
            others += (others.empty() ? "" : ", ") + text::exactNumber(m.low) + " to " +
                      text::exactNumber(m.high) + " cm/kyr (share " + text::exactNumber(m.share) +
                      ")";
    if (!others.empty())
        h.line("other modes", others);
}

} // namespace

std::string modeText(const RateInterval& interval, const RateMode& mode) {
    return text::exactNumber(100 * interval.probability) + " % from " +
           text::exactNumber(mode.low) + " to " + text::exactNumber(mode.high) + " cm/kyr (share " +
           text::exactNumber(mode.share) + ")";
}

std::string filterText(const analysis::Provenance& record, const Band& band,
                       const std::vector<double>& positions, const std::vector<double>& values,
                       const BandPassed& filtered) {
    std::string t =
        recordBlock(record, "band-pass and amplitude envelope")
            .line("passband", text::exactNumber(band.low) + " to " + text::exactNumber(band.high) +
                                  " cycles per position unit, zero-phase, raised-cosine edges a "
                                  "quarter of the band wide")
            .line("envelope", "modulus of the analytic signal of the filtered series")
            .line("edge", "1 where the envelope of a unit sinusoid at the band's centre, "
                          "filtered alike, falls below " +
                              text::exactNumber(trustedEnvelope) +
                              ": the record's ends, where filtered and envelope sag")
            .text();
    t += "position\tvalue\tfiltered\tenvelope\tedge\n";
    for (std::size_t i = 0; i < positions.size(); ++i)
        t += text::exactNumber(positions[i]) + "\t" + text::exactNumber(values[i]) + "\t" +
             text::exactNumber(filtered.filtered[i]) + "\t" +
             text::exactNumber(filtered.envelope[i]) + "\t" + (filtered.edge[i] ? "1" : "0") + "\n";
    return t;
}

std::string timeOptText(const TestDescription& d, const TimeOptScan& scan,
                        const Significance* significance) {
    results::HeaderBlock h = testBlock(d, "astronomical test (TimeOpt)");
    h.line("lag-1 autocorrelation", text::exactNumber(scan.lag1));
    if (significance)
        h.line("significance", std::to_string(significance->simulations) +
                                   " AR(1) surrogates with the record's lag-1 autocorrelation, "
                                   "each scored by its largest r2_opt; " +
                                   std::to_string(significance->reaching) +
                                   " reached the record's");
    // What the optimum means comes before it, so that nobody reads the rate alone.
    const TestReading reading = readTest(scan, significance);
    for (const std::string& caution : reading.cautions)
        h.line("caution", caution);
    if (!reading.cautions.empty())
        h.line("candidates", candidatesText(reading.candidates));
    const RateScore& best = scan.scores[scan.best];
    rateIntervalLines(h, rateInterval(scan.likelihood, d.interval), best.rate);
    h.line("optimal sedimentation rate", text::exactNumber(best.rate) + " cm/kyr");
    h.line("r2_opt", text::exactNumber(best.r2Opt));
    if (significance)
        h.line("p-value", text::exactNumber(significance->pValue) + " (" +
                              std::to_string(significance->simulations) + " simulations)");
    std::string t = h.text() + "sedimentation_rate\tr2_envelope\tr2_power\tr2_opt\n";
    for (const RateScore& s : scan.scores)
        t += text::exactNumber(s.rate) + "\t" + text::exactNumber(s.r2Envelope) + "\t" +
             text::exactNumber(s.r2Power) + "\t" + text::exactNumber(s.r2Opt) + "\n";
    return t;
}

std::string evolutiveText(const TestDescription& d, double windowLength, double stepLength,
                          const EvolutiveTimeOpt& e) {
    std::string t = windowBlock(d, "evolutive astronomical test (TimeOpt in moving windows)",
                                windowLength, stepLength)
                        .text();
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
                      const FlaggedTrack& track, int simulations, double fdr) {
    results::HeaderBlock h =
        windowBlock(d, "track of the optimal sedimentation rate", windowLength, stepLength);
    h.line("significance",
           simulations > 0
               ? std::to_string(simulations) +
                     " AR(1) surrogates per window with the window's lag-1 autocorrelation; "
                     "false discovery rate " +
                     text::exactNumber(fdr) + " over the windows (Benjamini-Hochberg)"
               : std::string("none (no simulations): every window is weak at best"));
    h.line("flags", "edge: the optimum on the lowest or highest scored rate; alias: another "
                    "local maximum of r2_opt at least half as high, or a significant neighbour, "
                    "at " +
                        text::exactNumber(aliasLow) + " to " + text::exactNumber(aliasHigh) +
                        " times or the inverse of the rate, or the window's lines fit best, "
                        "significantly, at " +
                        text::exactNumber(aliasLow) +
                        " times the identified rate or more, or its inverse or less; jump: the "
                        "rate differs from a "
                        "neighbour's by more than " +
                        text::exactNumber(100 * jumpShare) + " % or " + std::to_string(jumpSteps) +
                        " grid steps, whichever is more; weak: not significant; else ok");
    h.line("identified_rate",
           track.identities.empty()
               ? std::string("the optimum (the lines were not tested)")
               : "of the local maxima of r2_opt above half the largest, the rate of the largest "
                 "r2_opt among those whose lines fit the targets (average spectral misfit) with a "
                 "null probability, corrected for the rates tried, within a factor of two of the "
                 "smallest");
    for (std::size_t w = 0; w < track.identities.size(); ++w) {
        const CycleIdentity& id = track.identities[w];
        if (!id.alternative)
            continue;
        const std::string p = track.pValues.empty()
                                  ? ""
                                  : " (window p-value " + text::exactNumber(track.pValues[w]) + ")";
        h.line("window at " + text::displayNumber(track.points[w].centre),
               "identified " + candidateText(id.candidates[id.identified]) + p + "; alternative " +
                   candidateText(id.candidates[*id.alternative]));
    }
    h.line("rate interval",
           text::exactNumber(100 * d.interval) +
               " %: rate_low and rate_high bound the mode of the window's posterior that holds "
               "its identified rate, mode_share is that mode's share of the probability (NA: a "
               "window that lies on a line); " +
               intervalMethod);
    std::string t = h.text() +
                    "x_centre\tsedimentation_rate\tr2_opt\tp_value\tflag\tidentified_rate\t"
                    "rate_low\trate_high\tmode_share\n";
    for (std::size_t w = 0; w < track.points.size(); ++w) {
        const TrackPoint& p = track.points[w];
        t += text::exactNumber(p.centre) + "\t" + text::exactNumber(p.rate) + "\t" +
             text::exactNumber(p.r2Opt) + "\t" +
             (track.pValues.empty() ? std::string("NA") : text::exactNumber(track.pValues[w])) +
             "\t" + tuning::rateFlagName(track.flags[w]) + "\t" +
             text::exactNumber(track.identifiedRate(w));
        const RateMode* m = track.mode(w);
        t += m ? "\t" + text::exactNumber(m->low) + "\t" + text::exactNumber(m->high) + "\t" +
                     text::exactNumber(m->share) + "\n"
               : std::string("\tNA\tNA\tNA\n");
    }
    return t;
}

std::string misfitText(const MisfitDescription& d, const LineSet& lines, const MisfitScan& scan) {
    const TimeOptSettings& s = d.test.settings;
    results::HeaderBlock h = recordBlock(d.test.record, "average spectral misfit (ASM)");
    h.line("positions in", d.test.positionUnit);
    h.line("trial sedimentation rates",
           std::to_string(s.grid.count) + " from " + text::exactNumber(s.grid.low) + " to " +
               text::exactNumber(s.grid.high) + " cm/kyr, " +
               (s.grid.linear ? "evenly spaced" : "evenly spaced in log(rate)"));
    targetsUsed(h, d.test);
    h.line("eccentricity periods", list(s.targets.eccentricity) + " kyr");
    h.line("obliquity periods", list(s.targets.obliquity) + " kyr");
    h.line("precession periods", list(s.targets.precession) + " kyr");
    h.line("lines", std::to_string(lines.frequencies.size()) +
                        " harmonic F-test lines at probability " + text::exactNumber(d.level) +
                        " or more (time-bandwidth product " + text::exactNumber(d.tbw) + ", " +
                        std::to_string(d.tapers) + " tapers, transform length " +
                        std::to_string(d.nfft) + "): " + list(lines.frequencies) +
                        " cycles per position unit");
    h.line("misfit", "root mean square distance, in cycles/kyr, from each target between the "
                     "record's Rayleigh and Nyquist frequencies to its nearest line (Meyers and "
                     "Sageman 2007); obliquity targets count only with a line within the "
                     "half-bandwidth " +
                         text::exactNumber(lines.halfBandwidth) + " cycles per position unit");
    h.line("null probability", std::to_string(d.simulations) + " random line sets (seed " +
                                   std::to_string(d.seed) +
                                   ") as many as the record's, uniform between its Rayleigh and "
                                   "Nyquist frequencies: p_null is the share fitting as well");
    const MisfitRow& best = scan.rows[scan.best];
    h.line("best sedimentation rate", text::exactNumber(best.rate) + " cm/kyr");
    h.line("misfit at the best rate", text::exactNumber(best.misfit) + " cycles/kyr");
    h.line("null probability at the best rate",
           text::exactNumber(best.pNull) + "; corrected for the " +
               std::to_string(scan.rows.size()) +
               " rates tried: " + text::exactNumber(scan.bestCorrected) +
               (scan.bestCorrected <= significanceLevel ? ""
                                                        : " (not significant at the 0.05 level)"));
    std::string t = h.text() + "sedimentation_rate\tmisfit\tp_null\n";
    for (const MisfitRow& r : scan.rows)
        t += text::exactNumber(r.rate) + "\t" + text::exactNumber(r.misfit) + "\t" +
             text::exactNumber(r.pNull) + "\n";
    return t;
}

bool allFinite(const std::vector<double>& v) {
    return std::all_of(v.begin(), v.end(), [](double x) { return std::isfinite(x); });
}

bool allFinite(const std::vector<RateScore>& scores) {
    return std::all_of(scores.begin(), scores.end(), [](const RateScore& s) {
        return std::isfinite(s.rate) && std::isfinite(s.r2Envelope) && std::isfinite(s.r2Power) &&
               std::isfinite(s.r2Opt);
    });
}

} // namespace astro
