// The analysis driver. The tapers depend only on mpts, kspec and tbw, so they are computed
// once per call; windows are then processed by worker threads, each with static scratch of
// its own, while the calling thread reports progress and writes every window's records in
// window order, so that rows, progress reports, diagnostic lines and auxiliary records are
// exactly those of a single thread walking the windows one after another.
#include "mwc2.h"

#include "auxfiles.h"
#include "capacities.h"
#include "diagnostics.h"
#include "fft.h"
#include "fprob.h"
#include "harmonic.h"
#include "tapers.h"

#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

namespace {

constexpr int MAX_WORKERS = 4;
constexpr int RING = 16; // windows in flight; a worker waits when it is this far ahead

// ---- static storage: zero at start, touched only as far as a call needs it ---------------

double seriesX[NMAX];
double seriesY[NMAX];
double fgrid[NBINMAX];
quad tapers[static_cast<long>(NMAX) * KMAX];
double taperd[static_cast<long>(NMAX) * KMAX]; // the tapers rounded to double
quad taperWork[DPSS_WORK_QUADS];
int taperTags[NMAX / 2 + 1];
quad eig[KMAX];
quad evalu[KMAX];
quad taperU[KMAX];

struct Scratch {
    double window[NMAX];
    double yk[2L * NFMAX * KMAX];
    double fftWork[4L * NFMAX + FFT_FACTOR_SLOTS];
    double F[NBINMAX];
    quad mu[2L * NBINMAX];
    double P[NBINMAX];
    double lineRecip[NBINMAX];
    double lineF[NBINMAX];
    quad harmftScratch[KMAX];
};
Scratch scratch[MAX_WORKERS];

Mwc2Execution execution;

// ---- one run -----------------------------------------------------------------------------

struct Run {
    double* xcent;
    double* freq;
    double* ampl;
    double* prob;
    double deltat;
    double fmax;
    double xpos1;
    int kspec, mpts, inc, nfft, iprob;
    int nbspe, nf, nsel, nb; // nb: bins whose F-test is evaluated
    int nu2;
    bool dofBad; // nu2 outside what the probability accepts: an error record per bin
    double threshold;
    double rdeltat;
    quad W;
    quad S; // sum of squared taper sums
};

struct WindowText {
    std::string out;     // diagnostic lines of the window
    std::string periods; // fort.20 records of the window
    int done = 0;        // the window whose text this is, once complete
};

std::string spectrumRecord(int w) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%% spectrum #%4d", w);
    return buf;
}

// dpss and dpssev for the run; returns the taper status.
int computeTapers(const Run& run) {
    int iflag = 0;
    dpss(NMAX, run.mpts, run.kspec, run.W, tapers, eig, iflag, taperWork, taperTags);
    dpssev(NMAX, run.mpts, run.kspec, run.W, 1.0e-8Q, 1.0e-14Q, tapers, evalu, eig);
    if (execution.simulatedTaperStatus != 0)
        iflag = execution.simulatedTaperStatus;
    if (iflag != 0)
        return iflag;
    for (int k = 0; k < run.kspec; ++k) {
        const quad* v = tapers + static_cast<long>(k) * NMAX;
        double* d = taperd + static_cast<long>(k) * NMAX;
        for (int t = 0; t < run.mpts; ++t)
            d[t] = static_cast<double>(v[t]);
    }
    return 0;
}

