// Calibration of the whole-record spectrum's levels on simulated AR(1) noise: for each rho,
// length, taper count and transform length, the share of bins above level_95 and level_99 in
// the bands [0, W), [W, 2W), [2W, 4W) and [4W, Nyquist], for both backgrounds, counted over
// the bins the spectrum marks reliable (and the share of bins so marked).
//   calibrate_spectrum_levels [SERIES [LENGTHS...]]
// SERIES per case (500 by default); lengths 300 1000 2000 5000 20000 by default. Cases with
// N (1 - rho) < 5 are left out. The spectrum is computed as the tool computes it (the tapers
// once per length, then the adaptive power and the background of each series), without the
// F-test, which the levels do not use. Fixed seeds; two threads. Then the ar1 scale S0 at an
// unpadded transform against 8 times padded, on the same records.
#include "core/analysis/RunParameters.h"
#include "core/spectrum/SlepianTapers.h"
#include "core/spectrum/WholeRecord.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kTbw = 3.0;
constexpr int kBands = 4;
const char* const kBandNames[kBands] = {"[0,W)", "[W,2W)", "[2W,4W)", "[4W,Nyq]"};

int bandOf(double f, double W) {
    return f < W ? 0 : f < 2 * W ? 1 : f < 4 * W ? 2 : 3;
}

// Per band: bins, bins marked reliable, reliable bins above level_95 and level_99.
struct Counts {
    std::array<long, kBands> bins{}, reliable{}, above95{}, above99{};
    void add(const Counts& o) {
        for (int b = 0; b < kBands; ++b) {
            bins[b] += o.bins[b];
            reliable[b] += o.reliable[b];
            above95[b] += o.above95[b];
            above99[b] += o.above99[b];
        }
    }
};

void count(const spectrum::WholeRecord& r, double W, Counts& c) {
    const spectrum::Background& b = r.background;
    for (std::size_t i = 0; i < r.power.size(); ++i) {
        const int band = bandOf(r.frequency[i], W);
        ++c.bins[band];
        if (!b.reliable.empty() && !b.reliable[i])
            continue;
        ++c.reliable[band];
        c.above95[band] += r.power[i] > b.level95[i];
        c.above99[band] += r.power[i] > b.level99[i];
    }
}

// Stationary AR(1) of unit variance.
std::vector<double> ar1(double rho, int n, std::mt19937_64& rng) {
    std::normal_distribution<double> e;
    std::vector<double> x(n);
    const double innovation = std::sqrt(1 - rho * rho);
    x[0] = e(rng);
    for (int t = 1; t < n; ++t)
        x[t] = rho * x[t - 1] + innovation * e(rng);
    return x;
}

struct Case {
    int n, tapers, nfft;
    double rho;
};

// Both backgrounds' counts over `series` series of one case, on two threads.
std::array<Counts, 2> simulate(const Case& c, const spectrum::TaperSet& t, int series) {
    spectrum::WholeRecordRequest q;
    q.tbw = kTbw;
    q.tapers = c.tapers;
    q.nfft = c.nfft;
    const int bins = c.nfft / 2 + 1;
    const double W = kTbw / c.n;
    std::array<std::array<Counts, 2>, 2> part{};
    auto run = [&](int thread) {
        for (int s = thread; s < series; s += 2) {
            std::mt19937_64 rng(1000003ULL * static_cast<unsigned long long>(c.n) +
                                static_cast<unsigned long long>(std::lround(c.rho * 1e4)) * 7919 +
                                static_cast<unsigned long long>(s));
            const std::vector<double> y = ar1(c.rho, c.n, rng);
            spectrum::WholeRecord r;
            r.frequency.resize(bins);
            for (int j = 0; j < bins; ++j)
                r.frequency[j] = static_cast<double>(j) / c.nfft;
            r.amplitude.assign(bins, 0.0);
            r.probability.assign(bins, 0.0);
            q.background = spectrum::BackgroundKind::Ar1;
            spectrum::completeWholeRecord(r, y, 1.0, q, t.tapers, t.ratios);
            count(r, W, part[thread][0]);
            spectrum::refitBackground(r, spectrum::BackgroundKind::Robust, 1.0);
            count(r, W, part[thread][1]);
        }
    };
    std::thread other(run, 1);
    run(0);
    other.join();
    part[0][0].add(part[1][0]);
    part[0][1].add(part[1][1]);
    return part[0];
}

