// The analysis driver: checks, the series copy and mean removal, the frequency grid and the
// tapers. The tapers depend only on mpts, kspec and tbw, so they are computed once per call;
// the windows then go through the pipeline (pipeline.h).
#include "engine/mwc2.h"

#include "engine/auxfiles.h"
#include "engine/capacities.h"
#include "engine/diagnostics.h"
#include "engine/fft.h"
#include "engine/fprob.h"
#include "engine/harmonic.h"
#include "engine/pipeline.h"
#include "engine/tapers.h"

#include <cmath>
#include <mutex>
#include <vector>

namespace engine {

namespace {

// ---- static storage: zero at start, touched only as far as a call needs it ---------------

double seriesX[NMAX];
double seriesY[NMAX];
double fgrid[NBINMAX];
quad tapers[static_cast<long>(NMAX) * KMAX];
quad taperWork[DPSS_WORK_QUADS];
int taperTags[NMAX / 2 + 1];
quad eig[KMAX];
quad evalu[KMAX];
quad taperU[KMAX];

// The first worker's window arrays.
double window[NMAX];
double yk[2L * NFMAX * KMAX];
double fftWork[4L * NFMAX + FFT_FACTOR_SLOTS];
double F[NBINMAX];
quad mu[2L * NBINMAX];
double P[NBINMAX];
double lineRecip[NBINMAX];
double lineF[NBINMAX];
quad harmftScratch[KMAX];

// The tapers rounded to double, leading dimension mpts: sized on first use.
std::vector<double>& taperd() {
    static std::vector<double> v;
    return v;
}

// dpss and dpssev for the run, and their double copies; returns the taper status.
int computeTapers(int mpts, int kspec, quad W, const Mwc2Execution& execution) {
    int iflag = 0;
    setTaperStopFlag(execution.cancel);
    dpss(NMAX, mpts, kspec, W, tapers, eig, iflag, taperWork, taperTags);
    if (iflag == 0)
        dpssev(NMAX, mpts, kspec, W, DPSSEV_RELTOL, DPSSEV_ABSTOL, tapers, evalu, eig);
    const bool stopped = taperStopRequested();
    setTaperStopFlag(nullptr);
    if (stopped)
        return TAPERS_STOPPED;
    if (execution.simulatedTaperStatus != 0)
        iflag = execution.simulatedTaperStatus;
    if (iflag != 0)
        return iflag;
    std::vector<double>& d = taperd();
    d.resize(static_cast<std::size_t>(mpts) * kspec);
    for (int k = 0; k < kspec; ++k)
        for (int t = 0; t < mpts; ++t)
            d[static_cast<std::size_t>(k) * mpts + t] =
                static_cast<double>(tapers[static_cast<long>(k) * NMAX + t]);
    return 0;
}

Mwc2Check refuse(Mwc2Status status, const std::string& text) {
    return {status, " mwc2 refused: " + text};
}

std::string str(int v) {
    return std::to_string(v);
}
std::string str(double v) {
    return formatDouble(v);
}

} // namespace

Mwc2Check mwc2check(double tbw, double fmax, double deltat, int npts, int kspec, int mpts, int inc,
                    int nfft) {
    if (npts < 1 || npts > NMAX)
        return refuse(Mwc2Status::BadNpts,
                      "npts (number of samples) = " + str(npts) + " is outside 1 .. " + str(NMAX));
    if (mpts < 2 || mpts > npts)
        return refuse(Mwc2Status::BadMpts, "mpts (samples per window) = " + str(mpts) +
                                               " is outside 2 .. " + str(npts) + " (npts)");
    if (inc < 1)
        return refuse(Mwc2Status::BadInc,
                      "inc (window step) = " + str(inc) + " is below the minimum 1");
    if (nfft < mpts || nfft > NFMAX)
        return refuse(Mwc2Status::BadNfft, "nfft (transform length) = " + str(nfft) +
                                               " is outside " + str(mpts) + " (mpts) .. " +
                                               str(NFMAX));
    const int kmax = std::min(KMAX, mpts);
    if (kspec < 1 || kspec > kmax)
        return refuse(Mwc2Status::BadKspec,
                      "kspec (number of tapers) = " + str(kspec) + " is outside 1 .. " + str(kmax));
    if (!std::isfinite(tbw))
        return refuse(Mwc2Status::BadTbw,
                      "tbw (time-bandwidth product) = " + str(tbw) + " is not a finite number");
    const double W = tbw * (1.0 / mpts);
    if (!(W > 0 && W < 0.5))
        return refuse(Mwc2Status::BadTbw, "tbw (time-bandwidth product) = " + str(tbw) +
                                              " gives W = tbw/mpts = " + str(W) +
                                              ", outside the open interval (0, 0.5)");
    if (!std::isfinite(fmax))
        return refuse(Mwc2Status::BadFmax,
                      "fmax (highest frequency) = " + str(fmax) + " is not a finite number");
    if (!std::isfinite(deltat) || !(deltat > 0))
        return refuse(Mwc2Status::BadDeltat, "deltat (sample spacing) = " + str(deltat) +
                                                 " must be a finite number above 0");
    return {};
}

void removeWindowTrend(double* x, int n, WindowDetrend how) {
    if (how == WindowDetrend::None || n < 1)
        return;
    quad sum = 0;
    for (int t = 0; t < n; ++t)
        sum = sum + static_cast<quad>(x[t]);
    const quad mean = sum / static_cast<quad>(static_cast<double>(n));
    // About the window's middle the times sum to zero, so slope and mean are fitted apart.
    const quad middle = static_cast<quad>(static_cast<double>(n - 1)) / 2;
    quad slope = 0;
    if (how == WindowDetrend::Linear && n > 1) {
        quad sxy = 0, sxx = 0;
        for (int t = 0; t < n; ++t) {
            const quad u = static_cast<quad>(static_cast<double>(t)) - middle;
            sxy = sxy + u * static_cast<quad>(x[t]);
            sxx = sxx + u * u;
        }
        slope = sxy / sxx;
    }
    for (int t = 0; t < n; ++t) {
        const quad u = static_cast<quad>(static_cast<double>(t)) - middle;
        x[t] = static_cast<double>(static_cast<quad>(x[t]) - mean - slope * u);
    }
}

int mwc2Windows(int npts, int mpts, int inc) {
    if (inc < 1 || npts < mpts)
        return 0;
    return (npts - mpts) / inc + 1;
}

int mwc2Bins(int nfft, double fmax) {
    if (nfft < 1)
        return 0;
    const int nf = nfft / 2 + 1;
    const double df = 1.0 / nfft;
    int n = 0;
    while (n < nf && n * df <= fmax)
        ++n;
    return n;
}

int mwc2(double* xcent, double* freq, double* ampl, double* prob, const double* xpos, double tbw,
         double fmax, double deltat, const double* yval, int irem, int npts, int kspec, int mpts,
         int inc, int nfft, int iprob, void* ctx, ProgressFunction progress) {
    return mwc2x(Mwc2Execution{}, xcent, freq, ampl, prob, xpos, tbw, fmax, deltat, yval, irem,
                 npts, kspec, mpts, inc, nfft, iprob, ctx, progress);
}

std::string mwc2FailureText(int status) {
    return status == static_cast<int>(Mwc2Status::TaperFailure)
               ? "the analysis failed: the Slepian tapers could not be computed for these "
                 "parameters"
               : "the analysis failed (engine status " + std::to_string(status) + ")";
}

int mwc2x(const Mwc2Execution& execution, double* xcent, double* freq, double* ampl, double* prob,
          const double* xpos, double tbw, double fmax, double deltat, const double* yval, int irem,
          int npts, int kspec, int mpts, int inc, int nfft, int iprob, void* ctx,
          ProgressFunction progress) {
    // The storage is the process's: callers on several threads take turns.
    static std::mutex oneRunAtATime;
    const std::lock_guard<std::mutex> turn(oneRunAtATime);
    Mwc2Check check = mwc2check(tbw, fmax, deltat, npts, kspec, mpts, inc, nfft);
    if (check.ok() && (!xcent || !freq || !ampl || !prob || !xpos || !yval))
        check = refuse(Mwc2Status::NullArray, "a series or result array is null");
    if (!check.ok()) {
        writeDiagnosticLine(check.message);
        flushDiagnostics();
        return static_cast<int>(check.status);
    }

    writeDiagnosticLine(" Inside mwc2!");
    for (int i = 0; i < npts; ++i) {
        seriesY[i] = yval[i];
        seriesX[i] = xpos[i];
    }
    writeDiagnosticLine(
        (Record() << "ps npts,irem,nar,filnam,form,nblock,nskip :" << npts << irem).str());
    writeDiagnosticLine((Record() << "ps tbw,kspec,mpts,inc,nfft,fmax,iprob,deltat :" << tbw
                                  << kspec << mpts << inc << nfft << fmax << iprob << deltat)
                            .str());

    WindowRun run{};
    run.nbspe = (npts - mpts) / inc + 1;
    if (irem == 1) {
        // The mean in quad, never rounded before the subtraction: a constant becomes 0.
        quad sum = 0;
        for (int i = 0; i < npts; ++i)
            sum = sum + static_cast<quad>(seriesY[i]);
        const quad mean = sum / static_cast<quad>(static_cast<double>(npts));
        for (int i = 0; i < npts; ++i)
            seriesY[i] = static_cast<double>(static_cast<quad>(seriesY[i]) - mean);
    }
    writeDiagnosticLine((Record() << npts << "data values input").str());
    auxWrite(27, "% x-centre  frequency   amplitude     phase    f-statistic probability   period");
    writeDiagnosticLine((Record() << "nbspe=" << run.nbspe << deltat << mpts).str());

    run.series = seriesY;
    run.fgrid = fgrid;
    run.tapers = tapers;
    run.taperU = taperU;
    run.xcent = xcent;
    run.freq = freq;
    run.ampl = ampl;
    run.prob = prob;
    run.deltat = deltat;
    run.fmax = fmax;
    run.xpos1 = seriesX[0];
    run.kspec = kspec;
    run.mpts = mpts;
    run.inc = inc;
    run.nfft = nfft;
    run.nf = nfft / 2 + 1;
    run.nsel = mwc2Bins(nfft, fmax);
    run.nb = execution.allBins || execution.tapersPerWindow ? run.nf : run.nsel;
    run.nu2 = 2 * kspec - 2;
    run.dofBad = run.nu2 < 2 || run.nu2 > MDFD_LARGEST_NU2;
    run.threshold = iprob * 0.01;
    run.rdeltat = 1 / deltat;
    run.execution = execution;
    run.first = {window, yk, NFMAX, fftWork, F, mu, P, lineRecip, lineF, harmftScratch};

    const double pct = 100.0 / run.nbspe;
    Mwc2Status status = Mwc2Status::Ok;
    if (!openWindow(execution, 1, pct, ctx, progress)) {
        status = Mwc2Status::Cancelled;
    } else {
        const quad W = static_cast<quad>(tbw * (1.0 / mpts));
        const double df = 1.0 / nfft;
        for (int i = 0; i < run.nf; ++i)
            fgrid[i] = i * df;
        run.recomputeTapers = [&] { return computeTapers(mpts, kspec, W, execution); };
        const int iflag = run.recomputeTapers();
        if (iflag == TAPERS_STOPPED) {
            status = Mwc2Status::Cancelled;
        } else if (iflag != 0) {
            writeDiagnosticLine(
                (Record() << "fatal error while computing dpss  iflag=" << iflag).str());
            status = Mwc2Status::TaperFailure;
        } else {
            run.taperd = taperd().data();
            if (execution.tapersOut)
                *execution.tapersOut = taperd();
            if (execution.ratiosOut)
                execution.ratiosOut->assign(evalu, evalu + kspec);
            run.S = taperSums(mpts, kspec, NMAX, tapers, taperU);
            status = runWindows(run, pct, ctx, progress);
        }
    }
    auxFlush();
    flushDiagnostics();
    return static_cast<int>(status);
}

} // namespace engine
