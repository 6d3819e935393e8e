// Evolutive (moving-window) multitaper harmonic analysis of one evenly sampled series: the
// engine's single entry point.
//
// A window of mpts samples slides along the series in steps of inc samples. In every window
// the kspec Slepian tapers of half-bandwidth W = tbw / mpts (cycles per sample), the tapered
// transforms of length nfft and Thomson's harmonic F-test give, for every frequency bin up to
// fmax (cycles per sample), the amplitude 2|mu| of a line common to all tapers and the
// probability of its F statistic. Positions are in the caller's unit (depth or time), deltat
// is the sample spacing in that unit, frequencies are reported in cycles per unit.
//
// Results: four arrays of nbspe * nsel rows, window-major, frequency ascending within a window:
// window centre, frequency, amplitude, probability (1.0e37 where the probability could not be
// evaluated, i.e. for kspec < 2).
//
// Records: diagnostic lines go to the diagnostic stream (diagnostics.h); per-window records
// to the auxiliary files fort.17, fort.20 and fort.27 (auxfiles.h).
//
// The engine's working storage is static (the first worker's arrays included; further workers
// allocate theirs on first use): one call runs at a time in a process, and calls from other
// threads wait for it.
#pragma once

#include <atomic>
#include <string>
#include <vector>

namespace engine {

enum class Mwc2Status : int {
    Ok = 0,
    TaperFailure = 1, // the tapers could not be computed; no further rows were written
    BadNpts = 2,      // refused arguments, named in the diagnostic line
    BadMpts = 3,
    BadInc = 4,
    BadNfft = 5,
    BadKspec = 6,
    BadTbw = 7,
    BadFmax = 8,
    BadDeltat = 9,
    NullArray = 10,
    Cancelled = 11, // the caller's cancellation flag was seen at a window boundary
};

using ProgressFunction = void (*)(void* ctx, double percent);

struct Mwc2Check {
    Mwc2Status status = Mwc2Status::Ok;
    std::string message; // names the argument, its value and the allowed range
    bool ok() const { return status == Mwc2Status::Ok; }
};

// Checks the arguments that shape a run, so that a caller can ask before it allocates:
// 1 <= npts <= NMAX, 2 <= mpts <= npts, inc >= 1, mpts <= nfft <= NFMAX,
// 1 <= kspec <= min(KMAX, mpts), finite tbw with 0 < tbw / mpts < 1/2, finite fmax,
// finite deltat > 0.
Mwc2Check mwc2check(double tbw, double fmax, double deltat, int npts, int kspec, int mpts, int inc,
                    int nfft);

// Number of windows: (npts - mpts) / inc + 1 (0 when the window does not fit).
int mwc2Windows(int npts, int mpts, int inc);

// Number of frequency bins kept per window: bins i = 0 .. nfft/2 with i * (1/nfft) <= fmax.
int mwc2Bins(int nfft, double fmax);

// A failed call's status as one line for a message: "the analysis failed: the Slepian tapers
// could not be computed for these parameters", or "the analysis failed (engine status N)".
std::string mwc2FailureText(int status);

// One complete analysis. Arrays are read (xpos, yval: npts values) or written (xcent, freq,
// ampl, prob: nbspe * nsel values each). irem = 1 removes the series mean first. iprob is the
// significance threshold in percent for the auxiliary records. progress (may be null) is
// called on the calling thread once per window with w * (100 / nbspe); when it reports window
// w, the rows of windows 1 .. w-1 are final, so a caller may consume them while the analysis
// goes on. Returns a Mwc2Status.
int mwc2(double* xcent, double* freq, double* ampl, double* prob, const double* xpos, double tbw,
         double fmax, double deltat, const double* yval, int irem, int npts, int kspec, int mpts,
         int inc, int nfft, int iprob, void* ctx, ProgressFunction progress);

// What each window loses before tapering, after the series' mean removal: nothing, its own
// mean, or its own least-squares line. A window's mean or trend otherwise shows as a line near
// frequency 0.
enum class WindowDetrend : int { None = 0, Mean = 1, Linear = 2 };

// Removes the mean or least-squares line of x(0..n-1) in place, summed in quad precision as the
// series' mean removal is, so that a constant or a straight line becomes 0.
void removeWindowTrend(double* x, int n, WindowDetrend how);

// How a call is carried out. workers, tapersPerWindow and allBins change no result, no
// record and no order of records; they select the reference path for tests and benchmarks.
// windowDetrend changes the rows (None, the default, leaves them as mwc2 gives them).
struct Mwc2Execution {
    int workers = 0;              // threads for the windows; 0: one per core (at most 4)
    bool tapersPerWindow = false; // recompute the tapers in every window, as the plain algorithm
    bool allBins = false;         // F-test and probability for every bin, as the plain algorithm
    const std::atomic<bool>* cancel = nullptr; // read once per window; true ends the run
    int simulatedTaperStatus = 0; // non-zero: the taper computation reports this status (tests)
    // When set, receive the tapers as the run computed them, rounded to double (taper k at
    // k * mpts + t), and their concentration ratios, so that a caller can reuse them.
    std::vector<double>* tapersOut = nullptr;
    std::vector<double>* ratiosOut = nullptr;
    WindowDetrend windowDetrend = WindowDetrend::None;
};

// mwc2 carried out as `execution` says; mwc2 itself uses the defaults.
int mwc2x(const Mwc2Execution& execution, double* xcent, double* freq, double* ampl, double* prob,
          const double* xpos, double tbw, double fmax, double deltat, const double* yval, int irem,
          int npts, int kspec, int mpts, int inc, int nfft, int iprob, void* ctx,
          ProgressFunction progress);

} // namespace engine