// Everything of window w after its tapers: transforms, F-test, probabilities, rows, records.
void processWindow(const Run& run, Scratch& s, int w, WindowText& text) {
    setThreadDiagnosticBuffer(&text.out);
    const long ist = 1 + static_cast<long>(w - 1) * run.inc; // 1-based first sample
    for (int t = 0; t < run.mpts; ++t)
        s.window[t] = seriesY[ist - 1 + t];

    eigcoef(run.mpts, run.nfft, run.kspec, s.window, NMAX, taperd, s.fftWork, NFMAX, s.yk);
    if (execution.tapersPerWindow || execution.allBins)
        harmft(run.mpts, run.nb, run.kspec, NMAX, tapers, NFMAX, s.yk, s.harmftScratch, s.F, s.mu);
    else
        harmonicBins(run.nb, run.kspec, taperU, run.S, NFMAX, s.yk, s.F, s.mu);

    int count = 0;
    for (int i = 0; i < run.nf; ++i) {
        int ier = 0;
        if (i >= run.nb) {
            // Not observable beyond nsel except through the error record of a bad nu2.
            if (run.dofBad)
                mdfd(0.0, run.nu2, s.P[i], ier);
            continue;
        }
        mdfd(s.F[i], run.nu2, s.P[i], ier);
        if (s.P[i] >= run.threshold && fgrid[i] <= run.fmax) {
            s.lineRecip[count] = i == 0 ? 0.0 : 1 / fgrid[i];
            s.lineF[count] = s.F[i];
            ++count;
        }
    }
    for (int j = 1; j + 1 < count; ++j)
        if (s.lineF[j] > s.lineF[j - 1] && s.lineF[j] > s.lineF[j + 1]) {
            text.periods.append((Record() << w << run.deltat * s.lineRecip[j]).str());
            text.periods.push_back('\n');
        }

    const double centre = static_cast<double>(
        static_cast<quad>(run.xpos1) +
        static_cast<quad>(run.deltat * static_cast<double>(ist + run.mpts / 2 - 1)));
    const std::int64_t first = static_cast<std::int64_t>(w - 1) * run.nsel;
    for (int i = 0; i < run.nsel; ++i) {
        const std::int64_t r = first + i;
        const double re = static_cast<double>(s.mu[2 * i]);
        const double im = static_cast<double>(s.mu[2 * i + 1]);
        run.xcent[r] = centre;
        run.freq[r] = fgrid[i] * run.rdeltat;
        run.ampl[r] = 2 * std::sqrt(re * re + im * im);
        run.prob[r] = s.P[i];
    }
    if (count == 0)
        writeDiagnosticLine(" no significant lines detected");
    setThreadDiagnosticBuffer(nullptr);
}

void flushWindow(WindowText& text) {
    writeDiagnosticText(text.out);
    if (!text.periods.empty()) {
        // fort.20 takes whole lines; split the buffered records.
        std::size_t start = 0;
        while (start < text.periods.size()) {
            const std::size_t end = text.periods.find('\n', start);
            auxWrite(20, text.periods.substr(start, end - start));
            start = end + 1;
        }
    }
    text.out.clear();
    text.periods.clear();
}

bool cancelled() {
    return execution.cancel && execution.cancel->load(std::memory_order_relaxed);
}

// The coordinator's part of window w: the cancellation check, progress and the fort.17 record.
bool openWindow(int w, double pct, void* ctx, ProgressFunction progress) {
    if (cancelled())
        return false;
    if (progress)
        progress(ctx, w * pct);
    auxWrite(17, spectrumRecord(w));
    return true;
}

int workerCount(const Run& run) {
    if (execution.tapersPerWindow)
        return 1;
    int n = execution.workers;
    if (n <= 0)
        n = static_cast<int>(std::thread::hardware_concurrency());
    n = std::max(1, std::min(n, MAX_WORKERS));
    return std::min(n, run.nbspe);
}

Mwc2Status runSequential(Run& run, double pct, void* ctx, ProgressFunction progress) {
    WindowText text;
    for (int w = 1; w <= run.nbspe; ++w) {
        if (w > 1) {
            if (!openWindow(w, pct, ctx, progress))
                return Mwc2Status::Cancelled;
            if (execution.tapersPerWindow) {
                const int iflag = computeTapers(run);
                if (iflag != 0) {
                    writeDiagnosticLine(
                        (Record() << "fatal error while computing dpss  iflag=" << iflag).str());
                    return Mwc2Status::TaperFailure;
                }
            }
        }
        processWindow(run, scratch[0], w, text);
        flushWindow(text);
    }
    return Mwc2Status::Ok;
}