// The largest |S0 at nfft = N / S0 at nfft = 8N - 1| of the ar1 background over 20 series.
double scaleSpread(int n, double rho) {
    const spectrum::TaperSet t = spectrum::slepianTapers(n, 4, kTbw);
    double worst = 0;
    for (int s = 0; s < 20; ++s) {
        std::mt19937_64 rng(77 + s);
        const std::vector<double> y = ar1(rho, n, rng);
        double S0[2];
        for (int i = 0; i < 2; ++i) {
            spectrum::WholeRecordRequest q;
            q.tbw = kTbw;
            q.nfft = i == 0 ? n : 8 * n;
            spectrum::WholeRecord r;
            for (int j = 0; j <= q.nfft / 2; ++j)
                r.frequency.push_back(static_cast<double>(j) / q.nfft);
            r.amplitude.assign(r.frequency.size(), 0.0);
            r.probability.assign(r.frequency.size(), 0.0);
            spectrum::completeWholeRecord(r, y, 1.0, q, t.tapers, t.ratios);
            S0[i] = r.background.S0;
        }
        worst = std::max(worst, std::fabs(S0[0] / S0[1] - 1));
    }
    return worst;
}

std::string share(long part, long whole) {
    if (whole == 0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", 100.0 * static_cast<double>(part) / whole);
    return text;
}

} // namespace

int main(int argc, char** argv) {
    const int series = argc > 1 ? std::atoi(argv[1]) : 500;
    std::vector<int> lengths;
    for (int i = 2; i < argc; ++i)
        lengths.push_back(std::atoi(argv[i]));
    if (lengths.empty())
        lengths = {300, 1000, 2000, 5000, 20000};
    const double rhos[] = {0.0, 0.5, 0.9, 0.95, 0.98, 0.99, 0.995};
    std::printf("# %d series per case; shares in %% of the bins marked reliable; rel: the share "
                "of bins marked reliable\n",
                series);
    std::printf("rho\tN\tK\tnfft\tband\tbins\tar1_rel\tar1_95\tar1_99\trob_rel\trob_95\trob_99\n");
    for (int n : lengths)
        for (const auto& [tapers, padded] : {std::pair{4, true}, {2, true}, {4, false}}) {
            const spectrum::TaperSet t = spectrum::slepianTapers(n, tapers, kTbw);
            if (t.status != 0) {
                std::fprintf(stderr, "tapers failed for N = %d\n", n);
                return 1;
            }
            const int nfft = padded ? analysis::wholeRecordTransformLength(n) : n;
            for (double rho : rhos) {
                if (n * (1 - rho) < 5)
                    continue;
                const Case c{n, tapers, nfft, rho};
                const std::array<Counts, 2> k = simulate(c, t, series);
                for (int b = 0; b < kBands; ++b)
                    std::printf("%g\t%d\t%d\t%d\t%s\t%.1f\t%s\t%s\t%s\t%s\t%s\t%s\n", rho, n,
                                tapers, nfft, kBandNames[b],
                                static_cast<double>(k[0].bins[b]) / series,
                                share(k[0].reliable[b], k[0].bins[b]).c_str(),
                                share(k[0].above95[b], k[0].reliable[b]).c_str(),
                                share(k[0].above99[b], k[0].reliable[b]).c_str(),
                                share(k[1].reliable[b], k[1].bins[b]).c_str(),
                                share(k[1].above95[b], k[1].reliable[b]).c_str(),
                                share(k[1].above99[b], k[1].reliable[b]).c_str());
                std::fflush(stdout);
            }
        }
    std::printf("\n# ar1 S0 at nfft = N against 8N on the same record, largest relative "
                "difference over 20 series\n");
    std::printf("N\trho\tS0 spread\n");
    for (int n : {300, 700, 2000})
        for (double rho : {0.5, 0.9, 0.989})
            std::printf("%d\t%g\t%.4f\n", n, rho, scaleSpread(n, rho));
    return 0;
}
