// The window pipeline of one analysis: every window's transforms, F-test, probabilities, rows
// and records, on worker threads, while the calling thread reports progress and writes each
// window's records in window order, so that rows, progress reports, diagnostic lines and
// auxiliary records are exactly those of a single thread walking the windows one by one.
//
// Internal to the engine: the driver (mwc2.cpp) prepares a WindowRun and calls runWindows.
#pragma once

#include "engine/mwc2.h"
#include "engine/quad.h"

#include <functional>

namespace engine {

// Per-worker arrays of one window. Worker 0 works in the driver's static storage; further
// workers get arrays of the run's sizes, allocated on first use and kept for later runs.
struct WindowScratch {
    double* window; // mpts values
    double* yk;     // kspec transforms, leading dimension ykdim complex values
    int ykdim;
    double* fftWork; // initialised for nfft
    double* F;       // nf values each
    quad* mu;        // 2 nf
    double* P;
    double* lineRecip; // significant lines of the window: reciprocal frequency and F
    double* lineF;
    quad* harmftScratch; // KMAX
};

struct WindowRun {
    // The series (mean-removed as asked), frequency grid and tapers, all prepared by the driver.
    const double* series;
    const double* fgrid;
    const quad* tapers;   // leading dimension NMAX
    const double* taperd; // the tapers rounded to double, leading dimension mpts
    const quad* taperU;   // taper sums
    quad S;               // sum of their squares
    // Results.
    double* xcent;
    double* freq;
    double* ampl;
    double* prob;
    // Shape.
    double deltat, fmax, xpos1, threshold, rdeltat;
    int kspec, mpts, inc, nfft;
    int nbspe, nf, nsel, nb; // nb: bins whose F-test is evaluated
    int nu2;
    bool dofBad; // nu2 outside what the probability accepts: an error record per bin
    Mwc2Execution execution;
    // Recomputes the tapers for the next window (tapersPerWindow); returns the taper status.
    std::function<int()> recomputeTapers;
    WindowScratch first; // worker 0's arrays
};

// The coordinator's part of window w: the cancellation check, progress and the fort.17 record.
// False when the run is to end.
bool openWindow(const Mwc2Execution& execution, int w, double pct, void* ctx,
                ProgressFunction progress);

// Runs windows 1 .. nbspe, window 1 already opened by the driver.
Mwc2Status runWindows(WindowRun& run, double pct, void* ctx, ProgressFunction progress);

} // namespace engine
