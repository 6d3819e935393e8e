#include "engine/pipeline.h"

#include "engine/tapers.h"

#include "engine/auxfiles.h"
#include "engine/capacities.h"
#include "engine/diagnostics.h"
#include "engine/fft.h"
#include "engine/fprob.h"
#include "engine/harmonic.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

namespace {

constexpr int MAX_WORKERS = 4;
constexpr int RING = 16; // windows in flight; a worker waits when it is this far ahead

// Arrays of a worker beyond the first, sized for the run and grown when a later run needs more.
struct WorkerArrays {
    std::vector<double> window, yk, fftWork, F, P, lineRecip, lineF;
    std::vector<quad> mu, harmftScratch;

    WindowScratch fit(const WindowRun& run) {
        auto grow = [](auto& v, std::size_t n) {
            if (v.size() < n)
                v.resize(n);
        };
        const std::size_t nf = static_cast<std::size_t>(run.nf);
        grow(window, static_cast<std::size_t>(run.mpts));
        grow(yk, 2 * static_cast<std::size_t>(run.nfft) * run.kspec);
        grow(fftWork, 4 * static_cast<std::size_t>(run.nfft) + FFT_FACTOR_SLOTS);
        for (auto* v : {&F, &P, &lineRecip, &lineF})
            grow(*v, nf);
        grow(mu, 2 * nf);
        grow(harmftScratch, KMAX);
        return {window.data(), yk.data(), run.nfft,         fftWork.data(), F.data(),
                mu.data(),     P.data(),  lineRecip.data(), lineF.data(),   harmftScratch.data()};
    }
};

WorkerArrays& workerArrays(int id) {
    static std::unique_ptr<WorkerArrays> arrays[MAX_WORKERS];
    if (!arrays[id])
        arrays[id] = std::make_unique<WorkerArrays>();
    return *arrays[id];
}

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

// Everything of window w after its tapers: transforms, F-test, probabilities, rows, records.
void processWindow(const WindowRun& run, const WindowScratch& s, int w, WindowText& text) {
    setThreadDiagnosticBuffer(&text.out);
    const long ist = 1 + static_cast<long>(w - 1) * run.inc; // 1-based first sample
    for (int t = 0; t < run.mpts; ++t)
        s.window[t] = run.series[ist - 1 + t];
    removeWindowTrend(s.window, run.mpts, run.execution.windowDetrend);

    eigcoef(run.mpts, run.nfft, run.kspec, s.window, run.mpts, run.taperd, s.fftWork, s.ykdim,
            s.yk);
    if (run.execution.tapersPerWindow || run.execution.allBins)
        harmft(run.mpts, run.nb, run.kspec, NMAX, run.tapers, s.ykdim, s.yk, s.harmftScratch, s.F,
               s.mu);
    else
        harmonicBins(run.nb, run.kspec, run.taperU, run.S, s.ykdim, s.yk, s.F, s.mu);

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
        if (s.P[i] >= run.threshold && run.fgrid[i] <= run.fmax) {
            s.lineRecip[count] = i == 0 ? 0.0 : 1 / run.fgrid[i];
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
        run.freq[r] = run.fgrid[i] * run.rdeltat;
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

int workerCount(const WindowRun& run) {
    if (run.execution.tapersPerWindow)
        return 1;
    int n = run.execution.workers;
    if (n <= 0)
        n = static_cast<int>(std::thread::hardware_concurrency());
    n = std::max(1, std::min(n, MAX_WORKERS));
    return std::min(n, run.nbspe);
}

Mwc2Status runSequential(WindowRun& run, double pct, void* ctx, ProgressFunction progress) {
    WindowText text;
    for (int w = 1; w <= run.nbspe; ++w) {
        if (w > 1) {
            if (!openWindow(run.execution, w, pct, ctx, progress))
                return Mwc2Status::Cancelled;
            if (run.execution.tapersPerWindow) {
                const int iflag = run.recomputeTapers();
                if (iflag == TAPERS_STOPPED)
                    return Mwc2Status::Cancelled;
                if (iflag != 0) {
                    writeDiagnosticLine(
                        (Record() << "fatal error while computing dpss  iflag=" << iflag).str());
                    return Mwc2Status::TaperFailure;
                }
            }
        }
        processWindow(run, run.first, w, text);
        flushWindow(text);
    }
    return Mwc2Status::Ok;
}

Mwc2Status runParallel(WindowRun& run, const std::vector<WindowScratch>& scratch, double pct,
                       void* ctx, ProgressFunction progress) {
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
        for (std::size_t id = 0; id < scratch.size(); ++id)
            threads.emplace_back(work, static_cast<int>(id));
    } catch (const std::system_error&) {
        if (threads.empty())
            return runSequential(run, pct, ctx, progress);
    }

    Mwc2Status status = Mwc2Status::Ok;
    for (int w = 1; w <= run.nbspe; ++w) {
        if (w > 1 && !openWindow(run.execution, w, pct, ctx, progress)) {
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

} // namespace

bool openWindow(const Mwc2Execution& execution, int w, double pct, void* ctx,
                ProgressFunction progress) {
    if (execution.cancel && execution.cancel->load(std::memory_order_relaxed))
        return false;
    if (progress)
        progress(ctx, w * pct);
    auxWrite(17, spectrumRecord(w));
    return true;
}

Mwc2Status runWindows(WindowRun& run, double pct, void* ctx, ProgressFunction progress) {
    const int nw = workerCount(run);
    std::vector<WindowScratch> scratch{run.first};
    try {
        for (int id = 1; id < nw; ++id)
            scratch.push_back(workerArrays(id).fit(run));
    } catch (const std::bad_alloc&) {
        // Fewer workers, same results: the order of records never depends on their number.
    }
    if (run.nfft != 1)
        for (const WindowScratch& s : scratch)
            fftinit(run.nfft, s.fftWork);
    return scratch.size() == 1 ? runSequential(run, pct, ctx, progress)
                               : runParallel(run, scratch, pct, ctx, progress);
}

} // namespace engine
