// The spectrum of a whole record: Thomson's adaptive multitaper power, the harmonic F-test of
// one window the length of the record (the engine's own, so the numbers equal those of a map
// of one window), and a red-noise background with its confidence levels. The tapers are
// computed once, by the engine, and reused for the power. The engine's part is run by the
// analysis service (core/service/AnalysisService.h); what follows it is here.
#pragma once

#include "core/analysis/RunParameters.h"
#include "core/spectrum/ExpectedPower.h"
#include "core/spectrum/RedNoise.h"

#include <memory>
#include <string>
#include <vector>

namespace spectrum {

struct WholeRecordRequest {
    double tbw = 3.0;
    int tapers = 4;
    int nfft = 0;      // at least the record
    double fmax = 0.5; // cycles per sample: the bins i / nfft <= fmax
    bool keepMean = false;
    analysis::WindowDetrend windowDetrend = analysis::WindowDetrend::None; // the one window's
    BackgroundKind background = BackgroundKind::Ar1;
};

struct WholeRecord {
    std::vector<double> frequency; // cycles per position unit
    std::vector<double> power;     // one-sided, (value unit)^2 per (cycle per position unit)
    std::vector<double> dof;       // of each bin's power, from the adaptive weights
    std::vector<double> amplitude; // of a line, from the F-test
    std::vector<double> probability;
    Background background;
    // What the estimate makes of AR(1) noise, for fitting the background again.
    std::shared_ptr<const ExpectedPower> expected;
    double rhoSeries = 0;     // lag-one autocorrelation of the series as analysed
    double halfBandwidth = 0; // W of the tapers, cycles per position unit
    int iterations = 0;       // the adaptive weights' most iterations at any bin
    bool converged = false;   // every bin met the adaptive tolerance
    int status = 0;           // the engine's status; nothing above is valid unless 0
};

// After the engine's F-test of one window the length of the record has filled r's frequency,
// amplitude and probability: the adaptive power of the same series (y at spacing dt, its mean
// removed unless keepMean) with the engine's tapers and concentration ratios, and the
// background.
void completeWholeRecord(WholeRecord& r, const std::vector<double>& y, double dt,
                         const WholeRecordRequest& q, const std::vector<double>& tapers,
                         const std::vector<double>& ratios);

// The background of r fitted anew as `kind`, from the power already computed: a change of
// background needs no new spectrum. Throws std::invalid_argument for a record that
// completeWholeRecord did not complete.
void refitBackground(WholeRecord& r, BackgroundKind kind, double dt);

// The frequency below which the levels are not to be trusted: that of the first reliable bin
// (0 when every bin is; the highest frequency when none is).
double unreliableBelow(const WholeRecord& r);

// Bins that pass both the F-test at level and the background's 95 % level where it is reliable.
std::vector<bool> passesBoth(const WholeRecord& r, double level);

} // namespace spectrum
