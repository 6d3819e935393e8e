// The spectrum of a whole record: Thomson's adaptive multitaper power, the harmonic F-test of
// one window the length of the record (the engine's own, so the numbers equal those of a map
// of one window), and a red-noise background with its confidence levels. The tapers are
// computed once, by the engine, and reused for the power.
#pragma once

#include "core/spectrum/RedNoise.h"
#include "engine/mwc2.h"

#include <atomic>
#include <string>
#include <vector>

namespace spectrum {

struct WholeRecordRequest {
    double tbw = 3.0;
    int kspec = 4;
    int nfft = 0;      // at least the record
    double fmax = 0.5; // cycles per sample: the bins i / nfft <= fmax
    bool keepMean = false;
    engine::WindowDetrend windowDetrend = engine::WindowDetrend::None; // the one window's
    BackgroundKind background = BackgroundKind::Ar1;
    const std::atomic<bool>* cancel = nullptr; // read between the stages and by the engine
};

struct WholeRecord {
    std::vector<double> frequency; // cycles per position unit
    std::vector<double> power;     // one-sided, (value unit)^2 per (cycle per position unit)
    std::vector<double> dof;       // of each bin's power, from the adaptive weights
    std::vector<double> amplitude; // of a line, from the F-test
    std::vector<double> probability;
    Background background;
    int iterations = 0;     // the adaptive weights' most iterations at any bin
    bool converged = false; // every bin met the adaptive tolerance
    int status = 0;         // the engine's status; nothing above is valid unless 0
};

// y: the prepared values at even spacing dt (the parameters checked beforehand, as the one run
// preparation does for a whole record). The engine removes the mean unless keepMean; the power
// is taken of the same series.
WholeRecord wholeRecordSpectrum(const std::vector<double>& x, const std::vector<double>& y,
                                double dt, const WholeRecordRequest& request);

// Bins that pass both the F-test at level and the background's 95 % level.
std::vector<bool> passesBoth(const WholeRecord& r, double level);

} // namespace spectrum