Mwc2Status runParallel(Run& run, int nw, double pct, void* ctx, ProgressFunction progress) {
    std::vector<WindowText> slots(RING);
    std::mutex mutex;
    std::condition_variable changed;
    int next = 1;    // next window to hand out
    int flushed = 0; // last window whose records are written
    bool stop = false;

    auto work = [&](int id) {
        for (;;) {
            int w;
            {
                std::unique_lock<std::mutex> lock(mutex);
                changed.wait(lock,
                             [&] { return stop || next > run.nbspe || next <= flushed + RING; });
                if (stop || next > run.nbspe)
                    return;
                w = next++;
            }
            WindowText& slot = slots[w % RING];
            processWindow(run, scratch[id], w, slot);
            {
                std::lock_guard<std::mutex> lock(mutex);
                slot.done = w;
            }
            changed.notify_all();
        }
    };

    std::vector<std::thread> threads;
    try {
        for (int id = 0; id < nw; ++id)
            threads.emplace_back(work, id);
    } catch (const std::system_error&) {
        if (threads.empty())
            return runSequential(run, pct, ctx, progress);
    }

    Mwc2Status status = Mwc2Status::Ok;
    for (int w = 1; w <= run.nbspe; ++w) {
        if (w > 1 && !openWindow(w, pct, ctx, progress)) {
            status = Mwc2Status::Cancelled;
            break;
        }
        WindowText& slot = slots[w % RING];
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return slot.done == w; });
        }
        flushWindow(slot);
        {
            std::lock_guard<std::mutex> lock(mutex);
            flushed = w;
        }
        changed.notify_all();
    }
    {
        std::lock_guard<std::mutex> lock(mutex);
        stop = true;
    }
    changed.notify_all();
    for (std::thread& t : threads)
        t.join();
    return status;
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

void mwc2SetExecution(const Mwc2Execution& e) {
    execution = e;
}
Mwc2Execution mwc2Execution() {
    return execution;
}

int mwc2(double* xcent, double* freq, double* ampl, double* prob, const double* xpos, double tbw,
         double fmax, double deltat, const double* yval, int irem, int npts, int kspec, int mpts,
         int inc, int nfft, int iprob, void* ctx, ProgressFunction progress) {
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

    Run run{};
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
    run.iprob = iprob;
    run.nf = nfft / 2 + 1;
    run.nsel = mwc2Bins(nfft, fmax);
    run.nb = execution.allBins || execution.tapersPerWindow ? run.nf : run.nsel;
    run.nu2 = 2 * kspec - 2;
    run.dofBad = run.nu2 < 2 || run.nu2 > 19998;
    run.threshold = iprob * 0.01;
    run.rdeltat = 1 / deltat;

    const double pct = 100.0 / run.nbspe;
    Mwc2Status status = Mwc2Status::Ok;
    if (!openWindow(1, pct, ctx, progress)) {
        status = Mwc2Status::Cancelled;
    } else {
        run.W = static_cast<quad>(tbw * (1.0 / mpts));
        const double df = 1.0 / nfft;
        for (int i = 0; i < run.nf; ++i)
            fgrid[i] = i * df;
        const int iflag = computeTapers(run);
        if (iflag != 0) {
            writeDiagnosticLine(
                (Record() << "fatal error while computing dpss  iflag=" << iflag).str());
            status = Mwc2Status::TaperFailure;
        } else {
            run.S = taperSums(mpts, kspec, NMAX, tapers, taperU);
            const int nw = workerCount(run);
            for (int id = 0; id < nw; ++id)
                if (nfft != 1)
                    fftinit(nfft, scratch[id].fftWork);
            status = nw == 1 ? runSequential(run, pct, ctx, progress)
                             : runParallel(run, nw, pct, ctx, progress);
        }
    }
    auxFlush();
    flushDiagnostics();
    return static_cast<int>(status);
}

} // namespace engine
